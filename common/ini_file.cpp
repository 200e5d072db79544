#include "common/ini_file.h"

#include "common/text.h"

namespace panelia {

std::optional<std::string> IniLookup(std::string_view text, std::string_view section, std::string_view key) {
  bool in_section = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = TrimSpaces(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      size_t close = line.find(']');
      if (close == std::string_view::npos) continue;
      in_section = EqualsIgnoreAsciiCase(TrimSpaces(line.substr(1, close - 1)), section);
      continue;
    }
    if (!in_section) continue;
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    if (!EqualsIgnoreAsciiCase(TrimSpaces(line.substr(0, equals)), key)) continue;
    std::string_view value = TrimSpaces(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return std::string(value);
  }
  return std::nullopt;
}

std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                              const std::string& fallback) {
  auto bytes = ReadFileBytes(path, 4u << 20);
  if (!bytes) return fallback;
  auto text = DecodeTextFile(*bytes);
  if (!text) return fallback;
  return IniLookup(*text, section, key).value_or(fallback);
}

}  // namespace panelia
