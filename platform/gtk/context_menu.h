// A pop-up menu of commands at the pointer, gone once it closes.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

namespace panelia {

struct PopupItem {
  int id = 0;
  std::string text;  // with "&" before the mnemonic letter
  bool separator_before = false;
};

void PopupCommandMenu(GtkWidget* attach_to, GdkEvent* event, const std::vector<PopupItem>& items,
                      std::function<void(int)> chosen);

}  // namespace panelia
