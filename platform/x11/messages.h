// The suite's window messages on X11. A registered message is the atom of its name, sent as a
// format-32 ClientMessage with data {wParam, lParam, reply window, serial, 0}; the receiver answers
// with a "PANELIA-REPLY" ClientMessage {serial, result} to the reply window. A reply window of 0
// means the sender does not wait. Close requests are WM_DELETE_WINDOW, as a window manager sends.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/window_system.h"

namespace panelia::x11 {

inline constexpr std::string_view kReplyMessage = "PANELIA-REPLY";
inline constexpr std::chrono::milliseconds kReplyWait{5000};

Atom AtomOf(Display* display, std::string_view name);
// A format-32 ClientMessage to `window` with up to five data words.
XEvent ClientMessageTo(Window window, Atom type, std::initializer_list<long> words);
// Asks the window manager to activate a window, as a pager would (not refused as focus stealing).
void AskToActivate(Display* display, Window window);
// Asks the window manager to leave its "show the desktop" mode, which hides every window.
void StopShowingDesktop(Display* display);

// Sends and waits on its own connection, so the caller's toolkit connection is never blocked on.
class X11WindowSystem final : public WindowSystem {
 public:
  // Opens its own connection to the display (nullptr: $DISPLAY).
  explicit X11WindowSystem(const char* display_name = nullptr, std::chrono::milliseconds reply_wait = kReplyWait);
  ~X11WindowSystem() override;
  X11WindowSystem(const X11WindowSystem&) = delete;
  X11WindowSystem& operator=(const X11WindowSystem&) = delete;

  bool Connected() const { return display_ != nullptr; }

  std::optional<WindowHandle> FindWindowByClass(std::string_view window_class) override;
  bool IsWindowOfClass(WindowHandle window, std::string_view window_class) override;
  std::optional<WindowHandle> FindWindowByTitle(std::string_view title) override;
  std::optional<int32_t> SendMessage(WindowHandle window, std::string_view message, int32_t wparam,
                                     int32_t lparam) override;
  bool PostMessage(WindowHandle window, std::string_view message, int32_t wparam, int32_t lparam) override;
  void SendClose(WindowHandle window) override;
  void SetTopMost(WindowHandle window) override;
  std::optional<ScreenRect> WindowRect(WindowHandle window) override;
  void MoveWindow(WindowHandle window, int x, int y) override;
  std::string WindowText(WindowHandle window, std::string_view property) override;

 private:
  bool Send(WindowHandle window, std::string_view message, int32_t wparam, int32_t lparam, Window reply_to,
            long serial);
  Display* display_ = nullptr;
  Window reply_window_ = 0;
  long next_serial_ = 1;
  std::chrono::milliseconds reply_wait_;
};

}  // namespace panelia::x11
