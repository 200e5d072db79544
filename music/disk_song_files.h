// The player's files on the local disk: the folder scan, the probe and a steady clock.
#pragma once

#include "music/player.h"

#include <cstdint>

namespace panelia {

class DiskSongFiles final : public SongFiles {
 public:
  std::vector<std::string> Scan(const std::string& folder) override;
  bool Exists(const std::string& path) override;
  bool Probe(const std::string& path, bool& playable) override;
  uint64_t NowMilliseconds() override;
};

}  // namespace panelia
