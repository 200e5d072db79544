// Sonavelle as Panelia and a visitor meet it: it plays only beside Panelia, answers the two music
// requests once they are done, goes from song to song, and refuses a song that has gone.
#include <gtest/gtest.h>

#include <X11/Xatom.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "common/settings.h"
#include "harness.h"
#include "platform/x11/messages.h"

namespace panelia::e2e {
namespace {

namespace fs = std::filesystem;

class MusicE2E : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    music_ = env_.Root() / "music";
    fs::create_directories(music_);
  }
  void Settings(uint32_t mode) {
    ASSERT_TRUE(env_.Store().Apply({{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Music),
                                     "MusicPath", RegValue::Text(music_.string())},
                                    {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Music),
                                     "PlayMode", RegValue::Dword(mode)}}));
  }
  Process StandInPanelia() {
    return Process({kBinDir + "partner_stub", "PaneliaClass4.0", (env_.Root() / "stub.log").string()}, env_.Env(), "",
                   "");
  }
  Process StartPlayer(const std::string& sink = "fakesink sync=true") {
    auto env = env_.Env();
    env["PANELIA_AUDIO_SINK"] = sink;
    return Process({kBinDir + "sonavelle"}, env, env_.Root().string(), Log());
  }
  std::string Log() const { return (env_.Root() / "sonavelle.log").string(); }
  std::string LogText() const {
    std::ifstream in(Log());
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool LogShows(const std::string& text, std::chrono::milliseconds timeout = 10s) {
    return WaitUntil([&] { return LogText().find(text) != std::string::npos; }, timeout);
  }
  Window PlayerWindow() {
    Window found = 0;
    WaitUntil(
        [&] {
          auto windows = FindWindowsByClass(display_.X(), "SonavelleClass4.0");
          found = windows.empty() ? 0 : windows[0];
          return found != 0;
        },
        10s);
    return found;
  }
  // A touch at a point of the player window, in its own pixels, once the window manager has shown
  // and placed it.
  void TouchAt(Window w, int x, int y) {
    WaitUntil(
        [&] {
          XWindowAttributes a;
          return XGetWindowAttributes(display_.X(), w, &a) && a.map_state == IsViewable;
        },
        5s);
    WindowManagerCaughtUp(display_.X());  // placed where it stays
    Ping(display_.X(), w);                // and has drawn what it shows
    Process p(
        {"xdotool", "mousemove", "--window", std::to_string(w), std::to_string(x), std::to_string(y), "click", "1"},
        env_.Env(), "", "");
    p.Wait(10s);
  }
  fs::path music_;
};

TEST_F(MusicE2E, AloneItEndsWithoutAWindow) {
  ASSERT_TRUE(WriteTone((music_ / "a.mp3").string(), 1));
  Settings(0);
  Process player = StartPlayer();
  EXPECT_EQ(player.Wait(10s), 0) << LogText();
  EXPECT_TRUE(FindWindowsByClass(display_.X(), "SonavelleClass4.0").empty());
}

TEST_F(MusicE2E, PlaysSongAfterSongUntilStopped) {
  ASSERT_TRUE(WriteTone((music_ / "a.mp3").string(), 1, 440));
  ASSERT_TRUE(WriteTone((music_ / "B.mp3").string(), 1, 660));
  std::ofstream(music_ / "c.mp3") << "not music at all";  // listed, refused, passed over
  Settings(0);
  Process panelia = StandInPanelia();
  Process player = StartPlayer();
  ASSERT_NE(PlayerWindow(), 0u) << LogText();
  EXPECT_TRUE(LogShows("sonavelle: 歌曲目录：" + music_.string())) << LogText();
  EXPECT_EQ(LogText().find("/a.mp3"), std::string::npos) << "nothing plays before it is asked";
  EXPECT_EQ(env_.Send({"music-play"}), 0);
  EXPECT_TRUE(LogShows("sonavelle: " + music_.string() + "/a.mp3")) << LogText();
  auto started = std::chrono::steady_clock::now();
  // a.mp3 plays to its end; B follows, c is refused, and a comes round again.
  EXPECT_TRUE(LogShows(music_.string() + "/B.mp3")) << LogText();
  EXPECT_GE(std::chrono::steady_clock::now() - started, 800ms) << "a song plays to its end first";
  ASSERT_TRUE(WaitUntil([&] { return LogText().rfind("/a.mp3") > LogText().find("/B.mp3"); }, 10s)) << LogText();
  EXPECT_EQ(env_.Send({"music-stop"}), 0);
  std::string stopped = LogText();
  // Longer than a song: the end of the one that was playing would have been handled meanwhile.
  EXPECT_TRUE(AnswersThroughout(display_.X(), PlayerWindow(), 1500ms));
  EXPECT_EQ(LogText(), stopped) << "a stopped player moves on to nothing";
  SendCloseRequest(display_.X(), PlayerWindow());
  EXPECT_EQ(player.Wait(10s), 0) << LogText();
}

