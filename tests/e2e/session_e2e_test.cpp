// The installed kiosk session, from the installed files alone: the demo kiosk comes up, comes back
// after it is killed, and the exit password ends the session.
#include <gtest/gtest.h>

#include <signal.h>

#include <X11/Xatom.h>

#include <filesystem>
#include <fstream>

#include "harness.h"

namespace panelia::e2e {
namespace {

namespace fs = std::filesystem;
const std::string kHome = "欢迎 · 城市信息亭 - Panelia触摸屏浏览器";

class SessionE2E : public ::testing::Test {
 protected:
  // A display without a window manager: the session brings its own; the demo's bar is drawn for
  // 1024 x 768.
  SessionE2E() : display_(false, "1024x768x24"), env_(display_) {}
  void SetUp() override { ASSERT_TRUE(display_.Error().empty()) << display_.Error(); }
  pid_t KioskPid() {
    auto windows = FindWindowsByClass(display_.X(), "PaneliaClass4.0");
    if (windows.empty()) return 0;
    auto pid = PropertyItems(display_.X(), windows[0], "_NET_WM_PID", XA_CARDINAL);
    return pid.empty() ? 0 : static_cast<pid_t>(pid[0]);
  }
  void Xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    Process(argv, env_.Env(), "", "").Wait(10s);
  }
  VirtualDisplay display_;
  KioskEnvironment env_;
};

TEST_F(SessionE2E, TheInstalledSessionKeepsTheKioskUpUntilTheExitPassword) {
  fs::path destdir = env_.Root() / "destdir";
  auto install_env = env_.Env();
  install_env["DESTDIR"] = destdir.string();
  Process install({"cmake", "--install", PANELIA_BUILD_DIR, "--prefix", "/opt/panelia"}, install_env, "",
                  (env_.Root() / "install.log").string());
  ASSERT_EQ(install.Wait(120s), 0);
  fs::path programs = destdir / "opt/panelia/lib/panelia";

  auto session_env = env_.Env();
  session_env["PATH"] = "/usr/bin:/bin";  // nothing of the build tree
  Process session({(programs / "panelia-session").string()}, session_env, env_.Root().string(),
                  (env_.Root() / "session.log").string());
  auto log = [&] {
    std::ifstream in(env_.Root() / "session.log");
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  ASSERT_EQ(WaitForTitle(display_.X(), "PaneliaClass4.0", kHome, 60s), kHome) << log();
  pid_t first = KioskPid();
  ASSERT_NE(first, 0);
  EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(first) + "/exe").parent_path(), programs)
      << "the kiosk runs from the installed files";

  // The window manager's usual ways out do nothing in the kiosk session.
  Xdotool({"key", "--delay", "200", "alt+F4", "alt+space", "Escape", "alt+Tab", "ctrl+alt+Left", "super+d", "ctrl+alt+t"});
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(KioskPid(), first);
  // Nothing opened: the kiosk and its music player are all there is.
  for (Window w : ClientList(display_.X())) {
    std::string title = WindowTitle(display_.X(), w);
    EXPECT_TRUE(title == kHome || title.find("Sonavelleer") != std::string::npos) << title;
  }
  auto state = PropertyItems(display_.X(), FindWindowsByClass(display_.X(), "PaneliaClass4.0")[0], "WM_STATE",
                             XInternAtom(display_.X(), "WM_STATE", False));
  EXPECT_TRUE(!state.empty() && state[0] == 1) << "still shown, not iconified";

  // Chinese input without an operator's help: the session preloaded pinyin beside English, so the
  // second input language (the keyboard's 中文输入法) is pinyin.
  if (fs::exists("/usr/share/ibus/component/libpinyin.xml")) {
    auto engine = [&] {
      fs::path out = env_.Root() / "engine.txt";
      fs::remove(out);  // the log is appended to
      Process({"ibus", "engine"}, env_.Env(), "", out.string()).Wait(10s);
      std::ifstream in(out);
      std::string name;
      std::getline(in, name);
      return name;
    };
    std::string last;
    // Asked again until IBus has loaded the preloaded engines, which it does a moment after it starts.
    EXPECT_TRUE(WaitUntil([&] {
      env_.Send({"input-method", "1"});
      return (last = engine()) == "libpinyin";
    }, 20s)) << last << "\n" << log();
    EXPECT_EQ(env_.Send({"input-method", "0"}), 0);
  }

  kill(first, SIGKILL);
  EXPECT_TRUE(WaitUntil([&] { pid_t now = KioskPid(); return now != 0 && now != first; }, 30s)) << log();
  ASSERT_EQ(WaitForTitle(display_.X(), "PaneliaClass4.0", kHome, 30s), kHome);
  EXPECT_NE(log().find("starting it again"), std::string::npos);

  // The bar's 退出 button, the demo's password, Enter.
  std::this_thread::sleep_for(3s);
  Xdotool({"mousemove", "988", "730", "click", "1"});
  ASSERT_TRUE(WaitUntil([&] {
    for (Window w : ClientList(display_.X()))
      if (WindowTitle(display_.X(), w) == "退出Panelia程序") return true;
    return false;
  }, 15s)) << log();
  std::this_thread::sleep_for(500ms);
  Xdotool({"type", "--delay", "40", "8888"});
  Xdotool({"key", "Return"});
  EXPECT_EQ(session.Wait(30s), 0) << log();
  EXPECT_NE(log().find("the session ends"), std::string::npos) << log();
}

}  // namespace
}  // namespace panelia::e2e
