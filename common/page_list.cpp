#include "common/page_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <ostream>

#include "common/text.h"

namespace panelia {
namespace {

// Opens a file for reading, refusing anything that is not a regular file (a directory, a pipe
// that would block).
int OpenRegularFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st = {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

PageList::PageList(std::initializer_list<std::string_view> entries) {
  for (std::string_view e : entries) {
    lines_.emplace_back(static_cast<uint32_t>(text_.size()), static_cast<uint32_t>(e.size()));
    text_.append(e);
    text_ += '\n';
  }
}

bool PageList::TakeLines(size_t& line_start, size_t& scanned) {
  // A search for a byte, not a string copy: no terminator is involved.
  // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
  while (const void* found = std::memchr(text_.data() + scanned, '\n', text_.size() - scanned)) {
    auto end = static_cast<size_t>(static_cast<const char*>(found) - text_.data());
    size_t length = end - line_start;
    if (length > 0 && text_[end - 1] == '\r') --length;
    if (length == 0) {
      text_.resize(line_start);  // the empty line ends the list; what follows is no part of it
      return true;
    }
    lines_.emplace_back(static_cast<uint32_t>(line_start), static_cast<uint32_t>(length));
    line_start = scanned = end + 1;
  }
  scanned = text_.size();
  return false;
}

void PageList::TakeLastLine(size_t line_start) {
  if (line_start >= text_.size()) return;
  size_t length = text_.size() - line_start;
  if (text_.back() == '\r') --length;
  if (length > 0) lines_.emplace_back(static_cast<uint32_t>(line_start), static_cast<uint32_t>(length));
}

PageList PageList::Parse(std::string text) {
  PageList list;
  list.text_ = std::move(text);
  size_t line_start = 0, scanned = 0;
  if (!list.TakeLines(line_start, scanned)) list.TakeLastLine(line_start);
  return list;
}

void PageList::LowerAscii() {
  // Eight bytes at a time: a byte below 0x80 between 'A' and 'Z' gains 0x20; other bytes (UTF-8
  // sequences among them) stay as they are.
  constexpr uint64_t kHigh = 0x8080808080808080ull, kLow = 0x7F7F7F7F7F7F7F7Full;
  size_t i = 0;
  for (; i + 8 <= text_.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, text_.data() + i, 8);
    uint64_t low = w & kLow;
    uint64_t above_z = low + 0x2525252525252525ull;    // high bit set from 'Z' + 1 up
    uint64_t from_a = low + 0x3F3F3F3F3F3F3F3Full;     // high bit set from 'A' up
    uint64_t upper = (from_a ^ above_z) & ~w & kHigh;  // 'A'..'Z', ASCII only
    w |= upper >> 2;
    std::memcpy(text_.data() + i, &w, 8);
  }
  for (; i < text_.size(); ++i)
    if (text_[i] >= 'A' && text_[i] <= 'Z') text_[i] = static_cast<char>(text_[i] - 'A' + 'a');
}

std::vector<std::string> PageList::Entries() const {
  std::vector<std::string> out;
  for (std::string_view e : *this) out.emplace_back(e);
  return out;
}

std::optional<PageList> PageList::ReadFile(const std::string& path) {
  int fd = OpenRegularFile(path);
  if (fd < 0) return std::nullopt;
  // Read in pieces straight into the list's text, splitting lines as they arrive and stopping at
  // the first empty line: a list costs one copy of its bytes, whatever follows it costs nothing.
  PageList list;
  std::string& text = list.text_;
  struct stat st = {};
  size_t file_size = fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
  // Pieces the size of the file (a read past its end tells the end), at most a megabyte each.
  const size_t piece = std::clamp<size_t>(file_size + 1, 4096, size_t{1} << 20);
  text.reserve(std::min<size_t>(file_size + 1, 64u << 20));
  size_t line_start = 0, scanned = 0;
  bool ended = false;
  while (!ended) {
    size_t old_size = text.size();
    text.resize(old_size + piece);
    ssize_t got = read(fd, text.data() + old_size, piece);
    text.resize(old_size + static_cast<size_t>(std::max<ssize_t>(got, 0)));
    if (got <= 0) break;  // the end, or a read error: the list ends at the line reached
    ended = list.TakeLines(line_start, scanned);
  }
  close(fd);
  if (!ended) list.TakeLastLine(line_start);
  // UTF-16 or binary: no list an operator wrote in a text editor.
  std::string_view bytes = text;
  if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF" ||
      std::memchr(bytes.data(), '\0', bytes.size()) != nullptr)
    return std::nullopt;
  if (bytes.substr(0, 3) != "\xEF\xBB\xBF" && IsValidUtf8(bytes)) return list;
  // A byte-order mark, or GB18030 from an older kiosk: decoded, then split again.
  auto decoded = DecodeTextFile(bytes);
  if (!decoded) return std::nullopt;
  return Parse(std::move(*decoded));
}

std::optional<FileStamp> StampOfFile(const std::string& path) {
  struct stat st = {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  struct timespec now = {};
  clock_gettime(CLOCK_REALTIME, &now);
  auto ns = [](const struct timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
  FileStamp stamp;
  stamp.device = static_cast<uint64_t>(st.st_dev);
  stamp.inode = static_cast<uint64_t>(st.st_ino);
  stamp.size = static_cast<uint64_t>(st.st_size);
  stamp.modified_ns = ns(st.st_mtim);
  stamp.changed_ns = ns(st.st_ctim);
  stamp.seen_ns = ns(now);
  return stamp;
}

void PrintTo(const PageList& list, std::ostream* out) {
  *out << "{";
  for (std::string_view e : list) *out << " \"" << e << "\"";
  *out << " }";
}

}  // namespace panelia
