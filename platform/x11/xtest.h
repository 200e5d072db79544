// Synthetic key strokes through XTest: they go to the window that has the input focus, as a
// physical key would, so the keyboard window never needs the focus itself.
#pragma once

#include <X11/Xlib.h>

#include <optional>

namespace panelia::x11 {

class XTestKeys {
 public:
  explicit XTestKeys(Display* display) : display_(display) {}
  bool Available() const;
  // The key code that produces `keysym` on the first group (shift state ignored), if any.
  std::optional<unsigned int> KeyCodeFor(KeySym keysym) const;
  void Key(unsigned int keycode, bool down);
  // The server's key map: whether a key is held down now.
  bool IsDown(unsigned int keycode) const;
  bool CapsLockOn() const;

 private:
  Display* display_;
};

}  // namespace panelia::x11
