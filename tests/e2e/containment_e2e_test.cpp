// What a malicious visitor or page can still try on the full-screen kiosk: a typed or linked
// keyword, a print or pop-up loop, a locked pointer, guessing the exit password. Each is judged
// from outside: no box or dialog that leaves, the kiosk still running and covering the screen, and
// the bar's next touch answered.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "browse/script_dialogs.h"
#include "common/password.h"
#include "common/settings.h"
#include "platform/store/password_keeper.h"
#include "platform/store/sqlite_registry.h"
#include "harness.h"
#include "suite_fixture.h"

namespace panelia::e2e {
namespace {

class ContainmentE2E : public SuiteE2E {
 protected:
  // The kiosk on the test pages' folder (an operator folder, being the home page's); `extra`
  // entries join OpenURL.ini.
  Process StartOn(const std::string& home, const std::vector<std::string>& extra = {}) {
    Process kiosk = StartWithHome(home);
    std::ofstream ini(module_ / "OpenURL.ini");
    ini << "[TargetURL]\n3=file://" << kPagesDir << "target.html\n";
    for (size_t i = 0; i < extra.size(); ++i) ini << (4 + i) << "=" << extra[i] << "\n";
    return kiosk;
  }
  int Boxes() {
    int n = 0;
    for (Window w : ClientList(display_.X()))
      if (WindowTitle(display_.X(), w) == "Panelia提示" || WindowTitle(display_.X(), w) == "退出Panelia程序") ++n;
    return n;
  }
  // Nothing opened by what came before a sentinel the test has just seen happen: no box or
  // dialog, and the kiosk runs on.
  void NothingOpened(const std::string& what, Process& kiosk) {
    EXPECT_EQ(Boxes(), 0) << what << ": a box or dialog opened\n" << env_.Log();
    EXPECT_TRUE(kiosk.Running()) << what;
  }
  void Click(int x, int y, int button = 1) {
    Xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", std::to_string(button), "mousemove", "900",
             "500"});
  }
};

// The keywords are buttons only where the operator put them: a touched link on an operator page.
TEST_F(ContainmentE2E, KeywordsOnPagesAreButtonsOnlyWhereTheOperatorPutThem) {
  PageServer pages;
  Process kiosk = StartOn("file://" + kPagesDir + "target.html",
                          {pages.Url("search.html"), "file://" + kPagesDir + "commands.html"});
  ASSERT_TRUE(TitleBecomes("E2E Target")) << env_.Log();
  WaitForBar();
  // Each touch ends where its title says: the navigation the kiosk decided on has happened, and a
  // box would have opened before it.
  const struct {
    const char* what;
    int y;
    const char* title;
  } touches[] = {
      {"a keyword in a query string", 85, "S 0"},
      {"a keyword in a form's address", 140, "无法打开此页"},
      {"a script going to a keyword", 205, "无法打开此页"},
      {"a touched command link on the operator's page", 25, "E2E Target"},  // a button: home
  };
  for (const auto& t : touches) {
    EXPECT_EQ(Send({"open-url", "5"}), 0);
    ASSERT_TRUE(TitleBecomes("CMD")) << t.what << ": " << Title();
    // Touched until it answers: the title comes before the page has its links in place.
    EXPECT_TRUE(WaitUntil(
        [&] {
          Click(300, t.y);
          return TitleBecomes(t.title, 2s);
        },
        15s))
        << t.what << ": " << Title();
    NothingOpened(t.what, kiosk);
  }

  // A web site's search form and link: typing the keyword and touching it are plain browsing.
  EXPECT_EQ(Send({"open-url", "4"}), 0);
  ASSERT_TRUE(TitleBecomes("Q")) << Title();  // the engine trims the title
  Click(200, 20);
  Xdotool({"type", "--delay", "20", "paneliashutdown"});
  Xdotool({"key", "Return"});
  EXPECT_TRUE(TitleBecomes("Q paneliashutdown")) << Title();
  NothingOpened("the typed keyword", kiosk);
  // What the site sends as a file to save is refused and said; the page stays.
  Click(200, 155);
  EXPECT_TRUE(
      WaitUntil([&] { return env_.Log().find("the site sent it as a file to save") != std::string::npos; }, 10s))
      << env_.Log();
  EXPECT_EQ(Title(), "Q paneliashutdown" + kSuffix);
  NothingOpened("a file to save", kiosk);
  Click(200, 85);
  EXPECT_TRUE(WaitUntil([&] { return Title().rfind("Q ", 0) != 0; }, 10s)) << "the link is followed: " << Title();
  NothingOpened("a web site's link", kiosk);
  Touch(kUserUrl3);
  EXPECT_TRUE(TitleBecomes("E2E Target")) << "the bar answers";
  EXPECT_EQ(env_.Log().find("leaving the kiosk"), std::string::npos) << env_.Log();
}

