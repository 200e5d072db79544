// What a bored visitor and a broken page try: touches and keys that would leave the kiosk, a web
// process killed or busy, printing, local files, minimising, an alert loop, a page that cannot load.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>

#include <signal.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "common/settings.h"
#include "common/text.h"
#include "harness.h"
#include "suite_fixture.h"
#include "keyboard/key_table.h"

namespace panelia::e2e {
namespace {

// The kiosk's web processes: children of Panelia named by the engine.
std::vector<pid_t> WebProcesses(pid_t kiosk) {
  std::vector<pid_t> found;
  for (const auto& [pid, info] : ProcessTable())
    if (info.parent == kiosk && info.name.rfind("WebKitWebProces", 0) == 0) found.push_back(pid);
  return found;
}

// A web process that is killed, or that stops answering, costs the visitor a waiting page: then
// the home page and a working bar come back by themselves.
TEST_F(SuiteE2E, AKilledOrHungWebProcessComesBackHome) {
  MakeModule();
  Seed(false);
  Process kiosk = Start();
  ASSERT_TRUE(TitleBecomes("S 0")) << env_.Log();
  WaitForBar();
  Touch(kUserUrl3);
  ASSERT_TRUE(TitleBecomes("E2E Target"));
  for (int signal : {SIGKILL, SIGSTOP}) {
    auto processes = WebProcesses(kiosk.pid());
    ASSERT_FALSE(processes.empty());
    for (pid_t pid : processes) kill(pid, signal);
    EXPECT_TRUE(TitleBecomes("S 0", 40s)) << "signal " << signal << ": " << Title() << env_.Log();
    WaitForBar();
    // The bar's own process was stopped too, and its hang watch may find that a few seconds after
    // the page's: a visitor touches again.
    EXPECT_TRUE(WaitUntil(
        [&] {
          Touch(kUserUrl3);
          return TitleBecomes("E2E Target", 3s);
        },
        30s))
        << "the bar answers after signal " << signal << env_.Log();
    EXPECT_TRUE(kiosk.Running());
  }
}

// A page that never stops computing holds its web process: the kiosk notices and comes home.
TEST_F(SuiteE2E, ABusyLoopEndsOnTheHomePage) {
  MakeModule();
  std::ofstream(module_ / "OpenURL.ini", std::ios::app) << "4=file://" << kPagesDir << "busy.html\n";
  Seed(false);
  Process kiosk = Start();
  ASSERT_TRUE(TitleBecomes("S 0")) << env_.Log();
  WaitForBar();
  EXPECT_EQ(Send({"open-url", "4"}), 0);
  ASSERT_TRUE(TitleBecomes("BUSY"));
  EXPECT_TRUE(TitleBecomes("S 0", 40s)) << Title() << env_.Log();
  EXPECT_NE(env_.Log().find("did not answer"), std::string::npos) << env_.Log();
  WaitForBar();
  Touch(kUserUrl3);
  EXPECT_TRUE(TitleBecomes("E2E Target"));
  EXPECT_TRUE(kiosk.Running());
}

// Everything under a folder, with sizes: a visitor's path that wrote a file shows here.
std::map<std::string, uintmax_t> FilesUnder(const fs::path& root) {
  std::map<std::string, uintmax_t> files;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, error);
       it != fs::recursive_directory_iterator(); it.increment(error))
    if (it->is_regular_file(error)) files[it->path().string()] = it->file_size(error);
  return files;
}

// The names of the processes below `root`: an outside program started by a visitor's path shows here.
std::multiset<std::string> ProcessNamesBelow(pid_t root) {
  std::multiset<std::string> names;
  for (const auto& [pid, info] : ProcessesBelow(root)) names.insert(info.name);
  return names;
}

