#include "shell/screen_schedule.h"

#include <algorithm>
#include <utility>

namespace panelia {
namespace {

// "screen off", "volume 30", "home page": what changes, in the status's words.
std::string ChangeText(const ScheduleState& from, const ScheduleState& to) {
  std::string text;
  auto add = [&text](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
  if (from.screen_on != to.screen_on) add(to.screen_on ? "screen on" : "screen off");
  if (from.volume != to.volume) add(to.volume ? "volume " + std::to_string(*to.volume) : "volume not set");
  if (from.home != to.home) add("home page");
  return text;
}

}  // namespace

void CScreenSchedule::Reload() {
  // A file still being written (stamp not settled) is read again at the next look.
  auto stamp = environment_.Stamp();
  if (loaded_ && stamp && stamp_ && stamp->SameState(*stamp_) && stamp_->Settled()) return;
  if (loaded_ && !stamp && !stamp_) return;
  const bool had = schedule_.has_value();
  schedule_ = environment_.Read();
  stamp_ = stamp;
  loaded_ = true;
  if (!schedule_) {
    if (had) actions_.Log("the schedule file is gone: the screen stays on");
    return;
  }
  actions_.Log("schedule read: " + std::to_string(schedule_->problems.size()) + " line(s) refused");
  for (const auto& p : schedule_->problems)
    actions_.Log("schedule line " + std::to_string(p.line) + " refused: " + p.reason);
}

void CScreenSchedule::Look() {
  Reload();
  const LocalTime now = environment_.Now();
  const ScheduleState state = schedule_ ? ScheduleAt(*schedule_, now) : ScheduleState{};
  // An operator's word holds until the schedule itself changes, whichever way the clock went.
  if (override_ && state.screen_on != override_from_) override_.reset();
  if (woken_ && (state.screen_on || WokenIdleSeconds() >= wake_seconds_)) woken_ = false;
  const bool on = override_ ? *override_ : state.screen_on || woken_;
  ApplyScreen(on, override_ ? "an operator's command" : woken_ ? "a touch" : "the schedule");

  // The player plays at full volume unless told otherwise: a schedule that stops setting it gives
  // the full volume back.
  if (state.volume != volume_) {
    actions_.SetMusicVolume(state.volume.value_or(100));
    volume_ = state.volume;
  }
  if (state.home != home_) {
    home_refused_ = !actions_.SetHome(state.home);
    home_ = state.home;
  }

  looked_ = true;
  status_.mode = override_ ? "override" : woken_ ? "woken" : state.screen_on ? "on" : "off";
  status_.screen_on = on;
  status_.volume = volume_.value_or(-1);
  status_.home = home_.value_or("");
  status_.home_refused = home_refused_;
  status_.problems = schedule_ ? static_cast<int>(schedule_->problems.size()) : 0;
  status_.next_change = 0;
  status_.next.clear();
  int64_t wait_ms = kLongestLookMs;
  if (auto next = schedule_ ? NextScheduleChange(*schedule_, now) : std::nullopt) {
    status_.next_change = environment_.UnixOf(next->at);
    status_.next = ChangeText(state, next->state);
    // Half a second past the change, so the look falls after it.
    wait_ms = std::min<int64_t>(wait_ms, (status_.next_change - environment_.UnixNow()) * 1000 + 500);
  }
  if (woken_) wait_ms = std::min<int64_t>(wait_ms, (wake_seconds_ - WokenIdleSeconds()) * 1000 + 500);
  timers_.SetTimer(kTimer, static_cast<int>(std::max<int64_t>(wait_ms, 1000)));
}

void CScreenSchedule::ApplyScreen(bool on, const char* why) {
  if (on == screen_on_) {
    if (!on) actions_.ShowScreen(false);  // kept dark
    return;
  }
  screen_on_ = on;
  actions_.Log(std::string(on ? "screen on: " : "screen off: ") + why);
  if (!on && looked_) actions_.EndVisitorSession();
  actions_.ShowScreen(on);
  actions_.SilenceMusic(!on);
}

void CScreenSchedule::OnDarkTouch() {
  if (screen_on_ || (override_ && !*override_)) return;
  woken_ = true;
  woken_at_ = environment_.UnixNow();
  Look();
}

int32_t CScreenSchedule::OnScreenCommand(ScreenCommand command) {
  woken_ = false;
  if (command == ScreenCommand::Auto) {
    override_.reset();
  } else {
    override_ = command == ScreenCommand::On;
    override_from_ = !schedule_ || ScheduleAt(*schedule_, environment_.Now()).screen_on;
  }
  Look();
  return 0;
}

}  // namespace panelia
