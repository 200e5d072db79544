#include "common/page_list.h"

#include <filesystem>
#include <fstream>

#include "common/text.h"

namespace panelia {

PageList ParsePageList(std::string_view text) {
  PageList list;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    std::string_view line = text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) break;
    list.emplace_back(line);
    if (end == std::string_view::npos) break;
    pos = end + 1;
  }
  return list;
}

std::optional<PageList> ReadPageListFile(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return std::nullopt;  // opens, but is no list
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  // Up to the first empty line only: "\n\n" or "\n\r\n", or an empty first line.
  std::string bytes;
  std::string line;
  bool first = true;
  while (std::getline(in, line)) {
    std::string_view content = line;
    if (first && content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
    if (content.empty() || content == "\r") break;
    bytes += line;
    bytes += '\n';
    first = false;
  }
  auto text = DecodeTextFile(bytes);
  return ParsePageList(text.value_or(std::string()));
}

}  // namespace panelia
