#include "common/schedule.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <utility>

#include "common/text.h"
#include "common/texts.h"

namespace panelia {
namespace {

constexpr int kDay = 86400;
constexpr uint8_t kEveryDay = 0x7f;
// Written Monday first, as operators read a week.
constexpr std::array<int, 7> kWeekOrder = {1, 2, 3, 4, 5, 6, 0};
constexpr std::array<std::string_view, 7> kDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 7> kFullDayNames = {"sunday",   "monday", "tuesday", "wednesday",
                                                           "thursday", "friday", "saturday"};

enum class Section { None, Screen, Volume, Home, Closed, Unknown };

// A reason a line is refused; empty when it was understood.
using Reason = std::string;

std::optional<int> DayNumber(std::string_view word) {
  const std::string lower = AsciiLower(TrimSpaces(word));
  for (int d = 0; d < 7; ++d)
    if (lower == AsciiLower(kDayNames[static_cast<size_t>(d)]) || lower == kFullDayNames[static_cast<size_t>(d)])
      return d;
  return std::nullopt;
}

// "Mon-Fri", "Sat,Sun", "Fri-Mon" (past the week's end), "Mon-Fri,Sun".
std::optional<uint8_t> ParseDays(std::string_view text, Reason& reason) {
  uint8_t days = 0;
  for (std::string_view item : SplitOn(text, ',')) {
    item = TrimSpaces(item);
    const size_t dash = item.find('-');
    auto first = DayNumber(item.substr(0, dash));
    auto last = dash == std::string_view::npos ? first : DayNumber(item.substr(dash + 1));
    if (!first || !last) {
      reason = Filled(Tr("\"{1}\" is not a day or a range of days (Mon, Tue, Wed, Thu, Fri, Sat, Sun; Mon-Fri)"),
                      {std::string(item)});
      return std::nullopt;
    }
    for (int d = *first;; d = (d + 1) % 7) {
      days |= static_cast<uint8_t>(1u << d);
      if (d == *last) break;
    }
  }
  return days;
}

// "7:30" or "07:30" (seconds allowed); "24:00" only where a period ends.
std::optional<int> ParseClock(std::string_view text, bool day_end, Reason& reason) {
  text = TrimSpaces(text);
  if (day_end && (text == "24:00" || text == "24:00:00")) return kDay;
  if (auto t = ParseTimeOfDay(text)) return t->hour * 3600 + t->minute * 60 + t->second;
  reason = Filled(Tr("\"{1}\" is not a time of day (07:30)"), {std::string(text)});
  return std::nullopt;
}

std::optional<std::vector<Schedule::Period>> ParsePeriods(std::string_view text, Reason& reason) {
  const std::string lower = AsciiLower(TrimSpaces(text));
  if (lower == "off") return std::vector<Schedule::Period>{};
  if (lower == "on") return std::vector<Schedule::Period>{{0, kDay}};
  std::vector<Schedule::Period> periods;
  for (std::string_view item : SplitOn(text, ',')) {
    const size_t dash = item.find('-');
    if (dash == std::string_view::npos) {
      reason = Filled(Tr("\"{1}\" is not a period (07:30-22:00), on or off"), {std::string(TrimSpaces(item))});
      return std::nullopt;
    }
    auto start = ParseClock(item.substr(0, dash), false, reason);
    if (!start) return std::nullopt;
    auto end = ParseClock(item.substr(dash + 1), true, reason);
    if (!end) return std::nullopt;
    if (*end == *start) {
      reason = Filled(Tr("the period \"{1}\" ends when it starts"), {std::string(TrimSpaces(item))});
      return std::nullopt;
    }
    periods.push_back({*start, *end});
  }
  return periods;
}

std::optional<int64_t> ParseDate(std::string_view text) {
  text = TrimSpaces(text);
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  int fields[3] = {0, 0, 0};
  const size_t starts[3] = {0, 5, 8}, sizes[3] = {4, 2, 2};
  for (int f = 0; f < 3; ++f) {
    for (char c : text.substr(starts[f], sizes[f])) {
      if (c < '0' || c > '9') return std::nullopt;
      fields[f] = fields[f] * 10 + (c - '0');
    }
  }
  if (fields[1] < 1 || fields[1] > 12 || fields[2] < 1 || fields[2] > 31) return std::nullopt;
  const int64_t days = DaysFromCivil(fields[0], fields[1], fields[2]);
  // 2027-02-30 would count on into March: a date that does not come back as written is none.
  const LocalTime back = CivilFromDays(days);
  if (back.month != fields[1] || back.day != fields[2]) return std::nullopt;
  return days;
}

// "Mon-Fri 07:00" of a [Volume] or [Home] line: the days, then the time.
std::optional<std::pair<uint8_t, int>> ParseFrom(std::string_view text, Reason& reason) {
  text = TrimSpaces(text);
  const size_t space = text.find_last_of(" \t");
  if (space == std::string_view::npos) {
    reason = Tr("days and a time are needed before \"=\" (Mon-Fri 07:00)");
    return std::nullopt;
  }
  auto days = ParseDays(text.substr(0, space), reason);
  if (!days) return std::nullopt;
  auto at = ParseClock(text.substr(space + 1), false, reason);
  if (!at) return std::nullopt;
  return std::pair{*days, *at};
}

bool IsPageAddress(std::string_view address) {
  const std::string lower = AsciiLower(address);
  if (!(lower.starts_with("http://") || lower.starts_with("https://") || lower.starts_with("file://"))) return false;
  return std::ranges::none_of(address, [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7f; });
}

Reason ParseLine(Schedule& schedule, Section section, std::string_view line, int number) {
  Reason reason;
  if (section == Section::Closed) {
    std::vector<Schedule::DateRange> ranges;
    for (std::string_view item : SplitOn(line, ',')) {
      item = TrimSpaces(item);
      const size_t dots = item.find("..");
      auto first = ParseDate(item.substr(0, dots));
      auto last = dots == std::string_view::npos ? first : ParseDate(item.substr(dots + 2));
      if (!first || !last)
        return Filled(Tr("\"{1}\" is not a date (2026-12-25) or a range of dates (2027-01-01..2027-01-03)"),
                      {std::string(item)});
      if (*last < *first) return Filled(Tr("the range \"{1}\" ends before it starts"), {std::string(item)});
      ranges.push_back({*first, *last});
    }
    schedule.closed.insert(schedule.closed.end(), ranges.begin(), ranges.end());
    return {};
  }
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return Tr("a line needs \"=\" (Mon-Fri = 07:30-22:00)");
  const std::string_view left = line.substr(0, equals), right = TrimSpaces(line.substr(equals + 1));
  switch (section) {
    case Section::Screen: {
      auto days = ParseDays(left, reason);
      if (!days) return reason;
      auto periods = ParsePeriods(right, reason);
      if (!periods) return reason;
      // A later line replaces what an earlier one said of the same days.
      for (int d = 0; d < 7; ++d)
        if (*days & (1u << d)) schedule.screen[static_cast<size_t>(d)] = *periods;
      schedule.screen_ruled = true;
      return {};
    }
    case Section::Volume: {
      auto from = ParseFrom(left, reason);
      if (!from) return reason;
      int volume = 0;
      bool digits = !right.empty() && right.size() <= 3;
      for (char c : right) {
        digits = digits && c >= '0' && c <= '9';
        if (digits) volume = volume * 10 + (c - '0');
      }
      if (!digits || volume > 100) return Filled(Tr("\"{1}\" is not a volume from 0 to 100"), {std::string(right)});
      schedule.volume.push_back({from->first, from->second, volume, number});
      return {};
    }
    case Section::Home: {
      auto from = ParseFrom(left, reason);
      if (!from) return reason;
      if (!IsPageAddress(right))
        return Filled(Tr("\"{1}\" is not a page address (http://, https:// or file://, without spaces)"),
                      {std::string(right)});
      schedule.home.push_back({from->first, from->second, std::string(right), number});
      return {};
    }
    default: return {};
  }
}

bool IsClosed(const Schedule& schedule, int64_t days) {
  return std::ranges::any_of(schedule.closed,
                             [days](const Schedule::DateRange& r) { return days >= r.first && days <= r.last; });
}

int WeekdayOf(int64_t days) {
  return CivilFromDays(days).weekday;
}

bool ScreenOn(const Schedule& schedule, int64_t days, int second) {
  if (!schedule.screen_ruled) return true;
  if (!IsClosed(schedule, days)) {
    const auto& today = schedule.screen[static_cast<size_t>(WeekdayOf(days))];
    if (!today) return true;
    for (const auto& p : *today)
      if (second >= p.start && (p.end <= p.start || second < p.end)) return true;
  }
  // Yesterday's period that runs past midnight belongs to yesterday: today's closing does not end it.
  if (IsClosed(schedule, days - 1)) return false;
  const auto& yesterday = schedule.screen[static_cast<size_t>(WeekdayOf(days - 1))];
  if (!yesterday) return false;
  return std::ranges::any_of(*yesterday,
                             [second](const Schedule::Period& p) { return p.end <= p.start && second < p.end; });
}

// The value of the last change at or before the moment, looking back a week; the later line wins
// where two fall on the same time.
template <typename T>
std::optional<T> Latest(const std::vector<Schedule::Change<T>>& changes, int64_t days, int second) {
  for (int back = 0; back <= 7; ++back) {
    const int weekday = WeekdayOf(days - back);
    const Schedule::Change<T>* best = nullptr;
    for (const auto& c : changes) {
      if (!(c.days & (1u << weekday)) || (back == 0 && c.at > second)) continue;
      if (!best || c.at > best->at || (c.at == best->at && c.line > best->line)) best = &c;
    }
    if (best) return best->value;
  }
  return std::nullopt;
}

ScheduleState StateAt(const Schedule& schedule, int64_t days, int second) {
  return {ScreenOn(schedule, days, second), Latest(schedule.volume, days, second), Latest(schedule.home, days, second)};
}

std::string DaysText(uint8_t days) {
  if (days == kEveryDay) return "Mon-Sun";
  std::string text;
  for (size_t i = 0; i < kWeekOrder.size();) {
    if (!(days & (1u << kWeekOrder[i]))) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j + 1 < kWeekOrder.size() && (days & (1u << kWeekOrder[j + 1]))) ++j;
    if (!text.empty()) text += ',';
    text += kDayNames[static_cast<size_t>(kWeekOrder[i])];
    if (j > i) text += std::string(j == i + 1 ? "," : "-") + std::string(kDayNames[static_cast<size_t>(kWeekOrder[j])]);
    i = j + 1;
  }
  return text;
}

std::string DateText(int64_t days) {
  const LocalTime t = CivilFromDays(days);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day);
  return text;
}

}  // namespace

