#include "common/monitors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace panelia {
namespace {

TEST(MonitorsTest, TheSettingChoosesTheKiosksMonitor) {
  const std::vector<MonitorInfo> monitors = {
      {"eDP-1", {0, 0, 1920, 1080}, false},
      {"HDMI-1", {1920, 0, 1280, 1024}, true},
      {"", {3200, 0, 800, 600}, false},
  };
  const struct {
    const char* wanted;
    size_t chosen;
  } cases[] = {
      {"", 1},  {"HDMI-1", 1}, {"hdmi-1", 1}, {" eDP-1 ", 0}, {"0", 0},  {"2", 2},
      {"3", 1}, {"-1", 1},     {"DP-9", 1},   {"1x", 1},      {"00", 0}, {"99999999999999999999", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(ChooseMonitor(c.wanted, monitors), c.chosen) << "\"" << c.wanted << "\"";
  EXPECT_EQ(ChooseMonitor("", {{"A", {}, false}, {"B", {}, false}}), 0u) << "no primary: the first";
  EXPECT_EQ(ChooseMonitor("HDMI-1", {}), 0u);
}

TEST(MonitorsTest, RotationsAreTheFourOnly) {
  const struct {
    uint32_t degrees;
    const char* randr;
  } cases[] = {{0, "normal"},  {90, "right"},   {180, "inverted"},     {270, "left"},
               {45, "normal"}, {360, "normal"}, {0xFFFFFFFF, "normal"}};
  for (const auto& c : cases) EXPECT_EQ(RandrRotation(c.degrees), c.randr) << c.degrees;
}

// Where a touch at the panel's own corners (u, v in 0..1) lands on the screen, for each rotation and
// for a monitor that is the whole screen or the right half of two.
TEST(MonitorsTest, TouchesLandWhereTheFingerIs) {
  auto land = [](const std::array<double, 9>& m, double u, double v) {
    return std::pair<double, double>{m[0] * u + m[1] * v + m[2], m[3] * u + m[4] * v + m[5]};
  };
  using P = std::pair<double, double>;
  const struct {
    const char* what;
    uint32_t degrees;
    ScreenRect output;
    int screen_w, screen_h;
    P top_left, top_right;  // the panel's corners, in the screen's 0..1
  } cases[] = {
      {"alone, upright", 0, {0, 0, 1920, 1080}, 1920, 1080, {0, 0}, {1, 0}},
      {"alone, turned right", 90, {0, 0, 1080, 1920}, 1080, 1920, {0, 1}, {0, 0}},
      {"alone, upside down", 180, {0, 0, 1920, 1080}, 1920, 1080, {1, 1}, {0, 1}},
      {"alone, turned left", 270, {0, 0, 1080, 1920}, 1080, 1920, {1, 0}, {1, 1}},
      {"the right of two, upright", 0, {1920, 0, 1920, 1080}, 3840, 1080, {0.5, 0}, {1, 0}},
      {"the right of two, turned right", 90, {1920, 0, 1080, 1920}, 3000, 1920, {0.64, 1}, {0.64, 0}},
      {"a bad rotation counts as upright", 45, {0, 0, 800, 600}, 800, 600, {0, 0}, {1, 0}},
  };
  for (const auto& c : cases) {
    auto m = TouchMatrix(c.degrees, c.output, c.screen_w, c.screen_h);
    auto tl = land(m, 0, 0), tr = land(m, 1, 0);
    EXPECT_NEAR(tl.first, c.top_left.first, 1e-9) << c.what;
    EXPECT_NEAR(tl.second, c.top_left.second, 1e-9) << c.what;
    EXPECT_NEAR(tr.first, c.top_right.first, 1e-9) << c.what;
    EXPECT_NEAR(tr.second, c.top_right.second, 1e-9) << c.what;
    EXPECT_EQ(m[6], 0);
    EXPECT_EQ(m[7], 0);
    EXPECT_EQ(m[8], 1);
  }
}

TEST(MonitorsTest, TheCommandsTheSessionRuns) {
  EXPECT_EQ(RotateCommand("HDMI-1", 90),
            (std::vector<std::string>{"xrandr", "--output", "HDMI-1", "--rotate", "right"}));
  EXPECT_EQ(RotateCommand("eDP-1", 7), (std::vector<std::string>{"xrandr", "--output", "eDP-1", "--rotate", "normal"}));
  EXPECT_EQ(MapTouchCommand(11, TouchMatrix(90, {1920, 0, 1080, 1920}, 3000, 1920)),
            (std::vector<std::string>{"xinput", "set-prop", "11", "Coordinate Transformation Matrix", "0", "0.36",
                                      "0.64", "-1", "0", "1", "0", "0", "1"}));
  EXPECT_EQ(MapTouchCommand(12, TouchMatrix(0, {0, 0, 1280, 800}, 1280, 800)),
            (std::vector<std::string>{"xinput", "set-prop", "12", "Coordinate Transformation Matrix", "1", "0", "0",
                                      "0", "1", "0", "0", "0", "1"}));
}

}  // namespace
}  // namespace panelia
