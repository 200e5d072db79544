#include "platform/gtk/gdk_x11.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <gdk/gdkx.h>

#include "common/names.h"
#include "common/window_system.h"
#include "platform/x11/error_trap.h"
#include "platform/x11/monitors.h"
#include "platform/x11/window_lookup.h"

namespace panelia {

Display* GdkXDisplay() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display || !GDK_IS_X11_DISPLAY(display)) return nullptr;
  return gdk_x11_display_get_xdisplay(display);
}

void UseGdkErrorTrap() {
  x11::ToolkitErrorTrap trap;
  trap.display = GdkXDisplay();
  trap.push = [] { gdk_x11_display_error_trap_push(gdk_display_get_default()); };
  trap.pop = [] { return gdk_x11_display_error_trap_pop(gdk_display_get_default()) != 0; };
  x11::UseToolkitErrorTrap(trap);
}

namespace {
std::string& WantedMonitor() {
  static std::string wanted;
  return wanted;
}
}  // namespace

void UseKioskMonitor(std::string wanted) {
  WantedMonitor() = std::move(wanted);
}

std::vector<MonitorInfo> Monitors() {
  // The server's own list first: it also knows monitors that show part of one output's picture,
  // which the toolkit does not list.
  std::vector<MonitorInfo> monitors = x11::ListMonitors(GdkXDisplay());
  if (!monitors.empty()) return monitors;
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return monitors;
  for (int i = 0; i < gdk_display_get_n_monitors(display); ++i) {
    GdkMonitor* monitor = gdk_display_get_monitor(display, i);
    GdkRectangle area;
    gdk_monitor_get_geometry(monitor, &area);
    const char* model = gdk_monitor_get_model(monitor);  // the output's name on X
    monitors.push_back(
        {model ? model : "", {area.x, area.y, area.width, area.height}, gdk_monitor_is_primary(monitor) != FALSE});
  }
  return monitors;
}

GdkRectangle KioskMonitorArea() {
  auto monitors = Monitors();
  if (monitors.empty()) return GdkRectangle{0, 0, 1024, 768};
  const ScreenRect& a = monitors[ChooseMonitor(WantedMonitor(), monitors)].area;
  return GdkRectangle{a.x, a.y, a.w, a.h};
}

void FullScreenOnKioskMonitor(GtkWindow* window) {
  GdkRectangle area = KioskMonitorArea();
  gtk_window_move(window, area.x, area.y);
  GdkScreen* screen = gtk_window_get_screen(window);
  if (GDK_IS_X11_SCREEN(screen) &&
      gdk_x11_screen_supports_net_wm_hint(screen, gdk_atom_intern_static_string("_NET_WM_STATE_FULLSCREEN"))) {
    gtk_window_fullscreen(window);
  } else {
    gtk_window_resize(window, area.width, area.height);
  }
}

GdkRectangle MonitorAreaOf(GtkWidget* widget) {
  GdkWindow* window = widget ? gtk_widget_get_window(widget) : nullptr;
  if (!window) return KioskMonitorArea();
  GdkRectangle area;
  gdk_monitor_get_geometry(gdk_display_get_monitor_at_window(gdk_window_get_display(window), window), &area);
  return area;
}

void SetWindowText(GtkWidget* toplevel, std::string_view property, const std::string& text) {
  if (GdkWindow* window = gtk_widget_get_window(toplevel))
    gdk_property_change(window, gdk_atom_intern(std::string(property).c_str(), FALSE),
                        gdk_atom_intern_static_string("UTF8_STRING"), 8, GDK_PROP_MODE_REPLACE,
                        reinterpret_cast<const guchar*>(text.data()), static_cast<gint>(text.size()));
}

void SetWindowClass(GtkWidget* toplevel, const char* res_name, const char* res_class) {
  gtk_widget_realize(toplevel);
  GdkWindow* window = gtk_widget_get_window(toplevel);
  if (!window || !GDK_IS_X11_WINDOW(window)) return;
  x11::SetWindowClass(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), res_name, res_class);
}

MessageFilter::MessageFilter(GtkWidget* toplevel, x11::MessageReceiver& receiver)
    : window_(gtk_widget_get_window(toplevel)), receiver_(receiver) {
  if (window_) gdk_window_add_filter(window_, OnEvent, this);
}

MessageFilter::~MessageFilter() {
  if (window_) gdk_window_remove_filter(window_, OnEvent, this);
}

GdkFilterReturn MessageFilter::OnEvent(GdkXEvent* xevent, GdkEvent*, gpointer data) {
  auto* self = static_cast<MessageFilter*>(data);
  return self->receiver_.Dispatch(*static_cast<XEvent*>(xevent)) ? GDK_FILTER_REMOVE : GDK_FILTER_CONTINUE;
}

}  // namespace panelia

namespace panelia {

void ShowForTheFirstTime(GtkWindow* window) {
  const char* show = std::getenv(kShowEnvironment);
  GdkScreen* screen = gtk_widget_get_screen(GTK_WIDGET(window));
  bool window_manager =
      !GDK_IS_X11_SCREEN(screen) || std::strcmp(gdk_x11_screen_get_window_manager_name(screen), "unknown") != 0;
  switch (FirstShowingOf(show ? std::atoi(show) : 0, window_manager)) {
    case FirstShowing::Hidden:
      std::fprintf(stderr, "%s: no window manager to minimise the window; it stays hidden\n", g_get_prgname());
      gtk_widget_realize(GTK_WIDGET(window));
      return;
    case FirstShowing::MinimisedWithoutFocus:
      gtk_window_set_focus_on_map(window, FALSE);
      gtk_window_iconify(window);
      break;
    case FirstShowing::Minimised: gtk_window_iconify(window); break;
    case FirstShowing::Shown: break;
  }
  gtk_widget_show(GTK_WIDGET(window));
}

}  // namespace panelia
