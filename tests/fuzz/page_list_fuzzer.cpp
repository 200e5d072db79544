// The page-list reader: the text form, and the file form that reads in pieces and decodes; and the
// entry index the navigation check asks, against a walk over every entry (the input's last line is
// the address).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "browse/page_lists.h"
#include "common/page_list.h"

namespace {

std::string ScratchFile() {
  const char* dir = getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/panelia-page-list-fuzz-" + std::to_string(getpid()) + ".dat";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  panelia::PageList list = panelia::PageList::Parse(text);
  for (bool lower : {false, true}) {
    std::string address = text.substr(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
    if (lower)
      for (char& c : address)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    panelia::PageList compared = list;
    if (lower) compared.LowerAscii();
    bool walked = false;
    for (std::string_view entry : compared) {
      if (!entry.empty() && entry.back() == '/') entry.remove_suffix(1);
      walked = walked || address.find(entry) != std::string::npos;
    }
    if (panelia::EntryIndex(list, lower).AnyIn(address) != walked) __builtin_trap();
  }
  list.LowerAscii();
  for (std::string_view entry : list) (void)entry.size();

  static const std::string path = ScratchFile();
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    if (auto read = panelia::PageList::ReadFile(path))
      for (std::string_view entry : *read) (void)entry.size();
  }
  return 0;
}
