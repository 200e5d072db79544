#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <set>

#include "common/settings.h"
#include "fakes.h"
#include "common/names.h"
#include "shell/mail.h"
#include "shell/main_frame.h"
#include "shell/menus.h"
#include "shell/power_off.h"

namespace panelia {
namespace {

using test::CallLog;
using test::MemoryRegistry;
using Calls = std::vector<std::string>;

class RecordingFrame : public FramePort, public FrameServices {
 public:
  explicit RecordingFrame(CallLog& log) : log_(log) {}
  void HideTaskBar() override { log_.Add("hide-taskbar"); }
  void ShowTaskBar() override { log_.Add("show-taskbar"); }
  void SetStatusBarVisible(bool v) override { log_.Add(v ? "status-on" : "status-off"); }
  void SetCaption(bool p) override { log_.Add(p ? "caption-on" : "caption-off"); }
  void DetachMenu() override { log_.Add("menu-off"); }
  void AttachMenu() override { log_.Add("menu-on"); }
  void SavePlacement() override { log_.Add("save-placement"); }
  void RestorePlacement() override { log_.Add("restore-placement"); }
  void ShowMaximized() override { log_.Add("maximize"); }
  void ShowNormal() override { log_.Add("normal"); }
  void SetTopMost() override { log_.Add("topmost"); }
  int ClientHeight() const override { return client_height; }
  int StatusPaneHeight() const override { return 20; }
  void SetRowHeights(int top, int bottom) override {
    log_.Add("rows " + std::to_string(top) + "+" + std::to_string(bottom));
  }
  void SetRowVisible(int row, bool visible) override {
    log_.Add((visible ? "show-row" : "hide-row") + std::string(row == 1 ? "" : " " + std::to_string(row)));
  }
  void ActivatePane(int row) override { log_.Add("activate " + std::to_string(row)); }
  void SetMenuCheck(int, bool) override {}
  void SetFrameTimer(int id, int ms) override { log_.Add("timer " + std::to_string(id) + " " + std::to_string(ms)); }
  void MessageBox(const std::string& text, const std::string& caption, MessageIcon,
                  std::function<void()> closed) override {
    log_.Add("box " + text + " | " + caption);
    if (closed) closed();
  }

  void StartProgram(const std::string& path) override { log_.Add("start " + path); }
  void OpenWithDefaultHandler(const std::string& path) override { log_.Add("open " + path); }
  void RunOpenDialog(std::function<void(std::optional<std::string>)> done) override { done(open_result); }
  void ExecBrowserCommand(BrowserCommand c) override { log_.Add("exec " + std::to_string(static_cast<int>(c))); }
  void PageSetup() override { log_.Add("page-setup"); }
  void ShowAbout() override { log_.Add("about"); }
  std::optional<std::string> MailHandlerCommandLine() override { return mail_handler; }
  void StartMailProgram(const std::string& p, const std::string& a) override { log_.Add("mail " + p + " | " + a); }
  LocalTime Now() override { return now; }
  void RunPowerOffDialog(const LocalTime&, std::function<void(int)> done) override {
    log_.Add("notice");
    // A notice left open answers when the test says so.
    if (hold_notice)
      pending_notice = std::move(done);
    else
      done(dialog_result);
  }
  bool hold_notice = false;
  std::function<void(int)> pending_notice;
  void ShutdownAllowed(std::function<void(bool)> answer) override { answer(shutdown_allowed); }
  void CloseFrame() override { log_.Add("close-frame"); }
  void RequestPowerOff() override { log_.Add("power-off"); }
  void RequestRestart() override { log_.Add("restart"); }
  void Log(const std::string& line) override { log_.Add("log " + line); }
  KeyboardLayoutList CurrentKeyboardLayouts() override { return layouts; }
  void ActivateKeyboardLayout(const KeyboardLayout& l) override { log_.Add("layout " + l.id); }
  KeyboardLayoutList layouts;
  void AskExitPassword(std::function<void(bool)> granted) override {
    log_.Add("password?");
    pending_password = std::move(granted);
  }
  std::function<void(bool)> pending_password;
  void ClearSelections() override { log_.Add("clear-selections"); }
  void CloseKeyboard() override { log_.Add("close-keyboard"); }
  void ForgetLearnedInput() override { log_.Add("forget-input"); }

  int client_height = 768;
  std::optional<std::string> open_result;
  std::optional<std::string> mail_handler;
  LocalTime now;
  int dialog_result = CPowerOffDlg::kOk;
  bool shutdown_allowed = true;

