#include <gtest/gtest.h>

#include "browse/page_commands.h"
#include "browse/view.h"
#include "common/settings.h"
#include "fakes.h"
#include "temp_dir.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <optional>

namespace panelia {
namespace {

using test::CallLog;
using test::FakeBrowser;
using test::FakeTimers;
using test::MemoryRegistry;
using test::RecordingHost;
using Calls = std::vector<std::string>;

class RecordingPartners : public ViewPartners {
 public:
  explicit RecordingPartners(CallLog& log) : log_(log) {}
  bool DispatchCommandLink(const std::string& url) override {
    log_.Add("command " + url);
    return url.find("paneliagohome") != std::string::npos;
  }
  void StartBackgroundMusic(bool is_music) override { log_.Add(is_music ? "start-music" : "start-music off"); }
  void ShowKeyboard(bool activate, int32_t board_type) override {
    log_.Add(std::string(activate ? "keyboard activate" : "keyboard") + " type " + std::to_string(board_type));
  }
  void CloseKeyboard() override { log_.Add("close-keyboard"); }
  void KeepFieldVisible(const ScreenRect& field, int scroll_room, std::function<void(int)> scroll_page) override {
    log_.Add("keep " + std::to_string(field.y) + "+" + std::to_string(field.h) + " room " +
             std::to_string(scroll_room));
    if (scroll_page) scroll_page(scroll_room);
  }
  void RequestMusicOn() override { log_.Add("music-on"); }
  void RequestMusicOff() override { log_.Add("music-off"); }
  void RequestExit() override { log_.Add("exit"); }
  void CloseCompanions() override { log_.Add("close-companions"); }
  void MarkBarRedirect() override { log_.Add("bar-redirect"); }
  bool StartReader() override {
    log_.Add(reader_installed ? "reader-start" : "reader-missing");
    return reader_installed;
  }
  void StopReader() override { log_.Add("reader-stop"); }
  bool reader_installed = true;

 private:
  CallLog& log_;
};

class ViewTest : public ::testing::Test {
 protected:
  ViewTest() : browser_(log_), timers_(log_), host_(log_), partners_(log_), page_(log_), files_(log_), lists_(files_) {
    Set(Section::General, "SoftHomeUrl", RegValue::Text("file:///srv/kiosk/index.html"));
  }
  void Set(Section section, std::string_view name, RegValue value) {
    store_.Put(Hive::LocalMachine, SectionPath(section), name, std::move(value));
  }
  CPaneliaView& View() {
    if (!view_)
      view_ = std::make_unique<CPaneliaView>(store_, browser_, timers_, host_, partners_, page_, lists_,
                                             "file:///forum", "file:///site");
    return *view_;
  }

