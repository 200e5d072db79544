// Message boxes that never run a loop of their own: shown modal over their parent, they answer
// through a callback once dismissed, and the kiosk's timers and pages run on meanwhile.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace panelia {

// `answered` gets the response (GTK_RESPONSE_OK, _YES, _NO, or _DELETE_EVENT for Escape).
// Returns the box, for MarkVisitorDialog.
GtkWidget* ShowMessageBox(GtkWindow* parent, const std::string& text, const std::string& caption, GtkMessageType type,
                          GtkButtonsType buttons, std::function<void(int)> answered = {});

// A box a page caused (its script dialogs, a print with no printer): never modal, so the bar and
// the page answer meanwhile, and it answers itself (as GTK_RESPONSE_CANCEL) after `answer_after_ms`
// when nobody touches it.
GtkWidget* ShowPageBox(GtkWindow* parent, const std::string& text, const std::string& caption, GtkMessageType type,
                       GtkButtonsType buttons, unsigned answer_after_ms, std::function<void(int)> answered = {});

// Dialogs a visitor opens (about, properties, print, save, the quit question) go when the next visitor
// comes: CloseVisitorDialogs destroys every window so marked. Their answers are never given. Each is
// kept in the kiosk too.
void MarkVisitorDialog(GtkWidget* dialog);
// A dialog of the kiosk offers no minimise or maximise (minimising one would take the kiosk with it),
// stays above the frame, and gives the focus back to its owner when it closes. `resizable` windows
// (the page source) may also be resized. Once per dialog; later calls change nothing.
void KeepInKiosk(GtkWidget* dialog, bool resizable = false);
void CloseVisitorDialogs();

}  // namespace panelia
