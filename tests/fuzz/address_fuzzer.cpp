// Address handling: normalising what an operator typed, the readable form of what the engine
// reports, and the local-file checks every navigation passes.
#include <cstdint>
#include <string>
#include <vector>

#include "browse/page_commands.h"
#include "common/address.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  panelia::fuzz::Input input(data, size);
  uint8_t flags = input.Byte();
  std::string_view folder = input.Piece();
  std::string_view from = input.Piece();
  std::string_view address = input.Rest();
  std::string normal = panelia::NormalizeAddress(address);
  // Normalising twice changes nothing more.
  if (panelia::NormalizeAddress(normal) != normal) __builtin_trap();
  (void)panelia::ReadableAddress(address);
  (void)panelia::ReadableAddress(normal);
  (void)panelia::MayOpenLocalFile(normal, from, flags & 1, flags & 2);
  (void)panelia::IsInsideFolders(address, std::vector<std::string>{std::string(folder), "/"});
  return 0;
}
