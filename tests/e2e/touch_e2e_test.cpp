// Fingers on the kiosk: real touch sequences (begin, update, end) through GTK's and the engine's own
// touch handling, from the test touch module, never the pointer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "common/window_system.h"
#include "harness.h"
#include "suite_fixture.h"
#include "touch_fixture.h"

namespace panelia::e2e {
namespace {

// One finger: a drag scrolls the page and it glides on; a tap on the bar's button is a touch of it.
// Two fingers: no zoom, and only the first finger reaches the page.
TEST_F(TouchE2E, FingersScrollButNeverZoomByDefault) {
  Process kiosk = StartTouch();
  ASSERT_TRUE(WaitUntil([&] { return Scale() > 0; }, 10s)) << Title();
  WaitForBar();
  ASSERT_TRUE(fingers_.Pinch(640, 300, 150, 600, 400));
  ASSERT_TRUE(PageSawFinger(0));
  ASSERT_TRUE(PageReports(3));
  EXPECT_EQ(Scale(), 100) << Title();
  EXPECT_EQ(Figure("d"), 1) << "the second finger never reached the page";
  // Two quick taps: no zoom either.
  ASSERT_TRUE(fingers_.Tap(700, 200));
  ASSERT_TRUE(fingers_.Tap(700, 200));
  ASSERT_TRUE(WaitUntil([&] { return Figure("d") == 3; }, 10s)) << Title();
  ASSERT_TRUE(PageReports(5));
  EXPECT_EQ(Scale(), 100) << "a double tap: " << Title();
  ASSERT_TRUE(fingers_.Drag(640, 600, 640, 200, 200));
  ASSERT_TRUE(WaitUntil([&] { return Figure("y") > 0; }, 5s)) << "a finger's drag scrolls the page: " << Title();
  const int dropped = Figure("y");
  EXPECT_TRUE(WaitUntil([&] { return Figure("y") > dropped; }, 5s)) << "and it glides on: " << Title();
  // The bar's first button (home) under a finger.
  ASSERT_TRUE(fingers_.Tap(50, 760));
  EXPECT_TRUE(WaitUntil([&] { return Figure("y") == 0 && Figure("d") == 0; }, 10s)) << "home again: " << Title();
}

// Allowed, two fingers zoom; the next visitor (the idle return on a faster clock) finds the page at
// its own scale.
TEST_F(TouchE2E, AnAllowedZoomEndsWithTheVisitor) {
  for (uint32_t clear_session : {1u, 0u}) {
    Process kiosk = StartTouch({{Section::Advance, "IsPinchZoom", 1},
                                {Section::Advance, "WaitTime", 1},
                                {Section::Advance, "IsAutoHome", 1},
                                {Section::Advance, "IsClearSession", clear_session}},
                               /*faster=*/true);
    ASSERT_TRUE(WaitUntil([&] { return Scale() > 0; }, 10s)) << Title();
    WaitForBar();
    ASSERT_TRUE(fingers_.Pinch(640, 300, 150, 600, 400));
    EXPECT_TRUE(WaitUntil([&] { return Scale() > 150; }, 10s)) << "zoomed: " << Title();
    EXPECT_TRUE(WaitUntil([&] { return Scale() == 100 && Figure("d") == 0; }, 30s))
        << "for the next, IsClearSession " << clear_session << ": " << Title();
    kiosk.Stop();
    ASSERT_TRUE(WaitUntil([&] { return FindWindowsByClass(display_.X(), kClass).empty(); }, 10s));
  }
}

// A long press opens nothing, selects nothing and drags nothing; a mouse's right click still opens
// the kiosk's menu; a text field keeps its caret, selection and paste.
TEST_F(TouchE2E, ALongPressOpensNothing) {
  Process kiosk = StartTouch();
  ASSERT_TRUE(WaitUntil([&] { return Scale() > 0; }, 10s)) << Title();
  WaitForBar();
  const size_t popups = PopUps(display_.X());
  for (auto [x, y] : {std::pair{300, 130}, std::pair{100, 320}, std::pair{60, 400}}) {  // words, link, picture
    const int fingers = Figure("d");
    ASSERT_TRUE(fingers_.Press(x, y, 1200));
    // A tap after it: the menu the press asked for has been answered by the time the page sees it.
    ASSERT_TRUE(fingers_.Tap(900, 600));
    ASSERT_TRUE(WaitUntil([&] { return Figure("d") >= fingers + 2; }, 10s)) << Title();
    EXPECT_EQ(PopUps(display_.X()), popups) << x << "," << y << ": a menu";
    EXPECT_EQ(Figure("l"), 0) << x << "," << y << ": text selected";
  }
  // The link held and dragged onto the bar: nothing is dragged, nothing opens.
  ASSERT_TRUE(fingers_.Press(100, 320, 800));
  ASSERT_TRUE(fingers_.Drag(100, 320, 400, 770, 400));
  ASSERT_TRUE(PageReports(3));
  EXPECT_EQ(Figure("g"), 0) << Title();
  EXPECT_EQ(Title().rfind("T ", 0), 0u) << "still on the page: " << Title();
  // The operator's mouse.
  Xdotool({"mousemove", "600", "130", "click", "3"});
  EXPECT_TRUE(WaitUntil([&] { return PopUps(display_.X()) > popups; }, 10s)) << "a right click's menu";
  Xdotool({"key", "Escape"});
  EXPECT_TRUE(WaitUntil([&] { return PopUps(display_.X()) == popups; }, 10s));
  // The field: a finger puts the caret there; typed, selected, copied and pasted.
  ASSERT_TRUE(fingers_.Tap(200, 40));
  EXPECT_TRUE(WaitUntil(
      [&] {
        Xdotool({"type", "ab"});
        return WaitUntil([&] { return Figure("f") >= 2; }, 1s);
      },
      10s))
      << Title();
  const int typed = Figure("f");
  // The copy reaches the clipboard a moment after its key; a paste that comes first pastes nothing,
  // so the keys are given again until the field grows.
  EXPECT_TRUE(WaitUntil(
      [&] {
        Xdotool({"key", "ctrl+a", "ctrl+c", "End", "ctrl+v"});
        return WaitUntil([&] { return Figure("f") > typed; }, 2s);
      },
      10s))
      << Title();
  EXPECT_EQ(Figure("f"), 2 * typed) << Title();
}

// A page that makes up a visitor's input (posts to the kiosk's handler, dispatches key, mouse and
// wheel events) holds off nothing: the next visitor still gets the home page.
TEST_F(TouchE2E, AMadeUpVisitorHoldsOffNoIdleReturn) {
  Process kiosk = StartTouch({{Section::Advance, "WaitTime", 1}, {Section::Advance, "IsAutoHome", 1}},
                             /*faster=*/true);
  ASSERT_TRUE(WaitUntil([&] { return Scale() > 0; }, 10s)) << Title();
  WaitForBar();
  const std::string pretender = "file://" + kPagesDir + "fakeinput.html";
  std::ofstream(module_ / "OpenURL.ini", std::ios::trunc) << "[TargetURL]\n3=" << pretender << "\n";
  ASSERT_EQ(Send({"open-url", "3"}), 0);
  ASSERT_TRUE(WaitUntil([&] { return TitleFigure("F ") > 0; }, 10s)) << Title();
  EXPECT_TRUE(WaitUntil([&] { return Scale() > 0; }, 30s)) << "back home for the next visitor: " << Title();
}

// Allowed, a long press opens the kiosk's menu.
TEST_F(TouchE2E, AnAllowedLongPressOpensTheKiosksMenu) {
  Process kiosk = StartTouch({{Section::Advance, "IsLongPressMenu", 1}});
  ASSERT_TRUE(WaitUntil([&] { return Scale() > 0; }, 10s)) << Title();
  WaitForBar();
  const size_t popups = PopUps(display_.X());
  ASSERT_TRUE(fingers_.Press(300, 130, 1200));
  EXPECT_TRUE(WaitUntil([&] { return PopUps(display_.X()) > popups; }, 10s)) << Title();
  Xdotool({"key", "Escape"});
}

// A swipe in from the left edge is not the way back.
TEST_F(TouchE2E, AnEdgeSwipeGoesNowhere) {
  Process kiosk = StartTouch();
  ASSERT_TRUE(WaitUntil([&] { return Scale() > 0; }, 10s)) << Title();
  WaitForBar();
  std::ofstream(module_ / "OpenURL.ini", std::ios::trunc) << "[TargetURL]\n3=file://" << kPagesDir << "touch.html?2\n";
  ASSERT_EQ(Send({"open-url", "3"}), 0);
  ASSERT_TRUE(WaitUntil([&] { return Figure("q") == 2; }, 10s)) << Title();
  const int fingers = Figure("d");
  ASSERT_TRUE(fingers_.Drag(1, 300, 900, 320, 250));
  ASSERT_TRUE(fingers_.Tap(900, 600));
  // The page is told by its address, not by its count of fingers: the page before counts from nothing too.
  ASSERT_TRUE(WaitUntil([&] { return Figure("d") > fingers; }, 10s)) << Title();
  ASSERT_TRUE(PageReports(3)) << Title();
  EXPECT_EQ(Figure("q"), 2) << "still the same page: " << Title();
}

// A finger landing on a page that glides (the bar's smooth scroll) stops it there.
TEST_F(TouchE2E, AFingerStopsASmoothRun) {
  Process kiosk = StartTouch({{Section::Style, "ScrollMode", 1}});
  ASSERT_TRUE(WaitUntil([&] { return Scale() > 0; }, 10s)) << Title();
  WaitForBar();
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kScrollDown, 760));
  ASSERT_TRUE(WaitUntil([&] { return Figure("y") > 0; }, 5s)) << "the page glides: " << Title();
  ASSERT_TRUE(fingers_.Press(900, 500, 100));
  ASSERT_TRUE(PageReports(3)) << Title();  // a step already on its way may land
  const int stopped = Figure("y");
  ASSERT_TRUE(PageReports(10)) << Title();
  EXPECT_EQ(Figure("y"), stopped) << "and stops under the finger";
}

