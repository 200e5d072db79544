// The drawn keyboard as a screen reader sees it: each key a named button at its place on the screen
// (the keys are pictures on one drawing area, which would otherwise be a single nameless object).
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

namespace panelia {

struct AccessibleKey {
  std::string name;
  GdkRectangle area;  // in the drawing area's own coordinates
};

// A drawing area whose accessible object has one child per key `keys` lists (asked when a reader
// first looks, and again after `KeysChanged`).
GtkWidget* NewKeyboardArea(std::function<std::vector<AccessibleKey>()> keys);
void KeysChanged(GtkWidget* area);

}  // namespace panelia
