// Every visitor: the notice before the idle return, large text and high contrast from the bar, and
// all of it back to the operator's choice for the next visitor.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "harness.h"
#include "suite_fixture.h"
#include "touch_fixture.h"

namespace panelia::e2e {
namespace {

const std::string kNotice = "还在使用吗？请触摸屏幕继续 · Still there? Touch the screen to continue";

class AccessE2E : public TouchE2E {
 protected:
  // The word after `label` in the page's title ("b": the body's background, as rrggbb).
  std::string TitleWord(const std::string& label) {
    std::string title = Title();
    size_t at = title.find(" " + label);
    if (at == std::string::npos) return "";
    at += label.size() + 1;
    return title.substr(at, title.find(' ', at) - at);
  }
  bool NoticeShown() { return e2e::WindowWithTitle(display_.X(), kNotice) != 0; }
  // With PANELIA_E2E_SHOTS naming a folder, a picture of the screen there, to be looked at.
  void Shot(const std::string& name) {
    const char* folder = std::getenv("PANELIA_E2E_SHOTS");
    if (!folder) return;
    Process({"import", "-window", "root", std::string(folder) + "/" + name + ".png"}, env_.Env(), "", "").Wait(20s);
  }
};

// On a clock ten times as fast: two minutes' wait is twelve seconds, the notice a minute ahead six.
TEST_F(AccessE2E, AVisitorIsAskedBeforeTheIdleReturnAndATouchKeepsTheSession) {
  if (std::system("command -v faketime >/dev/null") != 0) GTEST_SKIP() << "faketime is not installed";
  Process kiosk = StartTouch({{Section::Advance, "IsAutoHome", 1},
                              {Section::Advance, "WaitTime", 2},
                              {Section::Advance, "WarnTime", 60},
                              {Section::Advance, "IsClearSession", 0},
                              {Section::Navigator, "BoardMode", 1}},
                             true, /*real_keyboard=*/true);
  // Nobody has touched it yet: its idle return (the page loaded afresh) comes without a notice.
  ASSERT_TRUE(PageReports(10)) << Title();
  bool noticed = false;
  int before = TitleFigure(" t");
  ASSERT_TRUE(WaitUntil(
      [&] {
        noticed |= NoticeShown();
        int now = TitleFigure(" t");
        bool reloaded = now >= 0 && now < before;
        before = std::max(before, now);
        return reloaded;
      },
      30s))
      << Title();
  EXPECT_FALSE(noticed) << "an untouched kiosk was warned";

  // A visitor touches the page's field (the keyboard comes), then leaves it alone: the notice comes,
  // over the whole screen, and the keyboard goes (it would cover the countdown and type beneath).
  int fingers = Figure("d");
  ASSERT_TRUE(fingers_.Tap(200, 40));
  ASSERT_TRUE(PageSawFinger(fingers));
  const Window keyboard = ShownKeyboard();
  ASSERT_NE(keyboard, 0u) << Title();
  ASSERT_TRUE(WaitUntil([&] { return NoticeShown(); }, 20s)) << Title();
  EXPECT_TRUE(WaitUntil([&] { return FindWindowsByClass(display_.X(), "GlyphdeckClass4.0").empty(); }, 5s));
  Window notice = e2e::WindowWithTitle(display_.X(), kNotice);
  EXPECT_EQ(OnScreen(notice), (panelia::ScreenRect{0, 0, 1280, 800}));
  Shot("idle-notice");
  // A touch on it, over the page's link: the notice goes, the page sees nothing of it.
  fingers = Figure("d");
  int ticks = TitleFigure(" t");
  ASSERT_TRUE(fingers_.Tap(100, 320));
  EXPECT_TRUE(WaitUntil([&] { return !NoticeShown(); }, 5s));
  // The session goes on: the page is not loaded afresh, and the notice comes again a wait later.
  ASSERT_TRUE(WaitUntil([&] { return NoticeShown(); }, 20s)) << Title();
  EXPECT_GE(TitleFigure(" t"), ticks) << "the page was loaded afresh: the session ended";
  EXPECT_EQ(Figure("d"), fingers) << "the touch on the notice reached the page";
  EXPECT_EQ(Title().rfind("T ", 0), 0u) << "the touch on the notice followed the link: " << Title();
  // Nobody answers: the idle return, and the notice goes with it.
  ticks = TitleFigure(" t");
  ASSERT_TRUE(WaitUntil([&] { return TitleFigure(" t") >= 0 && TitleFigure(" t") < ticks; }, 20s)) << Title();
  EXPECT_TRUE(WaitUntil([&] { return !NoticeShown(); }, 5s));
}

// The next visitor comes by the idle return's own wipe, sent by an operator: no idle return can come
// between two steps on a slow machine.
TEST_F(AccessE2E, LargeTextAndHighContrastFromTheBarUntilTheNextVisitor) {
  Process kiosk = StartTouch({{Section::Advance, "IsAutoHome", 0}, {Section::Advance, "IsClearSession", 0}}, false,
                             false, "access.html");
  WaitForBar();
  ASSERT_TRUE(PageReports(3)) << Title();
  const int base = TitleFigure(" h");
  const std::string page_ground = TitleWord("b");
  ASSERT_GT(base, 0) << Title();
  // Each touch of the large-text button a larger text, the largest last, then the operator's again.
  int last = base;
  for (int step = 0; step < 3; ++step) {
    ASSERT_TRUE(fingers_.Tap(50 + 100 * kLargeText, 760));
    EXPECT_TRUE(WaitUntil([&] { return TitleFigure(" h") > last; }, 10s)) << "step " << step << ": " << Title();
    last = TitleFigure(" h");
  }
  EXPECT_GE(last, base * 3 / 2) << "the largest text is not much larger";
  Shot("large-text");
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kLargeText, 760));
  EXPECT_TRUE(WaitUntil([&] { return TitleFigure(" h") == base; }, 10s)) << Title();
  // High contrast: black on white, strong links; and back.
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kContrast, 760));
  EXPECT_TRUE(WaitUntil([&] { return TitleWord("b") == "ffffff" && TitleWord("c") == "000000"; }, 10s)) << Title();
  EXPECT_EQ(TitleWord("l"), "0000c8") << Title();
  Shot("high-contrast");
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kContrast, 760));
  EXPECT_TRUE(WaitUntil([&] { return TitleWord("b") == page_ground; }, 10s)) << Title();
  // Both on, then the visitor leaves: the next one finds the operator's page as it is.
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kLargeText, 760));
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kContrast, 760));
  ASSERT_TRUE(WaitUntil([&] { return TitleWord("b") == "ffffff" && TitleFigure(" h") > base; }, 10s)) << Title();
  int ticks = TitleFigure(" t");
  EXPECT_EQ(Send({"wipe"}), 0);
  ASSERT_TRUE(WaitUntil([&] { return TitleFigure(" t") >= 0 && TitleFigure(" t") < ticks; }, 30s)) << Title();
  EXPECT_TRUE(PageReports(3));
  EXPECT_EQ(TitleFigure(" h"), base) << Title();
  EXPECT_EQ(TitleWord("b"), page_ground) << Title();
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

