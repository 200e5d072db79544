#include "browse/crash_backoff.h"

#include <algorithm>
#include <cstdint>

namespace panelia {

int CrashBackoff::NextDelayMs(uint64_t now_ms) {
  bool quiet = !any_ || now_ms - last_ >= kQuietMs;
  delay_ = quiet ? first_ms_ : std::min(std::max(delay_ * 2, kFirstMs), kMostMs);
  any_ = true;
  last_ = now_ms;
  return delay_;
}

}  // namespace panelia
