// The kiosk frame as the display sees it: full screen over the docks, the 80-pixel bar row, F11,
// and the scheduled power-off.
#include <gtest/gtest.h>
// X11 after gtest: its None and Bool macros break gtest's own names.
#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "common/settings.h"
#include "harness.h"

namespace panelia::e2e {
namespace {

const std::string kClass = "PaneliaClass4.0";
const std::string kSuffix = " - Panelia触摸屏浏览器";

class FrameE2E : public DisplayTest {
 protected:
  void Seed(std::vector<RegChange> extra = {}) {
    std::vector<RegChange> changes = {
        {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General), "SoftHomeUrl",
         RegValue::Text("file://" + kPagesDir + "size.html")},
        {RegChange::Kind::SetValue, Hive::LocalMachine, std::string(kSuiteRootKey), "Initiated", RegValue::Dword(1)},
    };
    changes.insert(changes.end(), extra.begin(), extra.end());
    ASSERT_TRUE(env_.Store().Apply(changes));
  }
  Window Kiosk() {
    auto windows = FindWindowsByClass(display_.X(), kClass);
    return windows.empty() ? 0 : windows[0];
  }
  bool HasState(Window w, const char* state) {
    auto states = PropertyItems(display_.X(), w, "_NET_WM_STATE", XA_ATOM);
    return std::find(states.begin(), states.end(), XInternAtom(display_.X(), state, False)) != states.end();
  }
  void PressKey(const char* name) {
    Display* x = display_.X();
    KeyCode code = XKeysymToKeycode(x, XStringToKeysym(name));
    XTestFakeKeyEvent(x, code, True, CurrentTime);
    XTestFakeKeyEvent(x, code, False, CurrentTime);
    XFlush(x);
  }
  int PageHeight() {
    std::string title = WindowTitle(display_.X(), Kiosk());
    return title.rfind("H ", 0) == 0 ? std::atoi(title.c_str() + 2) : -1;
  }
  bool WindowTitled(const std::string& title) { return WindowWithTitle(display_.X(), title) != 0; }
  bool Focused(const std::string& title) { return WaitForFocusedWindow(display_.X(), title) != 0; }
  bool NoticeShown() {
    for (Window w : ClientList(display_.X()))
      if (WindowTitle(display_.X(), w) == "自动关机提示") return true;
    return false;
  }
  // Starts Panelia at a faked local time, on a clock ten times as fast as the real one (its timers
  // and waits too), with the scheduled power-off on; the power-off command leaves a marker file.
  Process StartAt(const std::string& when, std::vector<RegChange> settings, const std::string& kiosk_dir = kBinDir) {
    settings.push_back({RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Advance), "IsAutoShut",
                        RegValue::Dword(1)});
    Seed(settings);
    auto env = env_.Env();
    env["PANELIA_POWEROFF_COMMAND"] = "touch " + Marker();
    // libfaketime is preloaded before the sanitizer's runtime.
    env["ASAN_OPTIONS"] = "detect_leaks=0:verify_asan_link_order=0";
    return Process({"faketime", "-f", "@" + when + " x" + std::to_string(kSpeed), kBinDir + "panelia"}, env, kiosk_dir,
                   (env_.Root() / "panelia.log").string());
  }
  std::string Marker() { return (env_.Root() / "powered-off").string(); }
  static constexpr int kSpeed = 10;
  // Real time for a span of the kiosk's sped-up clock.
  static std::chrono::milliseconds Fake(std::chrono::milliseconds span) { return span / kSpeed; }
  bool Viewable(Window w) {
    XWindowAttributes a{};
    return XGetWindowAttributes(display_.X(), w, &a) && a.map_state == IsViewable;
  }
  int MapState(Window w) {
    XWindowAttributes a{};
    XGetWindowAttributes(display_.X(), w, &a);
    return a.map_state;
  }
  Window MakeDock() {
    Display* x = display_.X();
    Window dock = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 770, 1280, 30, 0, 0, 0x336699);
    Atom type = XInternAtom(x, "_NET_WM_WINDOW_TYPE", False),
         dock_type = XInternAtom(x, "_NET_WM_WINDOW_TYPE_DOCK", False);
    XChangeProperty(x, dock, type, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&dock_type), 1);
    XMapWindow(x, dock);
    XSync(x, False);
    return dock;
  }
};

