// Sonavelle as Panelia and a visitor meet it: it plays only beside Panelia, answers the two music
// requests once they are done, goes from song to song, and refuses a song that has gone.
#include <gtest/gtest.h>

#include <X11/Xatom.h>

#include <filesystem>
#include <fstream>

#include "common/settings.h"
#include "harness.h"

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
    ASSERT_TRUE(env_.Store().Apply(
        {{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Music), "MusicPath",
          RegValue::Text(music_.string())},
         {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Music), "PlayMode", RegValue::Dword(mode)}}));
  }
  Process StandInPanelia() {
    return Process({kBinDir + "partner_stub", "PaneliaClass4.0", (env_.Root() / "stub.log").string()}, env_.Env(), "", "");
  }
  Process StartPlayer() {
    auto env = env_.Env();
    env["PANELIA_AUDIO_SINK"] = "fakesink sync=true";
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
  // A touch at a point of the player window, in its own pixels.
  void TouchAt(Window w, int x, int y) {
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(display_.X(), w, DefaultRootWindow(display_.X()), x, y, &rx, &ry, &child);
    Process p({"xdotool", "mousemove", std::to_string(rx), std::to_string(ry), "click", "1"}, env_.Env(), "", "");
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
  std::this_thread::sleep_for(2500ms);
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

}  // namespace
}  // namespace panelia::e2e
