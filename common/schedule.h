// The kiosk's opening hours ("Schedule.ini" in the kiosk folder): when the screen is on, the music's
// volume and the home page from a time of day on, and the dates it stays closed. What the schedule
// says at a moment is a pure function of the file and the local time, so it can be asked again at
// any tick, after a clock jump or a change of the file, and always gives the same answer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/time_of_day.h"

namespace panelia {

inline constexpr std::string_view kScheduleFile = "Schedule.ini";

struct ScheduleProblem {
  int line = 0;  // from 1
  std::string text;
  std::string reason;
  bool operator==(const ScheduleProblem&) const = default;
};

struct Schedule {
  // A period of one day, in seconds from its midnight; an end at or before the start runs past
  // midnight into the next day and still belongs to the day it starts.
  struct Period {
    int start = 0, end = 0;
    bool operator==(const Period&) const = default;
  };
  // From `at` (seconds from midnight) on the days of `days` (bit 0 Sunday .. bit 6 Saturday).
  template <typename T>
  struct Change {
    uint8_t days = 0;
    int at = 0;
    T value{};
    int line = 0;
  };
  struct DateRange {
    int64_t first = 0, last = 0;  // days from 1970-01-01
  };

  // Whether [Screen] has any line the kiosk understood; without one the screen is always on.
  bool screen_ruled = false;
  // Per weekday (0 Sunday): the periods the screen is on; nullopt for a day [Screen] does not name,
  // which is on all day.
  std::array<std::optional<std::vector<Period>>, 7> screen;
  std::vector<Change<int>> volume;
  std::vector<Change<std::string>> home;
  std::vector<DateRange> closed;
  std::vector<ScheduleProblem> problems;
};

// Reads the file's decoded text. Every line that is not understood is left out and listed with its
// number and the reason; the rest counts.
Schedule ParseSchedule(std::string_view text);
// Reads and parses the file, decoded as the page lists are (UTF-8 with or without byte-order mark,
// else GB18030; UTF-16 and binary files are no text). nullopt when there is no such file; one that
// cannot be read or decoded (too large, binary) is a schedule whose one problem says so, which keeps
// the screen on.
std::optional<Schedule> ReadScheduleFile(const std::string& path);

struct ScheduleState {
  bool screen_on = true;
  std::optional<int> volume;        // 0-100; none: the schedule does not set it
  std::optional<std::string> home;  // none: the operator's home page
  bool operator==(const ScheduleState&) const = default;
};

ScheduleState ScheduleAt(const Schedule& schedule, const LocalTime& now);

// The first moment after `now` at which the state differs, with that state; nullopt when nothing
// changes within a year.
struct ScheduleChange {
  LocalTime at;
  ScheduleState state;
};
std::optional<ScheduleChange> NextScheduleChange(const Schedule& schedule, const LocalTime& now);

// What the kiosk understood, day by day, then every refused line with its number and reason: what
// `panelia-config --check` prints and the settings window shows.
std::string DescribeSchedule(const Schedule& schedule);

// "07:30", "24:00" for the end of a day.
std::string ClockText(int seconds_of_day);

}  // namespace panelia
