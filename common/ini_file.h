// Reading operator INI files ("OpenURL.ini") with the platform's profile-reading habits: section and
// key names without regard to ASCII case, values trimmed, one pair of surrounding quotes removed,
// the first matching section and key winning.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace panelia {

// The value of `key` in `section` of the text, or nullopt when either is missing.
std::optional<std::string> IniLookup(std::string_view text, std::string_view section, std::string_view key);

// The same for a file, decoded as UTF-8 or, from an older kiosk, GB18030; `fallback` when the file,
// section or key is missing or the file cannot be read.
std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                              const std::string& fallback);

}  // namespace panelia
