#include "platform/x11/xtest.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>

namespace panelia::x11 {

bool XTestKeys::Available() const {
  int event_base, error_base, major, minor;
  return display_ && XTestQueryExtension(display_, &event_base, &error_base, &major, &minor);
}

std::optional<unsigned int> XTestKeys::KeyCodeFor(KeySym keysym) const {
  KeyCode code = XKeysymToKeycode(display_, keysym);
  if (code == 0) return std::nullopt;
  return code;
}

void XTestKeys::Key(unsigned int keycode, bool down) {
  XTestFakeKeyEvent(display_, keycode, down ? True : False, CurrentTime);
  XFlush(display_);
}

bool XTestKeys::IsDown(unsigned int keycode) const {
  char keys[32] = {};
  XQueryKeymap(display_, keys);
  return keycode < 256 && (keys[keycode / 8] & (1 << (keycode % 8))) != 0;
}

bool XTestKeys::CapsLockOn() const {
  // The lock itself, not its light: a keyboard may have no Caps Lock light at all.
  XkbStateRec state{};
  if (XkbGetState(display_, XkbUseCoreKbd, &state) != Success) return false;
  return (state.locked_mods & LockMask) != 0;
}

}  // namespace panelia::x11
