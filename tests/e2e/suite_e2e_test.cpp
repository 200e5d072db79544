// The suite as its partners and a visitor see it: the bar's buttons, messages from outside
// programs, the page lists, smooth scrolling, the music latch, and leaving through the exit password.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>

#include <signal.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
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

TEST_F(SuiteE2E, BarButtonsActOnThePageAndOrdinaryLinksDoNothing) {
  MakeModule();
  Seed(false);
  Process kiosk = Start();
  ASSERT_TRUE(TitleBecomes("S 0")) << Title() << env_.Log();
  WaitForBar();
  Touch(kScrollDown);  // written in mixed case: the bar lower-cases
  EXPECT_TRUE(TitleBecomes("S 200")) << Title();
  Touch(kUserUrl3);
  EXPECT_TRUE(TitleBecomes("E2E Target")) << Title();
  Touch(kHome);
  EXPECT_TRUE(TitleBecomes("S 0")) << Title();
  Touch(kOrdinarySite);
  Touch(kScrollDown);  // the next button acts on this very page: the ordinary link went nowhere
  EXPECT_TRUE(TitleBecomes("S 200")) << "an ordinary link in the bar goes nowhere: " << Title();
  EXPECT_EQ(ClientList(display_.X()).size(), 1u);
  // The quit button of a full-screen kiosk asks for the exit password first; its question comes
  // only after it, and No keeps the kiosk.
  Touch(kShutdown);
  ASSERT_TRUE(Focused("退出Panelia程序"));
  EXPECT_FALSE(WindowTitled("Panelia提示"));
  Xdotool({"type", "--delay", "30", "Secret"});
  Xdotool({"key", "Return"});
  ASSERT_TRUE(WaitUntil([&] { return WindowTitled("Panelia提示"); }, 10s));
  Xdotool({"key", "Escape"});
  EXPECT_TRUE(WaitUntil([&] { return !WindowTitled("Panelia提示"); }, 5s));
  EXPECT_TRUE(kiosk.Running());
}

TEST_F(SuiteE2E, OutsideProgramsOpenPagesAndTwoAllowedPagesPlayOnce) {
  MakeModule();
  Seed(true);
  Process kiosk = Start();
  ASSERT_TRUE(TitleBecomes("S 0")) << env_.Log();
  ASSERT_TRUE(WaitUntil([&] { return !FindWindowsByClass(display_.X(), "SonavelleClass4.0").empty(); }, 10s))
      << "Panelia starts the player";
  EXPECT_EQ(Send({"open-url", "3"}), 0);
  EXPECT_TRUE(TitleBecomes("E2E Target"));
  EXPECT_EQ(Send({"open-url", "77"}), 0);  // not listed: the home page
  EXPECT_TRUE(TitleBecomes("S 0"));
  // A request of our own to the player after the kiosk's: once the player has logged it, it has
  // logged everything the kiosk sent before.
  EXPECT_EQ(Send({"music-play"}), 0);
  auto plays = [&] {
    auto lines = LogLines();
    return std::count(lines.begin(), lines.end(), "MUSIC-PLAY 0");
  };
  EXPECT_TRUE(WaitUntil([&] { return plays() >= 2; }, 10s));
  EXPECT_EQ(plays(), 2) << "the kiosk asked once, and so did we";
  {
    // Strangers on the display: a message Panelia does not know, and one whose reply window is no
    // window at all. Neither disturbs the kiosk.
    Display* x = display_.X();
    Window kiosk_window = FindWindowsByClass(x, kClass).at(0);
    for (auto [type, reply_to] :
         {std::pair<const char*, long>{"SOMETHING-ELSE", 0},
          std::pair<const char*, long>{"OPEN-URL-CC667211-7CE9-40c5-809A-1DA48E4014C4", 0x7ffffff}}) {
      XEvent e{};
      e.xclient.type = ClientMessage;
      e.xclient.window = kiosk_window;
      e.xclient.message_type = XInternAtom(x, type, False);
      e.xclient.format = 32;
      e.xclient.data.l[0] = 3;
      e.xclient.data.l[2] = reply_to;
      XSendEvent(x, kiosk_window, False, NoEventMask, &e);
    }
    XFlush(x);
  }
  EXPECT_EQ(Send({"open-url", "77"}), 0) << "still answering";
  EXPECT_EQ(Send({"input-method", "-1"}), 0);
  EXPECT_EQ(Send({"close", "NoSuchClass"}), 2);
  EXPECT_EQ(Send({"open-url", "x"}), 1);
  EXPECT_TRUE(kiosk.Running());
}

