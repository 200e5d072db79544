#include "platform/x11/messages.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>

#include <cstdio>

#include "platform/x11/error_trap.h"
#include "platform/x11/window_lookup.h"

namespace panelia::x11 {

Atom AtomOf(Display* display, std::string_view name) {
  return XInternAtom(display, std::string(name).c_str(), False);
}

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
  return FindClientWindowByClass(display_, window_class);
}

bool X11WindowSystem::IsWindowOfClass(WindowHandle window, std::string_view window_class) {
  return display_ && HasWindowClass(display_, static_cast<Window>(window), window_class);
}

std::optional<WindowHandle> X11WindowSystem::FindWindowByTitle(std::string_view title) {
  if (!display_) return std::nullopt;
  return FindClientWindowByTitle(display_, title);
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
    if (left.count() <= 0) {
      // Said, so that a partner that keeps the kiosk waiting can be found in the session log.
      std::fprintf(stderr, "%s: no answer to %.*s from window 0x%lx within %lld ms\n", program_invocation_short_name,
                   static_cast<int>(message.size()), message.data(), static_cast<unsigned long>(window),
                   static_cast<long long>(reply_wait_.count()));
      return std::nullopt;
    }
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

void AskToActivate(Display* display, Window window) {
  XEvent e = ClientMessageTo(window, AtomOf(display, "_NET_ACTIVE_WINDOW"), {2, CurrentTime, 0});
  ErrorTrap trap(display);
  XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  XFlush(display);
}

void StopShowingDesktop(Display* display) {
  Window root = DefaultRootWindow(display);
  XEvent e = ClientMessageTo(root, AtomOf(display, "_NET_SHOWING_DESKTOP"), {0});
  ErrorTrap trap(display);
  XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  XFlush(display);
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

std::optional<ScreenRect> X11WindowSystem::WindowRect(WindowHandle window) {
  if (!display_) return std::nullopt;
  ErrorTrap trap(display_);
  XWindowAttributes a{};
  if (!XGetWindowAttributes(display_, static_cast<Window>(window), &a) || a.map_state != IsViewable)
    return std::nullopt;
  int x = 0, y = 0;
  Window child = 0;
  if (!XTranslateCoordinates(display_, static_cast<Window>(window), DefaultRootWindow(display_), 0, 0, &x, &y, &child))
    return std::nullopt;
  return ScreenRect{x, y, a.width, a.height};
}

void X11WindowSystem::MoveWindow(WindowHandle window, int x, int y) {
  if (!display_) return;
  ErrorTrap trap(display_);
  XMoveWindow(display_, static_cast<Window>(window), x, y);
  XFlush(display_);
}

std::string X11WindowSystem::WindowText(WindowHandle window, std::string_view property) {
  if (!display_) return {};
  ErrorTrap trap(display_);
  return PropertyText(display_, static_cast<Window>(window), std::string(property).c_str(),
                      AtomOf(display_, "UTF8_STRING"));
}

}  // namespace panelia::x11
