#include "browse/visitor_session.h"

#include <algorithm>

namespace panelia {

std::optional<int> VisitorSession::Notice(int seconds_left) {
  if (seconds_left == 0 && !warning_shown_) return std::nullopt;
  warning_shown_ = seconds_left > 0;
  return seconds_left;
}

std::optional<int> VisitorSession::StartNext() {
  touched_since_return_ = false;
  return Notice(0);
}

VisitorSession::Step VisitorSession::OnTick(std::pair<int, int> cursor, bool input) {
  Step step;
  // The first look only learns where the pointer rests: that is nobody's touch.
  bool first_look = !cursor_known_;
  cursor_known_ = true;
  // Any input counts, also a touch exactly where the last one was, which moves no cursor.
  if (cursor != last_cursor_ || input) {
    last_cursor_ = cursor;
    idle_count_ = 0;
    visitor_since_step_ = true;
    if (!first_look) touched_since_return_ = true;
    step.notice = Notice(0);
    return step;
  }
  ++idle_count_;
  // Equalities on unsigned products, so a time of 0 never fires and the home return comes once per
  // idle period; the loop takes precedence over it.
  auto count = static_cast<uint32_t>(idle_count_);
  if (times_.loop) {
    if (count == static_cast<uint32_t>(times_.interval_time) * 60u / 30u) {
      idle_count_ = 0;
      step.due = Due::LoopStep;
      step.after_visitor = std::exchange(visitor_since_step_, false);
      ++counts_.loop_steps;
      if (step.after_visitor) ++counts_.visitors;
    }
    return step;
  }
  if (count == static_cast<uint32_t>(times_.wait_time) * 60u / 5u) {
    ++counts_.idle_returns;
    ++counts_.visitors;
    step.due = Due::ReturnHome;
    return step;
  }
  // The notice comes WarnTime seconds ahead, to someone who touched the kiosk, and never sooner
  // than halfway: a long notice on a short wait would greet every visitor who pauses to read.
  int64_t wait = static_cast<int64_t>(static_cast<uint32_t>(times_.wait_time)) * 60;
  int64_t left = wait - static_cast<int64_t>(count) * 5;
  int64_t warn = std::min<int64_t>(times_.warn_time, wait / 2);
  if (touched_since_return_ && warn > 0 && left > 0 && left <= warn) step.notice = Notice(static_cast<int>(left));
  return step;
}

}  // namespace panelia