TEST_F(FrameE2E, FullScreenOverTheDockWithAnEightyPixelBarAndF11) {
  Window dock = MakeDock();
  // A freshly started openbox may drop a map request: ask again until the dock shows.
  ASSERT_TRUE(WaitUntil(
      [&] {
        XMapWindow(display_.X(), dock);
        XSync(display_.X(), False);
        return Viewable(dock);
      },
      5s))
      << "map state " << MapState(dock);
  Seed({{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General), "Password",
         RegValue::Text("op")}});
  Process kiosk = env_.StartPanelia();
  // 800-pixel screen: the page row is what the 80-pixel bar row and its 1-pixel line leave, with no
  // caption, menu or status bar.
  EXPECT_EQ(WaitForTitle(display_.X(), kClass, "H 719" + kSuffix), "H 719" + kSuffix) << env_.Log();
  Window w = Kiosk();
  ASSERT_NE(w, 0u);
  EXPECT_TRUE(HasState(w, "_NET_WM_STATE_FULLSCREEN"));
  EXPECT_TRUE(WaitUntil([&] { return !Viewable(dock); }, 5s)) << "the task bar is hidden while full screen";

  // Another program's request to leave full screen is undone at once.
  RequestWindowState(display_.X(), w, 0, "_NET_WM_STATE_FULLSCREEN");
  // The window manager takes requests in order: once it shows the next one, it has handled this.
  RequestWindowState(display_.X(), w, 1, "_NET_WM_STATE_ABOVE");
  ASSERT_TRUE(WaitUntil([&] { return HasState(w, "_NET_WM_STATE_ABOVE"); }, 5s));
  EXPECT_TRUE(WaitUntil([&] { return HasState(w, "_NET_WM_STATE_FULLSCREEN"); }, 5s)) << "full screen again";
  RequestWindowState(display_.X(), w, 0, "_NET_WM_STATE_ABOVE");
  auto desktop = PropertyItems(display_.X(), w, "_NET_WM_DESKTOP", XA_CARDINAL);
  // Xlib hands 32-bit items over as longs, sign-extended.
  EXPECT_TRUE(desktop.size() == 1 && (desktop[0] & 0xFFFFFFFFul) == 0xFFFFFFFFul) << "on every desktop";
  // F11 leaves full screen for the operator only: it asks for the exit password first.
  PressKey("F11");
  ASSERT_TRUE(Focused("退出Panelia程序"));
  PressKey("Escape");
  EXPECT_TRUE(WaitUntil([&] { return !WindowTitled("退出Panelia程序"); }, 5s));
  // F11 asks again only while the frame is full screen: cancelled, it still is. (Until the closed
  // dialog's answer is in and the frame has the focus back, a key is not the frame's: asked again.)
  ASSERT_TRUE(WaitUntil(
      [&] {
        if (!WindowTitled("退出Panelia程序")) PressKey("F11");
        return WaitUntil([&] { return WindowTitled("退出Panelia程序"); }, 500ms);
      },
      10s))
      << "cancelled: still full screen";
  EXPECT_TRUE(HasState(w, "_NET_WM_STATE_FULLSCREEN"));
  ASSERT_TRUE(Focused("退出Panelia程序"));
  for (const char* key : {"o", "p", "Return"}) PressKey(key);
  EXPECT_TRUE(WaitUntil([&] { return !HasState(w, "_NET_WM_STATE_FULLSCREEN"); }, 5s));
  EXPECT_TRUE(WaitUntil([&] { return Viewable(dock); }, 5s)) << "the task bar is back while windowed";
  // Windowed, the menu and the status bar take their share too, even with IsStatusBar 0.
  EXPECT_TRUE(WaitUntil([&] { return PageHeight() > 0 && PageHeight() < 600 - 80 - 1; }, 5s))
      << WindowTitle(display_.X(), w);
  ASSERT_TRUE(WaitUntil([&] { return HasInputFocus(display_.X(), w); }, 5s)) << "the frame has the keys again";
  PressKey("F11");
  EXPECT_TRUE(WaitUntil([&] { return HasState(w, "_NET_WM_STATE_FULLSCREEN"); }, 5s));
  EXPECT_EQ(WaitForTitle(display_.X(), kClass, "H 719" + kSuffix), "H 719" + kSuffix) << "the same bar row again";
  EXPECT_TRUE(WaitUntil([&] { return !Viewable(dock); }, 5s));

  SendCloseRequest(display_.X(), w);
  EXPECT_EQ(kiosk.Wait(15s), 0) << env_.Log();
  EXPECT_TRUE(WaitUntil([&] { return Viewable(dock); }, 5s)) << "closing Panelia shows the task bar again";
}

