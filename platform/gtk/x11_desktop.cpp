#include "platform/gtk/x11_desktop.h"

#include <X11/Xlib.h>
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
