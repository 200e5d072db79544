#include "common/monitors.h"

#include <charconv>
#include <cstdint>
#include <cstdio>

#include "common/text.h"

namespace panelia {

size_t ChooseMonitor(std::string_view wanted, const std::vector<MonitorInfo>& monitors) {
  if (monitors.empty()) return 0;
  std::string_view name = TrimSpaces(wanted);
  if (!name.empty()) {
    for (size_t i = 0; i < monitors.size(); ++i)
      if (!monitors[i].name.empty() && AsciiLower(monitors[i].name) == AsciiLower(name)) return i;
    size_t number = 0;
    auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (error == std::errc() && end == name.data() + name.size() && number < monitors.size()) return number;
  }
  for (size_t i = 0; i < monitors.size(); ++i)
    if (monitors[i].primary) return i;
  return 0;
}

uint32_t CleanRotation(uint32_t degrees) {
  return degrees == 90 || degrees == 180 || degrees == 270 ? degrees : 0;
}

std::string_view RandrRotation(uint32_t degrees) {
  switch (CleanRotation(degrees)) {
    case 90: return "right";
    case 180: return "inverted";
    case 270: return "left";
    default: return "normal";
  }
}

std::array<double, 9> TouchMatrix(uint32_t degrees, const ScreenRect& output, int screen_w, int screen_h) {
  // The touch screen's own 0..1 coordinates turned with the monitor, then scaled and moved onto the
  // output's part of the whole screen: M = placement x turn.
  using M = std::array<double, 9>;
  M turn;
  switch (CleanRotation(degrees)) {
    // Turned right, the picture's top-left corner is at the panel's top-right: x = v, y = 1 - u.
    case 90: turn = {0, 1, 0, -1, 0, 1, 0, 0, 1}; break;
    case 180: turn = {-1, 0, 1, 0, -1, 1, 0, 0, 1}; break;
    case 270: turn = {0, -1, 1, 1, 0, 0, 0, 0, 1}; break;
    default: turn = {1, 0, 0, 0, 1, 0, 0, 0, 1}; break;
  }
  double w = screen_w > 0 ? screen_w : 1, h = screen_h > 0 ? screen_h : 1;
  M place = {output.w / w, 0, output.x / w, 0, output.h / h, output.y / h, 0, 0, 1};
  M out{};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      for (int k = 0; k < 3; ++k) out[r * 3 + c] += place[r * 3 + k] * turn[k * 3 + c];
  for (double& v : out)
    if (v == 0) v = 0;  // no "-0" in a command line
  return out;
}

std::vector<std::string> RotateCommand(std::string_view output, uint32_t degrees) {
  return {"xrandr", "--output", std::string(output), "--rotate", std::string(RandrRotation(degrees))};
}

std::vector<std::string> MapTouchCommand(int device_id, const std::array<double, 9>& matrix) {
  std::vector<std::string> argv = {"xinput", "set-prop", std::to_string(device_id), "Coordinate Transformation Matrix"};
  for (double v : matrix) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    argv.emplace_back(text);
  }
  return argv;
}

}  // namespace panelia
