#include "platform/gtk/monitor_covers.h"

#include "platform/gtk/gdk_x11.h"

#include <utility>

namespace panelia {

MonitorCovers::MonitorCovers(bool enabled) : enabled_(enabled) {
  if (!enabled_) return;
  GdkScreen* screen = gdk_screen_get_default();
  monitors_changed_ =
      ScopedSignal(screen, "monitors-changed",
                   G_CALLBACK(+[](GdkScreen*, gpointer self) { static_cast<MonitorCovers*>(self)->Update(); }), this);
  Update();
}

MonitorCovers::~MonitorCovers() {
  monitors_changed_.Disconnect();
  contents_.clear();
  for (GtkWidget* cover : covers_) gtk_widget_destroy(cover);
}

void MonitorCovers::UseContent(CoverContentMaker maker) {
  maker_ = std::move(maker);
  if (enabled_) Update();
}

std::vector<MonitorCovers::Shown> MonitorCovers::WhatEachShows() const {
  std::vector<Shown> shown;
  shown.reserve(contents_.size());
  for (const auto& [number, content] : contents_) shown.push_back({number, content->Showing()});
  return shown;
}

void MonitorCovers::Update() {
  contents_.clear();
  for (GtkWidget* cover : covers_) gtk_widget_destroy(cover);
  covers_.clear();
  auto monitors = Monitors();
  GdkRectangle k = KioskMonitorArea();
  const ScreenRect kiosk{k.x, k.y, k.width, k.height};
  for (size_t number = 0; number < monitors.size(); ++number) {
    const MonitorInfo& monitor = monitors[number];
    // A monitor that shows any of the kiosk's (the same picture twice, a whole-screen one) is no other.
    if (monitor.area.Overlaps(kiosk)) continue;
    GtkWidget* cover = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* w = GTK_WINDOW(cover);
    gtk_window_set_title(w, "Panelia");
    gtk_window_set_decorated(w, FALSE);
    gtk_window_set_skip_taskbar_hint(w, TRUE);
    gtk_window_set_skip_pager_hint(w, TRUE);
    // A touch there does nothing, not even take the keyboard's focus from the kiosk.
    gtk_window_set_accept_focus(w, FALSE);
    gtk_window_set_focus_on_map(w, FALSE);
    gtk_window_stick(w);
    g_signal_connect(cover, "delete-event", G_CALLBACK(gtk_true), nullptr);
    std::unique_ptr<CoverContent> content = maker_ ? maker_(number) : nullptr;
    // Black, beneath what the cover shows (its content then draws over it).
    g_signal_connect(cover, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, gpointer shows) -> gboolean {
                       cairo_set_source_rgb(cr, 0, 0, 0);
                       cairo_paint(cr);
                       return shows ? FALSE : TRUE;
                     }),
                     content ? cover : nullptr);
    if (content) {
      // Nothing a finger does there reaches the content: a box above it takes every event.
      GtkWidget* shield = gtk_event_box_new();
      gtk_event_box_set_above_child(GTK_EVENT_BOX(shield), TRUE);
      gtk_event_box_set_visible_window(GTK_EVENT_BOX(shield), FALSE);
      gtk_container_add(GTK_CONTAINER(shield), content->Widget());
      gtk_container_add(GTK_CONTAINER(cover), shield);
      gtk_widget_show_all(shield);
      contents_.emplace_back(number, std::move(content));
    }
    const ScreenRect& a = monitor.area;
    gtk_window_move(w, a.x, a.y);
    gtk_window_set_default_size(w, a.w, a.h);
    gtk_widget_show(cover);
    // The window manager covers the monitor the window is on; none there, it already covers it.
    gtk_window_fullscreen(w);
    covers_.push_back(cover);
  }
}

}  // namespace panelia