// A page printing in a loop gets two boxes a minute, no more; they close, and the bar answers.
TEST_F(ContainmentE2E, APrintLoopGetsAFewBoxesAndTheBarAnswers) {
  Process kiosk = StartOn("file://" + kPagesDir + "printloop.html");
  ASSERT_TRUE(WaitUntil([&] { return TitleFigure("PRINTS ") > 0; }, 15s)) << env_.Log();
  WaitForBar();
  ASSERT_TRUE(WaitUntil([&] { return Boxes() > 0; }, 10s)) << env_.Log();
  // Twenty tries of the page (six seconds), counted in its title.
  int most = 0;
  const int tries = TitleFigure("PRINTS ");
  EXPECT_TRUE(WaitUntil(
      [&] {
        most = std::max(most, Boxes());
        return TitleFigure("PRINTS ") >= tries + 20;
      },
      20s))
      << Title();
  EXPECT_LE(most, 2) << "boxes at once over twenty tries to print";
  for (int i = 0; i < most && Boxes() > 0; ++i) {
    Xdotool({"key", "Escape"});
    WaitUntil([&] { return Boxes() < most - i; }, 3s);
  }
  EXPECT_EQ(Boxes(), 0);
  // Refused from now on: ten more tries, and nothing opens.
  const int refused = TitleFigure("PRINTS ");
  EXPECT_TRUE(WaitUntil([&] { return TitleFigure("PRINTS ") >= refused + 10; }, 10s)) << Title();
  NothingOpened("after the refusal", kiosk);
  Touch(kUserUrl3);
  EXPECT_TRUE(TitleBecomes("E2E Target")) << "the bar answers";
  EXPECT_NE(env_.Log().find("a page keeps asking to print; refused"), std::string::npos) << env_.Log();
}

// Nothing a page does holds the bar: under each attack its touch leaves the page within a second or
// two. A page running away with memory is ended first, within seconds.
TEST_F(ContainmentE2E, TheBarLeavesAnyPageAtOnce) {
  const struct {
    const char* page;
    const char* attacking;  // the title the page has while it attacks
    bool touched_first;     // a page asks to stay only after a visitor has touched it
    const char* ended_first;
  } attacks[] = {
      {"printloop.html", "PRINTS ", false, nullptr},
      {"alertloop.html", "ALERTS", false, nullptr},
      {"busy.html", "BUSY", false, nullptr},
      {"hugepage.html", "HUGE", false, nullptr},
      {"stay.html", "STAY", true, nullptr},
      {"memoryhog.html", "HOG", false, "the web process ended (out of memory)"},
  };
  for (const auto& a : attacks) {
    Process kiosk = StartOn("file://" + kPagesDir + a.page);
    ASSERT_TRUE(WaitUntil([&] { return Title().rfind(a.attacking, 0) == 0; }, 15s)) << a.page << " " << Title();
    WaitForBar();
    if (a.touched_first) {
      Click(640, 300);
      ASSERT_TRUE(WaitUntil([&] { return Title().rfind("STAY touched", 0) == 0; }, 5s)) << Title();
    }
    std::this_thread::sleep_for(1500ms);  // the attack under way
    auto logged = [&](const char* what) { return env_.Log().find(what) != std::string::npos; };
    if (a.ended_first) {
      EXPECT_TRUE(WaitUntil([&] { return logged(a.ended_first); }, 10s)) << a.page << "\n" << env_.Log();
    }
    auto start = std::chrono::steady_clock::now();
    Touch(kUserUrl3);
    EXPECT_TRUE(TitleBecomes("E2E Target", 10s)) << a.page << ": " << Title();
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::printf("%s: the bar's touch answered in %lld ms\n", a.page, static_cast<long long>(took.count()));
    EXPECT_LT(took, 3s) << a.page;
    EXPECT_TRUE(WaitUntil([&] { return Boxes() == 0; }, 6s)) << a.page << ": the page's boxes close by themselves";
    EXPECT_TRUE(kiosk.Running()) << a.page;
  }
}