  CallLog log_;
  MemoryRegistry store_;
  FakeBrowser browser_;
  FakeTimers timers_;
  RecordingHost host_;
  RecordingPartners partners_;
  test::RecordingPage page_;
  test::FakeLists files_;
  CPageLists lists_;
  std::unique_ptr<CPaneliaView> view_;
};

TEST_F(ViewTest, ReadsItsSettingsOnceInTheFixedOrder) {
  View();
  const std::string root = SectionPath(Section::Root), general = SectionPath(Section::General),
                    advance = SectionPath(Section::Advance), navigator = SectionPath(Section::Navigator),
                    music = SectionPath(Section::Music), address = SectionPath(Section::Address),
                    loop = SectionPath(Section::Loop);
  EXPECT_EQ(store_.reads,
            (Calls{root + "|DefFontSize", general + "|IsPaneliaHome", general + "|SoftHomeUrl",
                   general + "|CommandSites", advance + "|WaitTime", advance + "|IsAutoHome", navigator + "|BoardType",
                   navigator + "|BoardMode", navigator + "|BoardAutoHide", music + "|IsMusic", address + "|IsLimit",
                   address + "|ForbitMethod", loop + "|IsLoop", loop + "|LoopMode", loop + "|IntervalTime",
                   advance + "|IsClearSession", advance + "|WarnTime"}));
}

TEST_F(ViewTest, HomeIsSoftHomeUrlOrTheBrowsersOwn) {
  struct Case {
    std::optional<uint32_t> is_panelia_home;
    const char* expected;
  } cases[] = {
      {std::nullopt, "navigate file:///srv/kiosk/index.html"},
      {0, "navigate file:///srv/kiosk/index.html"},
      {1, "go-home"},
      {0xFFFFFFFF, "go-home"},
  };
  for (const auto& c : cases) {
    if (c.is_panelia_home) Set(Section::General, "IsPaneliaHome", RegValue::Dword(*c.is_panelia_home));
    view_.reset();
    log_.Clear();
    View().OnInitialUpdate();
    bool cancel = false;
    View().OnWindowClosing(cancel);  // every later return home makes the same choice
    EXPECT_TRUE(cancel);
    EXPECT_EQ(log_.Calls(), (Calls{c.expected, c.expected}));
  }
}

TEST_F(ViewTest, TheSchedulesHomePageUnlessTheListsRefuseIt) {
  Set(Section::General, "IsPaneliaHome", RegValue::Dword(1));
  Set(Section::Address, "IsLimit", RegValue::Dword(1));
  files_.files["limit.dat"] = ParsePageList("blocked.example\n");
  const struct {
    std::optional<std::string> scheduled;
    bool taken;
    const char* home;
  } cases[] = {
      {"https://museum.example/lunch", true, "navigate https://museum.example/lunch"},
      {"https://blocked.example/", false, "navigate https://museum.example/lunch"},  // reported, not used
      {std::nullopt, true, "go-home"},                                               // the operator's own again
  };
  View().OnInitialUpdate();
  for (const auto& c : cases) {
    EXPECT_EQ(View().SetScheduledHome(c.scheduled), c.taken) << c.home;
    log_.Clear();
    View().NavigateHome();
    EXPECT_EQ(log_.Calls(), Calls{c.home});
  }
}

TEST_F(ViewTest, NavigationCheckRunsEveryStepInOrder) {
  Set(Section::Address, "IsLimit", RegValue::Dword(1));
  files_.files["limit.dat"] = {"blocked"};
  const NavigationOrigin kiosk{false, "", true};
  struct Case {
    const char* what;
    bool navigator_fixed;
    PageList show_list;
    const char* url;
    bool cancel;
    Calls calls;
  } cases[] = {
      {"ordinary page, bar follows the show list",
       false,
       {"example.com"},
       "HTTP://Example.COM/A",
       false,
       {"read limit.dat", "read Show.dat", "bar-show", "command HTTP://Example.COM/A"}},
      {"blocked page still updates the bar",
       false,
       {},
       "http://blocked/",
       true,
       {"read limit.dat", "read Show.dat", "bar-hide", "command http://blocked/"}},
      {"fixed bar skips the show list", true, {}, "http://x/", false, {"read limit.dat", "command http://x/"}},
      {"lower-case command link is cancelled",
       true,
       {},
       "about:paneliagohome",
       true,
       {"read limit.dat", "command about:paneliagohome"}},
      {"upper-case command link is only an address",
       true,
       {},
       "about:PaneliaGoHome",
       false,
       {"read limit.dat", "command about:PaneliaGoHome"}},
      {"only the path counts",
       true,
       {},
       "file:///srv/kiosk/a.htm?q=paneliagohome#paneliagohome",
       false,
       {"read limit.dat", "command file:///srv/kiosk/a.htm"}},
  };
  for (const auto& c : cases) {
    host_.navigator_fixed = c.navigator_fixed;
    files_.files["Show.dat"] = c.show_list;
    log_.Clear();
    bool cancel = false;
    View().OnBeforeNavigate2(c.url, cancel, kiosk);
    EXPECT_EQ(cancel, c.cancel) << c.what;
    EXPECT_EQ(log_.Calls(), c.calls) << c.what;
  }
}

// A keyword typed into a search form, or on any web site, must not end or steer the kiosk: command
// links run only for a visitor's touch on an operator's page (the kiosk or program folder, or the
// operator's sites, by default the home page's), and only as the address's path says.
TEST_F(ViewTest, CommandLinksRunOnlyWhereTheOperatorPutThem) {
  host_.navigator_fixed = true;
  struct Case {
    const char* what;
    const char* sites;  // the CommandSites setting
    NavigationOrigin origin;
    const char* url;
    bool runs;
  } cases[] = {
      {"touched on a kiosk page", "", {true, "file:///srv/kiosk/index.html"}, "file:///srv/kiosk/paneliagohome", true},
      {"touched on a program folder page",
       "",
       {true, "file:///opt/panelia/help/a.html"},
       "file:///x/paneliagohome",
       true},
      {"a form sent from a kiosk page",
       "",
       {false, "file:///srv/kiosk/index.html"},
       "file:///srv/kiosk/paneliagohome",
       false},
      {"a search form's query",
       "",
       {false, "https://search.example/"},
       "https://search.example/?q=paneliagohome",
       false},
      {"a web site's link", "", {true, "https://evil.example/"}, "https://evil.example/paneliagohome", false},
      {"a link with the keyword in its query",
       "",
       {true, "file:///srv/kiosk/index.html"},
       "file:///srv/kiosk/a.htm?paneliagohome",
       false},
      {"a folder beside the kiosk's",
       "",
       {true, "file:///srv/kiosk2/index.html"},
       "file:///srv/kiosk2/paneliagohome",
       false},
      {"out of the kiosk folder by ..", "", {true, "file:///srv/kiosk/../x/a.html"}, "file:///x/paneliagohome", false},
      {"escaped steps out of the kiosk folder",
       "",
       {true, "file:///srv/kiosk/%2e%2e/x/a.html"},
       "file:///x/paneliagohome",
       false},
      {"the operator's web server",
       "http://kiosk.example/pages",
       {true, "http://KIOSK.example/pages/menu.html"},
       "http://kiosk.example/pages/paneliagohome",
       true},
      {"a host that merely begins like it",
       "http://kiosk.example",
       {true, "http://kiosk.example.evil/"},
       "http://kiosk.example.evil/paneliagohome",
       false},
      {"an operator site set: the home folder is no longer one",
       "http://kiosk.example/",
       {true, "file:///srv/other/a.html"},
       "file:///srv/other/paneliagohome",
       false},
      {"the kiosk's own load", "", {false, "https://evil.example/", true}, "about:paneliagohome", true},
  };
  for (const auto& c : cases) {
    Set(Section::General, "CommandSites", RegValue::Text(c.sites));
    view_.reset();
    log_.Clear();
    bool cancel = false;
    View().OnBeforeNavigate2(c.url, cancel, c.origin);
    EXPECT_EQ(cancel, c.runs) << c.what;
  }
}

TEST(CommandLinkRules, SitesOfAddressesAndTheOperatorsList) {
  const struct {
    const char* address;
    const char* site;
  } sites[] = {
      {"http://Kiosk.Example:8080/a/b.html?x#y", "http://kiosk.example:8080/"},
      {"https://kiosk.example", "https://kiosk.example/"},
      {"file:///srv/kiosk/index.html", "file:///srv/kiosk/"},
      {"/srv/kiosk/index.html", "file:///srv/kiosk/"},
      {"kiosk.example/menu", "http://kiosk.example/"},
      {"http://user@evil.example/", ""},
      {"about:blank", ""},
      {"", ""},
  };
  for (const auto& s : sites) EXPECT_EQ(SiteOf(s.address), s.site) << s.address;
  EXPECT_EQ(OperatorSites(" http://a.example/ ;; https://b.example/x ; ", "file:///srv/kiosk/index.html"),
            (std::vector<std::string>{"http://a.example/", "https://b.example/x"}));
  EXPECT_EQ(OperatorSites("", "http://kiosk.example/index.html"), (std::vector<std::string>{"http://kiosk.example/"}));
  EXPECT_EQ(OperatorSites("  ", "about:blank"), (std::vector<std::string>{}));
}

TEST_F(ViewTest, TitleCarriesTheProductSuffix) {
  View().OnTitleChange("城市地图");
  View().OnTitleChange("");
  EXPECT_EQ(log_.Calls(), (Calls{"title 城市地图 - Panelia触摸屏浏览器", "title  - Panelia触摸屏浏览器"}));
}

TEST_F(ViewTest, PopUpsOpenInTheMainView) {
  bool cancel = false;
  View().OnNewWindow3("file:///srv/kiosk/popup.html", cancel);
  EXPECT_TRUE(cancel);
  EXPECT_EQ(log_.Calls(), (Calls{"navigate file:///srv/kiosk/popup.html"}));

  log_.Clear();
  cancel = true;
  View().OnNewWindow2(cancel);
  EXPECT_FALSE(cancel) << "the bar's browser must be allowed to take the window";
  EXPECT_EQ(log_.Calls(), (Calls{"bar-redirect"}));
}

TEST_F(ViewTest, TouchStopsScrollingAndBringsTheKeyboardForTextFields) {
  struct Case {
    uint32_t board_mode, auto_hide;
    bool on_text_field;
    std::optional<ScreenRect> field;
    Calls calls;
  } cases[] = {
      {0, 1, false, {}, {}},
      {0, 1, true, ScreenRect{20, 700, 400, 40}, {}},
      {1, 1, false, {}, {"close-keyboard"}},
      {1, 0, false, {}, {}},
      {1, 1, true, {}, {"keyboard activate type 0"}},
      {7, 0, true, {}, {"keyboard activate type 0"}},
      // The page below the window: 3000 high, 720 shown, at 0: 2280 pixels it can still scroll.
      {1,
       1,
       true,
       ScreenRect{20, 700, 400, 40},
       {"keyboard activate type 0", "keep 700+40 room 2280", "scroll-by 0,2280"}},
  };
  for (const auto& c : cases) {
    Set(Section::Navigator, "BoardMode", RegValue::Dword(c.board_mode));
    Set(Section::Navigator, "BoardAutoHide", RegValue::Dword(c.auto_hide));
    view_.reset();
    View().OnPageSize(1280, 3000, 1280, 720);
    View().OnScrollPosition(0, 0);
    log_.Clear();
    View().OnTouch(c.on_text_field, c.field);
    EXPECT_TRUE(View().StopScrollFlag());
    EXPECT_EQ(log_.Calls(), c.calls) << "BoardMode " << c.board_mode << " auto-hide " << c.auto_hide << " field "
                                     << c.on_text_field;
  }
}

// With BoardMode and BoardAutoHide, another page takes the keyboard away; without either it stays.
TEST_F(ViewTest, AnotherPageTakesTheKeyboardAway) {
  const struct {
    uint32_t board_mode, auto_hide;
    bool closes;
  } cases[] = {{1, 1, true}, {1, 0, false}, {0, 1, false}};
  for (const auto& c : cases) {
    Set(Section::Navigator, "BoardMode", RegValue::Dword(c.board_mode));
    Set(Section::Navigator, "BoardAutoHide", RegValue::Dword(c.auto_hide));
    view_.reset();
    log_.Clear();
    View().OnNavigateComplete2("file:///srv/kiosk/next.html");
    auto calls = log_.Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "close-keyboard"), c.closes ? 1 : 0)
        << c.board_mode << c.auto_hide;
  }
}

