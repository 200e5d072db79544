// Sonavelle's player: the song list, the play modes and the four buttons, and Panelia's two
// requests, over a media pipeline and a window it reaches through small ports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/names.h"

namespace panelia {

class RegistryStore;

// The one playback pipeline of the player window.
class PlaybackGraph {
 public:
  virtual ~PlaybackGraph() = default;
  // Whether the pipeline and the MP3 decoder could be made; false once, at start, for good.
  virtual bool Init() = 0;
  // Loads the file and plays it from position 0.
  virtual void Play(const std::string& path) = 0;
  virtual void Stop() = 0;
  // Whatever the pipeline holds, from its beginning, also after a stop.
  virtual void Replay() = 0;
  // 0-100, percent of full on the listener's scale (not the signal's).
  virtual void SetVolume(int percent) = 0;
  virtual void Release() = 0;
};

// The player window's controls.
class PlayerWindow {
 public:
  virtual ~PlayerWindow() = default;
  virtual void ShowSongs(const std::vector<std::string>& paths) = 0;
  // The status line.
  virtual void ShowStatus(const std::string& text) = 0;
  // Clears the selection and, given a position, selects that one item.
  virtual void SelectOnly(std::optional<size_t> position) = 0;
  virtual std::optional<size_t> FirstSelected() = 0;
  virtual void RemoveSong(size_t position) = 0;
  // An error box; `owned` boxes belong to the player window, the others to nobody.
  virtual void ShowError(const std::string& text, const std::string& caption, bool owned) = 0;
};

// The file system as the player sees it.
class SongFiles {
 public:
  virtual ~SongFiles() = default;
  virtual std::vector<std::string> Scan(const std::string& folder) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // Could the file be opened, and is it playable?
  virtual bool Probe(const std::string& path, bool& playable) = 0;
  // A steady clock in milliseconds, to tell a song that played a while from one that failed at once.
  virtual uint64_t NowMilliseconds() = 0;
};

enum class PlayMode : uint32_t { Sequential = 0, Random = 1 };  // any other value: repeat

inline constexpr std::string_view kSongFolderPrefix = "Song folder: ";
inline constexpr std::string_view kEmptyListText = "There are no MP3 files in the play list";
inline constexpr std::string_view kEmptyListCaption = kNoticeCaption;
inline constexpr std::string_view kSongMissingText =
    "The song file does not exist; it may have been deleted. Please check that it is there!";
inline constexpr std::string_view kPipelineFailedText =
    "GStreamer could not be started; the MP3 decoder may not be installed properly";
inline constexpr std::string_view kPipelineFailedCaption = "Ostravin notice";
// A song that fails within this time of its start counts as a failed attempt; one that played
// longer proves the pipeline works and starts the count afresh.
inline constexpr uint64_t kPlayedAWhileMilliseconds = 3000;

class CSonavelleDlg {
 public:
  // `seed` feeds the random mode's generator, seeded once per run.
  CSonavelleDlg(PlaybackGraph& graph, PlayerWindow& window, SongFiles& files, uint32_t seed);

  // Window initialisation: settings, the list, the pipeline. Plays nothing.
  void OnInitDialog(RegistryStore& store);
  // The same with the two settings given (for tests and benches).
  void Initialise(uint32_t play_mode, const std::string& music_path);

  bool FillSongList(const std::string& folder);
  bool PlayFile(const std::string& path);
  void StopPlayback();
  void ReplayFromStart();
  // The next song by the play mode: its path, or nullopt for an empty list.
  std::optional<std::string> SelectNextSong();
  void AdvanceToNextSong();

  // Buttons.
  void OnPlay();
  void OnPause() { StopPlayback(); }
  void OnStop() { StopPlayback(); }
  void OnReplay() { ReplayFromStart(); }
  // Panelia's requests; both answered 0 once handled.
  int32_t OnMusicPlay();
  int32_t OnMusicStop();
  // The kiosk's volume (its schedule's), 0-100; answered 0.
  int32_t OnMusicVolume(int32_t percent);
  // The pipeline's news.
  void OnEndOfStream();
  void OnStreamError();
  void OnDestroy();

  const std::vector<std::string>& Songs() const { return songs_; }
  const std::string& Status() const { return status_; }
  size_t SongPosition() const { return song_position_; }
  uint32_t Mode() const { return play_mode_; }
  bool PipelineReady() const { return ready_; }

 private:
  void Transfer() { window_.ShowStatus(status_); }
  // Starts the next song, counting failures against the list's size so that a folder of broken
  // files ends in silence rather than a busy loop.
  void Advance();

  PlaybackGraph& graph_;
  PlayerWindow& window_;
  SongFiles& files_;
  std::mt19937 random_;
  std::vector<std::string> songs_;
  std::string music_folder_;
  std::string status_;
  size_t song_position_ = 0;
  uint32_t play_mode_ = 1;
  bool ready_ = false;
  size_t failures_ = 0;
  uint64_t started_at_ = 0;
};

}  // namespace panelia
