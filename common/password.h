// The exit password as the store keeps it: a salted one-way hash (yescrypt) when set through the
// settings program, or plain text from a .reg file an operator imported, which keeps working. Both
// sides of a comparison are lower-cased and trimmed first, as the kiosk always compared them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace panelia {

// Lower-cases ASCII letters and trims surrounding white space.
std::string NormalizePassword(std::string_view text);

// Whether the stored value is a hash ("$y$...", or another crypt(3) form) rather than plain text.
bool IsPasswordHash(std::string_view stored);

// The stored form of `plain`: a yescrypt hash with a fresh random salt; nullopt when the system
// offers no such hash (the caller then refuses to save rather than store the password in clear).
std::optional<std::string> HashPassword(std::string_view plain);

// Stored in place of the password once its hash is kept apart, where only the password checker
// (panelia-password) reads it: the settings store is readable by every account of the machine, and
// a short password's hash falls to offline guessing. Matches no entry.
inline constexpr std::string_view kPasswordKeptApart = "!kept-by-panelia-password";

// Whether `entered` is the password `stored` keeps, hashed or plain (never the kept-apart mark).
bool PasswordMatches(std::string_view stored, std::string_view entered);

// A new password shorter than this many characters is stored only when the operator confirms it:
// should its hash ever leave the machine (a backup, a disk), every short one is found in minutes.
inline constexpr size_t kShortPasswordCharacters = 6;
bool IsShortPassword(std::string_view plain);
inline constexpr std::string_view kShortPasswordReason =
    "it is shorter than 6 characters: should its hash ever leave the machine (a backup, a disk), it is "
    "guessed in minutes";

// The demo's password, which every installation starts with and anybody may know.
inline constexpr std::string_view kDemoPassword = "8888";
bool IsDemoPassword(std::string_view stored);

}  // namespace panelia
