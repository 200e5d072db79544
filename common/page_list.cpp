#include "common/page_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ostream>

#include "common/text.h"

namespace panelia {
namespace {

// The end of the list's part: the first empty line (LF LF, LF CR LF, or an empty first line).
// `from` is how much was searched before; the search steps back over a line end split between reads.
std::optional<size_t> EndOfList(std::string_view bytes, size_t from) {
  if (bytes.substr(0, 1) == "\n" || bytes.substr(0, 2) == "\r\n") return 0;
  for (size_t at = bytes.find('\n', from >= 2 ? from - 2 : 0); at != std::string_view::npos;
       at = bytes.find('\n', at + 1)) {
    std::string_view next = bytes.substr(at + 1);
    if (next.substr(0, 1) == "\n" || next.substr(0, 2) == "\r\n") return at + 1;
  }
  return std::nullopt;
}

// Opens a file for reading, refusing anything that is not a regular file (a directory, a pipe
// that would block).
int OpenRegularFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st{};
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

PageList PageList::Parse(std::string text) {
  PageList list;
  list.text_ = std::move(text);
  std::string_view all = list.text_;
  size_t pos = 0;
  while (pos < all.size()) {
    size_t end = all.find('\n', pos);
    size_t stop = end == std::string_view::npos ? all.size() : end;
    size_t length = stop - pos;
    if (length > 0 && all[pos + length - 1] == '\r') --length;
    if (length == 0) break;
    list.lines_.emplace_back(static_cast<uint32_t>(pos), static_cast<uint32_t>(length));
    if (end == std::string_view::npos) break;
    pos = end + 1;
  }
  return list;
}

void PageList::LowerAscii() {
  for (char& c : text_)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

std::vector<std::string> PageList::Entries() const {
  std::vector<std::string> out;
  for (std::string_view e : *this) out.emplace_back(e);
  return out;
}

std::optional<PageList> ReadPageListFile(const std::string& path) {
  int fd = OpenRegularFile(path);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  size_t searched = 0;
  std::optional<size_t> end;
  char buffer[1 << 16];
  for (;;) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) break;  // the end, or a read error: the list ends at the line reached
    bytes.append(buffer, static_cast<size_t>(got));
    if ((end = EndOfList(bytes, searched))) break;
    searched = bytes.size();
  }
  close(fd);
  if (end) bytes.resize(*end);
  // UTF-16 or binary: no list an operator wrote in a text editor.
  if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF" ||
      std::memchr(bytes.data(), '\0', bytes.size()) != nullptr)
    return std::nullopt;
  auto text = DecodeTextFile(bytes);
  if (!text) return std::nullopt;
  return PageList::Parse(std::move(*text));
}

void PrintTo(const PageList& list, std::ostream* out) {
  *out << "{";
  for (std::string_view e : list) *out << " \"" << e << "\"";
  *out << " }";
}

}  // namespace panelia
