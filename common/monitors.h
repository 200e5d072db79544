// The kiosk's monitor: which of several it covers, and how a rotated monitor and the touch screens
// on it are set up (as the session asks the X server to, with xrandr and xinput).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/window_system.h"

namespace panelia {

struct MonitorInfo {
  std::string name;  // the output's name ("HDMI-1"); empty where the server names none
  ScreenRect area;
  bool primary = false;
};

// The monitor the kiosk covers, as the Monitor setting names it: an output name (any case), or a
// number counted from 0 in the toolkit's order; empty, unknown or out of range: the primary one
// (the first when none is). 0 for an empty list.
size_t ChooseMonitor(std::string_view wanted, const std::vector<MonitorInfo>& monitors);

// The Rotation setting in degrees clockwise: 0, 90, 180 or 270; anything else counts as 0.
uint32_t CleanRotation(uint32_t degrees);
// xrandr's name for it: normal, right, inverted, left.
std::string_view RandrRotation(uint32_t degrees);

// The touch screens' "Coordinate Transformation Matrix" (row by row) that maps a whole touch screen
// onto `output` (its place on the screen as shown, after the rotation) on a screen of
// `screen_w` x `screen_h`, turned by `degrees` clockwise: a touch lands where its finger is.
std::array<double, 9> TouchMatrix(uint32_t degrees, const ScreenRect& output, int screen_w, int screen_h);

// The commands that rotate `output` and map each touch screen (by XInput device id) onto it.
std::vector<std::string> RotateCommand(std::string_view output, uint32_t degrees);
std::vector<std::string> MapTouchCommand(int device_id, const std::array<double, 9>& matrix);

}  // namespace panelia
