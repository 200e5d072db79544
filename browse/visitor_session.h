// The visitor's session as the idle count sees it: when somebody is using the kiosk, when the notice
// before the idle return comes and goes, and when the idle return or the loop's next page is due.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>

namespace panelia {

// Whether a visitor is still at the kiosk for what must not change under them (a page the network
// gives back): input `seconds_since_input` ago (negative: none yet), within the idle wait of
// `wait_minutes`, a minute at least; after it the idle return comes, where the kiosk has one.
constexpr bool VisitorStillThere(int64_t seconds_since_input, uint32_t wait_minutes) {
  const int64_t wait = static_cast<int64_t>(wait_minutes < 1 ? 1 : wait_minutes) * 60;
  return seconds_since_input >= 0 && seconds_since_input < wait;
}

class VisitorSession {
 public:
  static constexpr int kTickMs = 5000;  // how often the idle count looks

  struct Times {
    bool auto_home = false;  // IsAutoHome
    int32_t wait_time = 0;   // minutes before the idle return
    int32_t warn_time = 0;   // seconds of notice before it
    bool loop = false;       // IsLoop: the loop takes precedence over the idle return
    int32_t interval_time = 0;
  };
  explicit VisitorSession(Times times) : times_(times) {}

  enum class Due { Nothing, ReturnHome, LoopStep };
  struct Step {
    Due due = Due::Nothing;
    bool after_visitor = false;  // a loop step after a visitor: the next one starts clean
    std::optional<int> notice;   // the notice's seconds left; 0 takes it away; none: unchanged
  };
  // Whether anything runs on the idle count at all.
  bool Needed() const { return times_.auto_home || times_.loop; }
  // At every tick: where the pointer is and whether any input arrived since the last tick.
  Step OnTick(std::pair<int, int> cursor, bool input);
  // A new visitor's session starts: what the notice does (0: taken away; none: it was not shown).
  std::optional<int> StartNext();
  // The last visitor's traces were wiped: the next loop step need not wipe them again.
  void Cleared() { visitor_since_step_ = false; }

  struct Counts {
    uint64_t visitors = 0, idle_returns = 0, loop_steps = 0;
  };
  const Counts& VisitCounts() const { return counts_; }
  int32_t IdleCount() const { return idle_count_; }
  // Someone has used the kiosk since the last idle return.
  bool VisitorPresent() const { return touched_since_return_; }

 private:
  std::optional<int> Notice(int seconds_left);

  Times times_;
  Counts counts_;
  int32_t idle_count_ = 0;
  std::pair<int, int> last_cursor_{0, 0};
  bool cursor_known_ = false;
  // Someone touched the kiosk since the last idle return: only they are warned before it.
  bool touched_since_return_ = false;
  bool warning_shown_ = false;
  // A visitor has been active since the last loop step: the next step starts clean.
  bool visitor_since_step_ = false;
};

}  // namespace panelia