 private:
  CallLog& log_;
};

class FrameTest : public ::testing::Test {
 protected:
  FrameTest() : port_(log_) { store_.CreateKey(Hive::LocalMachine, kSuiteRootKey); }
  void Set(Section section, std::string_view name, RegValue value) {
    store_.Put(Hive::LocalMachine, SectionPath(section), name, std::move(value));
  }
  CMainFrame& Frame() {
    if (!frame_) {
      frame_ = std::make_unique<CMainFrame>(store_, port_, port_, "/opt/panelia/");
      frame_->OnCreateClientDone();
    }
    return *frame_;
  }
  CallLog log_;
  MemoryRegistry store_;
  RecordingFrame port_;
  std::unique_ptr<CMainFrame> frame_;
};

TEST_F(FrameTest, ReadsItsSettingsInOrder) {
  Frame();
  const std::string advance = SectionPath(Section::Advance);
  EXPECT_EQ(store_.reads,
            (Calls{advance + "|IsAutoShut", advance + "|IsCloseWeekend", advance + "|PowerOffTime",
                   SectionPath(Section::Navigator) + "|IsNavigator", SectionPath(Section::Display) + "|IsStatusBar"}));
}

TEST_F(FrameTest, CreationGoesFullScreenAfterSplashTimerAndAppPath) {
  Frame().OnCreate(nullptr);
  EXPECT_EQ(log_.Calls(), (Calls{"timer 2 30000", "status-off", "hide-taskbar", "status-off", "caption-off", "menu-off",
                                 "save-placement", "maximize", "rows 688+80"}));
  EXPECT_EQ(store_.QueryValue(Hive::LocalMachine, kSuiteRootKey, "AppPath")->AsText(), "/opt/panelia/panelia");
  EXPECT_TRUE(Frame().IsFullScreen());
}

TEST_F(FrameTest, FullScreenTogglesBackAndForthWithAlwaysTopReadEachTime) {
  Frame().OnCreate(nullptr);
  log_.Clear();
  Frame().ToggleFullScreen();  // leave
  EXPECT_EQ(log_.Calls(), (Calls{"show-taskbar", "menu-on", "status-on", "caption-on", "restore-placement", "normal",
                                 "rows 668+80"}));
  Set(Section::Advance, "IsAlwaysTop", RegValue::Dword(1));
  log_.Clear();
  Frame().ToggleFullScreen();  // enter again
  EXPECT_EQ(log_.Calls().back(), "topmost");
  EXPECT_EQ(log_.Calls()[log_.Calls().size() - 2], "rows 688+80");
  Set(Section::Advance, "IsAlwaysTop", RegValue::Dword(0));
  log_.Clear();
  Frame().ToggleFullScreen();
  EXPECT_EQ(log_.Calls().back(), "rows 668+80") << "a 0 never takes top-most away";
}

TEST_F(FrameTest, PaneLayoutNeedsTheSplitterAndAHeight) {
  struct Case {
    bool created;
    int height;
    bool full;
    Calls calls;
  } cases[] = {
      {true, 768, true, {"rows 688+80"}},
      {true, 600, false, {"rows 520+80"}} /* status pane not measured before creation */,
      {false, 768, true, {}},
      {true, 0, true, {}},
      {true, -5, false, {}},
  };
  for (const auto& c : cases) {
    port_.client_height = c.height;
    CMainFrame frame(store_, port_, port_, "/");
    if (c.created) frame.OnCreateClientDone();
    if (c.full) frame.ToggleFullScreen();
    log_.Clear();
    frame.LayoutPanes();
    EXPECT_EQ(log_.Calls(), c.calls) << c.height;
  }
}

TEST_F(FrameTest, BottomBarChangesOnlyWhenItsStateDiffers) {
  Frame().ShowBottomBar(true);
  Frame().ShowBottomBar(false);
  Frame().ShowBottomBar(false);
  Frame().OnCommand(command::kToolbar);
  Frame().OnCommand(command::kToolbar);
  EXPECT_EQ(log_.Calls(), (Calls{"hide-row", "show-row", "hide-row"}));
  EXPECT_FALSE(Frame().IsChecked(command::kToolbar));
}

TEST(SplitterTest, OneHiddenRowAtATimeAndTheActivePaneMoves) {
  CallLog log;
  RecordingFrame port(log);
  CKioskSplitter splitter(port);
  splitter.ShowRow();  // nothing hidden: nothing to show
  splitter.HideRow(1);
  splitter.HideRow(0);  // a second row is never hidden
  splitter.ShowRow();
  splitter.SetActiveRow(1);
  splitter.HideRow(1);  // the active pane's row: the first row takes over
  EXPECT_EQ(log.Calls(), (Calls{"hide-row", "show-row", "activate 0", "hide-row"}));
  EXPECT_EQ(splitter.ActiveRow(), 0);
  EXPECT_EQ(splitter.HiddenRow(), 1);
}

TEST_F(FrameTest, StatusBarSettingHidesItAndTheCommandToggles) {
  Set(Section::Display, "IsStatusBar", RegValue::Dword(1));
  Frame().OnCreate(nullptr);
  EXPECT_TRUE(Frame().IsChecked(command::kStatusBar));
  log_.Clear();
  Frame().OnCommand(command::kStatusBar);
  Frame().OnCommand(command::kStatusBar);
  EXPECT_EQ(log_.Calls(), (Calls{"status-off", "status-on"}));
}

TEST_F(FrameTest, CommandsReachTheirServices) {
  struct Case {
    int id;
    Calls calls;
  } cases[] = {
      {command::kSaveAs, {"exec 4"}},
      {command::kPrint, {"exec 6"}},
      {command::kPrintPreview, {"exec 7"}},
      {command::kOptions, {"start /opt/panelia/panelia-config"}},
      {command::kHelp, {"open /opt/panelia/help/PaneliaHelp.html"}},
      {command::kAbout, {"about"}},
      {command::kExit, {"close-frame"}},
      {command::kNewWindow, {}},  // the (absent) view's home page: never a second, unsupervised program
  };
  for (const auto& c : cases) {
    log_.Clear();
    EXPECT_TRUE(Frame().OnCommand(c.id));
    EXPECT_EQ(log_.Calls(), c.calls) << c.id;
  }
  EXPECT_FALSE(Frame().OnCommand(command::kMailPage));
  EXPECT_FALSE(Frame().IsCommandHandled(command::kOffline));
}

TEST_F(FrameTest, FullScreenCommandsThatLeaveTheKioskAskForTheExitPasswordFirst) {
  port_.mail_handler = "mailer %u";
  struct Case {
    int id;
    Calls granted;  // what runs once the right password was given
  } guarded[] = {
      {command::kFullScreen,
       {"show-taskbar", "menu-on", "status-on", "caption-on", "restore-placement", "normal", "rows 688+80"}},
      {command::kOpen, {}},  // the fake Open dialog answers Cancel
      {command::kNewWindow, {}},
      {command::kSaveAs, {"exec 4"}},
      {command::kPrintPreview, {"exec 7"}},
      {command::kOptions, {"start /opt/panelia/panelia-config"}},
      {command::kInternetOptions, {"start /opt/panelia/panelia-config"}},
      {command::kHelp, {}},  // full screen again by then: the help opens in the (absent) view
      {command::kWriteAuthor, {"mail mailer | mailto:kiosk-support@example.org"}},
  };
  for (const auto& c : guarded) {
    if (!Frame().IsFullScreen()) Frame().ToggleFullScreen();
    log_.Clear();
    EXPECT_TRUE(Frame().OnCommand(c.id));
    EXPECT_TRUE(Frame().OnCommand(c.id)) << "a second press while the dialog is open";
    EXPECT_EQ(log_.Calls(), Calls{"password?"}) << c.id;
    log_.Clear();
    port_.pending_password(false);  // Cancel or time-out: nothing happens
    EXPECT_EQ(log_.Calls(), Calls{}) << c.id;
    EXPECT_TRUE(Frame().IsFullScreen());
    Frame().OnCommand(c.id);
    log_.Clear();
    port_.pending_password(true);
    EXPECT_EQ(log_.Calls(), c.granted) << c.id;
  }
  // Commands that stay inside the kiosk run at once, full screen or not; windowed, nothing asks.
  if (!Frame().IsFullScreen()) Frame().ToggleFullScreen();
  for (int id : {command::kPrint, command::kAbout, command::kPageSetup}) {
    log_.Clear();
    Frame().OnCommand(id);
    EXPECT_TRUE(log_.Calls().empty() || log_.Calls()[0] != "password?") << id;
  }
  Frame().ToggleFullScreen();
  log_.Clear();
  Frame().OnCommand(command::kSaveAs);
  EXPECT_EQ(log_.Calls(), Calls{"exec 4"});
}

// An operator who left full screen and walked away: the next visitor gets the kiosk, not a browser
// with menus, and nothing of the last visitor outside the page.
TEST_F(FrameTest, ANewVisitorGetsTheFullScreenKioskWithNothingLeftOver) {
  port_.layouts = {{"us", "English"}, {"cn", "Chinese"}};
  const struct {
    bool windowed;
    Calls calls;
  } cases[] = {
      {true,
       {"hide-taskbar", "status-off", "caption-off", "menu-off", "save-placement", "maximize", "rows 688+80",
        "clear-selections", "close-keyboard", "forget-input", "layout us"}},
      {false, {"clear-selections", "close-keyboard", "forget-input", "layout us"}},
  };
  for (const auto& c : cases) {
    if (Frame().IsFullScreen() == c.windowed) Frame().ToggleFullScreen();
    log_.Clear();
    Frame().OnNewVisitor();
    EXPECT_TRUE(Frame().IsFullScreen());
    EXPECT_EQ(log_.Calls(), c.calls) << c.windowed;
  }
  port_.layouts.clear();
  log_.Clear();
  Frame().OnNewVisitor();
  EXPECT_EQ(log_.Calls(), (Calls{"clear-selections", "close-keyboard", "forget-input"}))
      << "no layouts: nothing to switch";
}

TEST_F(FrameTest, MailGoesToTheDesktopHandler) {
  struct Case {
    std::optional<std::string> handler;
    Calls calls;
  } cases[] = {
      {std::nullopt, {"box 没有找到电子邮件发送程序 | Panelia错误提示"}},
      {"", {"box 无法启动电子邮件程序 | Panelia错误提示"}},
      {"thunderbird -compose %u", {"mail thunderbird | -compose mailto:a@b"}},
  };
  for (const auto& c : cases) {
    port_.mail_handler = c.handler;
    log_.Clear();
    Frame().SendMailTo("mailto:a@b");
    EXPECT_EQ(log_.Calls(), c.calls);
  }
}

TEST(MailCommandTest, SplitsProgramAndPlacesTheAddress) {
  struct Case {
    const char* line;
    const char* program;
    const char* parameters;
  } cases[] = {
      {"\"/opt/mail app/mail\" -compose \"%1\"", "/opt/mail app/mail", " -compose \"mailto:x@y\""},
      {"\"/opt/mail\"", "/opt/mail", "mailto:x@y"},
      {"\"/opt/unclosed -x %1", "/opt/unclosed -x %1", "mailto:x@y"},
      {"/usr/bin/mail %1", "/usr/bin/mail", "mailto:x@y"},
      {"/usr/bin/mail", "/usr/bin/mail", "mailto:x@y"},
      {"evolution %U", "evolution", "mailto:x@y"},
      {"mutt -s hi", "mutt", "-s hi mailto:x@y"},
  };
  for (const auto& c : cases) {
    MailCommand m = SplitMailCommand(c.line, "mailto:x@y");
    EXPECT_EQ(m.program, c.program) << c.line;
    EXPECT_EQ(m.parameters, c.parameters) << c.line;
  }
}

LocalTime At(int hour, int minute, int second, int weekday = 3) {
  LocalTime t;
  t.year = 2026;
  t.month = 12;
  t.day = 9;
  t.hour = hour;
  t.minute = minute;
  t.second = second;
  t.weekday = weekday;
  return t;
}

TEST(PowerOffTest, ParsesOnlyTimesOfDay) {
  struct Case {
    std::string text;
    bool ok;
    int h, m, s;
  } cases[] = {
      {"18:30", true, 18, 30, 0},   {"8:05:09", true, 8, 5, 9},  {" 22:00 ", true, 22, 0, 0},
      {"0:0", true, 0, 0, 0},       {"", false, 0, 0, 0},        {"25:99", false, 0, 0, 0},
      {"abc", false, 0, 0, 0},      {"18", false, 0, 0, 0},      {"18:60", false, 0, 0, 0},
      {"18:30:60", false, 0, 0, 0}, {"-1:30", false, 0, 0, 0},   {"7 :30", false, 0, 0, 0},
      {"7: 30", false, 0, 0, 0},    {"18:30pm", false, 0, 0, 0}, {std::string(300, '1'), false, 0, 0, 0},
      {"1:2:3:4", false, 0, 0, 0},
  };
  for (const auto& c : cases) {
    auto t = ParseTimeOfDay(c.text);
    EXPECT_EQ(t.has_value(), c.ok) << c.text;
    if (t && c.ok) {
      EXPECT_EQ((std::vector<int>{t->hour, t->minute, t->second}), (std::vector<int>{c.h, c.m, c.s}));
    }
  }
}

TEST(PowerOffTest, CheckFiresInTheMinuteBeforeTheTimeOrAtWeekends) {
  PowerOffSettings on{true, false, TimeOfDay{18, 30, 0}};
  PowerOffSettings weekend{true, true, TimeOfDay{18, 30, 0}};
  PowerOffSettings off{false, true, TimeOfDay{18, 30, 0}};
  PowerOffSettings unparsable{true, false, std::nullopt};
  struct Case {
    const char* what;
    PowerOffSettings settings;
    LocalTime now;
    bool due;
  } cases[] = {
      {"50 s before", on, At(18, 29, 10), true},
      {"61 s before", on, At(18, 28, 59), false},
      {"exactly at the time", on, At(18, 30, 0), false},
      {"1 s before", on, At(18, 29, 59), true},
      {"after the time", on, At(18, 31, 0), false},
      {"saturday, weekend closed", weekend, At(9, 0, 0, 6), true},
      {"sunday, weekend closed", weekend, At(9, 0, 0, 0), true},
      {"friday, weekend closed", weekend, At(9, 0, 0, 5), false},
      {"saturday, weekend open", on, At(9, 0, 0, 6), false},
      {"feature off", off, At(18, 29, 10, 6), false},
      {"unparsable time", unparsable, At(0, 0, 0), false},
  };
  for (const auto& c : cases) EXPECT_EQ(PowerOffDue(c.settings, c.now), c.due) << c.what;
}

TEST(PowerOffTest, DateSerialMatchesTheKnownEpoch) {
  EXPECT_DOUBLE_EQ(ToDateSerial(1899, 12, 30, 0, 0, 0), 0.0);
  EXPECT_DOUBLE_EQ(ToDateSerial(1900, 1, 1, 12, 0, 0), 2.5);
  EXPECT_DOUBLE_EQ(ToDateSerial(2000, 1, 1, 0, 0, 0), 36526.0);
}

TEST_F(FrameTest, PowerOffCheckClosesEverythingBeforeAskingForPowerOff) {
  Set(Section::Advance, "IsAutoShut", RegValue::Dword(1));
  Set(Section::Advance, "PowerOffTime", RegValue::Text("18:30"));
  port_.now = At(18, 29, 10);
  Frame().OnTimer(CMainFrame::kPowerOffTimer);
  EXPECT_EQ(log_.Calls(), (Calls{"notice", "close-frame", "power-off"}));

  log_.Clear();
  port_.shutdown_allowed = false;
  Frame().OnTimer(CMainFrame::kPowerOffTimer);
  EXPECT_EQ(log_.Calls(), (Calls{"notice", "box 关机权限设置失败! | ERROR", "close-frame", "power-off"}));

  log_.Clear();
  port_.dialog_result = CPowerOffDlg::kCancel;
  Frame().OnTimer(CMainFrame::kPowerOffTimer);
  Frame().OnTimer(7);
  EXPECT_EQ(log_.Calls(), (Calls{"notice"}));

  // The kiosk runs on while the notice is up: the next check is the same power-off, not a second.
  log_.Clear();
  port_.hold_notice = true;
  port_.shutdown_allowed = true;
  Frame().OnTimer(CMainFrame::kPowerOffTimer);
  Frame().OnTimer(CMainFrame::kPowerOffTimer);
  EXPECT_EQ(log_.Calls(), (Calls{"notice"}));
  port_.pending_notice(CPowerOffDlg::kOk);
  EXPECT_EQ(log_.Calls(), (Calls{"notice", "close-frame", "power-off"}));
}

TEST_F(FrameTest, AutoShutOffNeverChecks) {
  Set(Section::Advance, "IsCloseWeekend", RegValue::Dword(1));
  port_.now = At(18, 29, 10, 6);
  Frame().OnTimer(CMainFrame::kPowerOffTimer);
  EXPECT_TRUE(log_.Calls().empty());
}

class RecordingNotice : public PowerOffDialogPort {
 public:
  void SetProgressRange(int low, int high) override {
    calls.push_back("range " + std::to_string(low) + "-" + std::to_string(high));
  }
  void SetProgress(int p) override { last_progress = p; }
  void ShowWeekendText() override { calls.push_back("weekend-text"); }
  void EnableCancel() override { calls.push_back("cancel-enabled"); }
  void StartTimer(int id, int ms) override {
    calls.push_back("timer " + std::to_string(id) + " " + std::to_string(ms));
  }
  void EndDialog(int r) override { calls.push_back("end " + std::to_string(r)); }
  Calls calls;
  int last_progress = -1;
};

TEST(PowerOffDialogTest, CountsDownFifteenSecondsThenEndsWithOk) {
  RecordingNotice port;
  CPowerOffDlg dialog(port);
  dialog.OnInitDialog(At(18, 29, 10, 3));
  dialog.OnCancel();  // disabled on weekdays
  EXPECT_EQ(port.calls, (Calls{"range 0-150", "timer 1 100"}));
  for (int tick = 1; tick <= 150; ++tick) dialog.OnTimer(1);
  EXPECT_EQ(port.last_progress, 150);
  EXPECT_EQ(port.calls.size(), 2u) << "not ended before the 151st tick";
  dialog.OnTimer(1);
  dialog.OnTimer(1);
  EXPECT_EQ(port.calls.back(), "end 1");
  EXPECT_EQ(std::count(port.calls.begin(), port.calls.end(), "end 1"), 1);
}

TEST(PowerOffDialogTest, WeekendFormOffersCancel) {
  RecordingNotice port;
  CPowerOffDlg dialog(port);
  dialog.OnInitDialog(At(18, 29, 10, 6));
  dialog.OnCancel();
  EXPECT_EQ(port.calls, (Calls{"range 0-150", "timer 1 100", "weekend-text", "cancel-enabled", "end 2"}));
}

TEST(MenuTest, MnemonicsAndShortcuts) {
  EXPECT_EQ(MnemonicLabel("打开(&O)...\tCtrl+O"), "打开(_O)...");
  EXPECT_EQ(MnemonicLabel("a_b && c"), "a__b & c");
  EXPECT_EQ(ShortcutOf("全屏显示(&F)\tF11"), "F11");
  EXPECT_EQ(CommandPrompt(command::kOptions), "允许您更改Panelia工具设置");
  EXPECT_EQ(CommandPrompt(12345), "就绪");
  const struct {
    int id;
    bool check;
  } check_items[] = {{command::kToolbar, true},      {command::kStatusBar, true},  {command::kTextSizeFirst, true},
                     {command::kTextSizeLast, true}, {command::kAutoSelect, true}, {command::kCharsetFirst, false},
                     {command::kCharsetLast, false}, {command::kOptions, false},   {command::kFullScreen, false}};
  for (const auto& i : check_items) EXPECT_EQ(IsCheckItem(i.id), i.check) << i.id;
  // Every accelerator's command is in the menu or is a framework command.
  std::set<int> ids;
  std::function<void(const std::vector<MenuItem>&)> collect = [&](const std::vector<MenuItem>& items) {
    for (const auto& i : items) {
      ids.insert(i.id);
      collect(i.items);
    }
  };
  collect(MainMenu());
  for (const auto& a : MainAccelerators()) {
    bool framework = a.command == command::kSave || a.command == command::kUndo || a.command == command::kNextPane ||
                     a.command == command::kPrevPane;
    EXPECT_TRUE(framework || ids.count(a.command)) << a.key;
  }
}

}  // namespace
}  // namespace panelia