// A stopped player costs the kiosk nothing: the requests are posted, and nobody waits for an answer.
TEST_F(SuiteE2E, AStuckPlayerCostsNothing) {
  MakeModule(/*hung_player=*/true);
  // Silence there. Entries are compared with the lower-cased address: written in lower case, as an
  // operator must, whatever the checkout's path holds.
  std::ofstream(module_ / "stop.dat") << AsciiLower("file://" + kPagesDir + "target.html") << "\n";
  Seed(true);
  Process kiosk = Start();
  ASSERT_TRUE(TitleBecomes("S 0")) << env_.Log();
  ASSERT_TRUE(WaitUntil([&] { return !FindWindowsByClass(display_.X(), "SonavelleClass4.0").empty(); }, 10s));
  EXPECT_EQ(Send({"music-play"}), 3) << "the stand-in never answers";
  ASSERT_TRUE(WaitUntil([&] { return Send({"input-method", "0"}) == 0; }, 15s));

  // Pages of the stop list and back: each navigation's request goes out, and the kiosk answers a
  // message sent meanwhile at once.
  for (int round = 0; round < 3; ++round) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Send({"open-url", "3"}), 0);
    EXPECT_TRUE(TitleBecomes("E2E Target"));
    EXPECT_EQ(Send({"open-url", "77"}), 0);
    EXPECT_TRUE(TitleBecomes("S 0"));
    EXPECT_EQ(Send({"input-method", "0"}), 0);
    auto blocked = std::chrono::steady_clock::now() - start;
    EXPECT_LT(blocked, 3s) << "round " << round;
  }
  auto lines = LogLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "MUSIC-STOP 0"), 3) << ::testing::PrintToString(lines);
}

TEST_F(SuiteE2E, ExitPasswordClosesKeyboardPlayerAndKioskInOrder) {
  MakeModule();
  Seed(true);
  Process kiosk = Start();
  ASSERT_TRUE(TitleBecomes("S 0")) << env_.Log();
  WaitForBar();
  Touch(kKeyboard);
  ASSERT_TRUE(WaitUntil([&] { return !FindWindowsByClass(display_.X(), "GlyphdeckClass4.0").empty(); }, 10s));
  ASSERT_TRUE(WaitUntil([&] { return !FindWindowsByClass(display_.X(), "SonavelleClass4.0").empty(); }, 10s));

  Touch(kExit);
  ASSERT_TRUE(Focused("退出Panelia程序"));
  Xdotool({"type", "--delay", "30", "wrong"});
  Xdotool({"key", "Return"});
  ASSERT_TRUE(WaitUntil([&] { return WindowTitled("Panelia提示"); }, 10s)) << "the wrong-password box";
  Xdotool({"key", "Return"});
  EXPECT_TRUE(WaitUntil([&] { return !WindowTitled("Panelia提示"); }, 5s));
  EXPECT_TRUE(kiosk.Running());
  auto before = LogLines();
  EXPECT_EQ(std::count(before.begin(), before.end(), "close GlyphdeckClass4.0"), 0);

  // The typed text stays after a wrong password: clear it, then the right one (case and spaces do not count).
  Xdotool({"key", "ctrl+a", "BackSpace"});
  Xdotool({"type", "--delay", "30", " secret "});
  Xdotool({"key", "Return"});
  EXPECT_EQ(kiosk.Wait(20s), 0) << env_.Log();
  auto lines = LogLines();
  auto at = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line) - lines.begin(); };
  ASSERT_LT(at("close GlyphdeckClass4.0"), static_cast<long>(lines.size())) << ::testing::PrintToString(lines);
  ASSERT_LT(at("close SonavelleClass4.0"), static_cast<long>(lines.size())) << ::testing::PrintToString(lines);
  EXPECT_LT(at("close GlyphdeckClass4.0"), at("close SonavelleClass4.0"));
  EXPECT_NE(env_.Log().find("panelia: leaving the kiosk: the exit password was given (an exit link)"),
            std::string::npos)
      << env_.Log();
}

