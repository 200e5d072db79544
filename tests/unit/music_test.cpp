#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "common/settings.h"
#include "fakes.h"
#include "music/mp3_info.h"
#include "music/player.h"
#include "music/song_list.h"
#include "temp_dir.h"

namespace panelia {
namespace {

using test::CallLog;

TEST(SongFiles, NameRule) {
  const struct {
    const char* name;
    bool song;
  } cases[] = {
      {"Song.MP3", true},
      {"song.mp3", true},
      {"a.b.mp3", true},
      {"01. Intro.mp3", true},
      {"mp3", true},
      {"MP3", true},
      {"song.mp4", false},
      {"song.mp3.txt", false},
      {"song.mp33", false},
      {"song.", false},
      {".mp3", true},
      {"song", false},
      {"\xb8\xe8\xc7\xfa.mp3", true},  // a GBK name from an older kiosk
  };
  for (const auto& c : cases) EXPECT_EQ(IsSongFileName(c.name), c.song) << c.name;
}

TEST(SongFiles, OrderIgnoresCaseAndIsTotal) {
  std::vector<std::string> songs = {"/m/b.mp3", "/m/C.mp3", "/m/a.mp3", "/m/B.mp3", "/m/ab.mp3"};
  SortSongs(songs);
  EXPECT_EQ(songs, (std::vector<std::string>{"/m/a.mp3", "/m/ab.mp3", "/m/B.mp3", "/m/b.mp3", "/m/C.mp3"}));
}

TEST(SongFiles, ScanListsSongsOfTheFolderOnly) {
  test::TempDir dir;
  for (const char* name : {"Zed.MP3", "a.b.mp3", "mp3", "notes.txt", "\xb8\xe8.mp3"}) std::ofstream(dir.path() / name);
  std::filesystem::create_directory(dir.path() / "x.mp3");
  std::filesystem::create_directory(dir.path() / "sub");
  std::ofstream(dir.path() / "sub" / "deep.mp3");
  std::string base = dir.path().string() + "/";
  std::vector<std::string> expected = {base + "a.b.mp3", base + "mp3", base + "Zed.MP3", base + "\xb8\xe8.mp3"};
  EXPECT_EQ(ScanSongFolder(dir.path().string()), expected);
  EXPECT_EQ(ScanSongFolder(dir.path().string() + "//"), expected) << "a final slash changes nothing";
  EXPECT_TRUE(ScanSongFolder((dir.path() / "gone").string()).empty());
  EXPECT_TRUE(ScanSongFolder("").empty());
  EXPECT_TRUE(ScanSongFolder((dir.path() / "notes.txt").string()).empty()) << "a file is no folder";
}

// A frame header: sync, MPEG-1 layer III, 128 kbit/s, 44.1 kHz.
constexpr uint8_t kHeader[] = {0xFF, 0xFB, 0x90, 0x64};

std::vector<uint8_t> WithHeaderAt(size_t at, std::vector<uint8_t> header = {kHeader, kHeader + 4}, size_t size = 0) {
  std::vector<uint8_t> bytes(std::max(size, at + header.size()), 0x20);
  std::copy(header.begin(), header.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  return bytes;
}

std::vector<uint8_t> Id3Tag(size_t body, bool footer) {
  std::vector<uint8_t> tag = {'I',
                              'D',
                              '3',
                              4,
                              0,
                              static_cast<uint8_t>(footer ? 0x10 : 0),
                              static_cast<uint8_t>((body >> 21) & 0x7F),
                              static_cast<uint8_t>((body >> 14) & 0x7F),
                              static_cast<uint8_t>((body >> 7) & 0x7F),
                              static_cast<uint8_t>(body & 0x7F)};
  // Cover art is full of bytes that look like a sync pattern: the tag is stepped over, not searched.
  tag.resize(10 + body, 0xFF);
  if (footer) tag.insert(tag.end(), {'3', 'D', 'I', 4, 0, 0x10, 0, 0, 0, 0});
  return tag;
}

TEST(Mp3Probe, FirstSyncDecides) {
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    FrameSearch expected;
  } cases[] = {
      {"sync at 0", WithHeaderAt(0), FrameSearch::Playable},
      {"sync at 10,000", WithHeaderAt(10000), FrameSearch::Playable},
      {"sync at 10,001", WithHeaderAt(10001), FrameSearch::NotFound},
      {"reserved version", WithHeaderAt(5, {0xFF, 0xEB, 0x90, 0x64}), FrameSearch::Unplayable},
      {"sampling index 3", WithHeaderAt(5, {0xFF, 0xFB, 0x9C, 0x64}), FrameSearch::Unplayable},
      {"a bad first header hides a good one",
       [] {
         auto b = WithHeaderAt(0, {0xFF, 0xEB, 0x90, 0x64}, 100);
         std::copy(kHeader, kHeader + 4, b.begin() + 50);
         return b;
       }(),
       FrameSearch::Unplayable},
      {"MPEG-2.5 at 8 kHz", WithHeaderAt(0, {0xFF, 0xE3, 0x88, 0x64}), FrameSearch::Playable},
      {"truncated header", {0xFF, 0xFB, 0x90}, FrameSearch::NotFound},
      {"empty", {}, FrameSearch::NotFound},
      {"sync split over the end", WithHeaderAt(0, {0x20, 0x20, 0xFF}), FrameSearch::NotFound},
  };
  for (const auto& c : cases) EXPECT_EQ(SearchFirstFrame(c.bytes), c.expected) << c.what;
}

TEST(Mp3Probe, Id3v2TagSize) {
  const struct {
    const char* what;
    std::vector<uint8_t> head;
    size_t size;
  } cases[] = {
      {"20 kB tag", Id3Tag(20000, false), 20010},
      {"20 kB tag with footer", Id3Tag(20000, true), 20020},
      {"no tag", WithHeaderAt(0), 0},
      {"size byte over 0x7F", {'I', 'D', '3', 3, 0, 0, 0, 0, 0x80, 0}, 0},
      {"version 0xFF", {'I', 'D', '3', 0xFF, 0, 0, 0, 0, 1, 0}, 0},
      {"short", {'I', 'D', '3', 3, 0}, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Id3v2TagSize(c.head), c.size) << c.what;
}

TEST(Mp3Probe, Files) {
  test::TempDir dir;
  auto write = [&](const char* name, const std::vector<uint8_t>& bytes) {
    std::ofstream(dir.path() / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return (dir.path() / name).string();
  };
  auto tagged = [](size_t body, bool footer) {
    auto bytes = Id3Tag(body, footer);
    bytes.insert(bytes.end(), kHeader, kHeader + 4);
    bytes.resize(bytes.size() + 400, 0);
    return bytes;
  };
  std::vector<uint8_t> two_tags = Id3Tag(300, false);
  auto second = tagged(20000, true);
  two_tags.insert(two_tags.end(), second.begin(), second.end());
  std::filesystem::create_directory(dir.path() / "folder.mp3");
  const std::vector<uint8_t> tag = Id3Tag(20000, false);
  const struct {
    std::string path;
    bool opened, playable;
  } cases[] = {
      {write("plain.mp3", WithHeaderAt(0, {kHeader, kHeader + 4}, 1000)), true, true},
      {write("cover.mp3", tagged(20000, false)), true, true},
      {write("cover-footer.mp3", tagged(20000, true)), true, true},
      {write("tag-1mb.mp3", tagged(1 << 20, false)), true, true},
      {write("two-tags.mp3", two_tags), true, true},
      {write("tag-only.mp3", Id3Tag(20000, false)), true, false},
      {write("truncated-tag.mp3", std::vector<uint8_t>(tag.begin(), tag.begin() + 500)), true, false},
      {write("empty.mp3", {}), true, false},
      {write("text.mp3", std::vector<uint8_t>(5000, 'a')), true, false},
      {write("wave.mp3", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}), true, false},
      {(dir.path() / "folder.mp3").string(), true, false},
      {(dir.path() / "missing.mp3").string(), false, false},
  };
  for (const auto& c : cases) {
    CMp3Info info;
    EXPECT_EQ(info.Open(c.path), c.opened) << c.path;
    EXPECT_EQ(info.IsPlayable(), c.playable) << c.path;
    EXPECT_EQ(info.Path(), c.opened ? c.path : "") << c.path;
  }
}

// The pipeline, the window and the files, all recorded in one log.
class FakeGraph : public PlaybackGraph {
 public:
  explicit FakeGraph(CallLog& log) : log_(log) {}
  bool init_ok = true;
  bool Init() override { return init_ok; }
  void Play(const std::string& path) override { log_.Add("play " + path); }
  void Stop() override { log_.Add("stop"); }
  void Replay() override { log_.Add("replay"); }
  void SetVolume(int percent) override { log_.Add("volume " + std::to_string(percent)); }
  void Release() override { log_.Add("release"); }

 private:
  CallLog& log_;
};

class FakeWindow : public PlayerWindow {
 public:
  explicit FakeWindow(CallLog& log) : log_(log) {}
  std::vector<std::string> shown;
  std::string status;
  std::set<size_t> selected;
  void ShowSongs(const std::vector<std::string>& paths) override { shown = paths; }
  void ShowStatus(const std::string& text) override { status = text; }
  void SelectOnly(std::optional<size_t> position) override {
    selected.clear();
    if (position) selected.insert(*position);
  }
  std::optional<size_t> FirstSelected() override {
    if (selected.empty()) return std::nullopt;
    return *selected.begin();
  }
  void RemoveSong(size_t position) override {
    shown.erase(shown.begin() + static_cast<std::ptrdiff_t>(position));
    std::set<size_t> moved;
    for (size_t s : selected)
      if (s != position) moved.insert(s > position ? s - 1 : s);
    selected = moved;
    log_.Add("remove " + std::to_string(position));
  }
  void ShowError(const std::string& text, const std::string& caption, bool owned) override {
    log_.Add(std::string(owned ? "box " : "unowned box ") + caption + ": " + text);
  }

 private:
  CallLog& log_;
};

class FakeFiles : public SongFiles {
 public:
  std::vector<std::string> songs;
  std::set<std::string> broken;   // exist but hold no audio
  std::set<std::string> deleted;  // gone since the scan
  uint64_t now = 0;
  size_t probes = 0;
  std::vector<std::string> Scan(const std::string&) override { return songs; }
  bool Exists(const std::string& path) override { return !deleted.count(path); }
  bool Probe(const std::string& path, bool& playable) override {
    ++probes;
    playable = !broken.count(path);
    return !deleted.count(path);
  }
  uint64_t NowMilliseconds() override { return now; }
};

struct Player {
  CallLog log;
  FakeGraph graph{log};
  FakeWindow window{log};
  FakeFiles files;
  CSonavelleDlg dlg{graph, window, files, 7};
  explicit Player(uint32_t mode, std::vector<std::string> songs = {"a", "b", "c"}) {
    files.songs = std::move(songs);
    dlg.Initialise(mode, "/music");
  }
  std::vector<std::string> Plays() {
    std::vector<std::string> plays;
    for (const auto& call : log.Calls())
      if (call.rfind("play ", 0) == 0) plays.push_back(call.substr(5));
    log.Clear();
    return plays;
  }
};

TEST(Player, StartsSilentWithTheFolderLine) {
  Player p(0);
  EXPECT_TRUE(p.log.Calls().empty());
  EXPECT_EQ(p.window.status, "歌曲目录：/music");
  EXPECT_EQ(p.window.shown, (std::vector<std::string>{"a", "b", "c"}));

  CallLog log;
  FakeGraph graph(log);
  FakeWindow window(log);
  FakeFiles files;
  CSonavelleDlg dlg(graph, window, files, 1);
  dlg.Initialise(1, "");
  EXPECT_EQ(window.status, "") << "no folder: no folder line";
  EXPECT_TRUE(dlg.Songs().empty());
}

TEST(Player, ReadsItsTwoSettings) {
  test::MemoryRegistry store;
  CallLog log;
  FakeGraph graph(log);
  FakeWindow window(log);
  FakeFiles files;
  CSonavelleDlg dlg(graph, window, files, 1);
  dlg.OnInitDialog(store);
  EXPECT_EQ(dlg.Mode(), 1u) << "random when absent";
  store.Put(Hive::LocalMachine, SectionPath(Section::Music), "PlayMode", RegValue::Dword(0));
  store.Put(Hive::LocalMachine, SectionPath(Section::Music), "MusicPath", RegValue::Text("/srv/歌"));
  dlg.OnInitDialog(store);
  EXPECT_EQ(dlg.Mode(), 0u);
  EXPECT_EQ(window.status, "歌曲目录：/srv/歌");
}

TEST(Player, SequentialWrapsAndThePlayButtonKeepsItsPlace) {
  Player p(0);
  for (int i = 0; i < 4; ++i) p.dlg.OnMusicPlay();
  EXPECT_EQ(p.Plays(), (std::vector<std::string>{"a", "b", "c", "a"}));
  p.window.SelectOnly(2);
  p.dlg.OnPlay();
  EXPECT_EQ(p.log.Calls(), (std::vector<std::string>{"stop", "play c"}));
  EXPECT_EQ(p.window.status, "c");
  p.log.Clear();
  p.dlg.OnEndOfStream();
  EXPECT_EQ(p.Plays(), (std::vector<std::string>{"b"})) << "the automatic order goes on where it was";
  EXPECT_EQ(p.window.selected, (std::set<size_t>{1}));
}

TEST(Player, RandomPicksMoreThanOneSongInASecond) {
  Player p(1, {"a", "b", "c", "d"});
  std::map<std::string, int> picks;
  for (int i = 0; i < 40; ++i) p.dlg.OnMusicPlay();
  for (const auto& song : p.Plays()) ++picks[song];
  EXPECT_EQ(picks.size(), 4u) << "the generator is seeded once, not at every pick";
}

TEST(Player, RepeatPlaysTheStatusPath) {
  Player p(2);
  p.files.deleted = {"歌曲目录：/music"};
  p.dlg.OnMusicPlay();
  EXPECT_EQ(p.Plays(), std::vector<std::string>{}) << "the folder line is no song: four attempts, nothing plays";
  p.window.SelectOnly(1);
  p.dlg.OnPlay();
  p.dlg.OnEndOfStream();
  p.dlg.OnMusicPlay();
  EXPECT_EQ(p.Plays(), (std::vector<std::string>{"b", "b", "b"}));
}

TEST(Player, EveryAttemptBoundedByTheList) {
  const struct {
    const char* what;
    uint32_t mode;
    size_t attempts;  // songs chosen in one request
  } cases[] = {{"sequential", 0, 4}, {"random", 1, 4}, {"repeat", 2, 4}};
  for (const auto& c : cases) {
    Player p(c.mode);
    p.files.broken = {"a", "b", "c", "歌曲目录：/music"};
    p.dlg.OnMusicPlay();
    EXPECT_EQ(p.files.probes, c.attempts) << c.what;
    EXPECT_EQ(p.Plays().size(), 0u) << c.what;
    EXPECT_EQ(p.dlg.Songs().size(), 3u) << c.what << ": refused songs stay listed";
    if (c.mode == 0) {
      EXPECT_EQ(p.dlg.SongPosition(), 1u) << "four choices moved the position four times";
    }
  }
}

TEST(Player, ABrokenSongPassesToTheNextAndAFolderOfThemEndsInSilence) {
  Player p(0);
  p.dlg.OnMusicPlay();
  p.files.now = 100;
  p.dlg.OnStreamError();  // "a" broke at once
  EXPECT_EQ(p.Plays(), (std::vector<std::string>{"a", "b"}));
  p.files.now = 60000;
  p.dlg.OnStreamError();  // "b" played a minute first: the count starts again
  EXPECT_EQ(p.Plays(), (std::vector<std::string>{"c"}));
  int errors = 0;
  for (; errors < 20 && !p.Plays().empty(); ++errors) p.dlg.OnStreamError();  // everything breaks at once now
  EXPECT_LE(errors, 5) << "items + 1 failures in a row, then silence";
  p.dlg.OnMusicPlay();
  EXPECT_EQ(p.Plays().size(), 1u) << "a new request tries again";
}

TEST(Player, Buttons) {
  {
    Player p(0);
    p.dlg.OnPlay();
    EXPECT_EQ(p.log.Calls(), std::vector<std::string>{"stop"}) << "nothing selected: only the stop";
    EXPECT_EQ(p.window.status, "歌曲目录：/music") << "and the status line keeps its text";
  }
  {
    Player p(0);
    p.files.deleted = {"b"};
    p.window.SelectOnly(1);
    p.dlg.OnPlay();
    EXPECT_EQ(p.log.Calls(), (std::vector<std::string>{"stop", "remove 1"}));
    EXPECT_EQ(p.window.status, "歌曲文件不存在，可能已被删除，请检查文件是否存在！");
    EXPECT_EQ(p.dlg.Songs(), (std::vector<std::string>{"a", "c"}));
    p.log.Clear();
    p.dlg.OnPlay();
    EXPECT_EQ(p.log.Calls(), std::vector<std::string>{"stop"});
  }
  {
    Player p(0, {});
    p.dlg.OnPlay();
    EXPECT_EQ(p.log.Calls(), (std::vector<std::string>{"stop", "box Panelia提示: 播放列表列表中没有MP3文件"}));
    p.log.Clear();
    p.dlg.OnMusicPlay();
    EXPECT_TRUE(p.log.Calls().empty()) << "an empty list: play requests do nothing";
  }
  {
    Player p(0);
    p.dlg.OnPause();
    p.dlg.OnReplay();
    p.dlg.OnStop();
    EXPECT_EQ(p.dlg.OnMusicStop(), 0);
    p.dlg.OnDestroy();
    EXPECT_EQ(p.log.Calls(), (std::vector<std::string>{"stop", "replay", "stop", "stop", "stop", "release"}));
  }
}

TEST(Player, WithoutAPipelineTheListStaysAndNothingPlays) {
  CallLog log;
  FakeGraph graph(log);
  graph.init_ok = false;
  FakeWindow window(log);
  FakeFiles files;
  files.songs = {"a"};
  CSonavelleDlg dlg(graph, window, files, 1);
  dlg.Initialise(0, "/music");
  EXPECT_EQ(log.Calls(),
            std::vector<std::string>{"unowned box Ostravin提示: GStreamer 没有被初始化，MP3 解码组件可能未正确安装"});
  EXPECT_EQ(window.shown, std::vector<std::string>{"a"});
  log.Clear();
  window.SelectOnly(0);
  dlg.OnPlay();
  dlg.OnMusicPlay();
  dlg.OnReplay();
  dlg.OnDestroy();
  EXPECT_TRUE(log.Calls().empty());
  EXPECT_EQ(dlg.Songs().size(), 1u) << "the song is not to blame";
}

}  // namespace
}  // namespace panelia
