// Glyphdeck's key strokes and the windows around it on X11: XTest events paced a few milliseconds
// apart, the XKB lock state, the active window of the window manager, and Panelia's window.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>

#include "keyboard/keyboard.h"
#include "platform/x11/messages.h"
#include "platform/x11/xtest.h"

namespace panelia::x11 {

class XTestInjector final : public KeyInjector {
 public:
  explicit XTestInjector(Display* display) : display_(display), keys_(display) {}
  std::optional<KeyCode> KeyForChar(char c) override;
  std::optional<KeyCode> KeyFor(SpecialKey key) override;
  void Send(KeyCode key, bool down) override;
  bool IsDown(KeyCode key) override { return keys_.IsDown(key); }
  bool CapsLockOn() override { return keys_.CapsLockOn(); }

 private:
  Display* display_;
  XTestKeys keys_;
  std::chrono::steady_clock::time_point last_{};
};

class X11KeyboardDesktop final : public KeyboardDesktop {
 public:
  // `display` is the keyboard's own connection; `windows` finds and messages Panelia.
  X11KeyboardDesktop(Display* display, X11WindowSystem& windows) : display_(display), windows_(windows) {}
  void AnnounceLayout(int32_t position) override;
  void PostLayout(int32_t position) override;
  std::optional<WindowHandle> ActiveWindow() override;
  bool Exists(WindowHandle window) override;
  void Activate(WindowHandle window) override;

 private:
  Display* display_;
  X11WindowSystem& windows_;
};

}  // namespace panelia::x11
