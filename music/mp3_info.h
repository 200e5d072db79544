// The look a song file gets before it is played: is there an MPEG audio frame header near the start
// of its audio, with a version and a sampling rate a decoder can take?
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace panelia {

// Positions the search for the first frame header examines, the first one included.
inline constexpr size_t kSyncSearchPositions = 10001;
// Bytes the search may read: the last position plus the four bytes of a header.
inline constexpr size_t kSyncSearchBytes = kSyncSearchPositions + 3;

// The size of an ID3v2 tag at the start of `head` (header, body and, when flagged, footer), or 0
// when `head` does not start with a well-formed tag header. Needs the first 10 bytes.
size_t Id3v2TagSize(std::span<const uint8_t> head);

enum class FrameSearch { NotFound, Playable, Unplayable };
// The first 11-bit frame sync within `bytes` decides: playable unless its version bits are the
// reserved pattern or its sampling-rate index is 3. Later headers are never considered.
FrameSearch SearchFirstFrame(std::span<const uint8_t> bytes);

class CMp3Info {
 public:
  CMp3Info() = default;
  // Probes `path` at once unless it is empty.
  explicit CMp3Info(const std::string& path);

  // True when the file could be opened, whatever it holds; IsPlayable then tells whether a decoder
  // will find audio in it. A leading ID3v2 tag (cover art makes them long) is stepped over first.
  bool Open(const std::string& path);
  void Reset();
  const std::string& Path() const { return path_; }
  bool IsPlayable() const { return playable_; }

 private:
  std::string path_;
  bool playable_ = false;
};

}  // namespace panelia
