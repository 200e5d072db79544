#include "browse/signage.h"

#include <algorithm>
#include <charconv>

#include "common/address.h"
#include "common/log.h"
#include "common/text.h"

namespace panelia {

std::string SignageListName(size_t monitor) {
  return "Signage" + std::to_string(monitor) + ".dat";
}

std::vector<SignagePage> ParseSignagePages(const PageList& list) {
  std::vector<SignagePage> pages;
  for (std::string_view line : list) {
    line = TrimSpaces(line);
    SignagePage page{std::string(line), kSignageDefaultSeconds};
    const size_t space = line.find_last_of(" \t");
    if (space != std::string_view::npos) {
      std::string_view tail = line.substr(space + 1);
      int seconds = 0;
      auto [end, error] = std::from_chars(tail.data(), tail.data() + tail.size(), seconds);
      if (error == std::errc() && end == tail.data() + tail.size()) {
        page.address = TrimSpaces(line.substr(0, space));
        page.seconds = std::max(seconds, kSignageShortestSeconds);
      }
    }
    if (!page.address.empty()) pages.push_back(std::move(page));
  }
  return pages;
}

CSignage::CSignage(size_t monitor, TimerService& timers, std::function<std::optional<PageList>()> read_list,
                   std::function<bool(const std::string&)> address_blocked)
    : monitor_(monitor),
      timers_(timers),
      read_list_(std::move(read_list)),
      address_blocked_(std::move(address_blocked)) {}

void CSignage::ShowNext() {
  if (!browser_) return;
  // The list is read at every step: an operator's edit shows at the next page.
  std::optional<PageList> list = read_list_();
  std::vector<SignagePage> pages = list ? ParseSignagePages(*list) : std::vector<SignagePage>{};
  if (pages.empty()) {
    // Black until the list has pages again.
    if (!showing_.empty()) Log("%s has no pages; monitor %zu is black", SignageListName(monitor_).c_str(), monitor_);
    showing_.clear();
    browser_->Navigate("about:blank");
    timers_.SetTimer(kNextTimer, kSignageDefaultSeconds * 1000);
    return;
  }
  const SignagePage& page = pages[next_ % pages.size()];
  next_ = next_ % pages.size() + 1;
  showing_ = NormalizeAddress(page.address);
  browser_->Navigate(showing_);
  timers_.SetTimer(kNextTimer, page.seconds * 1000);
}

void CSignage::OnTimer(int id) {
  if (id == kNextTimer) ShowNext();
}

void CSignage::OnBeforeNavigate(const std::string& url, bool& cancel, const NavigationOrigin&) {
  if (url == "about:blank" || !address_blocked_(AsciiLower(url))) return;
  Log("monitor %zu: %s is refused by the address lists", monitor_, ShortAddress(url).c_str());
  cancel = true;
  showing_.clear();
}

void CSignage::OnRecoveryDue() {
  // The web process died: the page it showed comes back.
  if (browser_ && !showing_.empty()) browser_->Navigate(showing_);
}

}  // namespace panelia