// The player starts after the first page (its document, or the timer for a page that never ends),
// once, whatever comes later.
TEST_F(ViewTest, MusicStartsOnceTheFirstPageIsThere) {
  struct Case {
    uint32_t is_music;
    bool document_first;
    Calls expected;
  } cases[] = {
      {1, true, {"set-timer 6 5000", "set-timer 10 1000", "kill-timer 10", "start-music"}},
      {1, false, {"set-timer 6 5000", "set-timer 10 1000", "kill-timer 10", "start-music"}},
      {0, true, {"set-timer 6 5000", "set-timer 10 1000", "kill-timer 10", "start-music off"}},
  };
  for (const auto& c : cases) {
    Set(Section::Music, "IsMusic", RegValue::Dword(c.is_music));
    view_.reset();
    log_.Clear();
    View().OnCreate();
    if (c.document_first)
      View().OnDocumentComplete("file:///srv/kiosk/index.html");
    else
      View().OnTimer(CPaneliaView::kMusicStartTimer);
    View().OnTimer(CPaneliaView::kMusicStartTimer);
    View().OnDocumentComplete("file:///srv/kiosk/next.html");
    auto calls = log_.Calls();
    std::erase_if(calls, [](const std::string& call) {
      return !call.starts_with("set-timer") && !call.starts_with("kill-timer 10") && !call.starts_with("start-music");
    });
    EXPECT_EQ(calls, c.expected) << c.is_music << c.document_first;
  }
}

