// The opening hours at work: the schedule file read again whenever it changes, the screen darkened
// and lit by it, the music's volume and the home page set from it, and the two ways past it (a
// visitor's touch on the dark screen, an operator's command).
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "browse/ports.h"
#include "common/page_list.h"
#include "common/schedule.h"

namespace panelia {

// What the schedule changes in the kiosk.
class ScheduleActions {
 public:
  virtual ~ScheduleActions() = default;
  // On: the display powered and the kiosk in sight. Off: the display powered down (where it can be)
  // behind a black cover above every window, which takes the next touch. Asked again at every look
  // while dark: a moved mouse may have woken the display.
  virtual void ShowScreen(bool on) = 0;
  virtual void SilenceMusic(bool silent) = 0;
  virtual void SetMusicVolume(int percent) = 0;
  // The schedule's home page from the next idle return on; none: the operator's own. False when the
  // page lists refuse it (it is then not used).
  virtual bool SetHome(const std::optional<std::string>& address) = 0;
  // The screen goes dark: the visitor's session ends as at an idle return.
  virtual void EndVisitorSession() = 0;
  virtual void Log(const std::string& line) = 0;
};

// Where the schedule and the time come from.
class ScheduleEnvironment {
 public:
  virtual ~ScheduleEnvironment() = default;
  virtual std::optional<FileStamp> Stamp() = 0;
  virtual std::optional<Schedule> Read() = 0;
  // The local time as the schedule counts it (see ScheduleLocalTime), and Unix seconds.
  virtual LocalTime Now() = 0;
  virtual int64_t UnixNow() = 0;
  virtual int64_t UnixOf(const LocalTime& t) = 0;
  // Seconds since a visitor's last input.
  virtual int64_t IdleSeconds() = 0;
};

enum class ScreenCommand { On, Off, Auto };

class CScreenSchedule {
 public:
  static constexpr int kTimer = 1;
  // Looks at least this often: the file may have changed, or the clock been set.
  static constexpr int kLongestLookMs = 30000;

  // `wake_seconds`: how long a screen woken by a touch stays on without input.
  CScreenSchedule(ScheduleActions& actions, ScheduleEnvironment& environment, TimerService& timers, int wake_seconds)
      : actions_(actions), environment_(environment), timers_(timers), wake_seconds_(wake_seconds) {}

  void Start() { Look(); }
  void OnTimer(int id) {
    if (id == kTimer) Look();
  }
  // A touch on the dark screen: it wakes a screen the schedule darkened, never one an operator
  // turned off (someone cleaning it). The touch itself reaches nothing either way.
  void OnDarkTouch();
  // panelia-send screen on|off|auto: on or off until the schedule next changes; auto: the schedule.
  int32_t OnScreenCommand(ScreenCommand command);

  struct Status {
    std::string mode = "on";  // on, off, woken, override
    bool screen_on = true;
    int64_t next_change = 0;    // Unix seconds; 0: none within a year
    std::string next;           // what the next change does
    int volume = -1;            // -1: not set by the schedule
    std::string home;           // empty: the operator's home page
    bool home_refused = false;  // the page lists refuse the schedule's home page
    int problems = 0;           // lines of the file refused
  };
  Status CurrentStatus() const { return status_; }

 private:
  void Look();
  void Reload();
  void ApplyScreen(bool on, const char* why);

  ScheduleActions& actions_;
  ScheduleEnvironment& environment_;
  TimerService& timers_;
  int wake_seconds_;
  std::optional<Schedule> schedule_;
  std::optional<FileStamp> stamp_;
  bool loaded_ = false;
  std::optional<bool> override_;
  bool override_from_ = true;  // the schedule's screen when the override came
  bool woken_ = false;
  int64_t woken_at_ = 0;  // the waking touch reached no page, so the idle count starts there
  int64_t WokenIdleSeconds() { return std::min(environment_.IdleSeconds(), environment_.UnixNow() - woken_at_); }
  bool screen_on_ = true;
  bool looked_ = false;  // at the first look there is no visitor's session to end
  std::optional<int> volume_;
  std::optional<std::string> home_;
  bool home_refused_ = false;
  Status status_;
};

}  // namespace panelia