// The keyboard follows the field: a field at the bottom of a page is scrolled above the keyboard; on
// a page that cannot scroll, the keyboard moves above the field; a touch elsewhere and another page
// take the keyboard away.
TEST_F(TouchE2E, TheKeyboardKeepsTheFieldInSight) {
  const struct {
    const char* page;
    bool scrolls;
  } pages[] = {{"field.html", true}, {"field.html?short", false}};
  for (const auto& p : pages) {
    Process kiosk = StartTouch({{Section::Navigator, "BoardMode", 1}}, false, /*real_keyboard=*/true, p.page);
    ASSERT_TRUE(WaitUntil([&] { return TitleFigure("F b") > 0; }, 10s)) << Title();
    WaitForBar();
    const int bottom_before = TitleFigure("F b");
    // The field's bottom edge on the screen, as its page reports it (the page fills the screen's top).
    ASSERT_TRUE(fingers_.Tap(200, bottom_before - 20));
    Window keyboard = ShownKeyboard();
    ASSERT_NE(keyboard, 0u) << env_.Log();
    auto keyboard_top = [&] { return OnScreen(keyboard).y; };
    auto keyboard_bottom = [&] { return OnScreen(keyboard).Bottom(); };
    // The field (40 pixels high) clear of the keyboard: above it or below it.
    auto in_sight = [&] {
      int bottom = TitleFigure("F b");
      return bottom <= keyboard_top() || bottom - 40 >= keyboard_bottom();
    };
    EXPECT_TRUE(WaitUntil(in_sight, 10s)) << p.page << ": the field's bottom " << TitleFigure("F b")
                                          << ", the keyboard from " << keyboard_top() << " to " << keyboard_bottom();
    if (p.scrolls) {
      EXPECT_GT(TitleFigure(" y"), 0) << "the page scrolled: " << Title();
    } else {
      EXPECT_EQ(TitleFigure(" y"), 0) << Title();
      EXPECT_LT(keyboard_top(), bottom_before) << "the keyboard moved above the field";
    }
    // A touch beside any field: the keyboard goes.
    ASSERT_TRUE(fingers_.Tap(1000, 60));
    EXPECT_TRUE(WaitUntil([&] { return FindWindowsByClass(display_.X(), "GlyphdeckClass4.0").empty(); }, 10s))
        << p.page << ": the keyboard stays after a touch elsewhere";
    kiosk.Stop();
    ASSERT_TRUE(WaitUntil([&] { return FindWindowsByClass(display_.X(), kClass).empty(); }, 10s));
  }
}