TEST_F(ViewTest, IdleTimerStopsItselfWhenNothingUsesIt) {
  struct Case {
    uint32_t auto_home, loop;
    const char* expected;
  } cases[] = {{0, 0, "kill-timer 6"}, {1, 0, "idle 1"}, {0, 1, "idle 1"}};
  for (const auto& c : cases) {
    Set(Section::Advance, "IsAutoHome", RegValue::Dword(c.auto_home));
    Set(Section::Loop, "IsLoop", RegValue::Dword(c.loop));
    view_.reset();
    log_.Clear();
    View().OnTimer(CPaneliaView::kIdleTimer);
    if (View().IdleCount() > 0) log_.Add("idle " + std::to_string(View().IdleCount()));
    EXPECT_EQ(log_.Calls(), (Calls{c.expected}));
  }
}

// The notice before the idle return: WarnTime seconds ahead (at most halfway), only after a visitor
// touched the kiosk, counted down at each 5-second tick, gone at input or at the return.
TEST_F(ViewTest, IdleReturnIsAnnouncedToWhoeverTouchedTheKiosk) {
  struct Case {
    const char* name;
    uint32_t wait_minutes, warn_seconds, loop;
    bool touched;
    Calls expected;  // the notices of the 13 ticks after the touch (one minute)
  } cases[] = {
      {"twenty seconds ahead", 1, 20, 0, true, {"warn 20", "warn 15", "warn 10", "warn 5", "warn 0", "new-visitor"}},
      {"never sooner than halfway",
       1,
       600,
       0,
       true,
       {"warn 30", "warn 25", "warn 20", "warn 15", "warn 10", "warn 5", "warn 0", "new-visitor"}},
      {"off", 1, 0, 0, true, {"new-visitor"}},
      {"nobody touched it", 1, 20, 0, false, {"new-visitor"}},
      {"no idle return", 0, 20, 0, true, {}},
      {"the loop is not announced", 1, 20, 1, true, {"new-visitor"}},
  };
  for (const auto& c : cases) {
    Set(Section::Advance, "IsAutoHome", RegValue::Dword(1));
    Set(Section::Advance, "WaitTime", RegValue::Dword(c.wait_minutes));
    Set(Section::Advance, "WarnTime", RegValue::Dword(c.warn_seconds));
    Set(Section::Advance, "IsClearSession", RegValue::Dword(0));
    Set(Section::Loop, "IsLoop", RegValue::Dword(c.loop));
    Set(Section::Loop, "IntervalTime", RegValue::Dword(5));
    view_.reset();
    // The first look learns where the pointer rests (the kiosk starting is nobody's touch).
    host_.cursor = {5, 5};
    View().OnTimer(CPaneliaView::kIdleTimer);
    host_.input = c.touched;
    View().OnTimer(CPaneliaView::kIdleTimer);
    log_.Clear();
    for (int tick = 0; tick < 13; ++tick) View().OnTimer(CPaneliaView::kIdleTimer);
    Calls notices;
    for (const auto& call : log_.Calls())
      if (call.rfind("warn", 0) == 0 || call == "new-visitor") notices.push_back(call);
    EXPECT_EQ(notices, c.expected) << c.name;
  }
  // A touch during the notice takes it away; the visitor's session goes on.
  Set(Section::Loop, "IsLoop", RegValue::Dword(0));
  Set(Section::Advance, "WarnTime", RegValue::Dword(20));
  view_.reset();
  View().OnTimer(CPaneliaView::kIdleTimer);
  host_.input = true;
  for (int tick = 0; tick < 9; ++tick) View().OnTimer(CPaneliaView::kIdleTimer);
  log_.Clear();
  host_.input = true;
  View().OnTimer(CPaneliaView::kIdleTimer);
  View().OnTimer(CPaneliaView::kIdleTimer);
  EXPECT_EQ(log_.Calls(), (Calls{"warn 0"}));
}