// A bored visitor on an ordinary web page, by touch and with a plugged-in keyboard: a file field, a
// download, a folder opened by script or link, a long press on the bar, the keys that leave a
// browser. After each, seen from outside: the kiosk still covers the screen, no new window, menu or
// program, no file written, and the bar answers at the end.
TEST_F(SuiteE2E, NothingAVisitorTouchesGetsOut) {
  PageServer pages;
  Process kiosk = StartWithHome(pages.Url("escape.html"));
  ASSERT_TRUE(TitleBecomes("ESC")) << env_.Log();
  WaitForBar();
  // The page counts the touches of its "mark" button and the key x in its title. Each action under
  // test is followed by one of those, pressed until the count moves: what came before it has been
  // handled by then (the kiosk and the engine take touches and keys in order).
  auto marks = [&] {
    std::string title = Title();
    return title.rfind("ESC ", 0) == 0 ? std::atoi(title.c_str() + 4) : 0;
  };
  auto answered = [&](const std::vector<std::string>& sentinel, const std::string& what) {
    const int before = marks();
    EXPECT_TRUE(WaitUntil(
        [&] {
          Xdotool(sentinel);
          return WaitUntil([&] { return marks() > before; }, 1s);
        },
        10s))
        << what << ": the page answers afterwards";
  };
  const std::vector<std::string> touch_mark = {"mousemove", "100", "400", "click", "1", "mousemove", "900", "400"};
  const std::vector<std::string> key_mark = {"mousemove", "900", "400", "key", "x"};
  answered(touch_mark, "the first touch");
  Window frame = FindWindowsByClass(display_.X(), kClass).at(0);
  const size_t windows = ClientList(display_.X()).size();
  const size_t popups = PopUps(display_.X());
  const auto files = FilesUnder(env_.Root() / "home");
  const auto programs = ProcessNamesBelow(kiosk.pid());
  auto still_contained = [&](const std::string& what, bool on_the_page = true) {
    if (on_the_page) {
      EXPECT_EQ(Title().rfind("ESC ", 0), 0u) << what << ": " << Title();
    }
    XWindowAttributes a{};
    XGetWindowAttributes(display_.X(), frame, &a);
    EXPECT_EQ((std::tuple{a.width, a.height, a.map_state}), (std::tuple{1280, 800, IsViewable}))
        << what << ": the kiosk covers the screen";
    EXPECT_EQ(ClientList(display_.X()).size(), windows) << what << ": a new window";
    EXPECT_EQ(PopUps(display_.X()), popups) << what << ": a menu";
    EXPECT_EQ(ProcessNamesBelow(kiosk.pid()), programs) << what << ": another program";
    EXPECT_EQ(FilesUnder(env_.Root() / "home"), files) << what << ": a file written";
    EXPECT_TRUE(kiosk.Running()) << what;
  };
  auto times_said = [&](const std::string& said) {
    std::string log = env_.Log();
    size_t n = 0;
    for (size_t at = 0; (at = log.find(said, at)) != std::string::npos; at += said.size()) ++n;
    return n;
  };
  const struct {
    const char* what;
    int x, y, button;
    const char* said;  // the kiosk's refusal, once it has happened; "" where the engine refuses silently
  } touches[] = {
      {"the file field", 100, 40, 1, "a page asked for a file; refused"},
      {"the download link", 100, 100, 1, "a download of data:text/plain,secret was refused"},
      {"window.open of a folder", 100, 160, 1, "refused to open file:///etc/"},
      {"a link to a local file", 100, 220, 1, ""},
      {"a script going to a folder", 100, 280, 1, ""},
  };
  for (const auto& t : touches) {
    size_t before = *t.said ? times_said(t.said) : 0;
    // The finger then leaves, as a finger does (a hover tooltip is no escape).
    Xdotool({"mousemove", std::to_string(t.x), std::to_string(t.y), "click", std::to_string(t.button), "mousemove",
             "900", "400"});
    // Each is refused as such (and said so in the log), not merely missed; the engine itself keeps a
    // web page's links and scripts away from local files, without a word.
    if (*t.said) {
      EXPECT_TRUE(WaitUntil([&] { return times_said(t.said) > before; }, 10s)) << t.what;
    }
    answered(touch_mark, t.what);
    still_contained(t.what);
  }
  // Keys that leave a desktop browser or start a program: each asks for the exit password, which
  // a visitor does not know, or does nothing at all.
  const struct {
    const char* keys;
    bool asks_password;
  } keys[] = {{"F11", true},     {"ctrl+o", true},        {"ctrl+n", true},  {"ctrl+s", false}, {"ctrl+w", false},
              {"ctrl+q", false}, {"alt+Tab", false},      {"super", false},  {"alt+F2", false}, {"ctrl+alt+t", false},
              {"F1", false},     {"ctrl+shift+i", false}, {"super+d", false}};  // the window manager's "show desktop"
  for (const auto& k : keys) {
    Xdotool({"mousemove", "900", "400", "key", k.keys});
    if (k.asks_password) {
      EXPECT_TRUE(Focused("退出Panelia程序")) << k.keys;
      Xdotool({"type", "--delay", "30", "guess"});
      Xdotool({"key", "Return"});
      EXPECT_TRUE(WaitUntil([&] { return WindowTitled("Panelia提示"); }, 10s)) << k.keys << ": the wrong-password box";
      Xdotool({"key", "Return"});
      EXPECT_TRUE(WaitUntil([&] { return !WindowTitled("Panelia提示"); }, 5s)) << k.keys;
      Xdotool({"key", "Escape"});
      EXPECT_TRUE(WaitUntil([&] { return !WindowTitled("退出Panelia程序"); }, 5s)) << k.keys;
    }
    answered(key_mark, k.keys);
    still_contained(k.keys);
  }
  // A long press on a bar button (a right click) opens nothing; the bar's next touch, taken after
  // it, still answers.
  Xdotool({"mousemove", "50", "760", "click", "3", "mousemove", "900", "400"});
  Touch(kUserUrl3);
  EXPECT_TRUE(TitleBecomes("E2E Target")) << Title();
  still_contained("a long press on a bar button", /*on_the_page=*/false);
}

