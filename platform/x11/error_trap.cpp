#include "platform/x11/error_trap.h"

#include <map>

namespace panelia::x11 {
namespace {

// All X work runs on the user-interface thread, so plain state is enough.
ToolkitErrorTrap toolkit_trap;
XErrorHandler chained_handler = nullptr;
bool handler_installed = false;
struct TrapState {
  int depth = 0;
  bool error = false;
};
std::map<Display*, TrapState> traps;

int OnXError(Display* display, XErrorEvent* event) {
  auto it = traps.find(display);
  if (it != traps.end() && it->second.depth > 0) {
    it->second.error = true;
    return 0;
  }
  return chained_handler ? chained_handler(display, event) : 0;
}

}  // namespace

void UseToolkitErrorTrap(const ToolkitErrorTrap& trap) {
  toolkit_trap = trap;
}

ErrorTrap::ErrorTrap(Display* display)
    : display_(display), toolkit_(display != nullptr && display == toolkit_trap.display && toolkit_trap.push) {
  if (toolkit_) {
    toolkit_trap.push();
    return;
  }
  if (!handler_installed) {
    handler_installed = true;
    chained_handler = XSetErrorHandler(OnXError);
  }
  TrapState& state = traps[display_];
  if (state.depth++ == 0) state.error = false;
}

bool ErrorTrap::Failed() {
  if (toolkit_) {
    // The toolkit's pop syncs and ends its trap; a new one keeps the rest of this scope covered.
    failed_ |= toolkit_trap.pop();
    toolkit_trap.push();
    return failed_;
  }
  XSync(display_, False);
  return traps[display_].error;
}

ErrorTrap::~ErrorTrap() {
  if (toolkit_) {
    toolkit_trap.pop();
    return;
  }
  XSync(display_, False);
  TrapState& state = traps[display_];
  if (--state.depth == 0) traps.erase(display_);
}

}  // namespace panelia::x11
