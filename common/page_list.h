// Operator page lists ("limit.dat", "stop.dat", "Show.dat", "Loop.dat"): one entry a line, exactly
// as written, up to the first empty line.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace panelia {

// The entries of one list, kept as one text with the places of its lines: a list of ten thousand
// entries is one allocation for the text and one for the places, read at every navigation.
class PageList {
 public:
  PageList() = default;
  PageList(std::initializer_list<std::string_view> entries);
  // Entries of decoded text: lines end in LF or CR LF, the first empty line ends the list, a last
  // line without a line end still counts.
  static PageList Parse(std::string text);

  size_t size() const { return lines_.size(); }
  bool empty() const { return lines_.empty(); }
  std::string_view operator[](size_t i) const {
    return std::string_view(text_).substr(lines_[i].first, lines_[i].second);
  }
  // Lower-cases the ASCII letters of every entry in place.
  void LowerAscii();
  // See ReadPageListFile.
  static std::optional<PageList> ReadFile(const std::string& path);
  std::vector<std::string> Entries() const;
  friend bool operator==(const PageList& a, const PageList& b) { return a.Entries() == b.Entries(); }

  class Iterator {
   public:
    Iterator(const PageList* list, size_t i) : list_(list), i_(i) {}
    std::string_view operator*() const { return (*list_)[i_]; }
    Iterator& operator++() {
      ++i_;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return i_ != other.i_; }

   private:
    const PageList* list_;
    size_t i_;
  };
  Iterator begin() const { return {this, 0}; }
  Iterator end() const { return {this, lines_.size()}; }

 private:
  // Records the complete lines of text_ from `scanned` on; true, with text_ cut there, at the first
  // empty line. Reading a file calls it once for every piece that arrives.
  bool TakeLines(size_t& line_start, size_t& scanned);
  // A last line without a line end still counts.
  void TakeLastLine(size_t line_start);
  std::string text_;
  std::vector<std::pair<uint32_t, uint32_t>> lines_;  // offset and length in text_
};

inline PageList ParsePageList(std::string text) {
  return PageList::Parse(std::move(text));
}

// Reads a list file: nullopt when it cannot be opened or is no text (UTF-16, NUL bytes). Only the
// part up to the first empty line is read, so a list has no size limit of its own and what follows
// it costs nothing. That part is UTF-8 (with or without byte-order mark) or, when not valid UTF-8,
// GB18030.
inline std::optional<PageList> ReadPageListFile(const std::string& path) {
  return PageList::ReadFile(path);
}

// What identifies one state of a list file without reading it: the file (device and inode, so a
// replaced file counts even with the same size and time), its size and its change times, and when
// they were seen. Equal stamps of a file that had settled (see Settled) mean equal contents.
struct FileStamp {
  uint64_t device = 0, inode = 0, size = 0;
  int64_t modified_ns = 0, changed_ns = 0;
  int64_t seen_ns = 0;  // the system clock when the stamp was taken
  bool SameState(const FileStamp& o) const {
    return device == o.device && inode == o.inode && size == o.size && modified_ns == o.modified_ns &&
           changed_ns == o.changed_ns;
  }
  // A file written within the last two seconds may be written again within the same tick of a file
  // system's clock (whole seconds on some) with the same size: its stamp says nothing yet.
  bool Settled() const {
    constexpr int64_t kSettleNs = 2'000'000'000;
    return seen_ns - std::max(modified_ns, changed_ns) >= kSettleNs;
  }
};
// The stamp of a regular file, or nullopt when there is none.
std::optional<FileStamp> StampOfFile(const std::string& path);

// GoogleTest prints lists by their entries.
void PrintTo(const PageList& list, std::ostream* out);

}  // namespace panelia
