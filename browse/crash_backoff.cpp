#include "browse/crash_backoff.h"

#include <cstdint>

#include "common/doubling.h"

namespace panelia {

int CrashBackoff::NextDelayMs(uint64_t now_ms) {
  const bool quiet = !any_ || now_ms - last_ >= kQuietMs;
  steps_ = quiet ? 0 : steps_ + 1;
  any_ = true;
  last_ = now_ms;
  // At once first (the bar): the doubling starts from a second at the next death.
  if (first_ms_ == 0) return steps_ == 0 ? 0 : static_cast<int>(Doubling{kFirstMs, kMostMs}.Wait(steps_ - 1));
  return static_cast<int>(Doubling{static_cast<uint64_t>(first_ms_), kMostMs}.Wait(steps_));
}

}  // namespace panelia
