#include "shell/power_off.h"

#include <cmath>
#include <string>

namespace panelia {

double ToDateSerial(int year, int month, int day, int hour, int minute, int second) {
  // Days from the civil date, shifted to 30 December 1899.
  const int64_t days_since_1970 = DaysFromCivil(year, month, day);
  constexpr int64_t kDaysFrom1899To1970 = 25569;
  return static_cast<double>(days_since_1970 + kDaysFrom1899To1970) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

long SecondsUntil(const LocalTime& now, const TimeOfDay& target) {
  double now_serial = ToDateSerial(now.year, now.month, now.day, now.hour, now.minute, now.second);
  double target_serial = ToDateSerial(now.year, now.month, now.day, target.hour, target.minute, target.second);
  // The small constant keeps a whole number of seconds from truncating to one less.
  return static_cast<long>(std::trunc((target_serial - now_serial) * 86400.0 + 5.787037037037037e-6));
}

bool PowerOffDue(const PowerOffSettings& settings, const LocalTime& now) {
  if (!settings.auto_shut) return false;
  bool time_due = false;
  if (settings.time) {
    long seconds = SecondsUntil(now, *settings.time);
    time_due = seconds > 0 && seconds < 60;
  }
  bool weekend_due = settings.close_weekend && IsWeekend(now);
  return time_due || weekend_due;
}

void CPowerOffDlg::OnInitDialog(const LocalTime& today) {
  ticks_ = 0;
  port_.SetProgressRange(0, kSteps);
  port_.StartTimer(kTimer, kTimerMs);
  if (IsWeekend(today)) {
    port_.ShowWeekendText();
    port_.EnableCancel();
    cancel_enabled_ = true;
  }
}

void CPowerOffDlg::OnTimer(int id) {
  if (id != kTimer || ended_) return;
  ++ticks_;
  if (ticks_ > kSteps) {
    ended_ = true;
    port_.EndDialog(kOk);
    return;
  }
  port_.SetProgress(ticks_);
}

}  // namespace panelia