// Printing offers real printers only: without one installed (as here) the visitor is told so, and
// no dialog with "Print to File" (a file chooser over the whole disk) ever shows.
TEST_F(SuiteE2E, PrintingWithoutAPrinterSaysSo) {
  PageServer pages;
  Process kiosk = StartWithHome(pages.Url("escape.html"));
  ASSERT_TRUE(TitleBecomes("ESC")) << env_.Log();
  WaitForBar();
  const std::vector<std::vector<std::string>> ways = {{"mousemove", "100", "340", "click", "1"}, {"key", "ctrl+p"}};
  for (const auto& way : ways) {
    Xdotool(way);
    EXPECT_TRUE(WaitUntil([&] { return WindowTitled("Panelia提示"); }, 10s)) << way.back() << env_.Log();
    EXPECT_FALSE(WindowTitled("打印"));
    Xdotool({"key", "Escape"});
    EXPECT_TRUE(WaitUntil([&] { return !WindowTitled("Panelia提示"); }, 5s));
  }
  EXPECT_NE(env_.Log().find("no printer is installed"), std::string::npos) << env_.Log();
  EXPECT_EQ(ClientList(display_.X()).size(), 1u);
  Touch(kUserUrl3);
  EXPECT_TRUE(TitleBecomes("E2E Target"));
}

// A local kiosk page reaches the files beside the home page, and nothing else of the disk.
TEST_F(SuiteE2E, LocalPagesKeepToTheKioskFolders) {
  Process kiosk = StartWithHome("file://" + kPagesDir + "local.html");
  ASSERT_TRUE(TitleBecomes("LOCAL")) << env_.Log();
  const struct {
    int y;
    const char* said;  // the refusal, logged in the same check that refuses it
  } links[] = {{40, "refused to open file:///etc/hostname"}, {100, "CMakeLists.txt from file://"}};
  for (const auto& link : links) {
    Xdotool({"mousemove", "100", std::to_string(link.y), "click", "1", "mousemove", "900", "400"});
    EXPECT_TRUE(WaitUntil([&] { return env_.Log().find(link.said) != std::string::npos; }, 10s)) << link.said << "\n"
                                                                                                 << env_.Log();
    EXPECT_EQ(Title(), "LOCAL" + kSuffix) << "the link at " << link.y;
  }
  Xdotool({"mousemove", "100", "160", "click", "1"});
  EXPECT_TRUE(TitleBecomes("E2E Target"));
}

