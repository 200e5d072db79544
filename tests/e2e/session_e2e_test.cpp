// The installed kiosk session, from the installed files alone: the demo kiosk comes up, comes back
// after it is killed, and the exit password ends the session.
#include <gtest/gtest.h>

#include <signal.h>

#include <X11/Xatom.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <fstream>

#include "common/settings.h"
#include "harness.h"

namespace panelia::e2e {
namespace {

namespace fs = std::filesystem;
const std::string kHome = "欢迎 · 城市信息亭 - Panelia触摸屏浏览器";

class SessionE2E : public ::testing::Test {
 protected:
  // A display without a window manager: the session brings its own; the demo's bar is drawn for
  // 1024 x 768.
  SessionE2E() : display_(false, {"1024x768x24"}), env_(display_) {}
  void SetUp() override { ASSERT_TRUE(display_.Error().empty()) << display_.Error(); }
  // The process of the first window of the class, or 0.
  pid_t PidOf(const char* klass) {
    auto windows = FindWindowsByClass(display_.X(), klass);
    if (windows.empty()) return 0;
    auto pid = PropertyItems(display_.X(), windows[0], "_NET_WM_PID", XA_CARDINAL);
    return pid.empty() ? 0 : static_cast<pid_t>(pid[0]);
  }
  pid_t KioskPid() { return PidOf("PaneliaClass4.0"); }
  // The processes named `name` (as the kernel shortens it) below `root`.
  static std::vector<pid_t> ProcessesNamed(pid_t root, const std::string& name) {
    std::vector<pid_t> found;
    for (const auto& [pid, info] : ProcessesBelow(root))
      if (info.name == name) found.push_back(pid);
    return found;
  }
  pid_t PlayerPid() { return PidOf("SonavelleClass4.0"); }
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
  // The monitor's rotation and the touch screens' mapping (Xvfb has none of either to change).
  EXPECT_TRUE(
      WaitUntil([&] { return log().find("panelia-display: watching for touch screens") != std::string::npos; }, 10s))
      << log();

  // The window manager's usual ways out do nothing in the kiosk session.
  Xdotool(
      {"key", "--delay", "200", "alt+F4", "alt+space", "Escape", "alt+Tab", "ctrl+alt+Left", "super+d", "ctrl+alt+t"});
  // Handled by the window manager, and what it sent on to the kiosk handled by the kiosk.
  EXPECT_TRUE(WindowManagerCaughtUp(display_.X()));
  EXPECT_TRUE(Ping(display_.X(), FindWindowsByClass(display_.X(), "PaneliaClass4.0").at(0)));
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
  auto engine = [&] {
    fs::path out = env_.Root() / "engine.txt";
    fs::remove(out);  // the log is appended to
    Process({"ibus", "engine"}, env_.Env(), "", out.string()).Wait(10s);
    std::ifstream in(out);
    std::string name;
    std::getline(in, name);
    return name;
  };
  if (fs::exists("/usr/share/ibus/component/libpinyin.xml")) {
    std::string last;
    // Asked again until IBus has loaded the preloaded engines, which it does a moment after it starts.
    EXPECT_TRUE(WaitUntil(
        [&] {
          env_.Send({"input-method", "1"});
          return (last = engine()) == "libpinyin";
        },
        20s))
        << last << "\n"
        << log();

    EXPECT_EQ(env_.Send({"input-method", "0"}), 0);
  }

