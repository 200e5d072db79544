// The receiving side of the suite's messages, for any program's window: it recognises the
// registered messages a program handles, hands them to the program and sends the answer.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace panelia::x11 {

struct IncomingMessage {
  std::string name;
  int32_t wparam = 0;
  int32_t lparam = 0;
  Window reply_to = 0;
  long serial = 0;
};

// The fields of a ClientMessage whose type is named `type_name`: the registered message among `known`
// names; nullopt for anything else (another format, a name the receiver does not use). `words` are
// the event's five data words, as any program on the display may fill them.
std::optional<IncomingMessage> DecodeMessageFields(std::string_view type_name, int format, const long (&words)[5],
                                                   const std::vector<std::string_view>& known);
// The same for an event as it arrives (its type's name asked of the display).
std::optional<IncomingMessage> DecodeMessage(Display* display, const XClientMessageEvent& event,
                                             const std::vector<std::string_view>& known);
// Answers a sender; a reply window that is gone is no error.
void SendReply(Display* display, const IncomingMessage& message, int32_t result);

class MessageReceiver {
 public:
  // The program's answer, or nullopt for a message it does not handle (answered 0 all the same,
  // so a waiting sender never waits in vain).
  using Handler = std::function<std::optional<int32_t>(const IncomingMessage&)>;
  // `on_close` takes the close request (WM_DELETE_WINDOW) itself, so that it ends the program even
  // while one of its dialogs holds the toolkit's grab.
  MessageReceiver(Display* display, std::vector<std::string_view> known, Handler handler,
                  std::function<void()> on_close = {})
      : display_(display), known_(std::move(known)), handler_(std::move(handler)), on_close_(std::move(on_close)) {}

  // True when the event was one of the program's messages, which has then been handled and answered.
  bool Dispatch(const XEvent& event);

 private:
  Display* display_;
  std::vector<std::string_view> known_;
  Handler handler_;
  std::function<void()> on_close_;
};

// True for the close request a window manager sends (WM_PROTOCOLS carrying WM_DELETE_WINDOW).
bool IsCloseRequest(Display* display, const XEvent& event);

}  // namespace panelia::x11
