#include "platform/gtk/x11_desktop.h"

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/dpms.h>
#include <gdk/gdkx.h>

#include <vector>

namespace panelia {
namespace {

Display* XDisplayOfDefault() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display || !GDK_IS_X11_DISPLAY(display)) return nullptr;
  return gdk_x11_display_get_xdisplay(display);
}

}  // namespace

GdkRectangle PrimaryMonitorArea() {
  GdkRectangle area{0, 0, 1024, 768};
  if (GdkMonitor* monitor = gdk_display_get_primary_monitor(gdk_display_get_default())) {
    gdk_monitor_get_geometry(monitor, &area);
  }
  return area;
}

void SetWindowClass(GtkWidget* toplevel, const std::string& res_name, const std::string& res_class) {
  gtk_widget_realize(toplevel);
  GdkWindow* window = gtk_widget_get_window(toplevel);
  if (!window || !GDK_IS_X11_WINDOW(window)) return;
  std::vector<char> name(res_name.begin(), res_name.end());
  name.push_back('\0');
  std::vector<char> klass(res_class.begin(), res_class.end());
  klass.push_back('\0');
  XClassHint hint;
  hint.res_name = name.data();
  hint.res_class = klass.data();
  XSetClassHint(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), &hint);
}

void X11PowerSettings::SetLowPowerTimeout(int seconds) {
  Display* dpy = XDisplayOfDefault();
  if (!dpy) return;
  int timeout, interval, blanking, exposures;
  XGetScreenSaver(dpy, &timeout, &interval, &blanking, &exposures);
  XSetScreenSaver(dpy, seconds, interval, blanking, exposures);
  XFlush(dpy);
}

void X11PowerSettings::SetPowerOffTimeout(int seconds) {
  Display* dpy = XDisplayOfDefault();
  if (!dpy) return;
  int event_base, error_base;
  if (!DPMSQueryExtension(dpy, &event_base, &error_base) || !DPMSCapable(dpy)) return;
  if (seconds == 0) {
    DPMSDisable(dpy);
  } else {
    auto s = static_cast<CARD16>(seconds);
    DPMSSetTimeouts(dpy, s, s, s);
  }
  XFlush(dpy);
}

}  // namespace panelia

namespace panelia {
namespace {

int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

bool IsDock(Display* dpy, Window w, Atom type_atom, Atom dock) {
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  bool dock_found = false;
  if (XGetWindowProperty(dpy, w, type_atom, 0, 16, False, XA_ATOM, &type, &format, &count, &after, &data) == Success &&
      data && format == 32) {
    auto* atoms = reinterpret_cast<Atom*>(data);
    for (unsigned long i = 0; i < count; ++i) dock_found |= atoms[i] == dock;
  }
  if (data) XFree(data);
  return dock_found;
}

void CollectDocks(Display* dpy, Window w, Atom type_atom, Atom dock, int depth, std::vector<Window>& out) {
  if (IsDock(dpy, w, type_atom, dock)) {
    out.push_back(w);
    return;
  }
  if (depth > 2) return;  // client windows sit at most inside one window-manager frame
  Window root, parent;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(dpy, w, &root, &parent, &children, &count)) return;
  for (unsigned int i = 0; i < count; ++i) CollectDocks(dpy, children[i], type_atom, dock, depth + 1, out);
  if (children) XFree(children);
}

}  // namespace

void SetDockWindowsMapped(bool mapped) {
  Display* dpy = XDisplayOfDefault();
  if (!dpy) return;
  auto old = XSetErrorHandler(IgnoreXErrors);
  Atom type_atom = XInternAtom(dpy, "_NET_WM_WINDOW_TYPE", False);
  Atom dock = XInternAtom(dpy, "_NET_WM_WINDOW_TYPE_DOCK", False);
  std::vector<Window> docks;
  CollectDocks(dpy, DefaultRootWindow(dpy), type_atom, dock, 0, docks);
  for (Window w : docks) {
    if (mapped) XMapWindow(dpy, w);
    else XUnmapWindow(dpy, w);
  }
  XSync(dpy, False);
  XSetErrorHandler(old);
}

}  // namespace panelia

#include <X11/XKBlib.h>

#include "common/text.h"

namespace panelia {

KeyboardLayoutList ReadKeyboardLayouts() {
  Display* dpy = XDisplayOfDefault();
  if (!dpy) return {};
  // rules, model, layouts, variants, options: NUL-separated in one string property of the root.
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::vector<std::string> fields;
  if (XGetWindowProperty(dpy, DefaultRootWindow(dpy), XInternAtom(dpy, "_XKB_RULES_NAMES", False), 0, 1024, False,
                         XA_STRING, &type, &format, &count, &after, &data) == Success &&
      data && format == 8) {
    std::string raw(reinterpret_cast<char*>(data), count);
    size_t pos = 0;
    while (pos <= raw.size() && fields.size() < 5) {
      size_t end = raw.find('\0', pos);
      if (end == std::string::npos) end = raw.size();
      fields.push_back(raw.substr(pos, end - pos));
      pos = end + 1;
    }
  }
  if (data) XFree(data);
  if (fields.size() < 3) return {};
  std::string rules = fields[0].empty() ? "evdev" : fields[0];
  if (rules.find('/') != std::string::npos) return {};  // a rules name, never a path
  auto xml = ReadFileBytes("/usr/share/X11/xkb/rules/" + rules + ".xml", 8u << 20);
  if (!xml) xml = ReadFileBytes("/usr/share/X11/xkb/rules/evdev.xml", 8u << 20);
  return BuildKeyboardLayoutList(fields[2], fields.size() > 3 ? fields[3] : "",
                                 ParseLayoutDescriptions(xml.value_or("")));
}

void LockKeyboardGroup(int group) {
  Display* dpy = XDisplayOfDefault();
  if (!dpy) return;
  XkbLockGroup(dpy, XkbUseCoreKbd, static_cast<unsigned int>(group));
  XFlush(dpy);
}

}  // namespace panelia