// Two monitors side by side, the kiosk on the second (Monitor 1): it covers that one, the first
// shows black, and its boxes, its exit dialog and its keyboard come on the kiosk's monitor, where a
// finger reaches them.
class TwoMonitorsE2E : public TouchE2E {
 protected:
  TwoMonitorsE2E()
      : TouchE2E({"2304x800x24"}, {"LEFT-1 1024/270x768/200+0+0 none", "RIGHT-1 1280/340x800/210+1024+0 screen"}) {}
};

TEST_F(TwoMonitorsE2E, TheKioskCoversItsMonitorAndTheOtherIsBlack) {
  MakeModule(false, false, /*real_keyboard=*/true);
  Seed(false);
  ASSERT_TRUE(env_.Store().Apply({{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Advance),
                                   "Monitor", RegValue::Text("1")}}));
  Process kiosk = StartTouch({{Section::Navigator, "BoardMode", 1}});
  ASSERT_TRUE(WaitUntil([&] { return Scale() > 0; }, 10s)) << Title();
  Window frame = FindWindowsByClass(display_.X(), kClass).at(0);
  const panelia::ScreenRect second{1024, 0, 1280, 800};
  EXPECT_TRUE(WaitUntil([&] { return OnScreen(frame) == second; }, 10s)) << "the kiosk covers the second monitor";
  EXPECT_TRUE(WaitUntil([&] { return PixelAt(display_.X(), 500, 400) == 0x000000; }, 10s))
      << "the first is black: " << std::hex << PixelAt(display_.X(), 500, 400);
  // The bar, at the bottom of the kiosk's monitor, under a finger: its exit button.
  ASSERT_TRUE(WaitUntil([&] { return PixelAt(display_.X(), 1024 + 50, 760) == 0xdddddd; }, 15s));
  ASSERT_TRUE(fingers_.Tap(1024 + 50 + 100 * kExit, 760));
  Window dialog = WaitForFocusedWindow(display_.X(), "退出Panelia程序");
  ASSERT_NE(dialog, 0u) << "a finger on the kiosk's monitor reaches its bar";
  panelia::ScreenRect box = OnScreen(dialog);
  EXPECT_GE(box.x, 1024) << "the exit dialog on the kiosk's monitor";
  Xdotool({"key", "Escape"});
  ASSERT_TRUE(WaitUntil([&] { return !WindowTitled("退出Panelia程序"); }, 5s));
  // The keyboard for a field.
  ASSERT_TRUE(fingers_.Tap(1024 + 200, 40));
  Window keyboard = ShownKeyboard();
  ASSERT_NE(keyboard, 0u) << env_.Log();
  EXPECT_TRUE(WaitUntil([&] { return OnScreen(keyboard).x >= 1024; }, 5s))
      << "the keyboard on the kiosk's monitor: " << OnScreen(keyboard).x;
  // For a person to look at: PANELIA_E2E_SHOTS names a folder for the picture.
  if (const char* shots = std::getenv("PANELIA_E2E_SHOTS"); shots && Ping(display_.X(), keyboard))
    Process({"import", "-window", "root", std::string(shots) + "/two-monitors.png"}, env_.Env(), "", "").Wait(20s);
}