// Neither the kiosk nor its exit password dialog can be minimised, by the window manager or by a
// visitor's touch on a dialog's buttons.
TEST_F(SuiteE2E, NothingIsMinimisedOrLeftBehind) {
  MakeModule();
  Seed(false);
  Process kiosk = Start();
  ASSERT_TRUE(TitleBecomes("S 0")) << env_.Log();
  WaitForBar();
  Window frame = FindWindowsByClass(display_.X(), kClass)[0];
  Atom wm_state = XInternAtom(display_.X(), "WM_STATE", False);
  auto shown = [&](Window w) {
    auto state = PropertyItems(display_.X(), w, "WM_STATE", wm_state);
    return !state.empty() && state[0] == 1;  // NormalState
  };
  // Minimised (the window manager's state changes) and shown again (it changes back).
  auto minimised_and_back = [&](Window w) {
    PropertyWatch state(display_.X(), w, "WM_STATE");
    Xdotool({"windowminimize", std::to_string(w)});
    return WaitUntil([&] { return state.Changes() >= 2 && shown(w); }, 5s);
  };
  EXPECT_TRUE(minimised_and_back(frame)) << "the kiosk comes back at once";

  Touch(kExit);
  Window dialog = WaitForFocusedWindow(display_.X(), "退出Panelia程序");
  ASSERT_NE(dialog, 0u);
  // The dialog asks for no minimise or maximise (the kiosk session's openbox shows no buttons at all).
  long functions = MwmFunctions(dialog);
  ASSERT_GE(functions, 0);
  EXPECT_EQ(functions & (0x08 | 0x10), 0) << "MWM functions " << functions;
  EXPECT_TRUE(minimised_and_back(dialog)) << "a minimised dialog comes back itself";
  EXPECT_TRUE(WaitUntil([&] { return shown(frame); }, 5s)) << "and does not take the kiosk with it";
  Xdotool({"key", "Escape"});
  EXPECT_TRUE(WaitUntil([&] { return !WindowTitled("退出Panelia程序"); }, 5s));

  // The find window (a plugged-in keyboard's Ctrl+F) neither: and closing it gives the kiosk the
  // keyboard focus back.
  auto active = [&] {
    auto items = PropertyItems(display_.X(), DefaultRootWindow(display_.X()), "_NET_ACTIVE_WINDOW",
                               XInternAtom(display_.X(), "WINDOW", False));
    return items.empty() ? Window(0) : Window(items[0]);
  };
  Xdotool({"key", "ctrl+f"});
  Window find = 0;
  ASSERT_TRUE(WaitUntil([&] { return (find = WindowWithTitle("查找")) != 0; }, 10s));
  functions = MwmFunctions(find);
  ASSERT_GE(functions, 0);
  EXPECT_EQ(functions & (0x08 | 0x10), 0) << "MWM functions " << functions;
  EXPECT_TRUE(WaitUntil([&] { return active() == find; }, 5s));
  SendCloseRequest(display_.X(), find);
  EXPECT_TRUE(WaitUntil([&] { return active() == frame; }, 5s)) << std::hex << active() << " frame " << frame;
  EXPECT_TRUE(kiosk.Running());
}

// An alert loop shows a few boxes, each going by itself, then the page is stopped raising more; the
// bar works meanwhile and after.
TEST_F(SuiteE2E, AnAlertLoopNeverHoldsTheKiosk) {
  Process kiosk = StartWithHome("file://" + kPagesDir + "alerts.html");
  ASSERT_TRUE(WaitUntil([&] { return WindowTitled("Panelia提示"); }, 15s))
      << "the page's first alert, in the kiosk's box";
  EXPECT_TRUE(TitleBecomes("A done false", 30s)) << Title();
  EXPECT_FALSE(WindowTitled("Panelia提示"));
  WaitForBar();
  Touch(kUserUrl3);
  EXPECT_TRUE(TitleBecomes("E2E Target"));
}

// A page that cannot be loaded (not for the network: the offline page is for that) shows the kiosk's
// own neutral page, whose button leads home.
TEST_F(SuiteE2E, APageThatCannotLoadShowsAWayHome) {
  MakeModule();
  Seed(false);
  std::ofstream(module_ / "OpenURL.ini", std::ios::app) << "5=file://" << kPagesDir << "nowhere.html\n";
  Process kiosk = Start();
  ASSERT_TRUE(TitleBecomes("S 0")) << env_.Log();
  EXPECT_EQ(Send({"open-url", "5"}), 0);
  ASSERT_TRUE(TitleBecomes("无法打开此页")) << Title() << env_.Log();
  // Touched until it answers: the title comes before the page has its link in place.
  EXPECT_TRUE(WaitUntil(
      [&] {
        Xdotool({"mousemove", "640", "470", "click", "1"});
        return TitleBecomes("S 0", 1s);
      },
      15s))
      << Title();
}

// The process running `program` with `argument` among its words (the stand-in partners run as
// "partner_stub CLASS LOG").

}  // namespace
}  // namespace panelia::e2e
