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

}  // namespace panelia
