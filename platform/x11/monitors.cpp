#include "platform/x11/monitors.h"

#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

#include "platform/x11/error_trap.h"

namespace panelia::x11 {

std::vector<MonitorInfo> ListMonitors(Display* display) {
  std::vector<MonitorInfo> monitors;
  if (!display) return monitors;
  ErrorTrap trap(display);
  int event_base = 0, error_base = 0, major = 0, minor = 0;
  // RandR 1.5 knows monitors as a visitor sees them (several outputs showing one picture are one;
  // a monitor an operator defined is one), named after their outputs.
  if (XRRQueryExtension(display, &event_base, &error_base) && XRRQueryVersion(display, &major, &minor) &&
      (major > 1 || (major == 1 && minor >= 5))) {
    int count = 0;
    if (XRRMonitorInfo* list = XRRGetMonitors(display, DefaultRootWindow(display), True, &count)) {
      for (int i = 0; i < count; ++i) {
        char* name = list[i].name ? XGetAtomName(display, list[i].name) : nullptr;
        monitors.push_back(
            {name ? name : "", {list[i].x, list[i].y, list[i].width, list[i].height}, list[i].primary != 0});
        if (name) XFree(name);
      }
      XRRFreeMonitors(list);
    }
    if (!monitors.empty()) return monitors;
  }
  if (XineramaQueryExtension(display, &event_base, &error_base) && XineramaIsActive(display)) {
    int count = 0;
    if (XineramaScreenInfo* heads = XineramaQueryScreens(display, &count)) {
      for (int i = 0; i < count; ++i)
        monitors.push_back({"", {heads[i].x_org, heads[i].y_org, heads[i].width, heads[i].height}, i == 0});
      XFree(heads);
    }
  }
  return monitors;
}

}  // namespace panelia::x11
