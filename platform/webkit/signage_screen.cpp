#include "platform/webkit/signage_screen.h"

#include <utility>

#include "common/log.h"

namespace panelia {

SignageScreen::SignageScreen(size_t monitor, std::function<bool(const std::string&)> address_blocked)
    : timers_([this](int id) { signage_.OnTimer(id); }),
      signage_(
          monitor, timers_, [monitor] { return ReadPageListFile(SignageListName(monitor)); },
          std::move(address_blocked)) {
  BrowserOptions options;
  options.rules.no_context_menu = true;
  options.no_compositing = true;
  browser_ = std::make_unique<WebKitBrowser>(signage_, std::move(options));
  WebKitWebView* view = browser_->View();
  webkit_web_view_set_is_muted(view, TRUE);
  // Black where a page has no background of its own, and while there is no page.
  const GdkRGBA black{0, 0, 0, 1};
  webkit_web_view_set_background_color(view, &black);
  gtk_widget_set_can_focus(browser_->Widget(), FALSE);
  Log("monitor %zu shows the pages of %s", monitor, SignageListName(monitor).c_str());
  signage_.Start(browser_->Control());
}

std::unique_ptr<CoverContent> SignageScreen::IfListed(size_t monitor,
                                                      std::function<bool(const std::string&)> address_blocked) {
  if (!g_file_test(SignageListName(monitor).c_str(), G_FILE_TEST_IS_REGULAR)) return nullptr;
  return std::make_unique<SignageScreen>(monitor, std::move(address_blocked));
}

}  // namespace panelia
