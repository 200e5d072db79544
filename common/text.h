// Text helpers shared by the programs. All texts are UTF-8; byte limits count UTF-8 bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace panelia {

// Lower-cases ASCII letters only; multi-byte characters stay as they are.
std::string AsciiLower(std::string_view text);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
std::string_view TrimSpaces(std::string_view text);  // spaces, tabs, CR, LF
bool IsValidUtf8(std::string_view bytes);
// The pieces between the separators, empty ones included ("a,,b" gives three).
std::vector<std::string_view> SplitOn(std::string_view text, char separator);

enum class SourceEncoding { Utf8, Utf8Bom, Utf16LeBom, Gb18030 };

// Decodes a text file: a UTF-8 or UTF-16LE byte-order mark decides; without one, valid UTF-8 is
// taken as it is and anything else was written on an older kiosk in GB18030. nullopt when the bytes
// cannot be decoded at all.
std::optional<std::string> DecodeTextFile(std::string_view bytes, SourceEncoding* found = nullptr);

// Reads a whole file; nullopt when it cannot be read or is larger than `max_bytes`.
std::optional<std::string> ReadFileBytes(const std::string& path, size_t max_bytes = 16u << 20);

}  // namespace panelia
