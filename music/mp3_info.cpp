#include "music/mp3_info.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace panelia {

namespace {

constexpr size_t kId3HeaderSize = 10;
// Files that stack a few tags (an editor that prepends without looking) still play; a file of
// nothing but tag headers is not searched for ever.
constexpr int kMaxStackedTags = 16;

}  // namespace

size_t Id3v2TagSize(std::span<const uint8_t> head) {
  if (head.size() < kId3HeaderSize || head[0] != 'I' || head[1] != 'D' || head[2] != '3') return 0;
  // Version and revision are never 0xFF; the size is four 7-bit bytes ("synchsafe").
  if (head[3] == 0xFF || head[4] == 0xFF) return 0;
  size_t body = 0;
  for (size_t i = 6; i < 10; ++i) {
    if (head[i] & 0x80) return 0;
    body = (body << 7) | head[i];
  }
  bool footer = (head[5] & 0x10) != 0;
  return kId3HeaderSize + body + (footer ? kId3HeaderSize : 0);
}

FrameSearch SearchFirstFrame(std::span<const uint8_t> bytes) {
  size_t positions = bytes.size() < 4 ? 0 : std::min(bytes.size() - 3, kSyncSearchPositions);
  for (size_t at = 0; at < positions; ++at) {
    // The sync pattern is eleven 1 bits: all of the first byte and the top three of the second.
    if (bytes[at] != 0xFF || (bytes[at + 1] & 0xE0) != 0xE0) continue;
    unsigned version = (bytes[at + 1] >> 3) & 0x3;
    unsigned sampling = (bytes[at + 2] >> 2) & 0x3;
    return version != 1 && sampling != 3 ? FrameSearch::Playable : FrameSearch::Unplayable;
  }
  return FrameSearch::NotFound;
}

CMp3Info::CMp3Info(const std::string& path) {
  if (!path.empty()) Open(path);
}

void CMp3Info::Reset() {
  path_.clear();
  playable_ = false;
}

bool CMp3Info::Open(const std::string& path) {
  Reset();
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rbe"), &std::fclose);
  if (!file) return false;
  std::vector<uint8_t> bytes(kSyncSearchBytes);
  long audio_start = 0;
  for (int tags = 0; tags < kMaxStackedTags; ++tags) {
    uint8_t head[kId3HeaderSize];
    size_t got = std::fread(head, 1, sizeof head, file.get());
    size_t tag = Id3v2TagSize({head, got});
    if (tag == 0) break;
    audio_start += static_cast<long>(tag);
    if (std::fseek(file.get(), audio_start, SEEK_SET) != 0) break;
  }
  if (std::fseek(file.get(), audio_start, SEEK_SET) == 0) {
    size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
    playable_ = SearchFirstFrame({bytes.data(), got}) == FrameSearch::Playable;
  }
  path_ = path;
  return true;
}

}  // namespace panelia
