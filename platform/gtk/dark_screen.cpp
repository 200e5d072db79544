#include "platform/gtk/dark_screen.h"

#include <ctime>
#include <string>
#include <utility>

#include "platform/gtk/gdk_x11.h"
#include "platform/x11/screen_power.h"

namespace panelia {

DarkScreen::~DarkScreen() {
  if (cover_) gtk_widget_destroy(cover_);
  if (dark_) x11::ForceDisplayPower(GdkXDisplay(), true);
}

void DarkScreen::Make() {
  // A pop-up: no window manager places, decorates, lowers or closes it, and it takes no focus.
  cover_ = gtk_window_new(GTK_WINDOW_POPUP);
  gtk_window_set_title(GTK_WINDOW(cover_), "Panelia");
  gtk_widget_set_app_paintable(cover_, TRUE);
  gtk_widget_add_events(cover_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_TOUCH_MASK);
  g_signal_connect(cover_, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, gpointer) -> gboolean {
                     cairo_set_source_rgb(cr, 0, 0, 0);
                     cairo_paint(cr);
                     return TRUE;
                   }),
                   nullptr);
  // The touch ends here, so nothing of it is left for the page once the cover has gone.
  g_signal_connect(cover_, "button-release-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                     static_cast<DarkScreen*>(self)->touched_();
                     return TRUE;
                   }),
                   this);
  g_signal_connect(cover_, "touch-event", G_CALLBACK(+[](GtkWidget*, GdkEvent* event, gpointer self) -> gboolean {
                     if (event->type == GDK_TOUCH_END) static_cast<DarkScreen*>(self)->touched_();
                     return TRUE;
                   }),
                   this);
}

bool DarkScreen::Show(bool dark) {
  if (dark) {
    if (!cover_) Make();
    if (!dark_) {
      // The whole screen, every monitor of it, as it is now.
      GdkWindow* root = gdk_screen_get_root_window(gdk_screen_get_default());
      gtk_window_move(GTK_WINDOW(cover_), 0, 0);
      gtk_window_resize(GTK_WINDOW(cover_), gdk_window_get_width(root), gdk_window_get_height(root));
      gtk_widget_show(cover_);
    }
    // Kept dark: above whatever came up meanwhile, and the display down again after a moved mouse.
    gdk_window_raise(gtk_widget_get_window(cover_));
    x11::ForceDisplayPower(GdkXDisplay(), false);
  } else if (dark_) {
    x11::ForceDisplayPower(GdkXDisplay(), true);
    if (cover_) gtk_widget_hide(cover_);
  }
  return std::exchange(dark_, dark) != dark;
}

std::optional<FileStamp> LocalScheduleEnvironment::Stamp() {
  return StampOfFile(std::string(kScheduleFile));
}

std::optional<Schedule> LocalScheduleEnvironment::Read() {
  return ReadScheduleFile(std::string(kScheduleFile));
}

LocalTime LocalScheduleEnvironment::Now() {
  return ScheduleLocalTime(UnixNow(), [](int64_t at) {
    auto t = static_cast<std::time_t>(at);
    std::tm local{};
    localtime_r(&t, &local);
    return static_cast<int32_t>(local.tm_gmtoff);
  });
}

int64_t LocalScheduleEnvironment::UnixNow() {
  return g_get_real_time() / G_USEC_PER_SEC;
}

int64_t LocalScheduleEnvironment::UnixOf(const LocalTime& t) {
  std::tm local{};
  local.tm_year = t.year - 1900;
  local.tm_mon = t.month - 1;
  local.tm_mday = t.day;
  local.tm_hour = t.hour;
  local.tm_min = t.minute;
  local.tm_sec = t.second;
  local.tm_isdst = -1;
  return static_cast<int64_t>(mktime(&local));
}

int64_t LocalScheduleEnvironment::IdleSeconds() {
  const int64_t last = last_input_();
  return last == 0 ? INT32_MAX : UnixNow() - last;
}

}  // namespace panelia
