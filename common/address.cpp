#include "common/address.h"

#include <optional>

#include "common/text.h"

namespace panelia {
namespace {

bool IsAsciiAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

// "scheme:" per the URL syntax, but "host:port" (all digits after the colon up to "/" or the end)
// and one-letter drive names are not schemes.
bool HasScheme(std::string_view address) {
  size_t colon = address.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  for (size_t i = 0; i < colon; ++i) {
    char c = address[i];
    bool ok = IsAsciiAlpha(c) || (i > 0 && (IsAsciiDigit(c) || c == '+' || c == '-' || c == '.'));
    if (!ok) return false;
  }
  if (colon == 1) return false;  // "C:\..." is a drive, never a scheme
  std::string_view after = address.substr(colon + 1);
  size_t end = after.find_first_of("/?#");
  std::string_view port = after.substr(0, end);
  bool all_digits = !port.empty();
  for (char c : port) all_digits &= IsAsciiDigit(c);
  return !all_digits;
}

bool IsUnreserved(unsigned char c) {
  return IsAsciiAlpha(static_cast<char>(c)) || IsAsciiDigit(static_cast<char>(c)) || c == '-' || c == '.' || c == '_' ||
         c == '~' || c == '/' || c >= 0x80;
}

// A local path as a file address: bytes outside the safe set are escaped, UTF-8 stays readable
// (the engine escapes it itself).
std::string FileAddress(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "file://";
  for (unsigned char c : path) {
    if (IsUnreserved(c) || c == ':' || c == '@' || c == '!' || c == '$' || c == '&' || c == '\'' || c == '(' ||
        c == ')' || c == '*' || c == '+' || c == ',' || c == ';' || c == '=') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

int HexValue(char c) {
  if (IsAsciiDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<unsigned char> EscapedByte(std::string_view text, size_t at) {
  if (at + 2 >= text.size() || text[at] != '%') return std::nullopt;
  int high = HexValue(text[at + 1]), low = HexValue(text[at + 2]);
  if (high < 0 || low < 0) return std::nullopt;
  return static_cast<unsigned char>(high * 16 + low);
}

size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

std::string NormalizeAddress(std::string_view raw) {
  std::string_view address = TrimSpaces(raw);
  if (address.empty()) return "about:blank";
  if (address[0] == '/') return FileAddress(address);
  // "C:\kiosk\index.htm": the drive goes, the backslashes become the path's slashes.
  if (address.size() >= 3 && IsAsciiAlpha(address[0]) && address[1] == ':' &&
      (address[2] == '\\' || address[2] == '/')) {
    std::string path(address.substr(2));
    for (char& c : path)
      if (c == '\\') c = '/';
    return FileAddress(path);
  }
  if (HasScheme(address)) return std::string(address);
  return "http://" + std::string(address);
}

std::string ReadableAddress(std::string_view address) {
  std::string out;
  out.reserve(address.size());
  size_t i = 0;
  while (i < address.size()) {
    auto lead = EscapedByte(address, i);
    size_t length = lead ? Utf8Length(*lead) : 0;
    if (lead && length > 0) {
      std::string bytes(1, static_cast<char>(*lead));
      size_t at = i + 3;
      for (size_t k = 1; k < length; ++k, at += 3) {
        auto next = EscapedByte(address, at);
        if (!next || (*next & 0xC0) != 0x80) break;
        bytes += static_cast<char>(*next);
      }
      if (bytes.size() == length && IsValidUtf8(bytes)) {
        out += bytes;
        i = at;
        continue;
      }
    }
    out += address[i++];
  }
  return out;
}

std::string ShortAddress(std::string_view address, size_t most) {
  if (address.size() <= most) return std::string(address);
  size_t cut = most;
  // Back to the start of a UTF-8 character: continuation bytes are 10xxxxxx.
  while (cut > 0 && (static_cast<unsigned char>(address[cut]) & 0xC0) == 0x80) --cut;
  return std::string(address.substr(0, cut)) + "…";
}

}  // namespace panelia
