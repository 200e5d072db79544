// The three questions the operator's page lists answer for the main view: may this address be
// visited ("limit.dat"), does the bar show on it ("Show.dat"), must the music be silent on it
// ("stop.dat"). Each list is read afresh for every question, so an edit counts at once.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
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
  // A modal error box owned by the main view, caption "Panelia错误提示".
  virtual void ShowListError(const std::string& text) = 0;
};

// Reads the lists from the current directory.
class CurrentDirectoryLists : public PageListSource {
 public:
  explicit CurrentDirectoryLists(std::function<void(const std::string&)> show_error)
      : show_error_(std::move(show_error)) {}
  std::optional<PageList> Read(std::string_view file_name) override {
    return ReadPageListFile(std::string(file_name));
  }
  void ShowListError(const std::string& text) override { show_error_(text); }

 private:
  std::function<void(const std::string&)> show_error_;
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
  PageListSource& source_;
  std::set<std::string, std::less<>> reported_;
};

}  // namespace panelia
