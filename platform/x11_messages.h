// The suite's window messages on X11. A registered message is the atom of its name, sent as a
// format-32 ClientMessage with data {wParam, lParam, reply window, serial, 0}; the receiver answers
// with a "PANELIA-REPLY" ClientMessage {serial, result} to the reply window. A reply window of 0
// means the sender does not wait. Close requests are WM_DELETE_WINDOW, as a window manager sends.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/window_system.h"

namespace panelia {

inline constexpr std::string_view kReplyMessage = "PANELIA-REPLY";
inline constexpr std::chrono::milliseconds kReplyWait{5000};

// Walks the whole window tree (client windows inside window-manager frames, unmapped ones too).
std::optional<Window> FindClientWindowByClass(Display* display, std::string_view window_class);
std::optional<Window> FindClientWindowByTitle(Display* display, std::string_view title);

struct IncomingMessage {
  std::string name;
  int32_t wparam = 0;
  int32_t lparam = 0;
  Window reply_to = 0;
  long serial = 0;
};

// The registered message carried by a ClientMessage among `known` names; nullopt for anything else
// (another type, another format, a name the receiver does not use).
std::optional<IncomingMessage> DecodeMessage(Display* display, const XClientMessageEvent& event,
                                             const std::vector<std::string_view>& known);
// Answers a sender; a reply window that is gone is no error.
void SendReply(Display* display, const IncomingMessage& message, int32_t result);

// Sends and waits on its own connection, so the caller's toolkit connection is never blocked on.
class X11WindowSystem final : public WindowSystem {
 public:
  // Opens its own connection to the display (nullptr: $DISPLAY).
  explicit X11WindowSystem(const char* display_name = nullptr,
                           std::chrono::milliseconds reply_wait = kReplyWait);
  ~X11WindowSystem() override;
  X11WindowSystem(const X11WindowSystem&) = delete;
  X11WindowSystem& operator=(const X11WindowSystem&) = delete;

  bool Connected() const { return display_ != nullptr; }

  std::optional<WindowHandle> FindWindowByClass(std::string_view window_class) override;
  std::optional<WindowHandle> FindWindowByTitle(std::string_view title) override;
  std::optional<int32_t> SendMessage(WindowHandle window, std::string_view message, int32_t wparam,
                                     int32_t lparam) override;
  bool PostMessage(WindowHandle window, std::string_view message, int32_t wparam, int32_t lparam);
  void SendClose(WindowHandle window) override;
  void SetTopMost(WindowHandle window) override;

 private:
  bool Send(WindowHandle window, std::string_view message, int32_t wparam, int32_t lparam, Window reply_to,
            long serial);
  Display* display_ = nullptr;
  Window reply_window_ = 0;
  long next_serial_ = 1;
  std::chrono::milliseconds reply_wait_;
};

}  // namespace panelia
