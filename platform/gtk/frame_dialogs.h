// The frame's own dialogs on GTK: the power-off notice (138) and the Open dialog (173). Neither
// runs a loop of its own; each answers through a callback.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/power_off.h"

namespace panelia {

// The notice counts down on its own timer; `done` gets CPowerOffDlg::kOk or kCancel.
void OpenPowerOffNotice(GtkWindow* parent, const LocalTime& today, std::function<void(int)> done);

// The typed-address history fills the list and the completion; `done` gets nullopt on Cancel.
void OpenAddressDialog(GtkWindow* parent, const std::vector<std::string>& typed_urls,
                       std::function<void(std::optional<std::string>)> done);

}  // namespace panelia