// Large text, high contrast and the reader: what each touch of its button does, and all of them back
// to the operator's choice for the next visitor (the idle return, a wipe).
TEST_F(ViewTest, VisitorsDisplayModesStepAndReturnForTheNextVisitor) {
  View().StepLargeText();
  View().StepLargeText();
  View().StepLargeText();
  View().StepLargeText();
  EXPECT_EQ(log_.Calls(), (Calls{"zoom 1.25", "zoom 1.50", "zoom 2.00", "zoom 1.00"}));
  log_.Clear();
  View().StepLargeText();
  View().ToggleContrast();
  View().ToggleReader();
  View().ReturnHomeForNextVisitor();
  EXPECT_EQ(log_.Calls(), (Calls{"zoom 1.25", "contrast on", "reader-start", "read-from-start", "set-timer 9 5000",
                                 "zoom 1.00", "contrast off", "reader-stop", "new-visitor", "forget-visitor",
                                 "navigate file:///srv/kiosk/index.html"}));
  EXPECT_FALSE(View().HighContrast());
  EXPECT_FALSE(View().ReaderOn());
  // The reader started late reads the page again once; one stopped meanwhile does not.
  log_.Clear();
  View().OnTimer(CPaneliaView::kReaderTimer);
  View().ToggleReader();
  View().OnTimer(CPaneliaView::kReaderTimer);
  EXPECT_EQ(log_.Calls(), (Calls{"kill-timer 9", "reader-start", "read-from-start", "set-timer 9 5000", "kill-timer 9",
                                 "read-from-start"}));
  View().ToggleReader();
  log_.Clear();
  View().ReturnHomeForNextVisitor();  // nothing was changed: nothing to undo
  EXPECT_EQ(log_.Calls(), (Calls{"new-visitor", "forget-visitor", "navigate file:///srv/kiosk/index.html"}));
  // Without a reader the button says so once to each visitor, and does nothing else.
  partners_.reader_installed = false;
  log_.Clear();
  View().ToggleReader();
  View().ToggleReader();
  View().ReturnHomeForNextVisitor();
  View().ToggleReader();
  EXPECT_EQ(
      log_.Calls(),
      (Calls{"reader-missing", "tell 这台信息亭没有安装朗读程序。 · This kiosk has no screen reader installed.",
             "reader-missing", "new-visitor", "forget-visitor", "navigate file:///srv/kiosk/index.html",
             "reader-missing", "tell 这台信息亭没有安装朗读程序。 · This kiosk has no screen reader installed."}));
}

