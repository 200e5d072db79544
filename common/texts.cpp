#include "common/texts.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

#include "common/log.h"

namespace panelia {
namespace {

struct Catalogue {
  std::string language = "en";
  std::unordered_map<std::string, std::string> texts;
};

Catalogue& Current() {
  static Catalogue catalogue;
  return catalogue;
}

}  // namespace

std::optional<std::unordered_map<std::string, std::string>> ParseCatalogue(std::string_view bytes) {
  constexpr uint32_t kMagic = 0x950412de, kSwappedMagic = 0xde120495;
  auto word_at = [&](size_t offset, bool swapped) -> std::optional<uint32_t> {
    if (offset > bytes.size() || bytes.size() - offset < 4) return std::nullopt;
    uint32_t w = 0;
    std::memcpy(&w, bytes.data() + offset, 4);
    return swapped ? __builtin_bswap32(w) : w;
  };
  auto magic = word_at(0, false);
  if (!magic || (*magic != kMagic && *magic != kSwappedMagic)) return std::nullopt;
  const bool swapped = *magic == kSwappedMagic;
  auto count = word_at(8, swapped), originals = word_at(12, swapped), translations = word_at(16, swapped);
  if (!count || !originals || !translations) return std::nullopt;
  // A text: its length and offset in a table entry; the bytes must lie inside the file.
  auto text_at = [&](uint32_t table, uint32_t index) -> std::optional<std::string_view> {
    const uint64_t entry = static_cast<uint64_t>(table) + static_cast<uint64_t>(index) * 8;
    if (entry > bytes.size()) return std::nullopt;
    auto length = word_at(entry, swapped), offset = word_at(entry + 4, swapped);
    if (!length || !offset || *offset > bytes.size() || bytes.size() - *offset < *length) return std::nullopt;
    return bytes.substr(*offset, *length);
  };
  if (static_cast<uint64_t>(*count) * 8 > bytes.size()) return std::nullopt;
  std::unordered_map<std::string, std::string> texts;
  for (uint32_t i = 0; i < *count; ++i) {
    auto original = text_at(*originals, i), translation = text_at(*translations, i);
    if (!original || !translation) return std::nullopt;
    // The catalogue's header (the empty original) and plural forms are no texts of the programs.
    if (original->empty() || original->find('\0') != std::string_view::npos) continue;
    texts.emplace(*original, *translation);
  }
  return texts;
}

void UseUiLanguage(std::string_view language, const std::string& locale_folder) {
  Catalogue& current = Current();
  current = Catalogue{};
  if (language.empty()) language = kDefaultUiLanguage;
  if (language == "en") return;
  const std::string path = locale_folder + std::string(language) + "/LC_MESSAGES/panelia.mo";
  std::ifstream file(path, std::ios::binary);
  std::string bytes;
  // A catalogue of the suite's few hundred texts is some tens of KiB; anything near this is no
  // catalogue of ours.
  constexpr size_t kMostBytes = 4 << 20;
  if (file) {
    file.seekg(0, std::ios::end);
    const auto size = file.tellg();
    file.seekg(0);
    if (size > 0 && static_cast<size_t>(size) <= kMostBytes) bytes.assign(std::istreambuf_iterator<char>(file), {});
  }
  auto texts = ParseCatalogue(bytes);
  if (!texts) {
    Log("the texts of language \"%.*s\" cannot be read from %s; English is shown", static_cast<int>(language.size()),
        language.data(), path.c_str());
    return;
  }
  current.language = std::string(language);
  current.texts = std::move(*texts);
}

const std::string& ShownLanguage() {
  return Current().language;
}

const char* Tr(const char* english) {
  const auto& texts = Current().texts;
  if (texts.empty()) return english;
  auto found = texts.find(english);
  return found == texts.end() || found->second.empty() ? english : found->second.c_str();
}

std::string Filled(std::string_view text, std::initializer_list<std::string> values) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t n = i + 2 < text.size() && text[i] == '{' && text[i + 2] == '}' ? text[i + 1] - '1' : values.size();
    if (n < values.size()) {
      out += *(values.begin() + n);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string ForVisitors(const char* english) {
  const char* shown = Tr(english);
  if (shown == english) return english;
  return std::string(shown) + " \u00b7 " + english;
}

}  // namespace panelia