TEST_F(FrameE2E, ScheduledPowerOffClosesTheKioskThenRunsThePowerOffCommand) {
  // A Wednesday, 18:28: checks come every 30 seconds, so one falls in the minute before 18:30
  // whatever the start-up takes on a loaded machine (up to 60 of the kiosk's seconds).
  Process kiosk =
      StartAt("2026-12-09 18:28:00", {{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Advance),
                                       "PowerOffTime", RegValue::Text("18:30")}});
  ASSERT_TRUE(WaitUntil([&] { return Kiosk() != 0; }, 30s)) << env_.Log();
  EXPECT_TRUE(WaitUntil([&] { return NoticeShown(); }, 25s)) << env_.Log();
  const auto shown = std::chrono::steady_clock::now();
  EXPECT_FALSE(std::filesystem::exists(Marker())) << "nothing is powered off before the notice ends";
  EXPECT_TRUE(Focused("自动关机提示"));
  PressKey("Escape");  // no cancel on a weekday
  // Nobody touches OK: the notice ends by itself after 15 seconds, Escape or not.
  EXPECT_TRUE(kiosk.Wait(15s).has_value()) << env_.Log();
  EXPECT_GE(std::chrono::steady_clock::now() - shown, Fake(13s)) << "Escape neither cancels nor hurries the notice";
  EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(Marker()); }, 5s));
  EXPECT_TRUE(FindWindowsByClass(display_.X(), kClass).empty());
}

TEST_F(FrameE2E, WeekendNoticeCanBeCancelledAndComesBack) {
  if (!std::filesystem::exists("/usr/bin/faketime")) GTEST_SKIP() << "faketime is not installed";
  // A Saturday morning with weekends closed: every check shows the notice, in its weekend form.
  Process kiosk =
      StartAt("2026-12-12 10:00:00", {{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Advance),
                                       "IsCloseWeekend", RegValue::Dword(1)}});
  ASSERT_TRUE(WaitUntil([&] { return NoticeShown(); }, 15s)) << env_.Log();
  PressKey("Escape");
  EXPECT_TRUE(WaitUntil([&] { return !NoticeShown(); }, 5s)) << "cancel is offered at weekends";
  EXPECT_TRUE(kiosk.Running());
  EXPECT_FALSE(std::filesystem::exists(Marker()));
  EXPECT_TRUE(WaitUntil([&] { return NoticeShown(); }, 15s)) << "the next check asks again";
  PressKey("Escape");
  EXPECT_TRUE(WaitUntil([&] { return !NoticeShown(); }, 5s));
  SendCloseRequest(display_.X(), Kiosk());
  EXPECT_EQ(kiosk.Wait(15s), 0) << env_.Log();
  EXPECT_FALSE(std::filesystem::exists(Marker()));
}

}  // namespace
}  // namespace panelia::e2e

namespace panelia::e2e {
namespace {

// Without a window manager nobody grants full screen: the frame must still cover the monitor.
class FrameWithoutWindowManagerE2E : public DisplayTest {
 protected:
  FrameWithoutWindowManagerE2E() : DisplayTest(/*with_window_manager=*/false) {}
};

TEST_F(FrameWithoutWindowManagerE2E, FullScreenStillCoversTheMonitor) {
  VirtualDisplay& display = display_;
  KioskEnvironment& env = env_;
  ASSERT_TRUE(env.Store().Apply({{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General),
                                  "SoftHomeUrl", RegValue::Text("file://" + kPagesDir + "size.html")}}));
  Process kiosk = env.StartPanelia();
  EXPECT_EQ(WaitForTitle(display.X(), kClass, "H 719" + kSuffix), "H 719" + kSuffix) << env.Log();
  auto windows = FindWindowsByClass(display.X(), kClass);
  ASSERT_EQ(windows.size(), 1u);
  XWindowAttributes a{};
  ASSERT_TRUE(XGetWindowAttributes(display.X(), windows[0], &a));
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(display.X(), windows[0], DefaultRootWindow(display.X()), 0, 0, &x, &y, &child);
  EXPECT_EQ((std::vector<int>{x, y, a.width, a.height}), (std::vector<int>{0, 0, 1280, 800}));
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display.X(), &focus, &revert);
  EXPECT_EQ(focus, windows[0]) << "Panelia takes the keyboard focus itself";
  SendCloseRequest(display.X(), windows[0]);
  EXPECT_EQ(kiosk.Wait(15s), 0) << env.Log();
}