TEST_F(SuiteE2E, PageListsSteerEachNavigation) {
  MakeModule();
  Seed(true);
  auto dword = [](Section s, const char* name, uint32_t v) {
    return RegChange{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(s), name, RegValue::Dword(v)};
  };
  ASSERT_TRUE(env_.Store().Apply({dword(Section::Navigator, "IsNavigator", 0), dword(Section::Address, "IsLimit", 1),
                                  dword(Section::Address, "ForbitMethod", 0)}));
  auto list = [&](const char* name, const std::string& text) {
    std::ofstream(module_ / name, std::ios::trunc) << text;
  };
  list("limit.dat", "target.html\n");
  list("Show.dat", "scroll.html\n");
  list("stop.dat", AsciiLower("file://" + kPagesDir + "target.html") + "\n");  // lower case, as compared
  Process kiosk = Start();
  ASSERT_TRUE(TitleBecomes("S 0")) << env_.Log();
  WaitForBar();  // the home page is in Show.dat
  // The player started once the home page was there, and was told to play.
  ASSERT_TRUE(WaitUntil(
      [&] {
        auto lines = LogLines();
        return std::find(lines.begin(), lines.end(), "MUSIC-PLAY 0") != lines.end();
      },
      10s));

  EXPECT_EQ(Send({"open-url", "3"}), 0);
  // The check has run once the bar follows the refused address (it is not in Show.dat), and the
  // refusal came in the same check.
  EXPECT_TRUE(WaitUntil([&] { return PixelAt(display_.X(), 50, 760) != 0xdddddd; }, 5s)) << "the check ran";
  EXPECT_EQ(Title(), "S 0" + kSuffix) << "limit.dat keeps the target away";
  list("limit.dat", "games\n");  // the edit counts at the next navigation
  EXPECT_EQ(Send({"open-url", "3"}), 0);
  EXPECT_TRUE(TitleBecomes("E2E Target"));
  EXPECT_TRUE(WaitUntil([&] { return PixelAt(display_.X(), 50, 760) != 0xdddddd; }, 5s)) << "no bar off the list";
  EXPECT_EQ(Send({"open-url", "77"}), 0);  // home
  EXPECT_TRUE(TitleBecomes("S 0"));
  WaitForBar();

  // The music stops on the page of stop.dat and plays again at home.
  auto lines = LogLines();
  auto stop = std::find(lines.begin(), lines.end(), "MUSIC-STOP 0");
  ASSERT_NE(stop, lines.end()) << ::testing::PrintToString(lines);
  EXPECT_NE(std::find(stop, lines.end(), "MUSIC-PLAY 0"), lines.end()) << ::testing::PrintToString(lines);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "MUSIC-STOP 0"), 1);
}