// A session bus of the test's own (the kiosk session's, where a reader and the accessibility bus
// meet), gone with the test.
class SessionBus {
 public:
  explicit SessionBus(const fs::path& dir) {
    fs::path out = dir / "dbus.txt";
    Process({"dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"}, {}, "", out.string())
        .Wait(10s);
    std::istringstream lines(ReadAll(out));
    std::getline(lines, address_);
    lines >> pid_;
  }
  ~SessionBus() {
    if (pid_ > 0) kill(pid_, SIGTERM);
  }
  const std::string& Address() const { return address_; }

 private:
  std::string address_;
  pid_t pid_ = 0;
};

// The speech server a test's reader started (it outlives the kiosk): found by the test's home in its
// environment, and ended.
void EndSpeechServerOf(const fs::path& root) {
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::string comm = ReadProcFile(entry.path() / "comm");
    if (comm.rfind("speech-dispatch", 0) != 0) continue;
    if (ReadProcFile(entry.path() / "environ").find("HOME=" + (root / "home").string()) == std::string::npos) continue;
    kill(std::stoi(entry.path().filename().string()), SIGTERM);
  }
}

// Orca speaking through speech-dispatcher, whose log keeps every text it receives and whose voice
// plays into a file (ALSA's file plugin): on a machine with neither loudspeaker nor sound server.
TEST_F(AccessE2E, TheScreenReaderReadsThePageAndTheBarUntilTheNextVisitor) {
  for (const char* program : {"orca", "speech-dispatcher", "dbus-daemon", "espeak-ng"})
    if (std::system((std::string("command -v ") + program + " >/dev/null").c_str()) != 0)
      GTEST_SKIP() << program << " is not installed";
  if (std::system("/usr/bin/python3 -c 'import pyatspi' 2>/dev/null") != 0) GTEST_SKIP() << "no pyatspi";
  fs::path speech = env_.Root() / "speech";
  fs::create_directories(speech);
  fs::path config = env_.Root() / "config" / "speech-dispatcher";
  fs::copy("/etc/speech-dispatcher", config, fs::copy_options::recursive);
  std::ofstream(config / "speechd.conf", std::ios::app)
      << "\nLogLevel 5\nLogDir \"" << speech.string() << "\"\nAudioOutputMethod \"alsa\"\n"
      << "DefaultModule espeak-ng\nAddModule \"espeak-ng\" \"sd_espeak-ng\" \"espeak-ng.conf\"\n";
  std::ofstream(env_.Root() / "home" / ".asoundrc") << "pcm.!default {\n  type file\n  slave.pcm \"null\"\n  file \""
                                                    << (speech / "voice.raw").string() << "\"\n  format \"raw\"\n}\n";
  SessionBus bus(env_.Root());
  struct SpeechServerEnds {
    fs::path root;
    ~SpeechServerEnds() { EndSpeechServerOf(root); }
  } speech_server_ends{env_.Root()};
  ASSERT_FALSE(bus.Address().empty());
  const std::map<std::string, std::string> with_bus = {
      {"DBUS_SESSION_BUS_ADDRESS", bus.Address()}, {"NO_AT_BRIDGE", ""}, {"PATH", "/usr/bin:/bin"}};
  Process kiosk = StartTouch({}, false, true, "reader.html", with_bus);
  WaitForBar();
  ASSERT_TRUE(TitleBecomes("Museum")) << Title();

  // What a reader can tell: the page's heading, link and button, the bar's buttons.
  auto env = env_.Env();
  env.insert(with_bus.begin(), with_bus.end());
  fs::path tree = env_.Root() / "tree.txt";
  ASSERT_EQ(Process({"/usr/bin/python3", std::string(PANELIA_SOURCE_DIR) + "/tests/e2e/a11y_tree.py", "panelia"}, env,
                    "", tree.string())
                .Wait(60s),
            0)
      << ReadAll(tree);
  for (const char* named : {"heading|Opening hours of the museum", "link|Visit the garden", "push button|Buy a ticket",
                            "link|large text", "link|reader"})
    EXPECT_NE(ReadAll(tree).find(named), std::string::npos) << named << " in\n" << ReadAll(tree);

  // The reader's button: the page is read from its heading, and a touched button's name.
  auto times_heard = [&](const std::string& text) {
    std::string log = ReadAll(speech / "speech-dispatcher.log");
    size_t count = 0;
    for (size_t at = log.find("DATA:|<speak>"); at != std::string::npos; at = log.find("DATA:|<speak>", at + 1)) {
      // Each text as the reader sent it, without the word marks it puts between the words.
      std::string said = log.substr(at, log.find('\n', at) - at);
      for (size_t mark = said.find("<mark "); mark != std::string::npos; mark = said.find("<mark ", mark))
        said.erase(mark, said.find("/>", mark) + 2 - mark);
      if (said.find(text) != std::string::npos) ++count;
    }
    return count;
  };
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kReader, 760));
  EXPECT_TRUE(WaitUntil([&] { return times_heard("Opening hours of the museum") > 0; }, 30s)) << env_.Log();
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kLargeText, 760));
  EXPECT_TRUE(WaitUntil([&] { return times_heard("large text") > 0; }, 20s));
  EXPECT_TRUE(
      WaitUntil([&] { return fs::exists(speech / "voice.raw") && fs::file_size(speech / "voice.raw") > 10000; }, 20s))
      << "no voice reached the sound file";
  // The keyboard opened while the reader runs names its keys.
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kKeyboard, 760));
  ASSERT_NE(ShownKeyboard(), 0u);
  fs::path keys = env_.Root() / "keys.txt";
  EXPECT_TRUE(WaitUntil(
      [&] {
        Process({"/usr/bin/python3", std::string(PANELIA_SOURCE_DIR) + "/tests/e2e/a11y_tree.py", "glyphdeck"}, env, "",
                keys.string())
            .Wait(60s);
        return ReadAll(keys).find("push button|Q\n") != std::string::npos;
      },
      30s))
      << ReadAll(keys);
  EXPECT_NE(ReadAll(keys).find("push button|空格 Space"), std::string::npos) << ReadAll(keys);

  // The next visitor: the reader stops; touched again, it starts afresh, and stops again.
  // This kiosk's reader (not one left by another program on the machine).
  // (By its process name: newer readers rewrite their command line.)
  const std::string this_kiosks = "pgrep -P " + std::to_string(kiosk.pid()) + " -x orca >/dev/null";
  auto orca_runs = [&] { return std::system(this_kiosks.c_str()) == 0; };
  ASSERT_TRUE(orca_runs());
  EXPECT_EQ(Send({"wipe"}), 0);
  EXPECT_TRUE(WaitUntil([&] { return !orca_runs(); }, 20s)) << "the reader still runs";
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kReader, 760));
  EXPECT_TRUE(WaitUntil(orca_runs, 20s)) << "no reader for the next visitor";
  EXPECT_EQ(Send({"wipe"}), 0);
  EXPECT_TRUE(WaitUntil([&] { return !orca_runs(); }, 20s)) << "the reader still runs";
}

// Without a reader installed, its button says so once to each visitor.
TEST_F(AccessE2E, WithoutAReaderTheButtonSaysSoOnce) {
  Process kiosk = StartTouch({}, false, false, "access.html", {{"PATH", "/nonexistent"}});
  WaitForBar();
  const std::string caption = "Panelia提示";
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kReader, 760));
  ASSERT_TRUE(WaitUntil([&] { return e2e::WindowWithTitle(display_.X(), caption) != 0; }, 15s));
  Shot("no-reader");
  Xdotool({"key", "Return"});
  ASSERT_TRUE(WaitUntil([&] { return e2e::WindowWithTitle(display_.X(), caption) == 0; }, 10s));
  // Again: nothing; the large-text button after it still answers (the first touch was seen).
  const int base = TitleFigure(" h");
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kReader, 760));
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kLargeText, 760));
  ASSERT_TRUE(WaitUntil([&] { return TitleFigure(" h") > base; }, 10s)) << Title();
  EXPECT_EQ(e2e::WindowWithTitle(display_.X(), caption), 0u) << "said twice";
}

}  // namespace
}  // namespace panelia::e2e