std::string ClockText(int seconds_of_day) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", seconds_of_day / 3600, seconds_of_day / 60 % 60);
  return text;
}

Schedule ParseSchedule(std::string_view text) {
  Schedule schedule;
  Section section = Section::None;
  int number = 0;
  for (std::string_view raw : SplitOn(text, '\n')) {
    ++number;
    const std::string_view line = TrimSpaces(raw);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    Reason reason;
    if (line.front() == '[') {
      const std::string name = AsciiLower(line);
      section = name == "[screen]"   ? Section::Screen
                : name == "[volume]" ? Section::Volume
                : name == "[home]"   ? Section::Home
                : name == "[closed]" ? Section::Closed
                                     : Section::Unknown;
      if (section == Section::Unknown)
        reason = Tr("not a section of the schedule: [Screen], [Volume], [Home] or [Closed]");
    } else if (section == Section::None) {
      reason = Tr("the line comes before any section ([Screen], [Volume], [Home], [Closed])");
    } else if (section == Section::Unknown) {
      reason = Tr("the line belongs to an unknown section");
    } else {
      reason = ParseLine(schedule, section, line, number);
    }
    if (!reason.empty()) schedule.problems.push_back({number, std::string(line), std::move(reason)});
  }
  return schedule;
}

std::optional<Schedule> ReadScheduleFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return std::nullopt;
  // Far more than a year of opening hours and holidays.
  constexpr size_t kMostBytes = 1u << 20;
  auto bytes = ReadFileBytes(path, kMostBytes);
  auto text = bytes && bytes->find('\0') == std::string::npos ? DecodeTextFile(*bytes) : std::nullopt;
  if (!text) {
    Schedule unread;
    unread.problems.push_back({0, path, Tr("the file cannot be read as text (or is larger than 1 MiB)")});
    return unread;
  }
  return ParseSchedule(*text);
}