TEST_F(SuiteE2E, SmoothScrollStopsAtATouchAndFormsStayInTheKiosk) {
  MakeModule();
  Seed(false);
  auto dword = [](Section s, const char* name, uint32_t v) {
    return RegChange{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(s), name, RegValue::Dword(v)};
  };
  ASSERT_TRUE(env_.Store().Apply({dword(Section::Style, "ScrollMode", 1),
                                  dword(Section::Advance, "IsFormTarget", 1),
                                  {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General),
                                   "SoftHomeUrl", RegValue::Text("file://" + kPagesDir + "scroll.html?ticks")}}));
  Process kiosk = Start();
  ASSERT_TRUE(WaitUntil([&] { return TitleFigure("S ") == 0; }, 15s)) << env_.Log();
  WaitForBar();
  Touch(kScrollDown);
  ASSERT_TRUE(WaitUntil([&] { return TitleFigure("S ") > 0; }, 5s)) << "the page glides";
  Xdotool({"mousemove", "640", "300", "click", "1"});  // a touch on the page
  // A step already on its way may still land; then ten of the page's reports (a second) in one place.
  ASSERT_TRUE(PageReports(3)) << Title();
  const int stopped = TitleFigure("S ");
  ASSERT_TRUE(PageReports(10)) << Title();
  EXPECT_EQ(TitleFigure("S "), stopped) << "and stops at a touch";

  // A form that would submit into a new window submits into the kiosk's own.
  std::ofstream(module_ / "OpenURL.ini", std::ios::trunc) << "[TargetURL]\n5=file://" << kPagesDir << "form.html\n";
  EXPECT_EQ(Send({"open-url", "5"}), 0);
  EXPECT_TRUE(TitleBecomes("F _self")) << Title();
}

TEST_F(SuiteE2E, AllowListKeepsEveryOtherPageAway) {
  MakeModule();
  Seed(false);
  auto dword = [](Section s, const char* name, uint32_t v) {
    return RegChange{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(s), name, RegValue::Dword(v)};
  };
  ASSERT_TRUE(env_.Store().Apply({dword(Section::Address, "IsLimit", 1), dword(Section::Address, "ForbitMethod", 1)}));
  // The engine starts on the home page before the lists are read: a home page they refuse must
  // still never show.
  std::ofstream(module_ / "limit.dat") << "target.html\n";
  Process kiosk = Start();
  WaitForBar();
  EXPECT_FALSE(TitleBecomes("S 0", 2s)) << "a refused home page showed";
  std::ofstream(module_ / "limit.dat", std::ios::trunc) << "scroll.html\n";
  Touch(kHome);
  ASSERT_TRUE(TitleBecomes("S 0")) << env_.Log();
  Touch(kUserUrl3);    // the bar's link to the target page
  Touch(kScrollDown);  // acts on the page the kiosk is on
  EXPECT_TRUE(TitleBecomes("S 200")) << "only the listed page may open: " << Title();
  std::ofstream(module_ / "limit.dat", std::ios::trunc) << "scroll.html\ntarget.html\n";
  Touch(kUserUrl3);
  EXPECT_TRUE(TitleBecomes("E2E Target")) << Title();
}

TEST_F(SuiteE2E, SmoothScrollGlidesToTheBottomAndEndsThere) {
  MakeModule();
  Seed(false);
  auto dword = [](Section s, const char* name, uint32_t v) {
    return RegChange{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(s), name, RegValue::Dword(v)};
  };
  ASSERT_TRUE(env_.Store().Apply({dword(Section::Style, "ScrollMode", 1),
                                  {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General),
                                   "SoftHomeUrl", RegValue::Text("file://" + kPagesDir + "short.html")}}));
  Process kiosk = Start();
  ASSERT_TRUE(WaitUntil([&] { return TitleFigure("S ") == 0; }, 15s)) << env_.Log();
  WaitForBar();
  Touch(kScrollDown);
  // 2 pixels every 30 ms: a page about 180 pixels longer than its window is done in about 3 s.
  ASSERT_TRUE(WaitUntil([&] { return Title().find(" end") != std::string::npos; }, 15s)) << Title();
  const int at_end = TitleFigure("S ");
  ASSERT_TRUE(PageReports(5)) << Title();
  EXPECT_EQ(TitleFigure("S "), at_end) << "the run ends at the bottom";
  EXPECT_NE(Title().find(" end"), std::string::npos) << Title();
}

