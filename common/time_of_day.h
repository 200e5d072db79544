// A time of day as operators write it in the settings and the kiosk's files.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace panelia {

struct TimeOfDay {
  int hour = 0, minute = 0, second = 0;
};

// "H:MM" or "H:MM:SS": hours 0-23, minutes and seconds 0-59, each one or two digits and nothing else
// (no sign, no space inside); spaces around the whole are allowed. Anything else is no time at all.
// The settings window, panelia-reg and the kiosk all read times with this one function, so a time
// an operator could save is a time the kiosk acts on.
std::optional<TimeOfDay> ParseTimeOfDay(std::string_view text);

// The local date and time on the wall clock.
struct LocalTime {
  int year = 2000, month = 1, day = 1;  // month 1..12
  int hour = 0, minute = 0, second = 0;
  int weekday = 0;  // 0 = Sunday .. 6 = Saturday
};

// Days from 1 January 1970 to the civil date (proleptic Gregorian), and back.
int64_t DaysFromCivil(int year, int month, int day);
LocalTime CivilFromDays(int64_t days);  // midnight of that day
// The wall clock's time as seconds from 1970-01-01 00:00 on the same wall clock (no time zone), and
// back: what date arithmetic on local times is done in.
int64_t WallSeconds(const LocalTime& t);
LocalTime FromWallSeconds(int64_t wall);

// The local time for `unix_seconds`, where `utc_offset_at` gives the zone's offset (seconds east of
// UTC) at any instant. In the hour a daylight-saving change repeats, the clock stands still at the
// last second before it went back until the wall clock has caught up: what was due in that hour has
// happened once, and nothing is undone or done twice. A skipped hour needs nothing: the wall clock
// is past its times at once, so what was due in it is due then.
LocalTime ScheduleLocalTime(int64_t unix_seconds, const std::function<int32_t(int64_t)>& utc_offset_at);

}  // namespace panelia
