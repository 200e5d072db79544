// What the two companion programs' windows share: the menu of the free area and the about box.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

namespace panelia {

struct MenuEntry {
  std::string label;  // with a GTK mnemonic ("_About Sonavelle..."); empty for a separator
  std::function<void()> chosen;
};
// Opens the menu at the pointer of `event`; it goes once closed.
void PopupMenu(GtkWidget* attach_to, const GdkEventButton* event, std::vector<MenuEntry> entries);

// A modal about box over `parent` (which may be none): the icon beside the lines, "确定" below.
// `closed` runs when it goes.
void ShowCompanionAbout(GtkWindow* parent, const std::string& title, GdkPixbuf* icon,
                        const std::vector<std::string>& lines, int width, int height,
                        std::function<void()> closed = {});

}  // namespace panelia