namespace panelia {
namespace {

TEST_F(FrameTest, InputMethodMessageSwitchesToTheLayoutAtThePosition) {
  port_.layouts = {{"us", "English (US)", 0}, {"cn", "Chinese", 2}};
  struct Case {
    int32_t position;
    Calls calls;
  } cases[] = {{-1, {"layout us"}}, {0, {"layout us"}}, {1, {"layout cn"}}, {2, {}}, {1000, {}}};
  for (const auto& c : cases) {
    log_.Clear();
    EXPECT_EQ(Frame().OnSuiteMessage(kInputMethodMessage, c.position, 0), 0);
    EXPECT_EQ(log_.Calls(), c.calls) << c.position;
  }
  port_.layouts.clear();
  log_.Clear();
  Frame().OnSuiteMessage(kInputMethodMessage, 0, 0);
  EXPECT_TRUE(log_.Calls().empty()) << "no layouts: nothing changes";
  EXPECT_EQ(Frame().OnSuiteMessage("SOMETHING-ELSE", 0, 0), std::nullopt);
  EXPECT_EQ(Frame().OnSuiteMessage(kOpenUrlMessage, 3, 0), 0) << "no view yet: answered, nothing opened";
}

// An operator's commands: quit ends the kiosk at once; restart-when-idle waits for the next visitor,
// then ends it to be started again; an unknown command is answered -1 and does nothing.
TEST_F(FrameTest, RemoteCommandsQuitAtOnceAndRestartBetweenVisitors) {
  const struct {
    const char* what;
    int32_t code;
    bool new_visitor;
    int32_t answer;
    Calls calls;
  } cases[] = {
      {"quit", 5, false, 0, {"log closing: an operator's quit (panelia-send)", "close-frame"}},
      {"restart, no visitor yet", 4, false, 0, {}},
      {"restart, then the idle return",
       4,
       true,
       0,
       {"log closing between visitors to start again (an operator's restart-when-idle)", "restart", "close-frame"}},
      {"unknown", 99, false, -1, {}},
      {"zero", 0, false, -1, {}},
  };
  for (const auto& c : cases) {
    frame_.reset();
    Frame();
    log_.Clear();
    EXPECT_EQ(Frame().OnSuiteMessage(kRemoteMessage, c.code, 0), c.answer) << c.what;
    if (c.new_visitor) Frame().OnNewVisitor();
    EXPECT_EQ(log_.Calls(), c.calls) << c.what;
  }
}

}  // namespace
}  // namespace panelia

