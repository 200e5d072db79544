// The reference for start-up: the least a WebKitGTK program does to show a page in a window.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include "platform/gtk/gdk_x11.h"

int main(int argc, char** argv) {
  gdk_set_allowed_backends("x11");
  gtk_init(&argc, &argv);
  if (argc < 2) return 2;
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 1280, 800);
  panelia::SetWindowClass(window, "bare", "BareWebKit");
  GtkWidget* view = webkit_web_view_new();
  gtk_container_add(GTK_CONTAINER(window), view);
  g_signal_connect(view, "notify::title", G_CALLBACK(+[](GObject* v, GParamSpec*, gpointer w) {
                     const char* title = webkit_web_view_get_title(WEBKIT_WEB_VIEW(v));
                     gtk_window_set_title(GTK_WINDOW(w), title ? title : "");
                   }),
                   window);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
