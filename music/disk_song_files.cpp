#include "music/disk_song_files.h"

#include <chrono>
#include <cstdint>
#include <filesystem>

#include "music/mp3_info.h"
#include "music/song_list.h"

namespace panelia {

std::vector<std::string> DiskSongFiles::Scan(const std::string& folder) {
  return ScanSongFolder(folder);
}

bool DiskSongFiles::Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

bool DiskSongFiles::Probe(const std::string& path, bool& playable) {
  CMp3Info info;
  bool opened = info.Open(path);
  playable = info.IsPlayable();
  return opened;
}

uint64_t DiskSongFiles::NowMilliseconds() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

}  // namespace panelia