// The real player beside the real kiosk: started minimised, its music follows the pages (silence on
// the stop list's page) and it goes when the kiosk goes.
TEST_F(SuiteE2E, MusicFollowsThePagesAndEndsWithTheKiosk) {
  MakeModule(false, /*real_player=*/true);
  fs::path music = env_.Root() / "music";
  fs::create_directories(music);
  ASSERT_TRUE(WriteTone((music / "a.mp3").string(), 1, 440));
  ASSERT_TRUE(WriteTone((music / "b.mp3").string(), 1, 550));
  // The bar's third link goes to a page of the stop list that counts its reports in its title.
  const std::string quiet = "file://" + kPagesDir + "target.html?ticks";
  std::ofstream(module_ / "stop.dat") << AsciiLower(quiet) << "\n";
  std::ofstream(module_ / "OpenURL.ini", std::ios::trunc) << "[TargetURL]\n3=" << quiet << "\n";
  Seed(true);
  ASSERT_TRUE(env_.Store().Apply(
      {{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Music), "MusicPath",
        RegValue::Text(music.string())},
       {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Music), "PlayMode", RegValue::Dword(0)}}));
  Process kiosk = Start();
  ASSERT_TRUE(TitleBecomes("S 0")) << env_.Log();
  std::vector<Window> players;
  ASSERT_TRUE(
      WaitUntil([&] { return !(players = FindWindowsByClass(display_.X(), "SonavelleClass4.0")).empty(); }, 10s));
  Atom wm_state = XInternAtom(display_.X(), "WM_STATE", False);
  EXPECT_TRUE(WaitUntil(
      [&] {
        auto state = PropertyItems(display_.X(), players[0], "WM_STATE", wm_state);
        return !state.empty() && state[0] == 3;  // IconicState
      },
      5s))
      << "started minimised";
  auto songs = [&] {
    std::string log = env_.Log();
    size_t count = 0;
    for (size_t at = 0; (at = log.find("sonavelle: " + music.string() + "/", at)) != std::string::npos; ++at) ++count;
    return count;
  };
  EXPECT_TRUE(WaitUntil([&] { return songs() >= 2; }, 10s)) << "the home page plays song after song\n" << env_.Log();
  WaitForBar();
  Touch(kUserUrl3);
  ASSERT_TRUE(WaitUntil([&] { return TitleFigure("E2E Target t") > 0; }, 15s)) << Title();
  // The kiosk's status, written at the page's change, names the song the player played.
  auto status = [&] {
    std::ifstream in(env_.Root() / "runtime" / "panelia" / "status.json");
    return std::string((std::istreambuf_iterator<char>(in)), {});
  };
  EXPECT_TRUE(WaitUntil(
      [&] {
        return status().find("\"player_status\": \"" + music.string() + "/") != std::string::npos &&
               status().find("\"player_running\": true") != std::string::npos;
      },
      5s))
      << status();
  size_t before = songs();
  // Twenty-five of the page's reports: two and a half seconds there, over two songs' length.
  ASSERT_TRUE(PageReports(25)) << Title();
  EXPECT_EQ(songs(), before) << "silence on a page of the stop list\n" << env_.Log();
  Touch(kHome);
  ASSERT_TRUE(TitleBecomes("S 0"));
  EXPECT_TRUE(WaitUntil([&] { return songs() > before; }, 5s)) << "music again at home";
  // Ended from outside, as a session's logout or an operator's kill ends it: the player goes too,
  // and the status still says the kiosk did not end by itself (the session starts it again).
  kill(kiosk.pid(), SIGTERM);
  EXPECT_EQ(kiosk.Wait(15s), 128 + SIGTERM) << env_.Log();
  EXPECT_TRUE(WaitUntil([&] { return FindWindowsByClass(display_.X(), "SonavelleClass4.0").empty(); }, 10s))
      << "the player goes with the kiosk";
}

// The real on-screen keyboard over the real full-screen kiosk, on a page whose input shows its
// value in the title ("V:...").

}  // namespace
}  // namespace panelia::e2e