// The idle return on the kiosk's sped-up clock: a visitor leaves the kiosk on another page and, with
// WaitTime 1, it goes home after one still minute (twelve ticks of five seconds), not before.
TEST_F(FrameE2E, StillKioskReturnsHomeAfterWaitTime) {
  auto dword = [](Section section, const char* name, uint32_t value) {
    return RegChange{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(section), name, RegValue::Dword(value)};
  };
  // The kiosk counts still time from its start: the minute is measured from there, not from the
  // page below, whose arrival depends on how fast this machine starts the kiosk.
  auto started = std::chrono::steady_clock::now();
  Process kiosk = StartAt("2026-12-09 10:00:00",
                          {{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General), "SoftHomeUrl",
                            RegValue::Text("file://" + kPagesDir + "home.html?scenario=blank")},
                           dword(Section::Advance, "IsAutoHome", 1),
                           dword(Section::Advance, "WaitTime", 1),
                           dword(Section::Navigator, "IsNavigator", 1),
                           // the home page repeats its scenario on a fresh history
                           dword(Section::Advance, "IsClearSession", 0)});
  EXPECT_EQ(WaitForTitle(display_.X(), kClass, "E2E Target" + kSuffix, 15s), "E2E Target" + kSuffix) << env_.Log();
  EXPECT_EQ(WaitForTitle(display_.X(), kClass, "E2E Home" + kSuffix, 20s), "E2E Home" + kSuffix) << env_.Log();
  EXPECT_GE(std::chrono::steady_clock::now() - started, Fake(60s)) << "not before a still minute";
  SendCloseRequest(display_.X(), Kiosk());
  EXPECT_EQ(kiosk.Wait(15s), 0) << env_.Log();
}

// The next visitor starts clean: the idle return removes the cookie and the stored value the last
// visitor's page left, and Back has nowhere to go.
TEST_F(FrameE2E, IdleReturnForgetsTheLastVisitor) {
  PageServer pages;
  auto dword = [](Section section, const char* name, uint32_t value) {
    return RegChange{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(section), name, RegValue::Dword(value)};
  };
  Process kiosk =
      StartAt("2026-12-09 10:00:00", {{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General),
                                       "SoftHomeUrl", RegValue::Text(pages.Url("traces.html"))},
                                      dword(Section::Advance, "IsAutoHome", 1),
                                      dword(Section::Advance, "WaitTime", 1),
                                      dword(Section::Navigator, "IsNavigator", 1)});
  EXPECT_EQ(WaitForTitle(display_.X(), kClass, "T clean 1" + kSuffix, 15s), "T clean 1" + kSuffix) << env_.Log();
  EXPECT_EQ(WaitForTitle(display_.X(), kClass, "E2E Target" + kSuffix, 15s), "E2E Target" + kSuffix) << env_.Log();
  // A kept trace would show "T kept 3": the cookie or the stored value, and two pages behind.
  EXPECT_EQ(WaitForTitle(display_.X(), kClass, "T clean 1" + kSuffix, 20s), "T clean 1" + kSuffix) << env_.Log();
  // What sites keep on disk is the kiosk account's alone.
  namespace fs = std::filesystem;
  EXPECT_EQ(fs::status(env_.Root() / "data/panelia").permissions() & fs::perms::all, fs::perms::owner_all);
  SendCloseRequest(display_.X(), Kiosk());
  EXPECT_EQ(kiosk.Wait(15s), 0) << env_.Log();
}

