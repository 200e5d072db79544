// The display's keyboard layouts through XKB: the layout list in the order the server has them,
// and switching the keyboard to one of them (display-wide).
#pragma once

#include <X11/Xlib.h>

#include "common/keyboard_layouts.h"

namespace panelia::x11 {

// The _XKB_RULES_NAMES layouts, in order, with the descriptions of xkeyboard-config's rules file.
KeyboardLayoutList ReadKeyboardLayouts(Display* display);
// Locks the keyboard to a layout's group.
void LockKeyboardGroup(Display* display, int group);
// The locked group now in force.
int LockedKeyboardGroup(Display* display);

}  // namespace panelia::x11
