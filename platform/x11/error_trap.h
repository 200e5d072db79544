// Catching the X errors that are expected (windows vanish while they are looked at or sent to)
// without ever swapping Xlib's process-wide error handler under the toolkit.
#pragma once

#include <X11/Xlib.h>

namespace panelia::x11 {

// The toolkit's own trap for the display it owns (GDK's error trap); errors on that display are
// caught there. Registered once by the toolkit adapter at start.
struct ToolkitErrorTrap {
  Display* display = nullptr;
  void (*push)() = nullptr;
  bool (*pop)() = nullptr;  // true when an error arrived
};
void UseToolkitErrorTrap(const ToolkitErrorTrap& trap);

// Errors of the calls made while a trap lives are swallowed. On the toolkit's display the
// toolkit's trap does it; on our own connections one handler, installed once and chained to the
// one before it, does it for displays that have a trap open.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display);
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  // Waits until every request made so far has been answered; true when one of them failed.
  bool Failed();

 private:
  Display* display_;
  bool toolkit_;
  bool failed_ = false;
};

}  // namespace panelia::x11
