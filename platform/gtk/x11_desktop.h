// Small X11 services the GTK side needs: window classes and the display's power time-outs.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "shell/app.h"

namespace panelia {

// The primary monitor's area (a 1024 x 768 guess before there is a display to ask).
GdkRectangle PrimaryMonitorArea();

// Gives a top-level window its class (the class part of WM_CLASS) before it is first shown, so
// partner programs find it by that name.
void SetWindowClass(GtkWidget* toplevel, const std::string& res_name, const std::string& res_class);

// Low-power time-out 0 switches the X screen saver off; power-off time-out 0 switches display power
// management off where the server has that extension.
class X11PowerSettings final : public PowerSettings {
 public:
  void SetLowPowerTimeout(int seconds) override;
  void SetPowerOffTimeout(int seconds) override;
};

}  // namespace panelia

namespace panelia {

// The task bar is every dock window of the display: hiding unmaps them, showing maps them again.
void SetDockWindowsMapped(bool mapped);

}  // namespace panelia

#include "common/keyboard_layouts.h"

namespace panelia {

// The display's XKB layouts (the _XKB_RULES_NAMES layouts, in order) with the descriptions of
// xkeyboard-config's rules file.
KeyboardLayoutList ReadKeyboardLayouts();
// Switches the keyboard to a layout's group.
void LockKeyboardGroup(int group);

}  // namespace panelia
