// A time of day as operators write it in the settings and the kiosk's files.
#pragma once

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

}  // namespace panelia
