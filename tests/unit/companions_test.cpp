#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>

#include "common/names.h"
#include "common/settings.h"
#include "fakes.h"
#include "shell/companions.h"
#include "platform/store/sqlite_registry.h"
#include "shell/exit_dialog.h"
#include "temp_dir.h"

namespace panelia {
namespace {

using test::CallLog;
using test::MemoryRegistry;
using Calls = std::vector<std::string>;

// The exit dialog's hooks (close the keyboard, leave full screen) where a test does not count them.
void Nothing() {}

// A display with windows by class, recording every message and close request.
class FakeWindows : public WindowSystem, public ProgramLauncher, public CompanionPort, public TimerService {
 public:
  explicit FakeWindows(CallLog& log) : log_(log) {}
  std::optional<WindowHandle> FindWindowByClass(std::string_view c) override {
    auto it = windows.find(std::string(c));
    return it == windows.end() ? std::nullopt : std::optional<WindowHandle>(it->second);
  }
  std::optional<WindowHandle> FindWindowByTitle(std::string_view t) override { return FindWindowByClass(t); }
  bool IsWindowOfClass(WindowHandle w, std::string_view c) override { return FindWindowByClass(c) == w; }
  std::optional<int32_t> SendMessage(WindowHandle w, std::string_view m, int32_t wp, int32_t) override {
    log_.Add("send " + std::to_string(w) + " " + std::string(m.substr(0, m.find('-'))) + " " + std::to_string(wp));
    if (hung) return std::nullopt;
    return 0;
  }
  bool PostMessage(WindowHandle w, std::string_view m, int32_t wp, int32_t) override {
    log_.Add("post " + std::to_string(w) + " " + std::string(m.substr(0, m.find('-'))) + " " + std::to_string(wp));
    return true;
  }
  void SendClose(WindowHandle w) override { log_.Add("close " + std::to_string(w)); }
  void SetTopMost(WindowHandle w) override { log_.Add("topmost " + std::to_string(w)); }
  std::optional<ScreenRect> WindowRect(WindowHandle w) override {
    auto it = rects.find(w);
    return it == rects.end() ? std::nullopt : std::optional<ScreenRect>(it->second);
  }
  std::string WindowText(WindowHandle, std::string_view) override { return {}; }
  void MoveWindow(WindowHandle w, int x, int y) override {
    log_.Add("move " + std::to_string(w) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  bool Start(const std::string& path, ShowCommand show) override {
    log_.Add("start " + path + " " + std::to_string(static_cast<int>(show)));
    if (appears_after_start) windows[std::string(kGlyphdeckClass)] = 7;
    return start_ok;
  }
  void SetTimer(int id, int ms) override { log_.Add("set-timer " + std::to_string(id) + " " + std::to_string(ms)); }
  void KillTimer(int id) override { log_.Add("kill-timer " + std::to_string(id)); }
  void FocusMainFrame() override { log_.Add("focus-frame"); }
  void ShowNotice(const std::string& text, const std::string& caption) override {
    log_.Add("notice " + text + " | " + caption);
  }

  std::map<std::string, WindowHandle> windows;
  std::map<WindowHandle, ScreenRect> rects;
  bool hung = false, start_ok = true, appears_after_start = false;

 private:
  CallLog& log_;
};

class CompanionsTest : public ::testing::Test {
 protected:
  CompanionsTest() : fake_(log_), companions_(store_, fake_, fake_, fake_, fake_, "/k/") {}
  CallLog log_;
  MemoryRegistry store_;
  FakeWindows fake_;
  CCompanions companions_;
};

TEST_F(CompanionsTest, MusicRequestsAreLatchedAndAbsentPlayerKeepsTheFlag) {
  companions_.RequestMusicOn();  // no player yet: nothing sent, flag stays false
  EXPECT_FALSE(companions_.MusicRequested());
  fake_.windows[std::string(kSonavelleClass)] = 3;
  companions_.RequestMusicOn();
  companions_.RequestMusicOn();  // two allowed pages in a row: one request
  companions_.RequestMusicOff();
  companions_.RequestMusicOff();
  fake_.windows.clear();
  companions_.RequestMusicOn();
  fake_.windows[std::string(kSonavelleClass)] = 3;
  fake_.hung = true;
  companions_.RequestMusicOn();  // a hung player: posted, nobody waits for it
  fake_.windows.clear();
  companions_.RequestMusicOff();  // player gone: the flag stays true
  EXPECT_TRUE(companions_.MusicRequested());
  EXPECT_EQ(log_.Calls(), (Calls{"post 3 MUSIC 0", "post 3 MUSIC 0", "post 3 MUSIC 0"}));
}

TEST_F(CompanionsTest, CloseSuiteClosesKeyboardPlayerThenOwnFrame) {
  fake_.windows = {
      {std::string(kGlyphdeckClass), 1}, {std::string(kSonavelleClass), 2}, {std::string(kPaneliaClass), 3}};
  companions_.CloseSuite();
  EXPECT_EQ(log_.Calls(), (Calls{"close 1", "close 2", "close 3"}));
  log_.Clear();
  CCompanions own(store_, fake_, fake_, fake_, fake_, "/k/", WindowHandle{9});
  own.CloseSuite();  // another kiosk's window is not this one's to close
  EXPECT_EQ(log_.Calls(), (Calls{"close 1", "close 2", "close 9"}));
  log_.Clear();
  fake_.windows = {{std::string(kOptionsWindowTitle), 4}, {std::string(kGlyphdeckClass), 1}};
  companions_.CloseCompanions();
  EXPECT_EQ(log_.Calls(), (Calls{"close 1", "close 4"}));
}

TEST_F(CompanionsTest, BackgroundMusicStartsOnceMinimisedAndReportsFailureOnce) {
  companions_.StartBackgroundMusic(false);
  EXPECT_TRUE(log_.Calls().empty());
  fake_.start_ok = false;
  companions_.StartBackgroundMusic(true);
  companions_.StartBackgroundMusic(true);
  EXPECT_EQ(log_.Calls(), (Calls{"set-timer 3 2000", "start /k/sonavelle 6",
                                 "notice 启动背景音乐播放失败，背景音乐将无法正常播放。 | Panelia提示",
                                 "set-timer 3 2000", "start /k/sonavelle 6"}));
  companions_.OnTimer(CCompanions::kPlayerPollTimer);
  EXPECT_EQ(log_.Calls().size(), 5u) << "no player started, none waited for";
  log_.Clear();
  fake_.windows[std::string(kSonavelleClass)] = 3;
  companions_.StartBackgroundMusic(true);
  EXPECT_EQ(log_.Calls(), Calls{"set-timer 3 2000"}) << "a running player is not started again, only watched";
}

// The first page asks for music before the player just started has a window: the request is made
// as soon as the window is there, and only if the page still wants music.
TEST_F(CompanionsTest, APlayerJustStartedGetsTheCurrentPagesWish) {
  const struct {
    const char* what;
    std::vector<std::string> pages;  // "on" / "off", before the window appears
    int ticks_before_window;
    Calls expected_after_start;
  } cases[] = {
      {"music wanted", {"on"}, 3, {"kill-timer 2", "post 3 MUSIC 0"}},
      {"then a stop page", {"on", "off"}, 3, {"kill-timer 2"}},
      {"nothing asked yet", {}, 0, {"kill-timer 2"}},
      {"the window never comes", {"on"}, 40, {"kill-timer 2"}},
  };
  for (const auto& c : cases) {
    CallLog log;
    FakeWindows fake(log);
    CCompanions companions(store_, fake, fake, fake, fake, "/k/");
    companions.StartBackgroundMusic(true);
    for (const auto& page : c.pages) page == "on" ? companions.RequestMusicOn() : companions.RequestMusicOff();
    for (int i = 0; i < c.ticks_before_window; ++i) companions.OnTimer(CCompanions::kPlayerPollTimer);
    fake.windows[std::string(kSonavelleClass)] = 3;
    companions.OnTimer(CCompanions::kPlayerPollTimer);
    companions.OnTimer(CCompanions::kPlayerPollTimer);
    Calls expected = {"set-timer 3 2000", "start /k/sonavelle 6", "set-timer 2 250"};
    expected.insert(expected.end(), c.expected_after_start.begin(), c.expected_after_start.end());
    EXPECT_EQ(log.Calls(), expected) << c.what;
  }
}

// A killed player comes back while music is on and is told the page's wish; one that keeps dying
// is started after ever longer waits; closing the suite starts nothing again.
TEST_F(CompanionsTest, AGonePlayerIsStartedAgainWithGrowingWaits) {
  const std::string player(kSonavelleClass);
  fake_.windows[player] = 3;
  companions_.StartBackgroundMusic(true);
  companions_.RequestMusicOn();
  auto starts_within = [&](int looks) {
    for (int i = 1; i <= looks; ++i) {
      log_.Clear();
      companions_.OnTimer(CCompanions::kPlayerWatchTimer);
      if (!log_.Calls().empty() && log_.Calls()[0] == "start /k/sonavelle 6") return i;
    }
    return 0;
  };
  fake_.windows.clear();  // killed
  const int waits[] = {1, 2, 4, 8, 16, 30, 30};
  for (int wait : waits) {
    EXPECT_EQ(starts_within(40), wait);
    fake_.windows[player] = 3;
    log_.Clear();
    companions_.OnTimer(CCompanions::kPlayerPollTimer);  // its window is there: the wish goes to it
    EXPECT_EQ(log_.Calls(), (Calls{"kill-timer 2", "post 3 MUSIC 0"})) << wait;
    fake_.windows.clear();
  }
  fake_.windows[player] = 3;
  for (int i = 0; i < CCompanions::kLongestRestartWait; ++i) companions_.OnTimer(CCompanions::kPlayerWatchTimer);
  fake_.windows.clear();
  EXPECT_EQ(starts_within(40), 1) << "a minute up: the count starts afresh";
  fake_.windows[player] = 3;
  companions_.OnTimer(CCompanions::kPlayerPollTimer);
  companions_.CloseSuite();
  fake_.windows.clear();
  EXPECT_EQ(starts_within(40), 0) << "closing: nothing comes back";
}

TEST_F(CompanionsTest, ShowKeyboardWatchesForItsWindowOnATimerThenGivesTheFocusBack) {
  companions_.ShowKeyboard(true, 0);
  companions_.OnTimer(CCompanions::kKeyboardPollTimer);
  companions_.ShowKeyboard(true, 0);  // a second touch while it starts: not started twice
  EXPECT_EQ(log_.Calls(), (Calls{"start /k/glyphdeck 5", "set-timer 1 400"}));
  fake_.windows[std::string(kGlyphdeckClass)] = 7;
  companions_.OnTimer(CCompanions::kKeyboardPollTimer);
  EXPECT_EQ(log_.Calls(), (Calls{"start /k/glyphdeck 5", "set-timer 1 400", "kill-timer 1", "focus-frame"}));

  log_.Clear();
  companions_.ShowKeyboard(true, 0);                     // running: only raised
  companions_.OnTimer(CCompanions::kKeyboardPollTimer);  // a late tick of the finished wait does nothing
  EXPECT_EQ(log_.Calls(), (Calls{"topmost 7"}));

  log_.Clear();
  fake_.windows.clear();
  companions_.ShowKeyboard(true, 1);  // never appears: eleven waits of 400 ms, 4.4 s at most
  for (int tick = 1; tick <= 10; ++tick) companions_.OnTimer(CCompanions::kKeyboardPollTimer);
  EXPECT_EQ(log_.Calls(), (Calls{"start /k/tallypane 5", "set-timer 1 400"}));
  companions_.OnTimer(CCompanions::kKeyboardPollTimer);
  EXPECT_EQ(log_.Calls(), (Calls{"start /k/tallypane 5", "set-timer 1 400", "kill-timer 1", "focus-frame"}));

  log_.Clear();
  companions_.ShowKeyboard(false, 0);  // not activated: started, nobody waits
  EXPECT_EQ(log_.Calls(), (Calls{"start /k/glyphdeck 5"}));
}

TEST_F(CompanionsTest, ToggleKeyboardStartsThenClosesWithBoardTypeReadAfresh) {
  companions_.ToggleKeyboard();
  store_.Put(Hive::LocalMachine, SectionPath(Section::Navigator), "BoardType", RegValue::Dword(1));
  companions_.ToggleKeyboard();
  fake_.windows[std::string(kGlyphdeckClass)] = 5;
  companions_.ToggleKeyboard();
  EXPECT_EQ(log_.Calls(), (Calls{"start /k/glyphdeck 5", "start /k/tallypane 5", "close 5"}));
}

class RecordingExitPort : public ExitDialogPort {
 public:
  std::string EnteredText() override { return entered; }
  void EnableOk(bool e) override { calls.push_back(e ? "ok-on" : "ok-off"); }
  void SetCountText(const std::string& t) override { count = t; }
  void StartTimer(int id, int ms) override {
    calls.push_back("timer " + std::to_string(id) + " " + std::to_string(ms));
  }
  void ShowWrongPassword() override { calls.push_back("wrong"); }
  void ShowWaitBeforeRetry(int seconds) override { calls.push_back("wait " + std::to_string(seconds)); }
  void ShowStoreUnreadable() override { calls.push_back("store-unreadable"); }
  void EndDialog(int r) override { calls.push_back("end " + std::to_string(r)); }
  std::string entered, count;
  Calls calls;
};

// A back-off that never makes a test wait: at most four wrong entries per dialog in these tests.
struct FreeBackoff : PasswordBackoff {
  FreeBackoff() : PasswordBackoff([] { return uint64_t{0}; }, nullptr) {}
};

TEST(PasswordTest, NormalisesCaseAndSurroundingSpaceOnly) {
  struct Case {
    const char* text;
    const char* normal;
  } cases[] = {{"  Kiosk8 \t", "kiosk8"}, {"ABC def", "abc def"}, {"中文Ab", "中文ab"}, {"   ", ""}, {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(NormalizePassword(c.text), c.normal) << c.text;
}

TEST(ExitDialogTest, AcceptsOnlyTheStoredPasswordAndFailsClosedWhenUnreadable) {
  struct Case {
    const char* what;
    std::optional<RegValue> stored;
    std::string entered;
    bool accepted;
    bool store_fails = false;
  } cases[] = {
      {"same", RegValue::Text("Kiosk8"), "kiosk8", true},
      {"case and spaces differ", RegValue::Text(" kiosk8 "), "KIOSK8  ", true},
      {"different", RegValue::Text("kiosk8"), "kiosk9", false},
      {"absent: spaces open", std::nullopt, "  ", true},
      {"empty: spaces open", RegValue::Text(""), " ", true},
      {"absent: text does not", std::nullopt, "x", false},
      {"unreadable (300 bytes): nothing opens", RegValue::Text(std::string(300, 'p')), " ", false},
      {"unreadable: not even itself", RegValue::Text(std::string(300, 'p')), std::string(300, 'p'), false},
      {"a number is no password", RegValue::Dword(1234), " ", true},
      {"hashed", RegValue::Text(*HashPassword(" Kiosk8")), "KIOSK8 ", true},
      {"hashed, different", RegValue::Text(*HashPassword("kiosk8")), "kiosk9", false},
      {"hashed, the hash itself is no password",
       RegValue::Text("$y$j9T$abcdefghijklmnopqrstu$0123456789abcdefghijklmnopqrstuvwxyzABCDE"),
       "$y$j9T$abcdefghijklmnopqrstu$0123456789abcdefghijklmnopqrstuvwxyzABCDE", false},
      {"a damaged hash opens nothing", RegValue::Text("$y$broken-hash-of-some-length"), " ", false},
      {"store unreadable: spaces do not open", std::nullopt, "  ", false, true},
      {"store unreadable: not even the right one", RegValue::Text("kiosk8"), "kiosk8", false, true},
  };
  for (const auto& c : cases) {
    MemoryRegistry store;
    if (c.stored) store.Put(Hive::LocalMachine, SectionPath(Section::General), "Password", *c.stored);
    RecordingExitPort port;
    FreeBackoff backoff;
    CExitPasswordDlg dialog(store, port, backoff, Nothing, Nothing);
    port.entered = c.entered;
    store.fail_reads = c.store_fails;
    dialog.OnOk();
    const char* refusal = c.store_fails ? "store-unreadable" : "wrong";
    EXPECT_EQ(port.calls, (Calls{c.accepted ? "end 1" : refusal})) << c.what;
    if (c.store_fails) {
      // The same entry is judged afresh once the store reads again.
      store.fail_reads = false;
      port.calls.clear();
      dialog.OnOk();
      EXPECT_EQ(port.calls, (Calls{"end 1"})) << c.what;
    }
  }
}

// A password kept apart is the checker's to judge, wait included; without a checker, or typed as the
// mark itself, nothing opens.
TEST(ExitDialogTest, APasswordKeptApartIsTheCheckersToJudge) {
  struct Checker : PasswordChecker {
    Answer answer;
    std::string asked;
    Answer Check(const std::string& entered) override {
      asked = entered;
      return answer;
    }
  };
  using V = PasswordChecker::Verdict;
  const struct {
    std::optional<PasswordChecker::Answer> answer;  // nullopt: no checker
    const char* shown;
  } cases[] = {
      {PasswordChecker::Answer{V::Right, 0}, "end 1"},
      {PasswordChecker::Answer{V::Wrong, 0}, "wrong"},
      {PasswordChecker::Answer{V::Wait, 40}, "wait 40"},
      {PasswordChecker::Answer{V::Unreadable, 0}, "store-unreadable"},
      {std::nullopt, "store-unreadable"},
  };
  for (const auto& c : cases) {
    MemoryRegistry store;
    store.Put(Hive::LocalMachine, SectionPath(Section::General), "Password",
              RegValue::Text(std::string(kPasswordKeptApart)));
    RecordingExitPort port;
    FreeBackoff backoff;
    Checker checker;
    if (c.answer) checker.answer = *c.answer;
    CExitPasswordDlg dialog(store, port, backoff, Nothing, Nothing, c.answer ? &checker : nullptr);
    port.entered = std::string(kPasswordKeptApart);
    dialog.OnOk();
    EXPECT_EQ(port.calls, (Calls{c.shown})) << c.shown;
    EXPECT_EQ(checker.asked, c.answer ? kPasswordKeptApart : "");
  }
  EXPECT_FALSE(PasswordMatches(kPasswordKeptApart, kPasswordKeptApart));
}

// A store another process holds locked, and a corrupt one: neither lets any entry leave.
TEST(ExitDialogTest, RealStoreThatCannotBeReadAcceptsNothing) {
  test::TempDir dir;
  RegistryFiles files{dir.path() / "HKEY_LOCAL_MACHINE.db", dir.path() / "HKEY_CURRENT_USER.db"};
  SqliteRegistry store(files);
  ASSERT_TRUE(store.Apply({{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General), "Password",
                            RegValue::Text("kiosk8")}}));
  RecordingExitPort port;
  FreeBackoff backoff;
  CExitPasswordDlg dialog(store, port, backoff, Nothing, Nothing);
  auto try_entry = [&](const std::string& entry) {
    port.calls.clear();
    port.entered = entry;
    dialog.OnOk();
    return port.calls;
  };

  int locked[2], release[2];
  ASSERT_EQ(pipe(locked), 0);
  ASSERT_EQ(pipe(release), 0);
  pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    sqlite3* db = nullptr;
    sqlite3_open(files.local_machine.c_str(), &db);
    int rc = sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; UPDATE vals SET type=type", nullptr,
                          nullptr, nullptr);
    char byte = rc == SQLITE_OK ? 1 : 0;
    if (write(locked[1], &byte, 1) != 1) _exit(2);
    if (read(release[0], &byte, 1) != 1) _exit(3);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(locked[0], &byte, 1), 1);
  ASSERT_EQ(byte, 1) << "the other process holds the store";
  EXPECT_EQ(try_entry(" "), (Calls{"store-unreadable"}));
  EXPECT_EQ(try_entry("kiosk8"), (Calls{"store-unreadable"}));
  ASSERT_EQ(write(release[1], &byte, 1), 1);
  int status = 0;
  waitpid(holder, &status, 0);
  EXPECT_EQ(try_entry(" "), (Calls{"wrong"}));
  EXPECT_EQ(try_entry("KIOSK8 "), (Calls{"end 1"}));

  // A corrupt store file: the same.
  RecordingExitPort corrupt_port;
  CExitPasswordDlg corrupt_dialog(store, corrupt_port, backoff, Nothing, Nothing);
  std::filesystem::remove(files.local_machine.string() + "-wal");
  std::filesystem::remove(files.local_machine.string() + "-shm");
  std::ofstream(files.local_machine, std::ios::binary | std::ios::trunc) << std::string(4096, '\x5a');
  corrupt_port.entered = " ";
  corrupt_dialog.OnOk();
  EXPECT_EQ(corrupt_port.calls, (Calls{"store-unreadable"}));
}

// Seventy guesses a minute get nowhere: five are free, then each waits, 30 s doubling; the right
// password (once the wait is over) or an hour's quiet starts the count afresh.
TEST(ExitDialogTest, WrongGuessesWaitLongerEachTime) {
  MemoryRegistry store;
  store.Put(Hive::LocalMachine, SectionPath(Section::General), "Password", RegValue::Text(*HashPassword("8888x")));
  uint64_t now = 1000000;
  std::vector<std::string> logged;
  PasswordBackoff backoff([&] { return now; }, [&](const std::string& line) { logged.push_back(line); });
  RecordingExitPort port;
  auto dialog = std::make_unique<CExitPasswordDlg>(store, port, backoff, Nothing, Nothing);
  auto guess = [&](const std::string& entry) {
    port.calls.clear();
    port.entered = entry;
    dialog->OnOk();
    return port.calls;
  };
  for (int i = 1; i < PasswordBackoff::kFreeTries; ++i) EXPECT_EQ(guess("1234"), Calls{"wrong"}) << i;
  EXPECT_EQ(guess("1234"), Calls{"wait 30"});
  const struct {
    uint64_t after_ms;
    const char* entry;
    Calls calls;
  } steps[] = {
      {1000, "8888x", {"wait 29"}},  // even the right one waits: nothing is compared meanwhile
      {29000, "1234", {"wait 60"}},  // the wait is over; wrong again: twice as long
      {60000, "1234", {"wait 120"}}, {120000, "1234", {"wait 240"}}, {240000, "8888x", {"end 1"}},
  };
  for (const auto& s : steps) {
    now += s.after_ms;
    EXPECT_EQ(guess(s.entry), s.calls) << s.after_ms;
  }
  EXPECT_EQ(backoff.WrongInARow(), 0);
  EXPECT_EQ(logged.front(), "a wrong exit password (1 in a row)");
  EXPECT_EQ(logged.back(), "the exit password was given after 8 wrong ones");
  // Long runs stop doubling at 16 minutes, in the next dialog too; an hour after the last wrong one
  // the count is forgotten.
  dialog = std::make_unique<CExitPasswordDlg>(store, port, backoff, Nothing, Nothing);
  for (int i = 0; i < 12; ++i) {
    now += static_cast<uint64_t>(backoff.WaitSeconds()) * 1000;
    guess("1");
  }
  EXPECT_EQ(backoff.WaitSeconds(), 16 * 60);
  now += PasswordBackoff::kForgetAfterMs;
  EXPECT_EQ(guess("1"), Calls{"wrong"});
  EXPECT_EQ(backoff.WrongInARow(), 1);
}

TEST(PasswordTest, HashesAreSaltedAndTheDemoPasswordIsKnownEitherWay) {
  auto a = HashPassword("8888"), b = HashPassword("8888");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->rfind("$y$", 0), 0u) << *a;
  EXPECT_NE(*a, *b) << "a fresh salt each time";
  EXPECT_TRUE(IsPasswordHash(*a));
  const struct {
    std::string stored;
    bool demo;
  } cases[] = {{"8888", true}, {" 8888 ", true}, {*a, true}, {*HashPassword("kiosk"), false},
               {"", false},    {"$8888", false}};
  for (const auto& c : cases) EXPECT_EQ(IsDemoPassword(c.stored), c.demo) << c.stored;
  EXPECT_FALSE(IsPasswordHash("$money$"));
  // Short: under six characters as a visitor types them (spaces around do not count, a Chinese
  // character is one); a hash or the kept-apart mark is no password to judge.
  const struct {
    std::string plain;
    bool short_one;
  } lengths[] = {{"8888", true},
                 {"  12345  ", true},
                 {"123456", false},
                 {"密码五个字", true},
                 {"六个字的密码", false},
                 {*a, false},
                 {std::string(kPasswordKeptApart), false}};
  for (const auto& l : lengths) EXPECT_EQ(IsShortPassword(l.plain), l.short_one) << l.plain;
}

TEST(ExitDialogTest, CountsDownFromFiftyShowingTwentyFirst) {
  MemoryRegistry store;
  RecordingExitPort port;
  FreeBackoff backoff;
  int keyboard_closed = 0, toggled = 0;
  auto close_keyboard = [&] { ++keyboard_closed; };
  auto toggle = [&] { ++toggled; };
  CExitPasswordDlg dialog(store, port, backoff, close_keyboard, toggle);
  dialog.OnInitDialog();
  EXPECT_EQ(port.count, "20");
  EXPECT_EQ(port.calls, (Calls{"ok-off", "timer 1 1000"}));
  port.entered = "a";
  dialog.OnEditChange();
  port.entered = "";
  dialog.OnEditChange();
  for (int s = 1; s <= 10; ++s) dialog.OnTimer(1);
  EXPECT_EQ(port.count, "40");
  dialog.OnSoftKeyboard();
  dialog.OnSoftKeyboard();
  for (int s = 11; s <= 49; ++s) dialog.OnTimer(1);
  EXPECT_EQ(port.count, "1");
  EXPECT_FALSE(dialog.Ended());
  dialog.OnTimer(1);
  dialog.OnTimer(1);
  EXPECT_TRUE(dialog.Ended());
  EXPECT_EQ(port.calls, (Calls{"ok-off", "timer 1 1000", "ok-on", "ok-off", "end 2"}));
  EXPECT_EQ(keyboard_closed, 1);
  EXPECT_EQ(toggled, 2);
}

class RecordingExit : public ExitDialogs {
 public:
  void RunExitPasswordDialog(std::function<void(int)> done) override {
    calls.push_back("password");
    pending_password = std::move(done);
  }
  void AskToQuit(std::function<void(bool)> done) override {
    calls.push_back("question");
    pending_question = std::move(done);
  }
  std::function<void(int)> pending_password;
  std::function<void(bool)> pending_question;
  Calls calls;
};

// The quit question alone never ends a full-screen kiosk: a visitor would answer Yes. Each exit
// names its cause in the log; nothing closes before the last answer.
TEST(RequestExitTest, EveryPathClosesOnlyOnceAnsweredAndSaysWhy) {
  RecordingExit e;
  auto close = [&] { e.calls.push_back("close-suite"); };
  std::vector<std::string> logged;
  auto log = [&](const std::string& line) { logged.push_back(line); };
  constexpr int kNo = -1;  // a dialog that is never asked
  struct Case {
    bool with_password, full_screen;
    int password;  // the dialog's result
    int yes;       // the question's answer
    Calls calls;
    std::string cause;
  } cases[] = {
      {true, true, CExitPasswordDlg::kCancel, kNo, {"password"}, ""},
      {true, false, CExitPasswordDlg::kOk, kNo, {"password", "close-suite"}, "the exit password was given"},
      {false, false, kNo, 0, {"question"}, ""},
      {false, false, kNo, 1, {"question", "close-suite"}, "the quit question was answered yes"},
      {false, true, CExitPasswordDlg::kCancel, kNo, {"password"}, ""},
      {false, true, CExitPasswordDlg::kOk, 0, {"password", "question"}, ""},
      {false,
       true,
       CExitPasswordDlg::kOk,
       1,
       {"password", "question", "close-suite"},
       "the exit password was given and the quit question answered yes"},
  };
  for (const auto& c : cases) {
    e.calls.clear();
    logged.clear();
    RequestExit(e, c.with_password, c.full_screen, "a quit link", close, log);
    EXPECT_EQ(e.calls.size(), 1u) << "nothing closes before the answer";
    if (c.password != kNo) e.pending_password(c.password);
    if (c.yes != kNo) e.pending_question(c.yes == 1);
    EXPECT_EQ(e.calls, c.calls) << c.with_password << c.full_screen;
    if (c.cause.empty())
      EXPECT_TRUE(logged.empty());
    else
      EXPECT_EQ(logged, (std::vector<std::string>{"leaving the kiosk: " + c.cause + " (a quit link)"}));
  }
}

}  // namespace
}  // namespace panelia

