// .reg text files: "Windows Registry Editor Version 5.00" and "REGEDIT4", as operators and the
// configuration program exchange settings.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/registry.h"

namespace panelia {

// Longest text a setting may hold, in bytes (the readers' 256-byte buffer keeps one for the terminator).
inline constexpr size_t kMaxSettingTextBytes = 255;

// "HKLM\\Software\\X" or "HKEY_CURRENT_USER\\..." -> hive and key path. False for an unknown hive.
bool SplitHivePath(std::string_view full, Hive& hive, std::string& path);

struct RegFileError {
  int line = 0;  // 1-based; 0 when the whole file is at fault
  std::string message;
};

// Parses a whole file (any supported encoding) into the changes it asks for, in file order.
// A file with any fault yields only the first fault, so nothing of it is written.
std::variant<std::vector<RegChange>, RegFileError> ParseRegFile(std::string_view bytes);

struct RegExportKey {
  Hive hive;
  std::string path;
  std::vector<std::pair<std::string, RegValue>> values;
};
// Writes keys (parents before children, as given) in the version 5.00 format, UTF-8.
std::string FormatRegFile(const std::vector<RegExportKey>& keys);

std::string QuoteRegString(std::string_view text);

}  // namespace panelia
