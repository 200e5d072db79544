// The suite's client messages: any program on the display can send one with any type and words.
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <string>

#include "common/names.h"
#include "fuzz_input.h"
#include "platform/x11/message_receiver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  panelia::fuzz::Input input(data, size);
  int format = input.Byte();
  std::string_view name = input.Piece();
  long words[5] = {};
  std::string_view rest = input.Rest();
  if (!rest.empty()) std::memcpy(words, rest.data(), std::min(rest.size(), sizeof words));
  auto message = panelia::x11::DecodeMessageFields(
      name, format, words, {panelia::kOpenUrlMessage, panelia::kInputMethodMessage, panelia::kMusicPlayMessage});
  if (message && message->name != name) __builtin_trap();
  return 0;
}
