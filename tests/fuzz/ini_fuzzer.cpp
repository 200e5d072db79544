// The INI reader, as "OpenURL.ini" is read: section and key names, then the file's bytes.
#include <cstdint>

#include "common/ini_file.h"
#include "common/text.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  panelia::fuzz::Input input(data, size);
  std::string_view section = input.Piece();
  std::string_view key = input.Piece();
  std::string_view bytes = input.Rest();
  (void)panelia::IniLookup(bytes, section, key);
  if (auto text = panelia::DecodeTextFile(bytes)) (void)panelia::IniLookup(*text, section, key);
  return 0;
}
