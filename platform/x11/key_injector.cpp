#include "platform/x11/key_injector.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <cstdint>
#include <thread>

#include "common/names.h"
#include "platform/x11/error_trap.h"
#include "platform/x11/window_lookup.h"

namespace panelia::x11 {

namespace {

// Events closer together than this are sometimes taken by toolkits as one chord; a few
// milliseconds apart they arrive as typed.
constexpr auto kPacing = std::chrono::milliseconds(2);

}  // namespace

std::optional<KeyCode> XTestInjector::KeyForChar(char c) {
  KeySym keysym = c == '\t' ? XK_Tab : c == '\r' ? XK_Return : static_cast<KeySym>(static_cast<unsigned char>(c));
  // One key for both cases of a letter, as the shift state is not part of the answer.
  if (c >= 'A' && c <= 'Z') keysym = static_cast<KeySym>(c) - 'A' + 'a';
  return keys_.KeyCodeFor(keysym);
}

std::optional<KeyCode> XTestInjector::KeyFor(SpecialKey key) {
  KeySym keysym = key == SpecialKey::Shift      ? XK_Shift_L
                  : key == SpecialKey::Control  ? XK_Control_L
                  : key == SpecialKey::CapsLock ? XK_Caps_Lock
                                                : XK_BackSpace;
  return keys_.KeyCodeFor(keysym);
}

void XTestInjector::Send(KeyCode key, bool down) {
  auto now = std::chrono::steady_clock::now();
  if (now - last_ < kPacing) std::this_thread::sleep_for(kPacing - (now - last_));
  keys_.Key(key, down);
  last_ = std::chrono::steady_clock::now();
}

void X11KeyboardDesktop::AnnounceLayout(int32_t position) {
  if (auto panelia = windows_.FindWindowByClass(kPaneliaClass))
    windows_.SendMessage(*panelia, kInputMethodMessage, position, 0);
}

void X11KeyboardDesktop::PostLayout(int32_t position) {
  if (auto panelia = windows_.FindWindowByClass(kPaneliaClass))
    windows_.PostMessage(*panelia, kInputMethodMessage, position, 0);
}

std::optional<WindowHandle> X11KeyboardDesktop::ActiveWindow() {
  auto items = PropertyItems(display_, DefaultRootWindow(display_), "_NET_ACTIVE_WINDOW", XA_WINDOW);
  if (items.empty() || items[0] == 0) return std::nullopt;
  return static_cast<WindowHandle>(items[0]);
}

bool X11KeyboardDesktop::Exists(WindowHandle window) {
  ErrorTrap trap(display_);
  XWindowAttributes attributes;
  return XGetWindowAttributes(display_, static_cast<Window>(window), &attributes) != 0;
}

void X11KeyboardDesktop::Activate(WindowHandle window) {
  AskToActivate(display_, static_cast<Window>(window));
}

}  // namespace panelia::x11
