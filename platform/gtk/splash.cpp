#include "platform/gtk/splash.h"

#include <utility>

#include "platform/gtk/message_box.h"
#include "common/texts.h"

namespace panelia {
namespace {

constexpr int kAboutWidth = 600;  // 400 x 200 dialog units at 1.5 px each
constexpr int kAboutHeight = 300;

}  // namespace

bool GtkSplash::ShowPicture(int milliseconds) {
  GdkPixbuf* picture = gdk_pixbuf_new_from_file(picture_.c_str(), nullptr);
  if (!picture) return false;
  window_ = gtk_window_new(GTK_WINDOW_POPUP);
  gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
  gtk_window_set_default_size(GTK_WINDOW(window_), gdk_pixbuf_get_width(picture), gdk_pixbuf_get_height(picture));
  gtk_container_add(GTK_CONTAINER(window_), gtk_image_new_from_pixbuf(picture));
  g_object_unref(picture);
  gtk_widget_show_all(window_);
  timer_ = g_timeout_add(
      static_cast<guint>(milliseconds),
      [](gpointer self) -> gboolean {
        auto* splash = static_cast<GtkSplash*>(self);
        splash->timer_ = 0;
        if (splash->splash_) splash->splash_->OnTimer();
        return G_SOURCE_REMOVE;
      },
      this);
  return true;
}

void GtkSplash::ClosePicture() {
  if (timer_) g_source_remove(std::exchange(timer_, 0));
  if (window_) gtk_widget_destroy(std::exchange(window_, nullptr));
}

void GtkSplash::Raise() {
  if (window_) gdk_window_raise(gtk_widget_get_window(window_));
}

void ShowAboutBox(GtkWindow* parent, const std::string& picture_path) {
  GtkWidget* dialog = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_decorated(GTK_WINDOW(dialog), FALSE);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gtk_window_set_transient_for(GTK_WINDOW(dialog), parent);
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER_ON_PARENT);
  gtk_window_set_default_size(GTK_WINDOW(dialog), kAboutWidth, kAboutHeight);
  GtkWidget* events = gtk_event_box_new();
  if (GdkPixbuf* picture =
          gdk_pixbuf_new_from_file_at_scale(picture_path.c_str(), kAboutWidth, kAboutHeight, FALSE, nullptr)) {
    gtk_container_add(GTK_CONTAINER(events), gtk_image_new_from_pixbuf(picture));
    g_object_unref(picture);
  } else {
    gtk_container_add(GTK_CONTAINER(events), gtk_label_new(Tr("Panelia touch-screen browser")));
  }
  g_signal_connect(events, "button-release-event", G_CALLBACK(+[](GtkWidget* w, GdkEventButton* e, gpointer) {
                     if (e->button == 1) gtk_widget_destroy(gtk_widget_get_toplevel(w));
                     return TRUE;
                   }),
                   nullptr);
  gtk_container_add(GTK_CONTAINER(dialog), events);
  MarkVisitorDialog(dialog);
  gtk_widget_show_all(dialog);
}

}  // namespace panelia
