// The frame's modal dialogs on GTK: the power-off notice (dialog 138) and the Open dialog (173).
#pragma once

#include <gtk/gtk.h>

#include <optional>
#include <string>
#include <vector>

#include "shell/power_off.h"

namespace panelia {

// Runs the notice modally; the frame's and views' timers keep running in its loop.
int RunPowerOffNotice(GtkWindow* parent, const LocalTime& today);

// The typed-address history fills the list and the completion; nullopt on Cancel.
std::optional<std::string> RunOpenDialog(GtkWindow* parent, const std::vector<std::string>& typed_urls);

}  // namespace panelia
