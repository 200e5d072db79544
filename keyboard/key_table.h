// Glyphdeck's 62 keys: where each stands (dialog units), its picture and what a touch on it does.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace panelia {

enum class KeyAction {
  Shiftable,  // the character; with the Shift latch, Shift plus it (or plus `second`)
  Letter,     // a letter under the Shift latch and the Caps indicator
  Shifted,    // always Shift plus the character
  Char,       // the character alone
  Code,       // a control code
  Caps,
  Shift,
  FirstLayout,
  NextLayout,
};

struct KeyRect {
  int x, y, w, h;
};

struct KeyDef {
  int id;
  KeyRect rect;     // dialog units
  int picture;      // resting picture
  int lit_picture;  // Caps and Shift while on; 0 for the others
  std::string_view legend;
  KeyAction action;
  char character;  // Shiftable, Letter (lower case), Shifted, Char
  char second;     // Shiftable: the character sent with the latch instead of `character`, 0 for none
  int code;        // Code
};

inline constexpr size_t kKeyCount = 62;
extern const std::array<KeyDef, kKeyCount> kKeyTable;

const KeyDef* FindKey(int id);
// What a screen reader calls the key: its legend, or a word for a key whose legend is a sign or
// nothing (Backspace's arrow, the space bar), in Chinese and English.
std::string SpokenName(const KeyDef& key);

// The picture sizes in pixels.
struct PictureSize {
  int w, h;
};
PictureSize PictureSizeOf(int picture);

// Every picture number the window shows (keys, lit keys, the movable-window picture), each once.
std::vector<int> AllPictures();

// The keyboard window: 543 x 226 dialog units.
inline constexpr int kDialogWidth = 543;
inline constexpr int kDialogHeight = 226;
inline constexpr KeyRect kTitleLabelRect{15, 209, 109, 8};
inline constexpr KeyRect kLanguageLabelRect{216, 209, 89, 8};
inline constexpr KeyRect kMovePictureRect{460, 204, 19, 19};
inline constexpr int kMovePicture = 208;

inline constexpr std::string_view kKeyboardTitle = "Panelia touch-screen browser - Glyphdeck 4.5";
inline constexpr std::string_view kKeyboardCaption = "Panelia touch-screen browser on-screen keyboard";
inline constexpr std::string_view kInitialLanguageLabel = "US English";

}  // namespace panelia
