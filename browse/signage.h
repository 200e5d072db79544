// A page loop of its own on a monitor beside the kiosk's: the pages of "Signage<N>.dat" in turn,
// each for its own seconds, full screen, untouched, silent. Its pages obey the kiosk's address
// lists: a page they refuse is not shown (the monitor keeps what it showed); a list without pages
// leaves the monitor black.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "browse/page_lists.h"
#include "browse/ports.h"

namespace panelia {

// "Signage1.dat" for the monitor the Monitor setting calls 1.
std::string SignageListName(size_t monitor);

struct SignagePage {
  std::string address;
  int seconds;
};
// Each line a page and, after a space, its seconds (at least kShortestSeconds); without them a page
// stays kDefaultSeconds.
inline constexpr int kSignageDefaultSeconds = 30;
inline constexpr int kSignageShortestSeconds = 5;
std::vector<SignagePage> ParseSignagePages(const PageList& list);

class CSignage final : public SideViewEvents {
 public:
  static constexpr int kNextTimer = 1;
  // `read_list` reads the monitor's list afresh (nullopt: it is gone); `address_blocked` asks the
  // kiosk's address lists about a lower-cased address.
  // The view shows what this decides and reports its events here: it is made after this, and the
  // loop starts once it is there.
  CSignage(size_t monitor, TimerService& timers, std::function<std::optional<PageList>()> read_list,
           std::function<bool(const std::string&)> address_blocked);

  void Start(BrowserControl& browser) {
    browser_ = &browser;
    ShowNext();
  }
  void OnTimer(int id);
  size_t Monitor() const { return monitor_; }
  // The page shown, "" when none is.
  const std::string& Showing() const { return showing_; }

  // Nobody touches this view: only its navigations and its recovery count.
  void OnBeforeNavigate(const std::string& url, bool& cancel, const NavigationOrigin& origin) override;
  void OnNavigateComplete(const std::string&) override {}
  void OnDocumentComplete(const std::string&) override {}
  void OnInput() override {}
  void OnRecoveryDue() override;

 private:
  void ShowNext();
  size_t monitor_;
  BrowserControl* browser_ = nullptr;
  TimerService& timers_;
  std::function<std::optional<PageList>()> read_list_;
  std::function<bool(const std::string&)> address_blocked_;
  size_t next_ = 0;
  std::string showing_;
};

}  // namespace panelia