// An operator left full screen (F11 and the password) and walked away; a visitor copied text and
// opened the keyboard. The idle return gives the next visitor the full-screen kiosk (no menus, no
// File > New window), with nothing to paste and no keyboard open.
TEST_F(FrameE2E, TheNextVisitorGetsTheFullScreenKioskWithNothingOfTheLast) {
  auto dword = [](Section section, const char* name, uint32_t value) {
    return RegChange{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(section), name, RegValue::Dword(value)};
  };
  Process kiosk = StartAt(
      "2026-12-09 10:00:00",
      {{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General), "SoftHomeUrl",
        RegValue::Text("file://" + kPagesDir + "clip.html")},
       {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General), "Password", RegValue::Text("op")},
       dword(Section::Advance, "IsAutoHome", 1),
       // Two minutes (twelve seconds here): the visitor's part of the test, slow under the
       // sanitizers on a loaded machine, is done well before.
       dword(Section::Advance, "WaitTime", 2),
       dword(Section::Navigator, "IsNavigator", 1),
       dword(Section::Navigator, "BoardMode", 1)});
  ASSERT_EQ(WaitForTitle(display_.X(), kClass, "C" + kSuffix, 15s), "C" + kSuffix) << env_.Log();
  Window w = Kiosk();
  auto xdotool = [&](const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    Process(argv, env_.Env(), "", "").Wait(10s);
  };
  auto keyboard_shown = [&] {
    for (Window k : FindWindowsByClass(display_.X(), "GlyphdeckClass4.0"))
      if (Viewable(k)) return true;
    return false;
  };
  // The visitor: a touch on the field brings the keyboard; text typed, selected and copied, and
  // pasted once more to show the clipboard works.
  xdotool({"mousemove", "300", "25", "click", "1"});
  EXPECT_TRUE(WaitUntil(keyboard_shown, 15s)) << "the field's touch brings the keyboard";
  // Typed over what is selected, copied and pasted, again until it shows: the copy reaches the
  // clipboard a moment after its key, and a paste that comes first pastes what was there before.
  EXPECT_TRUE(WaitUntil(
      [&] {
        xdotool({"mousemove", "300", "25", "click", "1", "key", "ctrl+a"});
        xdotool({"type", "--delay", "30", "secret"});
        xdotool({"key", "ctrl+a", "ctrl+c", "End", "ctrl+v"});
        return WaitForTitle(display_.X(), kClass, "C secretsecret" + kSuffix, 2s) == "C secretsecret" + kSuffix;
      },
      20s))
      << WindowTitle(display_.X(), w) << env_.Log();
  xdotool({"key", "ctrl+a"});  // selected: the primary selection holds it too
  // The operator: windowed, then away.
  PressKey("F11");
  ASSERT_TRUE(Focused("退出Panelia程序"));
  for (const char* key : {"o", "p", "Return"}) PressKey(key);
  ASSERT_TRUE(WaitUntil([&] { return !HasState(w, "_NET_WM_STATE_FULLSCREEN"); }, 5s));
  // Windowed, a new window opens inside the kiosk, never as a second Panelia.
  const size_t windows = ClientList(display_.X()).size();
  // Handled once the home page is there afresh (its field empty); until the password dialog has
  // given the frame the focus back, the key is asked again.
  EXPECT_TRUE(WaitUntil(
      [&] {
        xdotool({"key", "ctrl+n"});
        return WaitUntil([&] { return WindowTitle(display_.X(), w) == "C" + kSuffix; }, 1s);
      },
      10s))
      << WindowTitle(display_.X(), w);
  EXPECT_EQ(FindWindowsByClass(display_.X(), kClass).size(), 1u);
  EXPECT_LE(ClientList(display_.X()).size(), windows);
  // Something left in the field, so that the empty field below is the next visitor's page: the
  // page is wiped a moment after the return (its data first), and until then the last one's
  // page, here with the same title, is still there.
  xdotool({"type", "x"});
  ASSERT_EQ(WaitForTitle(display_.X(), kClass, "C x" + kSuffix, 10s), "C x" + kSuffix);

  // Two still minutes on the kiosk's clock: the next visitor.
  EXPECT_TRUE(WaitUntil([&] { return HasState(w, "_NET_WM_STATE_FULLSCREEN"); }, 30s)) << env_.Log();
  EXPECT_TRUE(WaitUntil([&] { return !keyboard_shown(); }, 10s)) << "the keyboard is closed";
  ASSERT_EQ(WaitForTitle(display_.X(), kClass, "C" + kSuffix, 10s), "C" + kSuffix);
  // Paste and a middle click into the fresh field: nothing of the last visitor's text.
  xdotool({"mousemove", "300", "25", "click", "1", "key", "ctrl+v"});
  xdotool({"mousemove", "300", "25", "click", "2"});
  xdotool({"type", "z"});  // typed after both: once it shows, they have been handled
  EXPECT_EQ(WaitForTitle(display_.X(), kClass, "C z" + kSuffix, 10s), "C z" + kSuffix);
  SendCloseRequest(display_.X(), w);
  EXPECT_EQ(kiosk.Wait(15s), 0) << env_.Log();
  // This kiosk has no session bus: the input method cannot be told to forget, which is said once,
  // not by the settings library at every visitor.
  EXPECT_EQ(env_.Log().find("dconf-WARNING"), std::string::npos) << env_.Log();
}