// A page opening itself in new windows reloads a few times, then stays; the bar's touch is answered
// at once.
TEST_F(ContainmentE2E, AWindowOpenLoopStopsAndTheBarAnswers) {
  Process kiosk = StartOn("file://" + kPagesDir + "openloop.html");
  ASSERT_TRUE(WaitUntil([&] { return Title().rfind("O ", 0) == 0; }, 15s)) << env_.Log();
  WaitForBar();
  // The page counts its loads and its tries since the last one in its title: twenty refused tries
  // (two seconds) in one load, and it has stopped reloading.
  EXPECT_TRUE(WaitUntil([&] { return TitleFigure(" t") >= 20; }, 20s)) << Title();
  std::string title = Title();
  int loads = TitleFigure("O ");
  EXPECT_GE(loads, 1) << title;
  EXPECT_LE(loads, 1 + RequestGate::kPopUps.most_in_window) << title;
  EXPECT_EQ(ClientList(display_.X()).size(), 1u) << "no window of its own";
  auto start = std::chrono::steady_clock::now();
  Touch(kUserUrl3);
  EXPECT_TRUE(TitleBecomes("E2E Target"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_NE(env_.Log().find("a page keeps opening windows by itself"), std::string::npos) << env_.Log();
}

// A right touch on a page shows the kiosk's own menu (never the engine's, with "Open Link in New
// Window"); its last item leaves only with the exit password.
TEST_F(ContainmentE2E, ThePagesMenuIsTheKiosksOwn) {
  Process kiosk = StartOn("file://" + kPagesDir + "target.html");
  ASSERT_TRUE(TitleBecomes("E2E Target")) << env_.Log();
  WaitForBar();
  const size_t before = PopUps(display_.X());
  Xdotool({"mousemove", "640", "400", "click", "3"});
  ASSERT_TRUE(WaitUntil([&] { return PopUps(display_.X()) > before; }, 10s)) << "the menu";
  Xdotool({"key", "Up", "Return"});  // the last item, 退出
  EXPECT_TRUE(WaitUntil([&] { return WindowTitled("退出Panelia程序"); }, 10s));
  Xdotool({"key", "Escape"});
  EXPECT_TRUE(WaitUntil([&] { return !WindowTitled("退出Panelia程序"); }, 5s));
  EXPECT_TRUE(kiosk.Running());
  Touch(kUserUrl3);
  EXPECT_TRUE(TitleBecomes("E2E Target"));
}

// The pointer is never locked: the page hears the refusal, and the bar answers the next touch.
TEST_F(ContainmentE2E, PointerLockIsRefused) {
  Process kiosk = StartOn("file://" + kPagesDir + "pointerlock.html");
  ASSERT_TRUE(TitleBecomes("P")) << env_.Log();
  WaitForBar();
  Click(640, 300);
  EXPECT_TRUE(TitleBecomes("P refused")) << Title();
  Touch(kUserUrl3);
  EXPECT_TRUE(TitleBecomes("E2E Target"));
  EXPECT_NE(env_.Log().find("a page asked to lock the pointer; refused"), std::string::npos) << env_.Log();
}

// The installed kiosk's questions to the password keeper (the program it runs, with the folder a
// test may name): nothing kept, then a password taken from the settings, right, wrong, and the wait
// after five wrong ones.
TEST(PasswordKeeperTest, AnswersTheKiosksQuestions) {
  std::string pattern = (std::filesystem::temp_directory_path() / "panelia-keeper-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const std::filesystem::path dir = pattern;
  setenv("PANELIA_PASSWORD_KEEPER", (kBinDir + "panelia-password").c_str(), 1);
  setenv("PANELIA_PASSWORD_DIR", (dir / "exit").c_str(), 1);
  setenv("PANELIA_REGISTRY_DIR", (dir / "reg").c_str(), 1);
  KeeperChecker keeper;
  using V = PasswordChecker::Verdict;
  EXPECT_EQ(keeper.Check("x").verdict, V::Unreadable) << "nothing kept";
  std::filesystem::create_directories(dir / "exit");
  SqliteRegistry store(RegistryFilesFromEnvironment());
  ASSERT_TRUE(store.Apply({{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General), "Password",
                            RegValue::Text("Kiosk88")}}));
  LetKeeperAdoptPassword();
  EXPECT_EQ(SettingsReader(store).Text(setting::Password), kPasswordKeptApart);
  EXPECT_FALSE(IsDemoPasswordInUse(std::string(kPasswordKeptApart)));
  EXPECT_EQ(keeper.Check(" KIOSK88 ").verdict, V::Right);
  for (int i = 1; i < PasswordBackoff::kFreeTries; ++i) EXPECT_EQ(keeper.Check("kiosk89").verdict, V::Wrong) << i;
  PasswordChecker::Answer waits = keeper.Check("kiosk89");
  EXPECT_EQ(waits.verdict, V::Wait);
  EXPECT_EQ(waits.wait_seconds, 30);
  EXPECT_EQ(keeper.Check("kiosk88").verdict, V::Wait) << "the right one waits too";
  for (const char* name : {"PANELIA_PASSWORD_KEEPER", "PANELIA_PASSWORD_DIR", "PANELIA_REGISTRY_DIR"}) unsetenv(name);
  std::filesystem::remove_all(dir);
}

// Guessing the exit password: five wrong entries, then every try waits, the right one too, and the
// log counts them.
TEST_F(ContainmentE2E, GuessingTheExitPasswordIsSlowedDown) {
  Process kiosk = StartOn("file://" + kPagesDir + "target.html");
  ASSERT_TRUE(TitleBecomes("E2E Target")) << env_.Log();
  WaitForBar();
  Touch(kExit);
  ASSERT_TRUE(Focused("退出Panelia程序"));
  auto enter = [&](const std::string& text) {
    Xdotool({"key", "ctrl+a", "BackSpace"});
    Xdotool({"type", "--delay", "20", text});
    Xdotool({"key", "Return"});
    EXPECT_TRUE(WaitUntil([&] { return WindowTitled("Panelia提示"); }, 10s)) << text;
    Xdotool({"key", "Return"});
    EXPECT_TRUE(WaitUntil([&] { return !WindowTitled("Panelia提示"); }, 5s)) << text;
  };
  for (int i = 0; i < 5; ++i) enter("888" + std::to_string(i));
  EXPECT_NE(env_.Log().find("a wrong exit password (5 in a row); the next try waits 30 s"), std::string::npos)
      << env_.Log();
  enter("Secret");  // the right one, too soon: it waits as well
  EXPECT_TRUE(kiosk.Running());
  EXPECT_EQ(env_.Log().find("leaving the kiosk"), std::string::npos);
  Xdotool({"key", "Escape"});
  EXPECT_TRUE(WaitUntil([&] { return !WindowTitled("退出Panelia程序"); }, 5s));
  Touch(kUserUrl3);
  EXPECT_TRUE(TitleBecomes("E2E Target"));
}

}  // namespace
}  // namespace panelia::e2e
