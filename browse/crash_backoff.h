// How long the kiosk waits before it brings its pages back after the web process died: a second at
// first, doubling while deaths keep coming, never more than a minute, and a second again once the
// pages have lived ten quiet minutes.
#pragma once

#include <cstdint>

namespace panelia {

class CrashBackoff {
 public:
  static constexpr int kFirstMs = 1000;
  static constexpr int kMostMs = 60000;
  static constexpr uint64_t kQuietMs = 10 * 60 * 1000;

  // The wait before recovering from a death at `now_ms` (a steady clock).
  int NextDelayMs(uint64_t now_ms);

 private:
  bool any_ = false;
  uint64_t last_ = 0;
  int delay_ = 0;
};

}  // namespace panelia