#include "shell/full_screen_guard.h"

namespace panelia {
namespace {

// The window manager's reports, in the orders managers send them, and what the frame does.
TEST(FullScreenGuardTest, TheKioskStaysFullScreenUntilTheFrameLeaves) {
  using Do = FullScreenGuard::Do;
  struct Report {
    bool iconified, full_screen, maximized;
    bool iconified_changed, full_screen_changed, maximized_changed;
  };
  auto change = [](const Report& r) {
    return WindowStateChange{
        {r.iconified, r.full_screen, r.maximized}, r.iconified_changed, r.full_screen_changed, r.maximized_changed};
  };
  struct Step {
    Report report;
    Do expected;
    bool settle_timer = false;
  };
  const Report minimised{true, true, false, true, false, false},
      unfullscreened{false, false, false, false, true, false},
      unfullscreened_maximised{false, false, true, false, true, true},
      maximised{false, false, true, false, false, true}, normal{false, false, false, false, false, true},
      still_full{false, true, false, false, false, false};
  const struct {
    const char* what;
    bool leaving;  // the frame's own command started it
    bool kiosk_full_screen;
    std::vector<Step> steps;
    bool leaving_after;
  } cases[] = {
      {"minimised by the manager", false, true, {{minimised, Do::Deiconify}}, false},
      {"full screen taken away", false, true, {{unfullscreened, Do::FullScreenAgain}}, false},
      {"windowed: the manager's leave is fine", false, false, {{unfullscreened, Do::Nothing}}, false},
      {"windowed: maximise means full screen", false, false, {{maximised, Do::EnterFullScreen}}, false},
      {"full screen: maximise is nothing", false, true, {{maximised, Do::Nothing}}, false},
      {"leaving, the manager gives no maximised state back",
       true,
       false,
       {{still_full, Do::Nothing}, {unfullscreened, Do::PutPlacementBack, true}},
       true},
      {"leaving, maximised back at once",
       true,
       false,
       {{unfullscreened_maximised, Do::PutPlacementBack}, {normal, Do::Nothing}},
       false},
      // The race of an earlier release: the maximised state came back after the frame had left full
      // screen, and was taken for the maximise button (full screen again, one run in eight).
      {"leaving, maximised back a moment later",
       true,
       false,
       {{unfullscreened, Do::PutPlacementBack, true}, {maximised, Do::PutPlacementBack}},
       true},
  };
  for (const auto& c : cases) {
    FullScreenGuard guard;
    if (c.leaving) guard.OnLeaving();
    for (const auto& s : c.steps) {
      auto reaction = guard.OnStateChange(change(s.report), c.kiosk_full_screen, true);
      EXPECT_EQ(reaction.what, s.expected) << c.what;
      EXPECT_EQ(reaction.start_settle_timer, s.settle_timer) << c.what;
    }
    EXPECT_EQ(guard.Leaving(), c.leaving_after) << c.what;
  }
  // Without a window manager that does full screen, nothing is undone; once settled, the maximise
  // button counts again.
  FullScreenGuard guard;
  EXPECT_EQ(guard.OnStateChange(change(unfullscreened), true, false).what, Do::Nothing);
  guard.OnLeaving();
  EXPECT_EQ(guard.OnStateChange(change(unfullscreened), false, true).start_settle_timer, true);
  EXPECT_EQ(guard.OnStateChange(change(unfullscreened), false, true).start_settle_timer, false) << "one timer";
  EXPECT_FALSE(guard.StillWanted(Do::FullScreenAgain, true)) << "a leave under way is not undone";
  guard.OnSettled();
  EXPECT_TRUE(guard.StillWanted(Do::FullScreenAgain, true));
  EXPECT_FALSE(guard.StillWanted(Do::EnterFullScreen, true));
  EXPECT_EQ(guard.OnStateChange(change(maximised), false, true).what, Do::EnterFullScreen);
}

}  // namespace
}  // namespace panelia