TEST(LargeText, StepsFromTheOperatorsSize) {
  struct Case {
    double base, current, next;
  } cases[] = {{1.0, 1.0, 1.25}, {1.0, 1.25, 1.5}, {1.0, 1.5, 2.0}, {1.0, 2.0, 1.0},    {0.7, 0.7, 1.25},
               {1.5, 1.5, 2.0},  {1.5, 2.0, 1.5},  {2.0, 2.0, 2.0}, {1.0, 1.2501, 1.5}, {1.25, 1.0, 1.5}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(NextLargeText(c.base, c.current), c.next) << c.base << " " << c.current;
}

TEST_F(ViewTest, StepwiseScrollStepsOutOfRange) {
  struct Case {
    RegValue step;
    Calls calls;
  } cases[] = {
      {RegValue::Dword(0), {}},
      {RegValue::Dword(0xFFFFFFFF), {}},  // -1
      {RegValue::Dword(0x7FFFFFFF), {"scroll 0,65536"}},
      {RegValue::Text("200"), {}},  // wrong type: absent, no default of its own: 0
  };
  for (const auto& c : cases) {
    Set(Section::Style, "ScrollStep", c.step);
    log_.Clear();
    View().ScrollPage(ScrollDirection::Down);
    EXPECT_EQ(log_.Calls(), c.calls);
  }
}

TEST_F(ViewTest, StepwiseScrollMovesByScrollStepInTheDirection) {
  Set(Section::Style, "ScrollStep", RegValue::Dword(200));
  for (auto d : {ScrollDirection::Up, ScrollDirection::Right, ScrollDirection::Down, ScrollDirection::Left})
    View().ScrollPage(d);
  EXPECT_EQ(log_.Calls(), (Calls{"scroll 0,-200", "scroll 200,0", "scroll 0,200", "scroll -200,0"}));
}

// Left to us, decided: a smooth run ends where the page cannot move further in its direction.
TEST_F(ViewTest, SmoothScrollEndsAtThePageEdge) {
  Set(Section::Style, "ScrollMode", RegValue::Dword(1));
  View().OnPageSize(1024, 100, 1024, 96);  // 4 pixels to go down
  View().ScrollPage(ScrollDirection::Down);
  View().OnTimer(CPaneliaView::kScrollTimer);
  View().OnScrollPosition(0, 2);
  View().OnTimer(CPaneliaView::kScrollTimer);
  View().OnScrollPosition(0, 4);
  View().OnTimer(CPaneliaView::kScrollTimer);
  EXPECT_EQ(log_.Calls(), (Calls{"set-timer 8 30", "scroll-by 0,2", "scroll-by 0,2", "kill-timer 8"}));
  log_.Clear();
  View().ScrollPage(ScrollDirection::Right);  // as wide as its window: nowhere to go
  View().OnTimer(CPaneliaView::kScrollTimer);
  EXPECT_EQ(log_.Calls(), (Calls{"set-timer 8 30", "kill-timer 8"}));
  log_.Clear();
  View().ScrollPage(ScrollDirection::Up);  // the way back is open
  View().OnTimer(CPaneliaView::kScrollTimer);
  EXPECT_EQ(log_.Calls(), (Calls{"set-timer 8 30", "scroll-by 0,-2"}));
}

TEST_F(ViewTest, SmoothScrollCoversThePageHeightUnlessTouched) {
  Set(Section::Style, "ScrollMode", RegValue::Dword(1));
  View().ScrollPage(ScrollDirection::Down);
  View().OnTimer(CPaneliaView::kScrollTimer);  // no page yet: nothing this tick
  EXPECT_EQ(log_.Calls(), (Calls{"set-timer 8 30"}));

  View().OnPageSize(1024, 6);
  log_.Clear();
  View().OnTouch(false);  // a touch before the run starts is forgotten at its first tick
  View().OnTimer(CPaneliaView::kScrollTimer);
  View().ScrollPage(ScrollDirection::Up);  // turns the run without restarting the count
  View().OnTimer(CPaneliaView::kScrollTimer);
  View().OnTimer(CPaneliaView::kScrollTimer);
  EXPECT_EQ(log_.Calls(),
            (Calls{"scroll-by 0,2", "set-timer 8 30", "scroll-by 0,-2", "scroll-by 0,-2", "kill-timer 8"}));

  log_.Clear();
  View().ScrollPage(ScrollDirection::Left);
  View().OnTimer(CPaneliaView::kScrollTimer);
  View().OnTouch(false);
  View().OnTimer(CPaneliaView::kScrollTimer);
  EXPECT_EQ(log_.Calls(), (Calls{"set-timer 8 30", "scroll-by -2,0", "scroll-by -2,0", "kill-timer 8"}));
}

TEST_F(ViewTest, TargetAddressesComeFromOpenUrlIniOrHome) {
  test::TempDir dir;
  {
    std::ofstream ini(dir.path() / "OpenURL.ini");
    ini << "; kiosk targets\r\n[Other]\r\n3=file:///wrong\r\n[targeturl]\r\n 3 = file:///three.html \r\n"
           "News=\"file:///news.html\"\r\nlong="
        << std::string(2000, 'x') << "\r\n";
  }
  host_.module_directory = dir.path().string() + "/";
  struct Case {
    const char* key;
    std::string expected;
  } cases[] = {
      {"3", "file:///three.html"},           {"news", "file:///news.html"},        {"long", std::string(2000, 'x')},
      {"4", "file:///srv/kiosk/index.html"}, {"", "file:///srv/kiosk/index.html"},
  };
  for (const auto& c : cases) {
    log_.Clear();
    View().OpenTargetAddress(c.key);
    EXPECT_EQ(log_.Calls(), (Calls{"navigate " + c.expected})) << c.key;
  }
  host_.module_directory = "/nonexistent/";
  log_.Clear();
  View().OpenTargetAddress("3");
  EXPECT_EQ(log_.Calls(), (Calls{"navigate file:///srv/kiosk/index.html"})) << "missing file";
}

TEST_F(ViewTest, FinishedNavigationTellsTheMusicOnlyWhenMusicIsOn) {
  View().OnNavigateComplete2("file:///A.html");
  EXPECT_TRUE(log_.Calls().empty());

  Set(Section::Music, "IsMusic", RegValue::Dword(1));
  view_.reset();
  files_.files["stop.dat"] = {"file:///quiet.html"};
  View().OnNavigateComplete2("file:///A.html");
  View().OnNavigateComplete2("file:///Quiet.html");
  EXPECT_EQ(log_.Calls(), (Calls{"read stop.dat", "music-on", "read stop.dat", "music-off"}));
}

TEST_F(ViewTest, FinishedDocumentReadsScrollBarAndFormSettingsEveryTime) {
  View().OnDocumentComplete("file:///a");
  Set(Section::Advance, "IsScrollBar", RegValue::Dword(1));
  View().OnDocumentComplete("file:///a");
  Set(Section::Advance, "IsFormTarget", RegValue::Dword(1));
  View().OnDocumentComplete("file:///a");
  EXPECT_EQ(log_.Calls(), (Calls{"hide-scroll-bars", "hide-scroll-bars", "retarget-forms"}));
}

TEST_F(ViewTest, PageCommandsActOnThePage) {
  struct Case {
    int id;
    Calls calls;
  } cases[] = {
      {32786, {"back"}},
      {32787, {"forward"}},
      {32784, {"stop"}},
      {32785, {"refresh"}},
      {32788, {"navigate file:///srv/kiosk/index.html"}},
      {57635, {"edit 0"}},
      {57634, {"edit 1"}},
      {57637, {"edit 2"}},
      {57642, {"edit 3"}},
      {32778, {"find-bar"}},
      {32779, {"source"}},
      {32775, {"properties"}},
      {32790, {"zoom 1.25"}},
      {32796, {"charset iso-ir-58"}},
      {32798, {"charset "}},
  };
  for (const auto& c : cases) {
    log_.Clear();
    EXPECT_TRUE(CPaneliaView::HandlesPageCommand(c.id)) << c.id;
    EXPECT_TRUE(View().OnPageCommand(c.id)) << c.id;
    EXPECT_EQ(log_.Calls(), c.calls) << c.id;
  }
  EXPECT_FALSE(CPaneliaView::HandlesPageCommand(32773)) << "E-mail page has no command behind it";
  EXPECT_FALSE(View().OnPageCommand(32773));
}

TEST_F(ViewTest, TextSizeIsWrittenAndCheckedAlone) {
  store_.CreateKey(Hive::LocalMachine, kSuiteRootKey);
  View().OnPageCommand(32790);  // Larger
  auto stored = store_.QueryValue(Hive::LocalMachine, kSuiteRootKey, "DefFontSize");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->AsDword(), 1u);
  for (int id = 32789; id <= 32793; ++id) EXPECT_EQ(View().IsPageCommandChecked(id), id == 32790) << id;
}

