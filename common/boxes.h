// The suite's message boxes as a visitor sees them: the kiosk's own words on the buttons whatever
// the session's language, the icon each kind of box carries, and a place on the screen that the
// on-screen keyboard does not cover.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "common/window_system.h"

namespace panelia {

enum class BoxIcon { Error, Information, Question, Warning };
enum class BoxButtons { Ok, OkCancel, YesNo };
enum class BoxAnswer { Ok, Cancel, Yes, No };

struct BoxButton {
  std::string_view label;
  BoxAnswer answer;
};

// Left to right; the first is the default (Enter).
std::vector<BoxButton> ButtonsOf(BoxButtons buttons);
// The icon's name in the desktop's icon theme.
std::string_view IconNameOf(BoxIcon icon);

// `r` moved the least that puts it wholly on `monitor`; one larger than the monitor shows its
// top-left corner.
ScreenRect KeptOn(const ScreenRect& monitor, ScreenRect r);

struct BoxPlace {
  int x = 0, y = 0;
  // False when the monitor has no room beside the keyboard: the box then goes where it was wanted.
  bool clear = true;
};

// Pixels kept between a box moved out of the way and the keyboard.
inline constexpr int kBoxKeyboardGap = 8;

// Where a box of `w` x `h` goes when it would open at `wanted` (its top-left corner) on `monitor`
// and the keyboard covers `keyboard`: where wanted when they do not overlap, else just above the
// keyboard, below it, to its left or to its right (the first that fits on the monitor), keeping the
// other coordinate as wanted.
BoxPlace PlaceClearOf(const ScreenRect& monitor, int w, int h, int wanted_x, int wanted_y,
                      const std::optional<ScreenRect>& keyboard);

}  // namespace panelia
