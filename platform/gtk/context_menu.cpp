#include "platform/gtk/context_menu.h"

#include "platform/gtk/callback_state.h"
#include "shell/menus.h"

namespace panelia {

void PopupCommandMenu(GtkWidget* attach_to, GdkEvent* event, const std::vector<PopupItem>& items,
                      std::function<void(int)> chosen) {
  GtkWidget* menu = gtk_menu_new();
  using Chosen = std::function<void(int)>;
  g_object_set_data_full(G_OBJECT(menu), "panelia-chosen", CallbackState<Chosen>::Give(std::move(chosen)),
                         CallbackState<Chosen>::Free);
  for (const auto& item : items) {
    if (item.separator_before) gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
    GtkWidget* entry = gtk_menu_item_new_with_mnemonic(MnemonicLabel(item.text).c_str());
    g_object_set_data(G_OBJECT(entry), "panelia-command", GINT_TO_POINTER(item.id));
    g_signal_connect(entry, "activate", G_CALLBACK(+[](GtkMenuItem* mi, gpointer m) {
                       auto* done =
                           static_cast<std::function<void(int)>*>(g_object_get_data(G_OBJECT(m), "panelia-chosen"));
                       if (done && *done) (*done)(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(mi), "panelia-command")));
                     }),
                     menu);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), entry);
  }
  gtk_widget_show_all(menu);
  gtk_menu_attach_to_widget(GTK_MENU(menu), attach_to, nullptr);
  // Destroyed on the next turn of the loop: "activate" comes after "deactivate".
  g_signal_connect(menu, "deactivate", G_CALLBACK(+[](GtkMenuShell* m, gpointer) {
                     g_idle_add(
                         [](gpointer w) -> gboolean {
                           gtk_widget_destroy(GTK_WIDGET(w));
                           return G_SOURCE_REMOVE;
                         },
                         m);
                   }),
                   nullptr);
  gtk_menu_popup_at_pointer(GTK_MENU(menu), event);
}

}  // namespace panelia
