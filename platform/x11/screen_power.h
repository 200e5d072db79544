// The display's power time-outs: the X screen saver and display power management.
#pragma once

#include <X11/Xlib.h>

#include <optional>

#include "shell/app.h"

namespace panelia::x11 {

// Low-power time-out 0 switches the X screen saver off; power-off time-out 0 switches display power
// management off where the server has that extension (Xvfb has none).
class X11PowerSettings final : public PowerSettings {
 public:
  explicit X11PowerSettings(Display* display) : display_(display) {}
  void SetLowPowerTimeout(int seconds) override;
  void SetPowerOffTimeout(int seconds) override;

 private:
  Display* display_;
};

// Milliseconds since the last input on the display (keys, pointer, touches, synthetic ones too), from
// the screen-saver extension; nullopt where the server lacks it.
std::optional<unsigned long> InputIdleMilliseconds(Display* display);

// Whether the display is powered (display power management on and the monitor on), nullopt where
// the server has no display power management (Xvfb).
std::optional<bool> DisplayPowered(Display* display);

// Powers the display down now, or up again (with power management then off, as the kiosk keeps it);
// false where the server has no display power management.
bool ForceDisplayPower(Display* display, bool on);

}  // namespace panelia::x11
