#include "platform/webkit/page_windows.h"

#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/message_box.h"
#include "common/texts.h"

namespace panelia {
namespace {

constexpr guint kMatches = 1000;

GtkWidget* SmallWindow(GtkWindow* parent, const char* title, int width, int height, bool resizable = false) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), title);
  gtk_window_set_default_size(GTK_WINDOW(window), width, height);
  gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_keep_above(GTK_WINDOW(window), TRUE);
  if (parent) gtk_window_set_transient_for(GTK_WINDOW(window), parent);
  gtk_window_set_destroy_with_parent(GTK_WINDOW(window), TRUE);
  KeepInKiosk(window, resizable);
  MarkVisitorDialog(window);
  return window;
}

}  // namespace

void OpenFindBar(GtkWindow* parent, WebKitWebView* view) {
  GtkWidget* window = SmallWindow(parent, Tr("Find"), 420, -1);
  WebKitFindController* find = webkit_web_view_get_find_controller(view);
  g_object_set_data_full(G_OBJECT(window), "panelia-find", g_object_ref(find), [](gpointer f) {
    webkit_find_controller_search_finish(WEBKIT_FIND_CONTROLLER(f));
    g_object_unref(f);
  });
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  gtk_container_set_border_width(GTK_CONTAINER(row), 8);
  GtkWidget* entry = gtk_search_entry_new();
  GtkWidget* previous = gtk_button_new_with_label(Tr("Previous"));
  GtkWidget* next = gtk_button_new_with_label(Tr("Next"));
  gtk_box_pack_start(GTK_BOX(row), gtk_label_new(Tr("Find: ")), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), entry, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(row), previous, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), next, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(window), row);
  g_signal_connect(entry, "search-changed", G_CALLBACK(+[](GtkSearchEntry* e, gpointer f) {
                     const char* text = gtk_entry_get_text(GTK_ENTRY(e));
                     auto* controller = WEBKIT_FIND_CONTROLLER(f);
                     if (!text || !*text) {
                       webkit_find_controller_search_finish(controller);
                       return;
                     }
                     webkit_find_controller_search(
                         controller, text, WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND,
                         kMatches);
                   }),
                   find);
  g_signal_connect_swapped(next, "clicked", G_CALLBACK(webkit_find_controller_search_next), find);
  g_signal_connect_swapped(previous, "clicked", G_CALLBACK(webkit_find_controller_search_previous), find);
  g_signal_connect_swapped(entry, "activate", G_CALLBACK(webkit_find_controller_search_next), find);
  gtk_widget_show_all(window);
}

void OpenSourceWindow(GtkWindow* parent, WebKitWebView* view) {
  WebKitWebResource* resource = webkit_web_view_get_main_resource(view);
  if (!resource) return;  // no document: nothing to show
  GtkWidget* window = SmallWindow(parent, Tr("Source"), 800, 600, /*resizable=*/true);
  GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
  GtkWidget* text = gtk_text_view_new();
  gtk_text_view_set_editable(GTK_TEXT_VIEW(text), FALSE);
  gtk_text_view_set_monospace(GTK_TEXT_VIEW(text), TRUE);
  gtk_container_add(GTK_CONTAINER(scroller), text);
  gtk_container_add(GTK_CONTAINER(window), scroller);
  gtk_widget_show_all(window);
  // The text arrives later; a window closed meanwhile is not written to.
  auto* target = g_object_ref(text);
  webkit_web_resource_get_data(
      resource, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        GObjectPtr<GtkWidget> view_widget = GObjectPtr<GtkWidget>::Adopt(static_cast<GtkWidget*>(data));
        gsize length = 0;
        GCharPtr bytes(reinterpret_cast<char*>(
            webkit_web_resource_get_data_finish(WEBKIT_WEB_RESOURCE(source), result, &length, nullptr)));
        if (!bytes || !gtk_widget_get_parent(view_widget.get())) return;
        // Shown as UTF-8 where it is; anything else is shown with its bytes made valid.
        GCharPtr valid(g_utf8_make_valid(bytes.get(), static_cast<gssize>(length)));
        gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view_widget.get())), valid.get(), -1);
      },
      target);
}

}  // namespace panelia
