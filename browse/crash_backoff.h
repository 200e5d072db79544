// How long the kiosk waits before it brings its pages back after the web process died: a second at
// first, doubling while deaths keep coming, never more than a minute, and a second again once the
// pages have lived ten quiet minutes.
#pragma once

#include <cstdint>
#include <optional>

namespace panelia {

class CrashBackoff {
 public:
  static constexpr int kFirstMs = 1000;
  static constexpr int kMostMs = 60000;
  static constexpr uint64_t kQuietMs = 10 * 60 * 1000;

  // `first_ms`: the wait after a quiet time (0: at once, then kFirstMs doubling; the bar's page, which
  // the visitor needs to get anywhere).
  explicit CrashBackoff(int first_ms = kFirstMs) : first_ms_(first_ms) {}
  // The wait before recovering from a death at `now_ms` (a steady clock).
  int NextDelayMs(uint64_t now_ms);

 private:
  int first_ms_;
  bool any_ = false;
  uint64_t last_ = 0;
  int steps_ = 0;  // deaths since the last quiet time, less one
};

// The recovery of both views after their web process died: one recovery serves both reports of the
// same death, and while it waits, the main view's navigations (its waiting page) are not the
// visitor's: no list, bar or music question is asked for them.
class PageRecovery {
 public:
  explicit PageRecovery(int first_ms = CrashBackoff::kFirstMs) : backoff_(first_ms) {}
  // The wait before the pages come back, or nullopt while a recovery is already waiting.
  std::optional<int> OnProcessGone(uint64_t now_ms) {
    if (recovering_) return std::nullopt;
    recovering_ = true;
    return backoff_.NextDelayMs(now_ms);
  }
  void OnWaitOver() { recovering_ = false; }
  bool Recovering() const { return recovering_; }

 private:
  CrashBackoff backoff_;
  bool recovering_ = false;
};

}  // namespace panelia
