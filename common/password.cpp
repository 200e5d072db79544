#include "common/password.h"

#include <crypt.h>

#include <cstring>
#include <memory>

#include "common/text.h"

namespace panelia {

std::string NormalizePassword(std::string_view text) {
  constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";
  size_t begin = text.find_first_not_of(kWhiteSpace);
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(kWhiteSpace);
  return AsciiLower(text.substr(begin, end - begin + 1));
}

bool IsPasswordHash(std::string_view stored) {
  // "$id$..." with a short identifier; a plain password may begin with "$" too, but not with this
  // shape and a hash's length.
  if (stored.size() < 20 || stored[0] != '$') return false;
  size_t second = stored.find('$', 1);
  return second != std::string_view::npos && second >= 2 && second <= 3;
}

std::optional<std::string> HashPassword(std::string_view plain) {
  char setting[CRYPT_GENSALT_OUTPUT_SIZE];
  // A null random source asks libcrypt for the system's own random bytes.
  if (!crypt_gensalt_rn("$y$", 0, nullptr, 0, setting, sizeof setting)) return std::nullopt;
  auto data = std::make_unique<crypt_data>();
  std::memset(data.get(), 0, sizeof(crypt_data));
  std::string normal = NormalizePassword(plain);
  const char* hash = crypt_r(normal.c_str(), setting, data.get());
  if (!hash || hash[0] == '*') return std::nullopt;
  return std::string(hash);
}

bool PasswordMatches(std::string_view stored, std::string_view entered) {
  if (stored == kPasswordKeptApart) return false;
  std::string normal = NormalizePassword(entered);
  if (!IsPasswordHash(stored)) return NormalizePassword(stored) == normal;
  auto data = std::make_unique<crypt_data>();
  std::memset(data.get(), 0, sizeof(crypt_data));
  std::string setting(stored);
  const char* hash = crypt_r(normal.c_str(), setting.c_str(), data.get());
  // A damaged hash ("*0" from libcrypt) matches nothing.
  if (!hash || hash[0] == '*' || std::strlen(hash) != stored.size()) return false;
  // Compared in full whatever differs first: the time says nothing about the stored hash.
  unsigned char differ = 0;
  for (size_t i = 0; i < stored.size(); ++i) differ |= static_cast<unsigned char>(hash[i] ^ stored[i]);
  return differ == 0;
}

bool IsShortPassword(std::string_view plain) {
  if (IsPasswordHash(plain) || plain == kPasswordKeptApart) return false;
  size_t characters = 0;
  for (unsigned char c : NormalizePassword(plain)) characters += (c & 0xC0) != 0x80;  // UTF-8 lead bytes
  return characters < kShortPasswordCharacters;
}

bool IsDemoPassword(std::string_view stored) {
  return PasswordMatches(stored, kDemoPassword);
}

}  // namespace panelia