TEST_F(ViewTest, AutoSelectTogglesTheBrowsersFlagOnlyWhenItIsThere) {
  View().OnPageCommand(32794);
  EXPECT_TRUE(log_.Calls().empty()) << "no value: nothing happens";
  EXPECT_FALSE(View().IsPageCommandChecked(32794));
  store_.Put(Hive::CurrentUser, kBrowserInternationalKey, "AutoDetect", RegValue::Dword(0));
  View().OnPageCommand(32794);
  EXPECT_TRUE(View().IsPageCommandChecked(32794));
  View().OnPageCommand(32794);
  EXPECT_FALSE(View().IsPageCommandChecked(32794)) << "twice restores the former value";
  EXPECT_EQ(log_.Calls(), (Calls{"refresh", "refresh"}));
}

TEST_F(ViewTest, ContextMenuItemsAndTheirActions) {
  Calls texts;
  for (const auto& item : CPaneliaView::ContextMenuItems()) {
    texts.push_back(std::string(item.text));
    View().OnContextMenuCommand(item.id);
  }
  EXPECT_EQ(texts.front(), "关于 Panelia(&A)...");
  EXPECT_EQ(texts.back(), "退出");
  EXPECT_EQ(log_.Calls(),
            (Calls{"about", "help", "navigate file:///site", "navigate file:///forum", "properties", "exit"}));
}

}  // namespace
}  // namespace panelia