// The kiosk on the first monitor, the second cycling the pages of its own list (Signage1.dat) on
// their own timing, out of a finger's reach; black again once the list is gone.
TEST_F(TwoMonitorsE2E, TheOtherMonitorShowsItsOwnPagesInTurn) {
  MakeModule();
  Seed(false);
  ASSERT_TRUE(env_.Store().Apply({{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Advance),
                                   "Monitor", RegValue::Text("0")}}));
  std::ofstream(module_ / "Signage1.dat")
      << "file://" << kPagesDir << "signage-a.html 5\nfile://" << kPagesDir << "signage-b.html\t5\n";
  Process kiosk = StartTouch();
  auto second = [&] { return PixelAt(display_.X(), 1024 + 640, 400); };
  ASSERT_TRUE(WaitUntil([&] { return second() == 0xcc3300; }, 20s)) << std::hex << second() << env_.Log();
  const auto first_shown = std::chrono::steady_clock::now();
  // A finger there reaches nothing: the page stays, the kiosk's own page too (its title counts the
  // touches it saw, before the time it has run).
  auto touches = [&] { return Title().substr(0, Title().find(" t")); };
  const std::string title = touches();
  ASSERT_TRUE(fingers_.Tap(1024 + 640, 400));
  ASSERT_TRUE(WaitUntil([&] { return second() == 0x0066cc; }, 10s)) << std::hex << second();
  const auto seconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - first_shown);
  EXPECT_GT(seconds.count(), 3500) << "the first page's own five seconds";
  EXPECT_EQ(touches(), title);
  if (const char* shots = std::getenv("PANELIA_E2E_SHOTS"))
    Process({"import", "-window", "root", std::string(shots) + "/signage.png"}, env_.Env(), "", "").Wait(20s);
  EXPECT_TRUE(WaitUntil([&] { return second() == 0xcc3300; }, 10s)) << "round again";
  std::ifstream status(env_.Root() / "runtime" / "panelia" / "status.json");
  EXPECT_NE(std::string(std::istreambuf_iterator<char>(status), {})
                .find("\"monitors\": [{\"monitor\": 1, \"shows\": \"file://"),
            std::string::npos);
  fs::remove(module_ / "Signage1.dat");
  EXPECT_TRUE(WaitUntil([&] { return second() == 0x000000; }, 10s))
      << "black without its list: " << std::hex << second();
}

