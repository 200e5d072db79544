#include "platform/gtk/message_box.h"

namespace panelia {

GtkWidget* ShowMessageBox(GtkWindow* parent, const std::string& text, const std::string& caption, GtkMessageType type,
                    GtkButtonsType buttons, std::function<void(int)> answered) {
  GtkWidget* box = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, type, buttons, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(box), caption.c_str());
  KeepInKiosk(box);
  auto* callback = new std::function<void(int)>(std::move(answered));
  g_signal_connect_data(box, "response", G_CALLBACK(+[](GtkDialog* dialog, int response, gpointer data) {
                          auto* done = static_cast<std::function<void(int)>*>(data);
                          // Taken out first: the answer may open the next box or end the program.
                          std::function<void(int)> call = std::move(*done);
                          *done = nullptr;
                          gtk_widget_destroy(GTK_WIDGET(dialog));
                          if (call) call(response);
                        }),
                        callback,
                        [](gpointer data, GClosure*) { delete static_cast<std::function<void(int)>*>(data); },
                        GConnectFlags{});
  gtk_widget_show(box);
  return box;
}

void KeepInKiosk(GtkWidget* dialog, bool resizable) {
  if (g_object_get_data(G_OBJECT(dialog), "panelia-kept")) return;
  g_object_set_data(G_OBJECT(dialog), "panelia-kept", dialog);
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  gtk_widget_realize(dialog);
  if (GdkWindow* window = gtk_widget_get_window(dialog))
    gdk_window_set_functions(window, GdkWMFunction(GDK_FUNC_MOVE | GDK_FUNC_CLOSE | (resizable ? GDK_FUNC_RESIZE : 0)));
  // Some window managers offer minimise all the same: a minimised dialog comes straight back.
  g_signal_connect(dialog, "window-state-event", G_CALLBACK(+[](GtkWidget* w, GdkEventWindowState* e, gpointer) {
                     if ((e->changed_mask & GDK_WINDOW_STATE_ICONIFIED) && (e->new_window_state & GDK_WINDOW_STATE_ICONIFIED))
                       g_idle_add_full(
                           G_PRIORITY_DEFAULT_IDLE,
                           [](gpointer d) -> gboolean {
                             gtk_window_deiconify(GTK_WINDOW(d));
                             return G_SOURCE_REMOVE;
                           },
                           g_object_ref(w), g_object_unref);
                     return FALSE;
                   }),
                   nullptr);
  // Closed, it hands the keyboard focus back to the kiosk, so typed keys go to the page again and
  // not to wherever the window manager puts the focus.
  g_signal_connect(dialog, "unmap", G_CALLBACK(+[](GtkWidget* w, gpointer) {
                     GtkWindow* owner = gtk_window_get_transient_for(GTK_WINDOW(w));
                     if (!owner) return;
                     g_idle_add_full(
                         G_PRIORITY_DEFAULT_IDLE,
                         [](gpointer o) -> gboolean {
                           if (gtk_widget_get_mapped(GTK_WIDGET(o))) gtk_window_present(GTK_WINDOW(o));
                           return G_SOURCE_REMOVE;
                         },
                         g_object_ref(owner), g_object_unref);
                   }),
                   nullptr);
}

void MarkVisitorDialog(GtkWidget* dialog) {
  g_object_set_data(G_OBJECT(dialog), "panelia-visitor-dialog", dialog);
  KeepInKiosk(dialog);
}

void CloseVisitorDialogs() {
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w; w = w->next) g_object_ref(w->data);  // destroying one may destroy another
  for (GList* w = windows; w; w = w->next) {
    if (g_object_get_data(G_OBJECT(w->data), "panelia-visitor-dialog")) gtk_widget_destroy(GTK_WIDGET(w->data));
    g_object_unref(w->data);
  }
  g_list_free(windows);
}

}  // namespace panelia
