#include "platform/x11/screen_power.h"

#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>

namespace panelia::x11 {

void X11PowerSettings::SetLowPowerTimeout(int seconds) {
  if (!display_) return;
  int timeout, interval, blanking, exposures;
  XGetScreenSaver(display_, &timeout, &interval, &blanking, &exposures);
  XSetScreenSaver(display_, seconds, interval, blanking, exposures);
  XFlush(display_);
}

void X11PowerSettings::SetPowerOffTimeout(int seconds) {
  if (!display_) return;
  int event_base, error_base;
  if (!DPMSQueryExtension(display_, &event_base, &error_base) || !DPMSCapable(display_)) return;
  if (seconds == 0) {
    DPMSDisable(display_);
  } else {
    auto s = static_cast<CARD16>(seconds);
    DPMSSetTimeouts(display_, s, s, s);
  }
  XFlush(display_);
}

std::optional<unsigned long> InputIdleMilliseconds(Display* display) {
  int event_base, error_base;
  if (!display || !XScreenSaverQueryExtension(display, &event_base, &error_base)) return std::nullopt;
  XScreenSaverInfo* info = XScreenSaverAllocInfo();
  if (!info) return std::nullopt;
  std::optional<unsigned long> idle;
  if (XScreenSaverQueryInfo(display, DefaultRootWindow(display), info)) idle = info->idle;
  XFree(info);
  return idle;
}

std::optional<bool> DisplayPowered(Display* display) {
  int event_base = 0, error_base = 0;
  if (!display || !DPMSQueryExtension(display, &event_base, &error_base) || !DPMSCapable(display)) return std::nullopt;
  CARD16 level = 0;
  BOOL enabled = False;
  if (!DPMSInfo(display, &level, &enabled)) return std::nullopt;
  return !enabled || level == DPMSModeOn;
}

bool ForceDisplayPower(Display* display, bool on) {
  int event_base = 0, error_base = 0;
  if (!display || !DPMSQueryExtension(display, &event_base, &error_base) || !DPMSCapable(display)) return false;
  if (on) {
    DPMSForceLevel(display, DPMSModeOn);
    DPMSDisable(display);
  } else {
    DPMSEnable(display);
    DPMSForceLevel(display, DPMSModeOff);
  }
  XFlush(display);
  return true;
}

}  // namespace panelia::x11
