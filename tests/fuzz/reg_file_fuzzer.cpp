// The .reg reader: any bytes an operator's file may hold, in any encoding.
#include <cstdint>
#include <variant>

#include "common/reg_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto result = panelia::ParseRegFile(bytes);
  // Whatever was read formats again (a hive's root key "" included).
  if (auto* changes = std::get_if<std::vector<panelia::RegChange>>(&result))
    for (const auto& change : *changes) (void)panelia::QuoteRegString(change.name);
  return 0;
}