#include "shell/kiosk_status.h"

namespace panelia {
namespace {

// The status document is JSON whatever a page's title holds, and the metrics are one sample each,
// with help and type, in the exposition format.
TEST(KioskStatusTest, TheDocumentAndTheMetricsStayWellFormed) {
  KioskStatus s;
  s.version = "4.5.0";
  s.started = 1796745600;  // 2026-12-08T16:00:00Z
  s.address = "file:///srv/a.html?q=\"x\"";
  s.title = std::string("T\"i\\t\nle\x01 中文");
  s.visitors = 3;
  s.display_power = "unknown";
  s.memory_pss_kib = 10;
  std::string json = StatusJson(s);
  EXPECT_NE(json.find("\"title\": \"T\\\"i\\\\t\\nle\\u0001 中文\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"started\": \"2026-12-08T16:00:00Z\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"last_input\": null"), std::string::npos) << json;
  EXPECT_NE(json.find("\"visitors\": 3"), std::string::npos) << json;
  std::string metrics = StatusMetrics(s);
  EXPECT_EQ(metrics.find("/srv/a.html"), std::string::npos) << "no address in the metrics: " << metrics;
  s.page = PageKind(s.address, s.address);
  EXPECT_NE(StatusMetrics(s).find("panelia_info{version=\"4.5.0\",page=\"home\"} 1\n"), std::string::npos);
  EXPECT_NE(metrics.find("# TYPE panelia_visitors_total counter\npanelia_visitors_total 3\n"), std::string::npos);
  EXPECT_NE(metrics.find("panelia_display_on -1\n"), std::string::npos);
  EXPECT_NE(metrics.find("panelia_memory_pss_bytes 10240\n"), std::string::npos);
  size_t helps = 0, types = 0;
  for (size_t at = 0; (at = metrics.find("# HELP ", at)) != std::string::npos; ++at) ++helps;
  for (size_t at = 0; (at = metrics.find("# TYPE ", at)) != std::string::npos; ++at) ++types;
  EXPECT_EQ(helps, types);
  EXPECT_EQ(IsoTime(0), "");
  s.address = "http://x/?q=" + std::string(2 << 20, 'a');
  EXPECT_LT(StatusJson(s).size(), 4096u) << "a page's 2 MB address";
  EXPECT_LT(StatusMetrics(s).size(), 4096u);
  const struct {
    const char* address;
    const char* home;
    const char* kind;
  } pages[] = {
      {"file:///srv/home.html", "/srv/home.html", "home"},
      {"http://example.org/", "example.org", "home"},
      {"http://example.org/search?q=secret", "example.org", "other"},
      {"about:blank", "example.org", "kiosk"},
      {"", "", "kiosk"},
      {"http://example.org/", "", "other"},
  };
  for (const auto& p : pages) EXPECT_EQ(PageKind(p.address, p.home), p.kind) << p.address;
}

// When the next scheduled power-off is, from a Wednesday, a Friday and a Saturday.
TEST(KioskStatusTest, TheNextPowerOff) {
  const LocalTime wednesday_noon{2026, 12, 9, 12, 0, 0, 3}, wednesday_late{2026, 12, 9, 23, 0, 0, 3};
  const LocalTime friday_late{2026, 12, 11, 23, 0, 0, 5}, saturday{2026, 12, 12, 10, 0, 0, 6};
  const TimeOfDay at_six{18, 0, 0};
  const struct {
    const char* what;
    PowerOffSettings settings;
    LocalTime now;
    std::optional<long> seconds;
  } cases[] = {
      {"off", {false, false, at_six}, wednesday_noon, std::nullopt},
      {"no time", {true, false, std::nullopt}, wednesday_noon, std::nullopt},
      {"later today", {true, false, at_six}, wednesday_noon, 6 * 3600},
      {"tomorrow", {true, false, at_six}, wednesday_late, 19 * 3600},
      {"a closed weekend: now", {true, true, at_six}, saturday, 0},
      {"Friday night, weekend closed: at midnight", {true, true, at_six}, friday_late, 3600},
      {"Friday night, weekend open: Saturday at six", {true, false, at_six}, friday_late, 19 * 3600},
  };
  for (const auto& c : cases) EXPECT_EQ(SecondsToNextPowerOff(c.settings, c.now), c.seconds) << c.what;
}

}  // namespace
}  // namespace panelia