ScheduleState ScheduleAt(const Schedule& schedule, const LocalTime& now) {
  return StateAt(schedule, DaysFromCivil(now.year, now.month, now.day), now.hour * 3600 + now.minute * 60 + now.second);
}

std::optional<ScheduleChange> NextScheduleChange(const Schedule& schedule, const LocalTime& now) {
  // The state can change only at midnight or at a time the file names.
  std::set<int> times = {0};
  for (const auto& day : schedule.screen)
    if (day)
      for (const auto& p : *day) times.insert({p.start, p.end % kDay});
  for (const auto& c : schedule.volume) times.insert(c.at);
  for (const auto& c : schedule.home) times.insert(c.at);
  const int64_t today = DaysFromCivil(now.year, now.month, now.day);
  const int second = now.hour * 3600 + now.minute * 60 + now.second;
  const ScheduleState current = StateAt(schedule, today, second);
  constexpr int kDaysAhead = 366;
  for (int64_t day = today; day <= today + kDaysAhead; ++day) {
    for (int at : times) {
      if (day == today && at <= second) continue;
      ScheduleState state = StateAt(schedule, day, at);
      if (state == current) continue;
      LocalTime when = FromWallSeconds(day * kDay + at);
      return ScheduleChange{when, std::move(state)};
    }
  }
  return std::nullopt;
}