// The session's display tool on this X server: it can set a monitor upright but not turn it (Xvfb
// cannot), says so, and maps whatever touch screens there are (none here); watching, it maps them
// again when a device is added.
TEST_F(TouchE2E, TheDisplayToolTurnsWhatTheServerCanAndSaysWhatItCannot) {
  const struct {
    uint32_t rotation;
    int exit_code;
    const char* said;
  } cases[] = {
      {0, 0, "panelia-display: screen turned normal"},
      {90, 2, "panelia-display: screen cannot be turned right on this X server"},
      {45, 0, "panelia-display: screen turned normal"},  // not a rotation: upright
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(env_.Store().Apply({{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Advance),
                                     "Rotation", RegValue::Dword(c.rotation)}}));
    fs::path log = env_.Root() / ("display-" + std::to_string(c.rotation) + ".log");
    Process tool({kBinDir + "panelia-display"}, env_.Env(), "", log.string());
    EXPECT_EQ(tool.Wait(20s), c.exit_code) << c.rotation;
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find(c.said), std::string::npos) << text;
    EXPECT_NE(text.find("0 touch screens mapped to screen"), std::string::npos) << text;
  }
  fs::path log = env_.Root() / "display-watch.log";
  Process watch({kBinDir + "panelia-display", "--watch"}, env_.Env(), "", log.string());
  auto said = [&](const std::string& what) {
    std::ifstream in(log);
    return std::string((std::istreambuf_iterator<char>(in)), {}).find(what) != std::string::npos;
  };
  ASSERT_TRUE(WaitUntil([&] { return said("watching for touch screens"); }, 10s));
  Process({"xinput", "create-master", "panelia-test"}, env_.Env(), "", "").Wait(10s);
  EXPECT_TRUE(WaitUntil([&] { return said("the devices or the screen changed"); }, 10s));
}

}  // namespace
}  // namespace panelia::e2e
