// Glyphdeck's behaviour without a window system: what each key sends, the Shift latch and the Caps
// indicator, the input-language buttons, the target window and the keyboard's place on the screen.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "common/boxes.h"
#include "common/keyboard_layouts.h"
#include "common/window_system.h"
#include "keyboard/key_table.h"

namespace panelia {

using KeyCode = uint32_t;
enum class SpecialKey { Shift, Control, CapsLock, BackSpace };

// Synthetic key events, as a physical key would make them.
class KeyInjector {
 public:
  virtual ~KeyInjector() = default;
  // The key that types `c` (shift state ignored: 'a' and 'A' are one key); '\t' is Tab, '\r' Enter.
  virtual std::optional<KeyCode> KeyForChar(char c) = 0;
  virtual std::optional<KeyCode> KeyFor(SpecialKey key) = 0;
  virtual void Send(KeyCode key, bool down) = 0;
  virtual bool IsDown(KeyCode key) = 0;
  virtual bool CapsLockOn() = 0;
};

class KeyboardView {
 public:
  virtual ~KeyboardView() = default;
  virtual void SetPicture(int key_id, int picture) = 0;
  virtual void SetLanguageLabel(const std::string& text) = 0;
};

// The windows around the keyboard: Panelia to announce layouts to, and the window that gets the keys.
class KeyboardDesktop {
 public:
  virtual ~KeyboardDesktop() = default;
  // INPUT-METHOD-EDITOR to Panelia's window, waiting for the answer; nothing when it is absent.
  virtual void AnnounceLayout(int32_t position) = 0;
  // The same without waiting, for a keyboard that is closing: Panelia may be closing too (its close
  // is what closes the keyboard) and would never answer.
  virtual void PostLayout(int32_t position) = 0;
  virtual std::optional<WindowHandle> ActiveWindow() = 0;
  virtual bool Exists(WindowHandle window) = 0;
  virtual void Activate(WindowHandle window) = 0;
};

struct KeyStroke {
  char character = 0;
  int code = 0;
};

// Pixels from the right and bottom edges when the settings give none.
inline constexpr int kDefaultKeyboardXPos = 25;
inline constexpr int kDefaultKeyboardYPos = 82;

struct ScreenPoint {
  int x, y;
};
// Where the keyboard's top-left corner goes on a monitor of `monitor_w` x `monitor_h` for a window
// of `w` x `h`: `x_pos`/`y_pos` from the right and bottom edges, both defaults when either is 0.
// The window is kept on the monitor (its top-left corner first, when it is the larger).
ScreenPoint PlaceKeyboard(int monitor_w, int monitor_h, int w, int h, int32_t x_pos, int32_t y_pos);

// How much the keyboard (`w` x `h` at its own size) is scaled to fit a monitor: 1 where it fits,
// else the larger shrink of the two sides, so its proportions stay. Never more than 1.
double KeyboardScale(int monitor_w, int monitor_h, int w, int h);

// Where a keyboard at (`x`, `y`) goes when it is shown again: where it is when it lies wholly on
// the monitor at (`monitor_x`, `monitor_y`), else moved the least that brings it wholly back.
ScreenPoint BringWhole(int monitor_x, int monitor_y, int monitor_w, int monitor_h, int x, int y, int w, int h);

// Whether the keyboard raises itself when another window shows or moves: it stays above the kiosk
// and every dialog it types into, but never above one of the suite's message boxes, which a visitor
// has to read and answer (a box that found no room beside the keyboard opens over it).
class KeyboardStacking {
 public:
  enum class Move { Stay, Raise, BelowShown };
  // What the keyboard does now. A box that shows goes above the keyboard (the keyboard may just have
  // raised itself over the box's frame while the window manager was setting it up).
  Move OnOtherShown(WindowHandle window, bool is_box);
  Move OnOtherChanged() const { return boxes_.empty() ? Move::Raise : Move::Stay; }
  // The last box gone, the keyboard comes back on top.
  Move OnOtherHidden(WindowHandle window);

 private:
  std::set<WindowHandle> boxes_;
};

class CKeyboardDlg {
 public:
  CKeyboardDlg(KeyInjector& keys, KeyboardView& view, KeyboardDesktop& desktop, KeyboardLayoutList layouts);
  // The list may come once the window shows (reading it costs a noticeable part of the start).
  void SetLayouts(KeyboardLayoutList layouts) { layouts_ = std::move(layouts); }

  // Pictures, the Caps indicator from the keyboard's lock state, the first layout.
  void OnInitDialog(WindowHandle self);
  // A click of a key of the table.
  void OnKey(int id);
  void SendKeyStroke(KeyStroke stroke);
  void FirstLayout();
  void NextLayout();
  // Before every touch: the window that last had the focus, other than the keyboard, gets the keys.
  void TrackTarget();
  void RestoreTarget();
  // The window goes: Panelia back to the first layout, and no Shift or Caps Lock of ours left on.
  void OnDestroy();

  bool ShiftLatch() const { return shift_latch_; }
  bool CapsOn() const { return caps_on_; }
  std::optional<WindowHandle> Target() const { return target_; }
  int CurrentLayout() const { return current_layout_; }

 private:
  void Character(char c);
  void Code(int code);
  void Press(std::optional<KeyCode> key);
  void ShiftUp();
  void Shifted(char c);

  KeyInjector& keys_;
  KeyboardView& view_;
  KeyboardDesktop& desktop_;
  KeyboardLayoutList layouts_;
  int current_layout_ = 0;
  bool shift_latch_ = false;
  bool caps_on_ = false;
  // Caps Lock toggles the keyboard made: an odd count means it changed the lock.
  int caps_toggles_ = 0;
  std::optional<WindowHandle> self_;
  std::optional<WindowHandle> target_;
};

}  // namespace panelia