// A visitor's print loop leaves its boxes; the next visitor finds none, and none come back.
TEST_F(FrameE2E, APrintLoopLeavesNoBoxForTheNextVisitor) {
  auto dword = [](Section section, const char* name, uint32_t value) {
    return RegChange{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(section), name, RegValue::Dword(value)};
  };
  Process kiosk =
      StartAt("2026-12-09 10:00:00", {{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General),
                                       "SoftHomeUrl", RegValue::Text("file://" + kPagesDir + "printer.html")},
                                      dword(Section::Advance, "IsAutoHome", 1),
                                      dword(Section::Advance, "WaitTime", 1),
                                      dword(Section::Navigator, "IsNavigator", 1)});
  ASSERT_EQ(WaitForTitle(display_.X(), kClass, "PR" + kSuffix, 15s), "PR" + kSuffix) << env_.Log();
  auto boxes = [&] {
    int n = 0;
    for (Window w : ClientList(display_.X())) n += WindowTitle(display_.X(), w) == "Panelia提示";
    return n;
  };
  Process({"xdotool", "mousemove", "200", "40", "click", "1"}, env_.Env(), "", "").Wait(10s);
  ASSERT_TRUE(WaitUntil([&] { return boxes() > 0; }, 10s)) << env_.Log();
  // Left alone: the idle return comes a still minute later on the kiosk's clock.
  EXPECT_TRUE(WaitUntil([&] { return boxes() == 0; }, 20s)) << env_.Log();
  EXPECT_FALSE(WaitUntil([&] { return boxes() > 0; }, 3s)) << "the fresh page prints nothing by itself";
  EXPECT_EQ(ClientList(display_.X()).size(), 1u);
  SendCloseRequest(display_.X(), Kiosk());
  EXPECT_EQ(kiosk.Wait(15s), 0) << env_.Log();
}

// The loop presentation on the sped-up clock: "Loop.dat" of the kiosk directory, in order, one page
// every IntervalTime × 10 still seconds, round again.
TEST_F(FrameE2E, LoopShowsItsPagesInOrder) {
  std::filesystem::path kiosk_dir = env_.Root() / "kiosk";
  std::filesystem::create_directories(kiosk_dir);
  {
    std::ofstream loop(kiosk_dir / "Loop.dat");
    for (int n = 1; n <= 3; ++n) loop << "file://" << kPagesDir << "loop.html?" << n << "\n";
  }
  auto dword = [](Section section, const char* name, uint32_t value) {
    return RegChange{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(section), name, RegValue::Dword(value)};
  };
  Process kiosk = StartAt("2026-12-09 10:00:00",
                          {dword(Section::Loop, "IsLoop", 1), dword(Section::Loop, "IntervalTime", 1),
                           dword(Section::Navigator, "IsNavigator", 1)},
                          kiosk_dir.string());
  for (const char* title : {"L 1", "L 2", "L 3", "L 1"})
    EXPECT_EQ(WaitForTitle(display_.X(), kClass, title + kSuffix, 15s), title + kSuffix) << env_.Log();
  SendCloseRequest(display_.X(), Kiosk());
  EXPECT_EQ(kiosk.Wait(15s), 0) << env_.Log();
}

}  // namespace
}  // namespace panelia::e2e
