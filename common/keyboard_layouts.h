// KeyboardLayoutList: the display's keyboard layouts in order, built by one rule in Panelia and in
// Glyphdeck so that a position names the same layout in both.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace panelia {

struct KeyboardLayout {
  std::string id;             // layout, with its variant in parentheses: "us", "us(intl)"
  std::string name;           // the description operators know it by
  int group = 0;              // the keyboard group that selects it
  bool input_method = false;  // an input-method engine (id is its name), not a keyboard group
};
using KeyboardLayoutList = std::vector<KeyboardLayout>;

// Layout and variant descriptions from xkeyboard-config's rules file, keyed by id.
using LayoutDescriptions = std::map<std::string, std::string>;
LayoutDescriptions ParseLayoutDescriptions(std::string_view rules_xml);

// From the comma-separated layout and variant lists of the display's rules names. A layout without
// a description takes no position; the rest keep their keyboard group.
KeyboardLayoutList BuildKeyboardLayoutList(std::string_view layouts, std::string_view variants,
                                           const LayoutDescriptions& descriptions);

// The entry a position names: 0 or below is the first; beyond the end there is none.
std::optional<KeyboardLayout> LayoutAtPosition(const KeyboardLayoutList& list, int32_t position);

}  // namespace panelia
