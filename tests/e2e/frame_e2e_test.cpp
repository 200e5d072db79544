// The kiosk frame as the display sees it: full screen over the docks, the 80-pixel bar row, F11,
// and the scheduled power-off.
#include <gtest/gtest.h>
// X11 after gtest: its None and Bool macros break gtest's own names.
#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "common/settings.h"
#include "harness.h"

namespace panelia::e2e {
namespace {

const std::string kClass = "PaneliaClass4.0";

class FrameE2E : public ::testing::Test {
 protected:
  FrameE2E() : env_(display_) {}
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
    Atom type = XInternAtom(x, "_NET_WM_WINDOW_TYPE", False), dock_type = XInternAtom(x, "_NET_WM_WINDOW_TYPE_DOCK", False);
    XChangeProperty(x, dock, type, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&dock_type), 1);
    XMapWindow(x, dock);
    XSync(x, False);
    return dock;
  }

  VirtualDisplay display_;
  KioskEnvironment env_;
};

TEST_F(FrameE2E, FullScreenOverTheDockWithAnEightyPixelBarAndF11) {
  std::this_thread::sleep_for(1s);  // openbox finishes starting up before it honours map requests
  Window dock = MakeDock();
  ASSERT_TRUE(WaitUntil([&] { return Viewable(dock); }, 5s)) << "map state " << MapState(dock);
  Seed();
  Process kiosk = env_.StartPanelia();
  ASSERT_TRUE(WaitUntil([&] { return WindowTitle(display_.X(), Kiosk()).rfind("H ", 0) == 0; }, 30s)) << env_.Log();
  Window w = Kiosk();
  ASSERT_NE(w, 0u);
  EXPECT_TRUE(HasState(w, "_NET_WM_STATE_FULLSCREEN"));
  EXPECT_TRUE(WaitUntil([&] { return !Viewable(dock); }, 5s)) << "the task bar is hidden while full screen";

  PressKey("F11");
  EXPECT_TRUE(WaitUntil([&] { return !HasState(w, "_NET_WM_STATE_FULLSCREEN"); }, 5s));
  EXPECT_TRUE(WaitUntil([&] { return Viewable(dock); }, 5s)) << "the task bar is back while windowed";
  std::this_thread::sleep_for(500ms);
  PressKey("F11");
  EXPECT_TRUE(WaitUntil([&] { return HasState(w, "_NET_WM_STATE_FULLSCREEN"); }, 5s));
  EXPECT_TRUE(WaitUntil([&] { return !Viewable(dock); }, 5s));

  SendCloseRequest(display_.X(), w);
  EXPECT_EQ(kiosk.Wait(15s), 0) << env_.Log();
  EXPECT_TRUE(WaitUntil([&] { return Viewable(dock); }, 5s)) << "closing Panelia shows the task bar again";
}

TEST_F(FrameE2E, ScheduledPowerOffClosesTheKioskThenRunsThePowerOffCommand) {
  if (!std::filesystem::exists("/usr/bin/faketime")) GTEST_SKIP() << "faketime is not installed";
  Seed({{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Advance), "IsAutoShut", RegValue::Dword(1)},
        {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Advance), "PowerOffTime",
         RegValue::Text("18:30")}});
  std::string marker = (env_.Root() / "powered-off").string();
  auto env = env_.Env();
  env["PANELIA_POWEROFF_COMMAND"] = "touch " + marker;
  env["ASAN_OPTIONS"] = "detect_leaks=0:verify_asan_link_order=0";
  // A Wednesday, 18:29:10: the first check, 30 seconds after start, is 20 seconds before the time.
  Process kiosk({"faketime", "-f", "@2026-12-09 18:29:10", kBinDir + "panelia"}, env, kBinDir,
                (env_.Root() / "panelia.log").string());
  ASSERT_TRUE(WaitUntil([&] { return Kiosk() != 0; }, 30s)) << env_.Log();
  std::string notice;
  EXPECT_TRUE(WaitUntil([&] {
    for (Window w : ClientList(display_.X()))
      if (WindowTitle(display_.X(), w) == "自动关机提示") return true;
    return false;
  }, 45s)) << env_.Log();
  EXPECT_FALSE(std::filesystem::exists(marker)) << "nothing is powered off before the notice ends";
  // Nobody touches OK: the notice ends by itself after 15 seconds.
  EXPECT_TRUE(kiosk.Wait(30s).has_value()) << env_.Log();
  EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(marker); }, 5s));
  EXPECT_TRUE(FindWindowsByClass(display_.X(), kClass).empty());
}

}  // namespace
}  // namespace panelia::e2e
