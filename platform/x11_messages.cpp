#include "platform/x11_messages.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <cstring>
#include <initializer_list>

namespace panelia {
namespace {

// Windows vanish while they are looked at; X errors from that are expected, never fatal. The
// handler is process-wide, so it only ever swallows errors while a trap is active.
int trap_depth = 0;
bool trapped_error = false;
XErrorHandler previous_handler = nullptr;

int TrapHandler(Display* display, XErrorEvent* event) {
  if (trap_depth > 0) {
    trapped_error = true;
    return 0;
  }
  return previous_handler ? previous_handler(display, event) : 0;
}

class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display) : display_(display) {
    if (trap_depth++ == 0) {
      trapped_error = false;
      previous_handler = XSetErrorHandler(TrapHandler);
    }
  }
  // Syncs so every error of the calls made under the trap has arrived; true when one did.
  bool Failed() {
    XSync(display_, False);
    return trapped_error;
  }
  ~ErrorTrap() {
    XSync(display_, False);
    if (--trap_depth == 0) XSetErrorHandler(previous_handler);
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

 private:
  Display* display_;
};

template <typename Match>
std::optional<Window> Walk(Display* display, Window window, Match& match) {
  if (match(window)) return window;
  Window root, parent;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return std::nullopt;
  std::optional<Window> found;
  for (unsigned int i = 0; i < count && !found; ++i) found = Walk(display, children[i], match);
  if (children) XFree(children);
  return found;
}

std::string WindowTitle(Display* display, Window window) {
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 1024, False,
                         XInternAtom(display, "UTF8_STRING", False), &type, &format, &count, &after, &data) == Success &&
      data) {
    title.assign(reinterpret_cast<char*>(data), count);
  }
  if (data) XFree(data);
  return title;
}

Atom AtomOf(Display* display, std::string_view name) { return XInternAtom(display, std::string(name).c_str(), False); }

// A format-32 ClientMessage to `window` with up to five data words.
XEvent ClientMessageTo(Window window, Atom type, std::initializer_list<long> words) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = type;
  e.xclient.format = 32;
  int i = 0;
  for (long word : words) e.xclient.data.l[i++] = word;
  return e;
}

}  // namespace

std::optional<Window> FindClientWindowByClass(Display* display, std::string_view window_class) {
  ErrorTrap trap(display);
  auto match = [&](Window w) {
    XClassHint hint{};
    if (!XGetClassHint(display, w, &hint)) return false;
    bool same = hint.res_class && window_class == hint.res_class;
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return same;
  };
  return Walk(display, DefaultRootWindow(display), match);
}

std::optional<Window> FindClientWindowByTitle(Display* display, std::string_view title) {
  ErrorTrap trap(display);
  auto match = [&](Window w) { return WindowTitle(display, w) == title; };
  return Walk(display, DefaultRootWindow(display), match);
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
  bool is_known = false;
  for (auto k : known) is_known |= name == k;
  if (!is_known) return std::nullopt;
  IncomingMessage m;
  m.name = std::move(name);
  m.wparam = static_cast<int32_t>(event.data.l[0]);
  m.lparam = static_cast<int32_t>(event.data.l[1]);
  m.reply_to = static_cast<Window>(event.data.l[2]);
  m.serial = event.data.l[3];
  return m;
}

void SendReply(Display* display, const IncomingMessage& message, int32_t result) {
  if (message.reply_to == 0) return;  // posted: nobody waits
  XEvent e = ClientMessageTo(message.reply_to, AtomOf(display, kReplyMessage), {message.serial, result});
  ErrorTrap trap(display);
  XSendEvent(display, message.reply_to, False, NoEventMask, &e);
}

X11WindowSystem::X11WindowSystem(const char* display_name, std::chrono::milliseconds reply_wait)
    : display_(XOpenDisplay(display_name)), reply_wait_(reply_wait) {
  if (!display_) return;
  // An unmapped window of our own, only there to receive answers.
  reply_window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), -10, -10, 1, 1, 0, 0, 0);
  XFlush(display_);
}

X11WindowSystem::~X11WindowSystem() {
  if (!display_) return;
  XDestroyWindow(display_, reply_window_);
  XCloseDisplay(display_);
}

std::optional<WindowHandle> X11WindowSystem::FindWindowByClass(std::string_view window_class) {
  if (!display_) return std::nullopt;
  auto w = FindClientWindowByClass(display_, window_class);
  return w ? std::optional<WindowHandle>(*w) : std::nullopt;
}

std::optional<WindowHandle> X11WindowSystem::FindWindowByTitle(std::string_view title) {
  if (!display_) return std::nullopt;
  auto w = FindClientWindowByTitle(display_, title);
  return w ? std::optional<WindowHandle>(*w) : std::nullopt;
}

bool X11WindowSystem::Send(WindowHandle window, std::string_view message, int32_t wparam, int32_t lparam,
                           Window reply_to, long serial) {
  XEvent e = ClientMessageTo(static_cast<Window>(window), AtomOf(display_, message),
                             {wparam, lparam, static_cast<long>(reply_to), serial});
  ErrorTrap trap(display_);
  XSendEvent(display_, static_cast<Window>(window), False, NoEventMask, &e);
  return !trap.Failed();
}

std::optional<int32_t> X11WindowSystem::SendMessage(WindowHandle window, std::string_view message, int32_t wparam,
                                                    int32_t lparam) {
  if (!display_) return std::nullopt;
  long serial = next_serial_++;
  if (!Send(window, message, wparam, lparam, reply_window_, serial)) return std::nullopt;  // window gone
  Atom reply_type = AtomOf(display_, kReplyMessage);
  auto deadline = std::chrono::steady_clock::now() + reply_wait_;
  for (;;) {
    while (XPending(display_) > 0) {
      XEvent e;
      XNextEvent(display_, &e);
      // Late answers to earlier, timed-out sends are dropped here.
      if (e.type == ClientMessage && e.xclient.window == reply_window_ && e.xclient.message_type == reply_type &&
          e.xclient.data.l[0] == serial)
        return static_cast<int32_t>(e.xclient.data.l[1]);
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd fd{ConnectionNumber(display_), POLLIN, 0};
    poll(&fd, 1, static_cast<int>(left.count()));
  }
}

bool X11WindowSystem::PostMessage(WindowHandle window, std::string_view message, int32_t wparam, int32_t lparam) {
  return display_ && Send(window, message, wparam, lparam, 0, 0);
}

void X11WindowSystem::SendClose(WindowHandle window) {
  if (!display_) return;
  XEvent e = ClientMessageTo(static_cast<Window>(window), AtomOf(display_, "WM_PROTOCOLS"),
                             {static_cast<long>(AtomOf(display_, "WM_DELETE_WINDOW")), CurrentTime});
  ErrorTrap trap(display_);
  XSendEvent(display_, static_cast<Window>(window), False, NoEventMask, &e);
}

void X11WindowSystem::SetTopMost(WindowHandle window) {
  if (!display_) return;
  // The window manager's "above" state (add), and a raise for a display without one.
  constexpr long kAdd = 1, kFromApplication = 1;
  XEvent e = ClientMessageTo(static_cast<Window>(window), AtomOf(display_, "_NET_WM_STATE"),
                             {kAdd, static_cast<long>(AtomOf(display_, "_NET_WM_STATE_ABOVE")), 0, kFromApplication});
  ErrorTrap trap(display_);
  XSendEvent(display_, DefaultRootWindow(display_), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  XRaiseWindow(display_, static_cast<Window>(window));
}

}  // namespace panelia
