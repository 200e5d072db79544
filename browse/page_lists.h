// The three questions the operator's page lists answer for the main view: may this address be
// visited ("limit.dat"), does the bar show on it ("Show.dat"), must the music be silent on it
// ("stop.dat"). Every question looks at the file first, so an edit counts at once; a file whose
// stamp (identity, size, change times) has not changed since it settled is not parsed again, and
// its entries are kept indexed, so lists of tens of thousands of entries cost a navigation little.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <map>
#include <memory>
#include <set>
#include <unordered_set>
#include <vector>
#include <string>
#include <string_view>

#include "common/page_list.h"

namespace panelia {

inline constexpr std::string_view kLimitList = "limit.dat";
inline constexpr std::string_view kStopList = "stop.dat";
inline constexpr std::string_view kShowList = "Show.dat";
inline constexpr std::string_view kLoopList = "Loop.dat";

// Where the lists come from (by bare name: the current directory) and where a missing one is told.
class PageListSource {
 public:
  virtual ~PageListSource() = default;
  virtual std::optional<PageList> Read(std::string_view file_name) = 0;
  // The file's stamp; nullopt where the source cannot tell (then the list is read for every question).
  virtual std::optional<FileStamp> Stamp(std::string_view /*file_name*/) { return std::nullopt; }
  // A modal error box owned by the main view, caption "Panelia错误提示".
  virtual void ShowListError(const std::string& text) = 0;
};

// Reads the lists from the current directory.
class CurrentDirectoryLists : public PageListSource {
 public:
  explicit CurrentDirectoryLists(std::function<void(const std::string&)> show_error)
      : show_error_(std::move(show_error)) {}
  std::optional<PageList> Read(std::string_view file_name) override { return ReadPageListFile(std::string(file_name)); }
  std::optional<FileStamp> Stamp(std::string_view file_name) override { return StampOfFile(std::string(file_name)); }
  void ShowListError(const std::string& text) override { show_error_(text); }

 private:
  std::function<void(const std::string&)> show_error_;
};

// The entries of one list, ready for the question "does any entry occur in this address". Each
// entry is filed under the four bytes of it that are rarest among all entries (most entries begin
// alike, "http://..."), so an address of n bytes is answered with n lookups and a few comparisons
// instead of a walk over every entry.
class EntryIndex {
 public:
  // `lower`: the entries are lower-cased (ASCII) first. An entry's one final "/" does not count.
  EntryIndex(const PageList& list, bool lower);
  bool AnyIn(std::string_view address) const;

 private:
  std::string text_;  // the entries as compared, one after another
  struct Filed {
    uint32_t key;     // four bytes of the entry
    uint32_t at;      // where they are in the entry
    uint32_t offset;  // the entry in text_
    uint32_t length;
  };
  std::vector<Filed> long_;              // by key
  std::vector<std::string_view> short_;  // under four bytes (an empty one is in every address)
};

class CPageLists {
 public:
  explicit CPageLists(PageListSource& source) : source_(source) {}

  // The list, or an empty one when the file cannot be opened. Its error text is shown the first time
  // only, and again only after the file has been readable in between: an unattended kiosk must not
  // put a box in front of every visitor at every page.
  PageList LoadPageList(std::string_view file_name, std::string_view error_text);

  // The list without any message ("Loop.dat"): nullopt when it cannot be opened.
  std::optional<PageList> ReadSilently(std::string_view file_name) { return source_.Read(file_name); }

  // `lower_url` is the page address lower-cased by the caller.
  bool IsAddressBlocked(const std::string& lower_url, int32_t is_limit, int32_t forbit_method);
  bool MatchesShowList(const std::string& lower_url);
  bool MatchesStopList(const std::string& lower_url);

 private:
  // One list as last read: its stamp, and its entries in the forms the questions use (made when
  // first asked).
  struct Kept {
    std::optional<FileStamp> stamp;
    PageList list;
    std::unique_ptr<EntryIndex> contains, contains_lower;
    std::unique_ptr<std::unordered_set<std::string_view>> exact;
  };
  // The list to answer from: the kept one while its file is unchanged, else read (and kept when its
  // stamp is known and settled).
  Kept& Current(std::string_view file_name, std::string_view error_text);

  PageListSource& source_;
  std::set<std::string, std::less<>> reported_;
  std::map<std::string, Kept, std::less<>> kept_;
  Kept unkept_;
};

}  // namespace panelia