namespace panelia {
namespace {

TEST(PageCommandsTest, MailLinkSubjects) {
  struct Case {
    const char* what;
    const char* url;
    const char* name;
    const char* mail;
  } cases[] = {
      {"local page: its path", "file:///C:/kiosk/index.htm", "Index",
       "mailto:?subject=C:\\kiosk\\index.htm&body=file:///C:/kiosk/index.htm"},
      {"web page: its title", "http://x.example/", "首页", "mailto:?subject=首页.htm&body=http://x.example/"},
      {"a title that is an address", "http://x.example/a/", "http://x.example/a/",
       "mailto:?subject=a.htm&body=http://x.example/a/"},
      {"no further encoding", "http://x.example/?a=1&b=%41#top", "R&D #1 100%",
       "mailto:?subject=R&D #1 100%.htm&body=http://x.example/?a=1&b=%41#top"},
      {"a short file address", "file:/", "", "mailto:?subject=&body=file:/"},
  };
  for (const auto& c : cases) EXPECT_EQ(MailLinkAddress(c.url, c.name), c.mail) << c.what;
}

TEST(PageCommandsTest, TextSizesAndCharacterSets) {
  const double zooms[] = {1.5, 1.25, 1.0, 0.85, 0.7};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(TextZoomOf(32789 + i), zooms[i]);
  EXPECT_FALSE(TextZoomOf(32788));
  EXPECT_FALSE(TextZoomOf(32794));
  const char* labels[] = {"iso-8859-1", "iso-ir-58", "big5", "", "iso-2022-jp", "euc-jp"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(CharsetOf(32795 + i), labels[i]);
  EXPECT_FALSE(CharsetOf(32794));
  EXPECT_FALSE(CharsetOf(32801));
}

}  // namespace
}  // namespace panelia

#include "browse/crash_backoff.h"

namespace panelia {
namespace {

TEST(CrashBackoff, GrowsWhileDeathsRepeatAndForgetsAfterTenQuietMinutes) {
  CrashBackoff backoff;
  const struct {
    uint64_t at_ms;
    int delay_ms;
  } deaths[] = {
      {0, 1000},
      {5000, 2000},
      {9000, 4000},
      {20000, 8000},
      {40000, 16000},
      {70000, 32000},
      {110000, 60000},
      {180000, 60000},
      {180000 + 600000, 1000},  // ten quiet minutes
      {780000 + 1000, 2000},
  };
  for (const auto& d : deaths) EXPECT_EQ(backoff.NextDelayMs(d.at_ms), d.delay_ms) << d.at_ms;
  // At once after a quiet time, then as above.
  CrashBackoff at_once(0);
  for (int expected : {0, 1000, 2000, 4000}) EXPECT_EQ(at_once.NextDelayMs(1000), expected);
  EXPECT_EQ(at_once.NextDelayMs(1000 + CrashBackoff::kQuietMs), 0);
}

}  // namespace
}  // namespace panelia

namespace panelia {
namespace {

TEST(LocalFiles, OnlyFromLocalPagesAndNeverAFolder) {
  const struct {
    const char* target;
    const char* from;
    bool own, folder, allowed;
  } cases[] = {
      {"http://example.com/", "", false, false, true},
      {"file:///srv/kiosk/a.html", "file:///srv/kiosk/index.html", false, false, true},
      {"file:///srv/kiosk/a.html", "http://example.com/", false, false, false},
      {"FILE:///srv/kiosk/a.html", "https://example.com/", false, false, false},
      {"file:///srv/kiosk/a.html", "http://example.com/", true, false, true},  // the kiosk's own (home, bar)
      {"file:///etc/", "file:///srv/kiosk/index.html", false, true, false},
      {"file:///etc/", "", true, true, false},                   // a folder, whoever asks
      {"file:///srv/kiosk/index.html", "", false, false, true},  // the first page
  };
  for (const auto& c : cases)
    EXPECT_EQ(MayOpenLocalFile(c.target, c.from, c.own, c.folder), c.allowed) << c.target << " from " << c.from;
}

TEST(LocalFiles, OnlyInsideTheKioskFolders) {
  const std::vector<std::string> folders = {"/srv/kiosk/", "/usr/lib/panelia"};
  const struct {
    const char* path;
    bool inside;
  } cases[] = {
      {"/srv/kiosk/index.html", true},
      {"/srv/kiosk/sub/deep/a.html", true},
      {"/srv/kiosk", true},
      {"/usr/lib/panelia/help/index.html", true},
      {"/srv/kiosk2/a.html", false},  // a sibling sharing the folder's name as a prefix
      {"/srv/kiosk/../../etc/passwd", false},
      {"/srv/kiosk/./sub/../a.html", true},
      {"/srv//kiosk///a.html", true},
      {"/../../srv/kiosk/a.html", true},  // ".." above the root stays there
      {"/etc/passwd", false},
      {"/", false},
      {"", false},
      {"srv/kiosk/a.html", false},  // not absolute
  };
  for (const auto& c : cases) EXPECT_EQ(IsInsideFolders(c.path, folders), c.inside) << c.path;
  EXPECT_FALSE(IsInsideFolders("/srv/kiosk/a.html", {}));
  EXPECT_FALSE(IsInsideFolders("/srv/kiosk/a.html", {"", "relative/"}));
  EXPECT_TRUE(IsInsideFolders("/anything", {"/"}));
}

}  // namespace
}  // namespace panelia

#include "browse/page_messages.h"
#include "browse/script_dialogs.h"

namespace panelia {
namespace {

TEST(ScriptDialogs, AFewAreShownThenThePageIsStoppedUntilTheNextPage) {
  ScriptDialogGate gate;
  const struct {
    uint64_t at_ms;
    bool shown;
  } dialogs[] = {{0, true}, {4000, true}, {8000, true}, {12000, false}, {90000, false}};
  for (const auto& d : dialogs) EXPECT_EQ(gate.MayShow(d.at_ms), d.shown) << d.at_ms;
  EXPECT_TRUE(gate.Stopped());
  gate.OnNewPage();
  EXPECT_TRUE(gate.MayShow(31000));
  // Spread out, a page may show as many as it likes.
  ScriptDialogGate patient;
  for (uint64_t t = 0; t < 300000; t += 25000) EXPECT_TRUE(patient.MayShow(t)) << t;
}

// Prints and script pop-ups: a few a minute, then nothing until the gate is reset for the next
// visitor, however long the page keeps asking.
TEST(ScriptDialogs, PrintsAndPopUpsStopForTheVisit) {
  const struct {
    RequestGate::Limit limit;
    std::vector<uint64_t> shown, refused;
  } cases[] = {
      {RequestGate::kPrints, {0, 300}, {600, 900, 61000, 3600000}},
      {RequestGate::kPopUps, {0, 100, 200}, {300, 70000}},
  };
  for (const auto& c : cases) {
    RequestGate gate(c.limit);
    for (uint64_t t : c.shown) EXPECT_TRUE(gate.MayShow(t)) << t;
    for (uint64_t t : c.refused) EXPECT_FALSE(gate.MayShow(t)) << t;
    gate.Reset();
    EXPECT_TRUE(gate.MayShow(3700000));
  }
}

}  // namespace
}  // namespace panelia

namespace panelia {
namespace {

// A page's dialogs are answered for it: unseen, a question is no but leaving the page is yes (and it
// is never shown); shown, OK confirms and takes a prompt's default text, Cancel and the time-out do
// neither.
TEST(ScriptDialogs, HowEachIsAnswered) {
  using K = ScriptDialogKind;
  const struct {
    K kind;
    std::optional<bool> unseen;
    std::optional<bool> ok, cancel;
    bool prompt_default_on_ok;
    bool asks;
    bool shown;
  } cases[] = {
      {K::Alert, std::nullopt, std::nullopt, std::nullopt, false, false, true},
      {K::Confirm, false, true, false, false, true, true},
      {K::BeforeUnload, true, true, false, false, true, false},
      {K::Prompt, std::nullopt, std::nullopt, std::nullopt, true, true, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AnswerUnseen(c.kind).confirmed, c.unseen) << static_cast<int>(c.kind);
    EXPECT_FALSE(AnswerUnseen(c.kind).prompt_default);
    EXPECT_EQ(AnswerShown(c.kind, true).confirmed, c.ok);
    EXPECT_EQ(AnswerShown(c.kind, false).confirmed, c.cancel);
    EXPECT_EQ(AnswerShown(c.kind, true).prompt_default, c.prompt_default_on_ok);
    EXPECT_FALSE(AnswerShown(c.kind, false).prompt_default);
    EXPECT_EQ(AsksQuestion(c.kind), c.asks);
    EXPECT_EQ(ShowsBox(c.kind), c.shown);
  }
  for (LoadFailure f : {LoadFailure::Cancelled, LoadFailure::InterruptedByPolicy, LoadFailure::HandledElsewhere})
    EXPECT_FALSE(ShowsNeutralPage(f));
  EXPECT_TRUE(ShowsNeutralPage(LoadFailure::Other));
}

}  // namespace
}  // namespace panelia