  // The session's parts come back when killed: the window manager, the input method, the player.
  auto wm_running = [&] {
    auto check = PropertyItems(display_.X(), DefaultRootWindow(display_.X()), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    return !check.empty() &&
           !PropertyItems(display_.X(), static_cast<Window>(check[0]), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).empty();
  };
  auto parts = {std::pair<const char*, const char*>{"openbox", "openbox ended"},
                std::pair<const char*, const char*>{"ibus-daemon", "ibus-daemon ended"}};
  for (auto [name, said] : parts) {
    auto before = ProcessesNamed(session.pid(), name);
    if (std::string(name) == "ibus-daemon" && !fs::exists("/usr/bin/ibus-daemon")) continue;
    ASSERT_EQ(before.size(), 1u) << name << "\n" << log();
    kill(before[0], SIGKILL);
    EXPECT_TRUE(WaitUntil(
        [&] {
          auto now = ProcessesNamed(session.pid(), name);
          return now.size() == 1 && now[0] != before[0];
        },
        15s))
        << name << "\n"
        << log();
    EXPECT_NE(log().find(said), std::string::npos) << log();
  }
  EXPECT_TRUE(WaitUntil(wm_running, 10s)) << "a window manager again";
  EXPECT_EQ(KioskPid(), first) << "the kiosk ran on meanwhile";
  pid_t player = PlayerPid();
  ASSERT_NE(player, 0) << "the demo plays music";
  kill(player, SIGKILL);
  EXPECT_TRUE(WaitUntil(
      [&] {
        pid_t now = PlayerPid();
        return now != 0 && now != player;
      },
      20s))
      << "Panelia starts the player again";

  // The restarted kiosk goes home after a still minute (read at its start).
  ASSERT_TRUE(env_.Store().Apply(
      {{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Advance), "WaitTime", RegValue::Dword(1)},
       {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Advance), "IsAutoHome",
        RegValue::Dword(1)}}));
  // While Panelia starts again, the screen is black: nothing of the desktop or the companions (the
  // keyboard a visitor opened goes with it).
  kill(first, SIGKILL);
  EXPECT_TRUE(WaitUntil([&] { return KioskPid() == 0; }, 5s));
  // Looked at before the next kiosk's splash covers it (the session starts one a second later).
  EXPECT_TRUE(WaitUntil(
      [&] { return PixelAt(display_.X(), 512, 384) == 0x000000ul && PixelAt(display_.X(), 513, 384) == 0x000000ul; },
      2s))
      << "solid black, not the server's grey weave";
  EXPECT_TRUE(WaitUntil([&] { return FindWindowsByClass(display_.X(), "GlyphdeckClass4.0").empty(); }, 3s));
  // A kiosk started again: running, and not the one before.
  auto another_kiosk_than = [&](pid_t before, std::chrono::seconds timeout) {
    return WaitUntil(
        [&] {
          pid_t now = KioskPid();
          return now != 0 && now != before;
        },
        timeout);
  };
  EXPECT_TRUE(another_kiosk_than(first, 30s)) << log();
  ASSERT_EQ(WaitForTitle(display_.X(), "PaneliaClass4.0", kHome, 30s), kHome);
  EXPECT_NE(log().find("starting it again"), std::string::npos);
  // An operator's restart between visitors: at the next visitor's start (here a wipe) Panelia ends,
  // and the session starts it again at once.
  const pid_t second = KioskPid();
  EXPECT_EQ(env_.Send({"restart-when-idle"}), 0);
  EXPECT_EQ(KioskPid(), second) << "not in the middle of a visitor's session";
  EXPECT_EQ(env_.Send({"wipe"}), 0);
  EXPECT_TRUE(another_kiosk_than(second, 20s)) << log();
  ASSERT_EQ(WaitForTitle(display_.X(), "PaneliaClass4.0", kHome, 30s), kHome);
  EXPECT_NE(log().find("Panelia starts again between visitors"), std::string::npos) << log();
  if (fs::exists("/usr/share/ibus/component/libpinyin.xml")) {
    EXPECT_TRUE(WaitUntil(
        [&] {
          env_.Send({"input-method", "1"});
          return engine() == "libpinyin";
        },
        20s));
    // Pinyin keeps nothing of a visitor for the next: a candidate picked again and again moves up
    // while the visitor types, and is back in its place once the kiosk has gone home for the next
    // visitor (a still minute). A page whose title shows its field's text.
    std::ofstream(programs / "OpenURL.ini") << "[TargetURL]\n1=file://" << kPagesDir << "clip.html\n";
    const std::string suffix = " - Panelia触摸屏浏览器";
    auto title = [&] {
      auto windows = FindWindowsByClass(display_.X(), "PaneliaClass4.0");
      return windows.empty() ? std::string() : WindowTitle(display_.X(), windows[0]);
    };
    EXPECT_EQ(env_.Send({"open-url", "1"}), 0);
    EXPECT_EQ(WaitForTitle(display_.X(), "PaneliaClass4.0", "C" + suffix, 15s), "C" + suffix);
    Xdotool({"mousemove", "300", "25", "click", "1"});
    auto commit = [&](const char* key) {
      Xdotool({"key", "ctrl+a", "BackSpace"});
      EXPECT_TRUE(WaitUntil([&] { return title() == "C" + suffix; }, 5s)) << title();
      Xdotool({"type", "--delay", "80", "shishi"});
      std::this_thread::sleep_for(500ms);
      Xdotool({"key", key});
      std::string now;
      WaitUntil([&] { return (now = title()) != "C" + suffix; }, 5s);
      return now;
    };
    std::string top = commit("space");
    std::string fifth;
    for (int i = 0; i < 12; ++i) fifth = commit("5");
    EXPECT_NE(top, "C" + suffix) << "pinyin typed nothing";
    EXPECT_NE(top, fifth);
    EXPECT_EQ(commit("space"), fifth) << "the engine learns while one visitor types";
    // The engine is told through its own setting: in the desktop's settings database where the
    // session has it (read from its file), else in GLib's key file.
    auto clear_user_data = [&] {
      std::ifstream in(env_.Root() / "config/glib-2.0/settings/keyfile");
      for (std::string line; std::getline(in, line);)
        if (line.rfind("clear-user-data=", 0) == 0) return line.substr(16);
      fs::path read = env_.Root() / "dconf-read.txt";
      if (Process({"dconf", "read", "/com/github/libpinyin/ibus-libpinyin/libpinyin/clear-user-data"}, env_.Env(), "",
                  read.string())
              .Wait(10s) != 0)
        return std::string("(unreadable)");
      std::ifstream value(read);
      std::string text;
      std::getline(value, text);
      return text.empty() ? std::string("''") : text;  // not set: its default,
    };
    // Told for a few seconds, from before the home page shows: watched all along.
    bool told = false;
    EXPECT_TRUE(WaitUntil(
        [&] {
          told |= clear_user_data() == "'all'";
          return title() == kHome;
        },
        90s))
        << "the idle return\n"
        << log();
    EXPECT_TRUE(told || WaitUntil([&] { return clear_user_data() == "'all'"; }, 5s)) << "the engine is told to forget";
    EXPECT_EQ(env_.Send({"open-url", "1"}), 0);
    EXPECT_EQ(WaitForTitle(display_.X(), "PaneliaClass4.0", "C" + suffix, 15s), "C" + suffix);
    EXPECT_TRUE(WaitUntil([&] { return clear_user_data() == "''"; }, 10s))
        << "and the setting is back: " << clear_user_data();
    env_.Send({"input-method", "1"});
    Xdotool({"mousemove", "300", "25", "click", "1"});
    EXPECT_EQ(commit("space"), top) << "what the last visitor picked is not first for the next";
    EXPECT_EQ(env_.Send({"input-method", "0"}), 0);
  }

  // The bar's 退出 button (touched until the dialog is there: the bar may still be loading), the
  // demo's password, Enter.
  ASSERT_TRUE(WaitUntil(
      [&] {
        if (WindowWithTitle(display_.X(), "退出Panelia程序") == 0) Xdotool({"mousemove", "988", "730", "click", "1"});
        return WaitForFocusedWindow(display_.X(), "退出Panelia程序", 1s) != 0;
      },
      15s))
      << log();
  Xdotool({"type", "--delay", "40", "8888"});
  Xdotool({"key", "Return"});
  EXPECT_EQ(session.Wait(30s), 0) << log();
  EXPECT_NE(log().find("the session ends"), std::string::npos) << log();
}

}  // namespace
}  // namespace panelia::e2e
