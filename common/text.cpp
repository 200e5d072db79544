#include "common/text.h"

#include <cstdint>
#include <cstring>

#include <iconv.h>

#include <cerrno>
#include <fstream>
#include <vector>

namespace panelia {

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string_view TrimSpaces(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  size_t begin = text.find_first_not_of(kSpace);
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(kSpace);
  return text.substr(begin, end - begin + 1);
}

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  const size_t n = bytes.size();
  while (i < n) {
    // Runs of ASCII, eight bytes at a time: most of a list or a page address.
    while (i + 8 <= n) {
      uint64_t word;
      std::memcpy(&word, bytes.data() + i, 8);
      if (word & 0x8080808080808080ull) break;
      i += 8;
    }
    if (i >= n) break;
    auto c = static_cast<unsigned char>(bytes[i]);
    size_t len;
    uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + len > n) return false;
    for (size_t k = 1; k < len; ++k) {
      auto cc = static_cast<unsigned char>(bytes[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    // Overlong forms, surrogates and code points past Unicode are not UTF-8.
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += len;
  }
  return true;
}

namespace {

std::optional<std::string> Convert(const char* from, std::string_view bytes) {
  iconv_t cd = iconv_open("UTF-8", from);
  // iconv_open reports failure as (iconv_t)-1.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  std::vector<char> in(bytes.begin(), bytes.end());
  char* in_ptr = in.data();
  size_t in_left = in.size();
  char buffer[4096];
  bool ok = true;
  while (in_left > 0) {
    char* out_ptr = buffer;
    size_t out_left = sizeof buffer;
    size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    out.append(buffer, static_cast<size_t>(out_ptr - buffer));
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      ok = false;
      break;
    }
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  return out;
}

}  // namespace

std::optional<std::string> DecodeTextFile(std::string_view bytes, SourceEncoding* found) {
  auto report = [&](SourceEncoding e) {
    if (found) *found = e;
  };
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    report(SourceEncoding::Utf8Bom);
    std::string_view rest = bytes.substr(3);
    if (!IsValidUtf8(rest)) return std::nullopt;
    return std::string(rest);
  }
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") {
    report(SourceEncoding::Utf16LeBom);
    if ((bytes.size() - 2) % 2 != 0) return std::nullopt;
    return Convert("UTF-16LE", bytes.substr(2));
  }
  if (IsValidUtf8(bytes)) {
    report(SourceEncoding::Utf8);
    return std::string(bytes);
  }
  report(SourceEncoding::Gb18030);
  return Convert("GB18030", bytes);
}

std::optional<std::string> ReadFileBytes(const std::string& path, size_t max_bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    data.append(buffer, static_cast<size_t>(in.gcount()));
    if (data.size() > max_bytes) return std::nullopt;
  }
  if (in.bad()) return std::nullopt;
  return data;
}

std::vector<std::string_view> SplitOn(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  for (size_t start = 0;;) {
    const size_t end = text.find(separator, start);
    pieces.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return pieces;
    start = end + 1;
  }
}

}  // namespace panelia