TEST_F(MusicE2E, PlayButtonOnADeletedSongRemovesIt) {
  ASSERT_TRUE(WriteTone((music_ / "a.mp3").string(), 1));
  ASSERT_TRUE(WriteTone((music_ / "b.mp3").string(), 1));
  Settings(0);
  Process panelia = StandInPanelia();
  Process player = StartPlayer();
  Window w = PlayerWindow();
  ASSERT_NE(w, 0u);
  ASSERT_TRUE(LogShows("歌曲目录："));
  fs::remove(music_ / "a.mp3");
  TouchAt(w, 40, 28);   // the first song of the list
  TouchAt(w, 46, 211);  // 播放
  EXPECT_TRUE(LogShows("sonavelle: 歌曲文件不存在，可能已被删除，请检查文件是否存在！")) << LogText();
  TouchAt(w, 40, 28);  // the first song is now b
  TouchAt(w, 46, 211);
  EXPECT_TRUE(LogShows("sonavelle: " + music_.string() + "/b.mp3")) << LogText();
}

// CPU seconds a process has used so far.
double CpuSeconds(pid_t pid) {
  const std::string text = ReadProcFile("/proc/" + std::to_string(pid) + "/stat");
  size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  unsigned long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoul(field);
    if (i == 15) stime = std::stoul(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Whatever the songs and the sound output, a rush of requests is answered, and then the player
// either plays or falls silent: it never spins.
TEST_F(MusicE2E, BadSongsAndABadOutputNeverMakeItSpin) {
  const struct {
    const char* what;
    const char* sink;
    bool good_song;
  } cases[] = {
      {"broken files only", "fakesink sync=true", false},
      {"an output that cannot open", "filesink location=/nonexistent/folder/out.raw", true},
  };
  for (const auto& c : cases) {
    fs::remove_all(music_);
    fs::create_directories(music_);
    std::ofstream(music_ / "empty.mp3");
    std::ofstream(music_ / "text.mp3") << "lyrics, not music";
    std::ofstream(music_ / "riff.mp3") << "RIFF\x24\0\0\0WAVEfmt ";
    {
      // A truncated song: its frames stop in the middle.
      ASSERT_TRUE(WriteTone((music_ / "cut.mp3").string(), 1));
      fs::resize_file(music_ / "cut.mp3", fs::file_size(music_ / "cut.mp3") / 3);
    }
    if (c.good_song) {
      ASSERT_TRUE(WriteTone((music_ / "good.mp3").string(), 1));
    }
    Settings(1);
    Process panelia = StandInPanelia();
    Process player = StartPlayer(c.sink);
    Window w = PlayerWindow();
    ASSERT_NE(w, 0u) << c.what << LogText();
    int answered = 0;
    x11::X11WindowSystem windows(display_.Name().c_str());
    for (int i = 0; i < 100; ++i)
      answered += windows.SendMessage(w,
                                      i % 7 == 6 ? "MUSIC-STOP-CC667211-7CE9-40c5-809A-1DA48E4014C4"
                                                 : "MUSIC-PLAY-CC667211-7CE9-40c5-809A-1DA48E4014C4",
                                      0, 0) == std::optional<int32_t>(0);
    EXPECT_EQ(answered, 100) << c.what;
    // The processor time it takes over two seconds in which it answers all along.
    double before = CpuSeconds(player.pid());
    EXPECT_TRUE(AnswersThroughout(display_.X(), w, 2s)) << c.what;
    EXPECT_LT(CpuSeconds(player.pid()) - before, 0.5) << c.what << ": no busy loop\n" << LogText();
    EXPECT_TRUE(player.Running()) << c.what;
    SendCloseRequest(display_.X(), w);
    EXPECT_EQ(player.Wait(10s), 0) << c.what;
  }
}

}  // namespace
}  // namespace panelia::e2e
