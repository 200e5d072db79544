// A monitor's own page loop on a kiosk cover: a web view of the kiosk's context that nobody touches
// and that makes no sound, with the loop's logic deciding what it shows.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "browse/signage.h"
#include "platform/gtk/glib_timers.h"
#include "platform/gtk/monitor_covers.h"
#include "platform/webkit/webkit_browser.h"

namespace panelia {

class SignageScreen final : public CoverContent {
 public:
  // `address_blocked`: the kiosk's address lists, asked about a lower-cased address.
  SignageScreen(size_t monitor, std::function<bool(const std::string&)> address_blocked);
  GtkWidget* Widget() override { return browser_->Widget(); }
  std::string Showing() const override { return signage_.Showing(); }
  // The monitor's content when its list is there ("Signage<N>.dat" in the kiosk folder), else none.
  static std::unique_ptr<CoverContent> IfListed(size_t monitor,
                                                std::function<bool(const std::string&)> address_blocked);

 private:
  GlibTimers timers_;
  CSignage signage_;
  std::unique_ptr<WebKitBrowser> browser_;
};

}  // namespace panelia
