// The page's own small windows on GTK: the find bar and the source view. Both belong to the frame,
// are closed for the next visitor, and never run a loop of their own.
#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

namespace panelia {

// A bar with the text to find, "next" and "previous"; closing it clears the marks in the page.
void OpenFindBar(GtkWindow* parent, WebKitWebView* view);
// The page's main resource as text, read-only.
void OpenSourceWindow(GtkWindow* parent, WebKitWebView* view);

}  // namespace panelia
