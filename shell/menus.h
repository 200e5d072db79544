// Menu 128 and accelerator table 128 of the main frame, as data the GTK adapter builds from.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "common/commands.h"

namespace panelia {

struct MenuItem {
  int id = 0;                   // 0 with no text: a separator
  std::string_view text;        // "(&X)" marks the mnemonic, "\t" the shortcut shown
  std::vector<MenuItem> items;  // a submenu when not empty
};

const std::vector<MenuItem>& MainMenu();

enum class KeyModifier : unsigned { Plain = 0, Ctrl = 1, Shift = 2, Alt = 4 };
struct Accelerator {
  unsigned modifiers;    // KeyModifier bits
  std::string_view key;  // key name as X11 names it ("a", "Insert", "F11", "Left", "BackSpace", ...)
  int command;
};
const std::vector<Accelerator>& MainAccelerators();
// The command of a key with its modifiers (the key name lower-cased where it is a letter), if any.
std::optional<int> AcceleratorCommand(unsigned modifiers, std::string_view key);

// The status line's text while the item is highlighted; "就绪" otherwise.
std::string_view CommandPrompt(int id);
inline constexpr const char* kReadyText = "Ready";

// "打开(&O)...\tCtrl+O" -> "打开(_O)...": GTK writes the mnemonic with "_", the shortcut apart.
std::string_view ShortcutOf(std::string_view text);
std::string MnemonicLabel(std::string_view text);
// Whether the menu shows the command with a check mark: the bars, the text sizes and the automatic
// encoding (the character sets are chosen, not marked).
bool IsCheckItem(int id);

}  // namespace panelia
