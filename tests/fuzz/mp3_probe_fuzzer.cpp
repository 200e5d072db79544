// The MP3 probe: the ID3v2 tag size and the first-frame search over a file's first bytes.
#include <cstdint>
#include <span>

#include "music/mp3_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> bytes(data, size);
  size_t tag = panelia::Id3v2TagSize(bytes);
  (void)panelia::SearchFirstFrame(bytes);
  if (tag < size) (void)panelia::SearchFirstFrame(bytes.subspan(tag));
  return 0;
}
