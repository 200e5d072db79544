#include "music/player.h"

#include <algorithm>

#include <cstdint>

#include "common/settings.h"
#include "common/texts.h"

namespace panelia {

CSonavelleDlg::CSonavelleDlg(PlaybackGraph& graph, PlayerWindow& window, SongFiles& files, uint32_t seed)
    : graph_(graph), window_(window), files_(files), random_(seed) {}

void CSonavelleDlg::OnInitDialog(RegistryStore& store) {
  SettingsReader settings(store);
  uint32_t mode = settings.Dword(setting::PlayMode);
  std::string folder = settings.Text(setting::MusicPath);
  Initialise(mode, folder);
}

void CSonavelleDlg::Initialise(uint32_t play_mode, const std::string& music_path) {
  song_position_ = 0;
  play_mode_ = play_mode;
  music_folder_ = music_path;
  FillSongList(music_folder_);
  ready_ = graph_.Init();
  if (!ready_) window_.ShowError(TrText(kPipelineFailedText), TrText(kPipelineFailedCaption), false);
}

bool CSonavelleDlg::FillSongList(const std::string& folder) {
  if (folder.empty()) return false;
  songs_ = files_.Scan(folder);
  window_.ShowSongs(songs_);
  status_ = TrText(kSongFolderPrefix) + folder;
  Transfer();
  return true;
}

bool CSonavelleDlg::PlayFile(const std::string& path) {
  // The file is looked at before the pipeline is touched: a refused song leaves the music as it was.
  bool playable = false;
  bool opened = files_.Probe(path, playable);
  if (!files_.Exists(path) || !opened || !playable || !ready_) return false;
  graph_.Play(path);
  started_at_ = files_.NowMilliseconds();
  return true;
}

void CSonavelleDlg::StopPlayback() {
  if (ready_) graph_.Stop();
}

void CSonavelleDlg::ReplayFromStart() {
  if (ready_) graph_.Replay();
}

std::optional<std::string> CSonavelleDlg::SelectNextSong() {
  if (songs_.empty()) return std::nullopt;
  window_.SelectOnly(std::nullopt);
  if (play_mode_ == static_cast<uint32_t>(PlayMode::Random)) {
    song_position_ = std::uniform_int_distribution<size_t>(0, songs_.size() - 1)(random_);
    window_.SelectOnly(song_position_);
    status_ = songs_[song_position_];
  } else if (play_mode_ == static_cast<uint32_t>(PlayMode::Sequential)) {
    // Songs the Play button removed can leave the position past the end: start again at the top.
    if (song_position_ >= songs_.size()) song_position_ = 0;
    window_.SelectOnly(song_position_);
    status_ = songs_[song_position_];
    if (++song_position_ == songs_.size()) song_position_ = 0;
  }
  // Repeat: the status line's path, unchanged.
  Transfer();
  return status_;
}

void CSonavelleDlg::AdvanceToNextSong() {
  failures_ = 0;
  Advance();
}

void CSonavelleDlg::Advance() {
  // At most (items + 1) failed attempts in a row; refused songs stay listed, silently.
  while (failures_ <= songs_.size()) {
    std::optional<std::string> path = SelectNextSong();
    if (!path) return;
    if (PlayFile(*path)) return;
    ++failures_;
  }
}

void CSonavelleDlg::OnPlay() {
  StopPlayback();
  status_.clear();
  if (songs_.empty()) {
    window_.ShowError(TrText(kEmptyListText), TrText(kEmptyListCaption), true);
    return;
  }
  std::optional<size_t> selected = window_.FirstSelected();
  if (!selected || *selected >= songs_.size()) return;
  if (!ready_) {
    // Without a pipeline nothing can play; the song is not to blame and stays listed.
    status_ = TrText(kPipelineFailedText);
    Transfer();
    return;
  }
  status_ = songs_[*selected];
  failures_ = 0;
  if (!PlayFile(status_)) {
    window_.RemoveSong(*selected);
    songs_.erase(songs_.begin() + static_cast<std::ptrdiff_t>(*selected));
    status_ = TrText(kSongMissingText);
  }
  Transfer();
}

int32_t CSonavelleDlg::OnMusicPlay() {
  AdvanceToNextSong();
  return 0;
}

int32_t CSonavelleDlg::OnMusicStop() {
  StopPlayback();
  return 0;
}

int32_t CSonavelleDlg::OnMusicVolume(int32_t percent) {
  graph_.SetVolume(std::clamp(percent, 0, 100));
  return 0;
}

void CSonavelleDlg::OnEndOfStream() {
  AdvanceToNextSong();
}

void CSonavelleDlg::OnStreamError() {
  // A song that breaks while playing is passed over like one that ended; one that played a while
  // shows the pipeline works, so the count of failures in a row starts again.
  if (files_.NowMilliseconds() - started_at_ >= kPlayedAWhileMilliseconds) failures_ = 0;
  ++failures_;
  StopPlayback();
  Advance();
}

void CSonavelleDlg::OnDestroy() {
  if (!ready_) return;
  graph_.Stop();
  graph_.Release();
}

}  // namespace panelia