// X11 after gtest and the rest: its None and Bool macros break other headers' names.
#include "platform/x11/message_receiver.h"

namespace panelia {
namespace {

// Any program on the display can send the kiosk a client message with any words in it.
TEST(MessageDecoding, OnlyKnownNamesInThirtyTwoBitFormatAndOnlyTheLowWords) {
  const std::vector<std::string_view> known = {kOpenUrlMessage, kInputMethodMessage};
  const struct {
    std::string_view name;
    int format;
    long words[5];
    bool decoded;
    int32_t wparam, lparam;
  } cases[] = {
      {kOpenUrlMessage, 32, {3, 0, 0x400001, 7, 0}, true, 3, 0},
      {kInputMethodMessage, 32, {-1, 0, 0, 0, 0}, true, -1, 0},
      {kOpenUrlMessage, 32, {0x1'0000'0005L, -0x1'0000'0000L, 0, 0, 0}, true, 5, 0},  // high bits dropped
      {kOpenUrlMessage, 32, {0xFFFF'FFFFL, 0x8000'0000L, 0, 0, 0}, true, -1, INT32_MIN},
      {kOpenUrlMessage, 8, {3, 0, 0, 0, 0}, false, 0, 0},
      {kOpenUrlMessage, 16, {3, 0, 0, 0, 0}, false, 0, 0},
      {"OPEN-URL", 32, {3, 0, 0, 0, 0}, false, 0, 0},  // a prefix is another name
      {"", 32, {3, 0, 0, 0, 0}, false, 0, 0},
      {kMusicPlayMessage, 32, {0, 0, 0, 0, 0}, false, 0, 0},  // not the kiosk's
  };
  for (const auto& c : cases) {
    auto m = x11::DecodeMessageFields(c.name, c.format, c.words, known);
    ASSERT_EQ(m.has_value(), c.decoded) << c.name << " format " << c.format;
    if (!m) continue;
    EXPECT_EQ(m->name, c.name);
    EXPECT_EQ(std::pair(m->wparam, m->lparam), std::pair(c.wparam, c.lparam)) << c.words[0];
    EXPECT_EQ(m->reply_to, static_cast<Window>(c.words[2]));
    EXPECT_EQ(m->serial, c.words[3]);
  }
}

// A field the keyboard (at y 500, 300 high, x 100..1100) would cover: the page scrolls it above the
// keyboard as far as it can, and the keyboard moves above it for the rest.
TEST(FieldFollowTest, TheFieldStaysAboveTheKeyboard) {
  const ScreenRect keyboard{100, 500, 1000, 300};
  const struct {
    const char* what;
    ScreenRect field;
    int room;
    FieldFollow follow;
  } cases[] = {
      {"well above", {20, 100, 400, 40}, 1000, {}},
      {"just above, with the margin", {20, 452, 400, 40}, 1000, {}},
      {"touching the margin", {20, 453, 400, 40}, 1000, {1, std::nullopt}},
      {"beside the keyboard", {1150, 600, 100, 40}, 1000, {}},
      {"below the keyboard", {20, 820, 400, 40}, 1000, {}},
      {"covered, room enough", {20, 700, 400, 40}, 1000, {248, std::nullopt}},
      {"covered, no room", {20, 700, 400, 40}, 0, {0, ScreenRect{100, 392, 1000, 300}}},
      {"covered, some room", {20, 700, 400, 40}, 100, {100, ScreenRect{100, 292, 1000, 300}}},
      {"covered just below the keyboard's top", {20, 520, 400, 40}, 0, {0, ScreenRect{100, 212, 1000, 300}}},
      {"negative room counts as none", {20, 700, 400, 40}, -5, {0, ScreenRect{100, 392, 1000, 300}}},
  };
  for (const auto& c : cases) EXPECT_EQ(KeepFieldAboveKeyboard(c.field, keyboard, c.room), c.follow) << c.what;
  // No room above the field for the whole keyboard: it goes to the screen's top edge.
  EXPECT_EQ(KeepFieldAboveKeyboard({20, 300, 400, 40}, {100, 200, 1000, 500}, 0),
            (FieldFollow{0, ScreenRect{100, 0, 1000, 500}}));
}

// The keyboard being started has no window yet: the field waits for it, looked for every 100 ms.
TEST_F(CompanionsTest, AFieldWaitsForTheKeyboardToShow) {
  int scrolled = 0;
  companions_.FollowField({20, 700, 400, 40}, 0, [&](int dy) { scrolled += dy; });
  EXPECT_EQ(log_.Calls(), (Calls{"set-timer 4 100"}));
  log_.Clear();
  companions_.OnTimer(CCompanions::kFollowTimer);  // not there yet
  fake_.windows[std::string(kGlyphdeckClass)] = 7;
  companions_.OnTimer(CCompanions::kFollowTimer);  // there, but not shown yet
  fake_.rects[7] = {100, 500, 1000, 300};
  companions_.OnTimer(CCompanions::kFollowTimer);
  EXPECT_EQ(log_.Calls(), (Calls{"move 7 100,392", "kill-timer 4"}));
  EXPECT_EQ(scrolled, 0);

  log_.Clear();
  companions_.FollowField({20, 700, 400, 40}, 1000, [&](int dy) { scrolled += dy; });
  EXPECT_EQ(scrolled, 248) << "the keyboard is there: at once";
  EXPECT_TRUE(log_.Calls().empty());

  // Closed meanwhile: nothing follows any more.
  fake_.windows.clear();
  companions_.FollowField({20, 700, 400, 40}, 1000, [&](int dy) { scrolled += dy; });
  companions_.CloseKeyboard();
  fake_.windows[std::string(kGlyphdeckClass)] = 7;
  companions_.OnTimer(CCompanions::kFollowTimer);
  EXPECT_EQ(scrolled, 248);
}

// A partner's first showing from the show command it was started with, with and without a window
// manager to minimise it.
TEST(FirstShowingTest, MinimisedOnlyWhereAWindowManagerCanDoIt) {
  using F = FirstShowing;
  const struct {
    int command;
    F with_manager, without;
  } cases[] = {
      {0, F::Shown, F::Shown},      {1, F::Shown, F::Shown},      {5, F::Shown, F::Shown},
      {2, F::Minimised, F::Hidden}, {6, F::Minimised, F::Hidden}, {7, F::MinimisedWithoutFocus, F::Hidden},
      {-6, F::Shown, F::Shown},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FirstShowingOf(c.command, true), c.with_manager) << c.command;
    EXPECT_EQ(FirstShowingOf(c.command, false), c.without) << c.command;
  }
}

}  // namespace
}  // namespace panelia
