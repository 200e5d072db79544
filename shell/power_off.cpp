#include "shell/power_off.h"

#include <cmath>
#include <string>

namespace panelia {

double ToDateSerial(int year, int month, int day, int hour, int minute, int second) {
  // Days from the civil date (proleptic Gregorian), then shifted to 30 December 1899.
  int y = year - (month <= 2 ? 1 : 0);
  int era = (y >= 0 ? y : y - 399) / 400;
  int yoe = y - era * 400;
  int mp = (month + 9) % 12;
  int doy = (153 * mp + 2) / 5 + day - 1;
  int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  long days_since_1970 = static_cast<long>(era) * 146097 + doe - 719468;
  constexpr long kDaysFrom1899To1970 = 25569;
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
