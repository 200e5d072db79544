// The frame's modal dialogs on GTK: the power-off notice (dialog 138) and the Open dialog (173).
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/registry.h"
#include "shell/power_off.h"

namespace panelia {

// Runs the notice modally; the frame's and views' timers keep running in its loop.
int RunPowerOffNotice(GtkWindow* parent, const LocalTime& today);

// The exit password dialog (139), placed 120 pixels above the centre of `screen`; returns
// CExitPasswordDlg::kOk when the right password was given.
int RunExitPasswordDialog(GtkWindow* parent, RegistryStore& store, const std::function<void()>& close_keyboard,
                          const std::function<void()>& toggle_keyboard, const std::string& icon_path,
                          const GdkRectangle& screen);

// The typed-address history fills the list and the completion; nullopt on Cancel.
std::optional<std::string> RunOpenDialog(GtkWindow* parent, const std::vector<std::string>& typed_urls);

}  // namespace panelia
