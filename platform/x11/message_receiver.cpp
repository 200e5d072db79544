#include "platform/x11/message_receiver.h"

#include <cstdint>

#include "platform/x11/error_trap.h"
#include "platform/x11/messages.h"

namespace panelia::x11 {

std::optional<IncomingMessage> DecodeMessageFields(std::string_view type_name, int format, const long (&words)[5],
                                                   const std::vector<std::string_view>& known) {
  if (format != 32) return std::nullopt;
  bool is_known = false;
  for (auto k : known) is_known |= type_name == k;
  if (!is_known) return std::nullopt;
  IncomingMessage m;
  m.name = std::string(type_name);
  // Only the low 32 bits of a word travel over the wire.
  m.wparam = static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long>(words[0]) & 0xFFFFFFFFul));
  m.lparam = static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long>(words[1]) & 0xFFFFFFFFul));
  m.reply_to = static_cast<Window>(words[2]);
  m.serial = words[3];
  return m;
}

std::optional<IncomingMessage> DecodeMessage(Display* display, const XClientMessageEvent& event,
                                             const std::vector<std::string_view>& known) {
  if (event.format != 32 || event.message_type == None) return std::nullopt;
  char* raw_name = nullptr;
  {
    ErrorTrap trap(display);
    raw_name = XGetAtomName(display, event.message_type);
  }
  if (!raw_name) return std::nullopt;
  std::string name(raw_name);
  XFree(raw_name);
  return DecodeMessageFields(name, event.format, event.data.l, known);
}

void SendReply(Display* display, const IncomingMessage& message, int32_t result) {
  if (message.reply_to == 0) return;  // posted: nobody waits
  XEvent e = ClientMessageTo(message.reply_to, AtomOf(display, kReplyMessage), {message.serial, result});
  ErrorTrap trap(display);
  XSendEvent(display, message.reply_to, False, NoEventMask, &e);
}

bool IsCloseRequest(Display* display, const XEvent& event) {
  return event.type == ClientMessage && event.xclient.format == 32 &&
         event.xclient.message_type == AtomOf(display, "WM_PROTOCOLS") &&
         static_cast<Atom>(event.xclient.data.l[0]) == AtomOf(display, "WM_DELETE_WINDOW");
}

bool MessageReceiver::Dispatch(const XEvent& event) {
  if (event.type != ClientMessage) return false;
  if (on_close_ && IsCloseRequest(display_, event)) {
    on_close_();
    return true;
  }
  auto message = DecodeMessage(display_, event.xclient, known_);
  if (!message) return false;  // the window manager's messages, or nothing of ours
  auto result = handler_(*message);
  SendReply(display_, *message, result.value_or(0));
  return true;
}

}  // namespace panelia::x11
