#include "platform/x11/window_lookup.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include "platform/x11/error_trap.h"

namespace panelia::x11 {
namespace {

// Visits windows depth-first until `visit` returns true; `max_depth` < 0 walks the whole tree.
template <typename Visit>
bool Walk(Display* display, Window window, Visit& visit, int max_depth, int depth = 0) {
  if (visit(window)) return true;
  if (max_depth >= 0 && depth >= max_depth) return false;
  Window root, parent;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return false;
  bool done = false;
  for (unsigned int i = 0; i < count && !done; ++i) done = Walk(display, children[i], visit, max_depth, depth + 1);
  if (children) XFree(children);
  return done;
}

bool HasClass(Display* display, Window w, std::string_view window_class) {
  XClassHint hint{};
  if (!XGetClassHint(display, w, &hint)) return false;
  bool same = hint.res_class && window_class == hint.res_class;
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return same;
}

template <typename Use>
void ReadProperty(Display* display, Window window, const char* property, Atom type, Use use) {
  ErrorTrap trap(display);
  Atom actual;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, XInternAtom(display, property, False), 0, 4096, False, type, &actual, &format,
                         &count, &after, &data) == Success &&
      data) {
    use(data, count, format);
  }
  if (data) XFree(data);
}

}  // namespace

namespace {

// Client windows of the class, all of them or the first only.
std::vector<Window> WindowsOfClass(Display* display, std::string_view window_class, bool first_only) {
  ErrorTrap trap(display);
  std::vector<Window> out;
  auto visit = [&](Window w) {
    if (HasClass(display, w, window_class)) out.push_back(w);
    return first_only && !out.empty();
  };
  Walk(display, DefaultRootWindow(display), visit, -1);
  return out;
}

}  // namespace

bool HasWindowClass(Display* display, Window window, std::string_view window_class) {
  ErrorTrap trap(display);  // a window gone meanwhile
  return HasClass(display, window, window_class);
}

std::optional<Window> FindClientWindowByClass(Display* display, std::string_view window_class) {
  auto found = WindowsOfClass(display, window_class, true);
  return found.empty() ? std::nullopt : std::optional<Window>(found.front());
}

std::vector<Window> FindClientWindowsByClass(Display* display, std::string_view window_class) {
  return WindowsOfClass(display, window_class, false);
}

std::optional<Window> FindClientWindowByTitle(Display* display, std::string_view title) {
  ErrorTrap trap(display);
  std::optional<Window> found;
  auto visit = [&](Window w) {
    if (WindowTitle(display, w) == title) found = w;
    return found.has_value();
  };
  Walk(display, DefaultRootWindow(display), visit, -1);
  return found;
}

std::optional<Window> ClientWindowIn(Display* display, Window top) {
  ErrorTrap trap(display);
  Atom wm_state = XInternAtom(display, "WM_STATE", False);
  std::optional<Window> found;
  auto visit = [&](Window w) {
    if (!PropertyItems(display, w, "WM_STATE", wm_state).empty()) found = w;
    return found.has_value();
  };
  Walk(display, top, visit, -1);
  return found;
}

std::vector<unsigned long> PropertyItems(Display* display, Window window, const char* property, Atom type) {
  std::vector<unsigned long> items;
  ReadProperty(display, window, property, type, [&](unsigned char* data, unsigned long count, int format) {
    if (format != 32) return;
    auto* words = reinterpret_cast<unsigned long*>(data);  // format 32 arrives as longs
    items.assign(words, words + count);
  });
  return items;
}

std::string PropertyText(Display* display, Window window, const char* property, Atom type) {
  std::string text;
  ReadProperty(display, window, property, type, [&](unsigned char* data, unsigned long count, int format) {
    if (format == 8) text.assign(reinterpret_cast<char*>(data), count);
  });
  return text;
}

std::string WindowTitle(Display* display, Window window) {
  return PropertyText(display, window, "_NET_WM_NAME", XInternAtom(display, "UTF8_STRING", False));
}

void SetWindowClass(Display* display, Window window, const std::string& res_name, const std::string& res_class) {
  std::string name = res_name, klass = res_class;
  XClassHint hint;
  hint.res_name = name.data();
  hint.res_class = klass.data();
  XSetClassHint(display, window, &hint);
}

void SetDockWindowsMapped(Display* display, bool mapped) {
  ErrorTrap trap(display);
  Atom dock = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
  std::vector<Window> docks;
  auto visit = [&](Window w) {
    for (unsigned long type : PropertyItems(display, w, "_NET_WM_WINDOW_TYPE", XA_ATOM)) {
      if (type == dock) {
        docks.push_back(w);
        break;
      }
    }
    return false;
  };
  // Client windows sit at most inside one window-manager frame.
  Walk(display, DefaultRootWindow(display), visit, 3);
  for (Window w : docks) {
    if (mapped)
      XMapWindow(display, w);
    else
      XUnmapWindow(display, w);
  }
  XSync(display, False);
}

}  // namespace panelia::x11
