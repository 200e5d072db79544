// Sonavelle's figures, side by side in one run: a play request to the first audio at the sink, the
// scan and probe of a music folder against mpg123's own look at the same files, the start to a
// mapped window with 10,000 songs listed, and the idle player's memory.
// The harness first: it brings gtest in before Xlib defines None.
#include "harness.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "bench_util.h"
#include "common/names.h"
#include "common/settings.h"
#include "music/mp3_info.h"
#include "music/song_list.h"
#include "platform/x11/messages.h"

using namespace panelia;
using namespace panelia::e2e;
using panelia::bench::Median;
using panelia::bench::Ms;
using panelia::bench::PssKiB;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

void SetMusic(KioskEnvironment& env, const fs::path& folder) {
  env.Store().Apply(
      {{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Music), "MusicPath",
        RegValue::Text(folder.string())},
       {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Music), "PlayMode", RegValue::Dword(0)}});
}

}  // namespace

int main() {
  VirtualDisplay display(true);
  if (!display.Error().empty()) {
    std::fprintf(stderr, "music_bench: %s\n", display.Error().c_str());
    return 1;
  }
  KioskEnvironment env(display);
  Process panelia({kBinDir + "partner_stub", std::string(kPaneliaClass), "/dev/null"}, env.Env(), "", "");
  x11::X11WindowSystem windows(display.Name().c_str());
  WaitUntil([&] { return windows.FindWindowByClass(kPaneliaClass).has_value(); }, 10s);

  fs::path songs = env.Root() / "songs";
  fs::create_directories(songs);
  if (!WriteTone((songs / "tone.mp3").string(), 2)) {
    std::fprintf(stderr, "music_bench: cannot write a tone (GStreamer's lamemp3enc missing?)\n");
    return 1;
  }
  for (int i = 1; i < 200; ++i) fs::copy_file(songs / "tone.mp3", songs / ("tone" + std::to_string(i) + ".mp3"));

  // 1. A play request to the first audio at the sink: the sink writes into a pipe the bench reads.
  {
    SetMusic(env, songs);
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) return 1;
    int child_end = fcntl(pipe_fds[1], F_DUPFD, 100);  // without CLOEXEC, a number the child keeps
    auto player_env = env.Env();
    player_env["PANELIA_AUDIO_SINK"] = "fdsink fd=" + std::to_string(child_end) + " sync=true";
    Process player({kBinDir + "sonavelle"}, player_env, env.Root().string(), (env.Root() / "sonavelle.log").string(),
                   child_end);
    close(child_end);
    close(pipe_fds[1]);
    std::optional<WindowHandle> target;
    WaitUntil([&] { return (target = windows.FindWindowByClass(kSonavelleClass)).has_value(); }, 10s);
    std::atomic<bool> armed{false};
    std::atomic<int64_t> first_ns{0};
    std::atomic<bool> done{false};
    std::thread reader([&] {
      char buffer[65536];
      while (!done) {
        pollfd p{pipe_fds[0], POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        if (read(pipe_fds[0], buffer, sizeof buffer) <= 0) break;
        if (armed.exchange(false)) first_ns = Clock::now().time_since_epoch().count();
      }
    });
    std::vector<double> latencies;
    for (int i = 0; i < 60 && target; ++i) {
      windows.SendMessage(*target, kMusicStopMessage, 0, 0);
      std::this_thread::sleep_for(150ms);  // what was in the pipe is read meanwhile
      first_ns = 0;
      armed = true;
      auto sent = Clock::now();
      windows.SendMessage(*target, kMusicPlayMessage, 0, 0);
      WaitUntil([&] { return first_ns.load() != 0; }, 2s);
      if (first_ns) latencies.push_back((first_ns.load() - sent.time_since_epoch().count()) / 1e6);
    }
    done = true;
    reader.join();
    close(pipe_fds[0]);
    std::printf("MUSIC-PLAY sent -> first audio at the sink (%zu requests): median %.1f ms, max %.1f ms\n",
                latencies.size(), Median(latencies),
                latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end()));
    std::printf("idle player's PSS (200 songs listed): %ld KiB\n", [&] {
      windows.SendMessage(*target, kMusicStopMessage, 0, 0);
      std::this_thread::sleep_for(500ms);
      return PssKiB(player.pid());
    }());
    if (target) windows.SendClose(*target);
    player.Wait(5s);
  }

  // 2. Scan and probe of the 200 files, against mpg123 looking at the same files.
  {
    std::vector<double> ours, theirs;
    for (int run = 0; run < 15; ++run) {
      auto start = Clock::now();
      size_t playable = 0;
      for (const auto& path : ScanSongFolder(songs.string())) playable += CMp3Info(path).IsPlayable();
      ours.push_back(Ms(Clock::now() - start));
      if (playable != 200) std::fprintf(stderr, "music_bench: %zu of 200 playable\n", playable);
      std::vector<std::string> argv = {"mpg123", "-q", "-t", "-n", "1"};
      for (const auto& path : ScanSongFolder(songs.string())) argv.push_back(path);
      start = Clock::now();
      Process mpg123(argv, env.Env(), "", "/dev/null");
      if (!mpg123.Wait(30s)) break;
      theirs.push_back(Ms(Clock::now() - start));
    }
    if (theirs.empty())
      std::printf("scan and probe of 200 MP3 files: median %.2f ms (mpg123 not installed)\n", Median(ours));
    else
      std::printf("scan and probe of 200 MP3 files: median %.2f ms; mpg123 -t -n 1 on them: %.2f ms (x%.2f)\n",
                  Median(ours), Median(theirs), Median(ours) / Median(theirs));
  }

  // 3. Start to a mapped window with 10,000 songs in the folder.
  {
    fs::path many = env.Root() / "many";
    fs::create_directories(many);
    for (int i = 0; i < 10000; ++i) std::ofstream(many / ("Song number " + std::to_string(i) + " 歌曲.mp3"));
    SetMusic(env, many);
    std::vector<double> starts;
    for (int run = 0; run < 7; ++run) {
      auto player_env = env.Env();
      player_env["PANELIA_AUDIO_SINK"] = "fakesink";
      auto start = Clock::now();
      Process player({kBinDir + "sonavelle"}, player_env, env.Root().string(), "/dev/null");
      bool mapped = WaitUntil(
          [&] {
            for (Window w : FindWindowsByClass(display.X(), std::string(kSonavelleClass))) {
              XWindowAttributes a;
              if (XGetWindowAttributes(display.X(), w, &a) && a.map_state == IsViewable) return true;
            }
            return false;
          },
          10s);
      if (mapped) starts.push_back(Ms(Clock::now() - start));
      if (auto w = windows.FindWindowByClass(kSonavelleClass)) windows.SendClose(*w);
      player.Wait(5s);
    }
    std::printf("start to a mapped window with 10,000 songs: median %.0f ms (%zu runs)\n", Median(starts),
                starts.size());
  }
  return 0;
}
