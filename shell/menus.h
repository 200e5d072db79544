// Menu 128 and accelerator table 128 of the main frame, as data the GTK adapter builds from.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace panelia {

namespace command {
inline constexpr int kNewWindow = 57600, kOpen = 57601, kClose = 57602, kSave = 57603, kSaveAs = 57604,
                     kPageSetup = 57606, kPrint = 57607, kPrintPreview = 57609, kAbout = 57664, kExit = 57665;
inline constexpr int kCut = 57635, kCopy = 57634, kPaste = 57637, kSelectAll = 57642, kUndo = 57643;
inline constexpr int kNextPane = 57680, kPrevPane = 57681;
inline constexpr int kToolbar = 59392, kStatusBar = 59393;
inline constexpr int kInternetOptions = 32771, kFullScreen = 32772, kMailPage = 32773, kMailLink = 32774,
                     kProperties = 32775, kOffline = 32776, kOptions = 32777, kFind = 32778, kSource = 32779,
                     kHelp = 32780, kVisitSite = 32781, kWriteAuthor = 32782, kStop = 32784, kRefresh = 32785,
                     kBack = 32786, kForward = 32787, kHome = 32788;
inline constexpr int kTextSizeFirst = 32789, kTextSizeLast = 32793;
inline constexpr int kEncodingFirst = 32794, kEncodingLast = 32800;
inline constexpr int kFavouritesFirst = 32802, kFavouritesLast = 32805;
}  // namespace command

struct MenuItem {
  int id = 0;                  // 0 with no text: a separator
  std::string_view text;       // "(&X)" marks the mnemonic, "\t" the shortcut shown
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
inline constexpr std::string_view kReadyText = "就绪";

// "打开(&O)...\tCtrl+O" -> "打开(_O)...": GTK writes the mnemonic with "_", the shortcut apart.
std::string_view ShortcutOf(std::string_view text);
std::string MnemonicLabel(std::string_view text);

}  // namespace panelia
