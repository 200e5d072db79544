// Message boxes that never run a loop of their own: shown modal over their parent, they answer
// through a callback once dismissed, and the kiosk's timers and pages run on meanwhile.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace panelia {

// `answered` gets the response (GTK_RESPONSE_OK, _YES, _NO, or _DELETE_EVENT for Escape).
void ShowMessageBox(GtkWindow* parent, const std::string& text, const std::string& caption, GtkMessageType type,
                    GtkButtonsType buttons, std::function<void(int)> answered = {});

}  // namespace panelia
