// The monitors as the X server describes them: RandR's monitors (each named after its output),
// else Xinerama's heads, in the server's order.
#pragma once

#include <X11/Xlib.h>

#include <vector>

#include "common/monitors.h"

namespace panelia::x11 {

// Empty where the server tells neither (one screen, no extension): the caller takes the screen.
std::vector<MonitorInfo> ListMonitors(Display* display);

}  // namespace panelia::x11
