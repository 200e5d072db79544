// The scheduled power-off: when the check fires, and the 15-second notice that precedes it.
#pragma once

#include <optional>
#include <string_view>

#include "common/time_of_day.h"

namespace panelia {

// Days since 30 December 1899, the date arithmetic the check is defined in.
double ToDateSerial(int year, int month, int day, int hour, int minute, int second);

// Whole seconds from now until today's power-off time, truncated toward zero.
long SecondsUntil(const LocalTime& now, const TimeOfDay& target);

struct PowerOffSettings {
  bool auto_shut = false;
  bool close_weekend = false;
  std::optional<TimeOfDay> time;
};

// The check of one 30-second tick: 1 to 59 seconds before the time, or any tick at a weekend
// when weekends are closed. False whenever the feature is off.
bool PowerOffDue(const PowerOffSettings& settings, const LocalTime& now);

inline bool IsWeekend(const LocalTime& t) {
  return t.weekday == 0 || t.weekday == 6;
}

// The notice's window, as the dialog logic drives it.
class PowerOffDialogPort {
 public:
  virtual ~PowerOffDialogPort() = default;
  virtual void SetProgressRange(int low, int high) = 0;
  virtual void SetProgress(int position) = 0;
  virtual void ShowWeekendText() = 0;  // shows "The kiosk is set not to run at weekends!" instead of the time text
  virtual void EnableCancel() = 0;
  virtual void StartTimer(int id, int milliseconds) = 0;
  virtual void EndDialog(int result) = 0;
};

class CPowerOffDlg {
 public:
  static constexpr int kOk = 1;
  static constexpr int kCancel = 2;
  static constexpr int kTimer = 1;
  static constexpr int kTimerMs = 100;
  static constexpr int kSteps = 150;

  explicit CPowerOffDlg(PowerOffDialogPort& port) : port_(port) {}
  void OnInitDialog(const LocalTime& today);
  void OnTimer(int id);
  void OnOk() { port_.EndDialog(kOk); }
  void OnCancel() {
    if (cancel_enabled_) port_.EndDialog(kCancel);
  }
  int Ticks() const { return ticks_; }

 private:
  PowerOffDialogPort& port_;
  int ticks_ = 0;
  bool cancel_enabled_ = false;
  bool ended_ = false;
};

}  // namespace panelia
