// The page-list reader: the text form, and the file form that reads in pieces and decodes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

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