std::string DescribeSchedule(const Schedule& schedule) {
  std::string out = "[Screen]\n";
  if (!schedule.screen_ruled) out += std::string("  ") + Tr("always on: no line sets the screen's hours") + "\n";
  for (int d : kWeekOrder) {
    if (!schedule.screen_ruled) break;
    out += "  " + std::string(kDayNames[static_cast<size_t>(d)]) + ": ";
    const auto& periods = schedule.screen[static_cast<size_t>(d)];
    if (!periods) {
      out += std::string(Tr("on all day (no line names this day)")) + "\n";
      continue;
    }
    if (periods->empty()) out += "off";
    for (size_t i = 0; i < periods->size(); ++i) {
      const auto& p = (*periods)[i];
      out += (i ? ", " : "") + ClockText(p.start) + "-" + ClockText(p.end);
      if (p.end <= p.start) out += std::string(" (") + Tr("until the next day") + ")";
    }
    out += "\n";
  }
  out += "[Volume]\n";
  for (const auto& c : schedule.volume)
    out += "  " + DaysText(c.days) + " " + ClockText(c.at) + " = " + std::to_string(c.value) + "\n";
  out += "[Home]\n";
  for (const auto& c : schedule.home) out += "  " + DaysText(c.days) + " " + ClockText(c.at) + " = " + c.value + "\n";
  out += "[Closed]\n";
  for (const auto& r : schedule.closed)
    out += "  " + DateText(r.first) + (r.last != r.first ? ".." + DateText(r.last) : "") + "\n";
  for (const auto& p : schedule.problems) {
    if (p.line == 0) {
      out += p.reason + "\n";  // the whole file
      continue;
    }
    out += Filled(Tr("line {1} refused: {2}"), {std::to_string(p.line), p.reason}) + "\n    " + p.text + "\n";
  }
  return out;
}

}  // namespace panelia
