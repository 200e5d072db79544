#include "common/time_of_day.h"

#include "common/text.h"

namespace panelia {
namespace {

bool ParseField(std::string_view text, int max, int& out) {
  if (text.empty() || text.size() > 2) return false;
  out = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    out = out * 10 + (c - '0');
  }
  return out <= max;
}

}  // namespace

std::optional<TimeOfDay> ParseTimeOfDay(std::string_view text) {
  text = TrimSpaces(text);
  if (text.size() > 8) return std::nullopt;
  size_t first = text.find(':');
  if (first == std::string_view::npos) return std::nullopt;
  size_t second = text.find(':', first + 1);
  TimeOfDay t;
  if (!ParseField(text.substr(0, first), 23, t.hour)) return std::nullopt;
  std::string_view minutes =
      text.substr(first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1);
  if (!ParseField(minutes, 59, t.minute)) return std::nullopt;
  if (second != std::string_view::npos && !ParseField(text.substr(second + 1), 59, t.second)) return std::nullopt;
  return t;
}

int64_t DaysFromCivil(int year, int month, int day) {
  const int64_t y = year - (month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t mp = (month + 9) % 12;
  const int64_t doy = (153 * mp + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

LocalTime CivilFromDays(int64_t days) {
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  LocalTime t;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
  // 1 January 1970 was a Thursday.
  t.weekday = static_cast<int>(((days % 7) + 11) % 7);
  return t;
}

int64_t WallSeconds(const LocalTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * 86400 + int64_t{t.hour} * 3600 + int64_t{t.minute} * 60 + t.second;
}

LocalTime FromWallSeconds(int64_t wall) {
  int64_t days = wall >= 0 ? wall / 86400 : -((-wall + 86399) / 86400);
  int64_t rest = wall - days * 86400;
  LocalTime t = CivilFromDays(days);
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  return t;
}

LocalTime ScheduleLocalTime(int64_t unix_seconds, const std::function<int32_t(int64_t)>& utc_offset_at) {
  const int32_t now_offset = utc_offset_at(unix_seconds);
  // Every zone's clock goes back by at most a few hours at once; look that far back for a change.
  constexpr int64_t kLookBack = int64_t{3} * 3600;
  const int32_t earlier_offset = utc_offset_at(unix_seconds - kLookBack);
  if (earlier_offset > now_offset) {
    // The clock went back within the last three hours: the first instant on the new offset.
    int64_t before = unix_seconds - kLookBack, after = unix_seconds;
    while (after - before > 1) {
      const int64_t middle = before + (after - before) / 2;
      (utc_offset_at(middle) == now_offset ? after : before) = middle;
    }
    const int64_t repeated = earlier_offset - now_offset;
    if (unix_seconds < after + repeated) return FromWallSeconds(before + earlier_offset);
  }
  return FromWallSeconds(unix_seconds + now_offset);
}

}  // namespace panelia
