#include "platform/gtk/companion_ui.h"

#include "platform/gtk/callback_state.h"
#include "common/texts.h"

#include <memory>

namespace panelia {

void PopupMenu(GtkWidget* attach_to, const GdkEventButton* event, std::vector<MenuEntry> entries) {
  GtkWidget* menu = gtk_menu_new();
  for (auto& entry : entries) {
    if (entry.label.empty()) {
      gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
      continue;
    }
    GtkWidget* item = gtk_menu_item_new_with_mnemonic(entry.label.c_str());
    using Call = std::function<void()>;
    g_signal_connect_data(item, "activate", G_CALLBACK(+[](GtkMenuItem*, gpointer call) {
                            if (auto& f = CallbackState<Call>::Peek(call)) f();
                          }),
                          CallbackState<Call>::Give(std::move(entry.chosen)), CallbackState<Call>::FreeClosure,
                          GConnectFlags{});
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  }
  gtk_menu_attach_to_widget(GTK_MENU(menu), attach_to, nullptr);
  g_signal_connect(menu, "deactivate", G_CALLBACK(+[](GtkMenuShell* shell, gpointer) {
                     // Destroyed once the chosen item has run.
                     g_idle_add_full(
                         G_PRIORITY_LOW,
                         +[](gpointer m) {
                           gtk_widget_destroy(GTK_WIDGET(m));
                           return G_SOURCE_REMOVE;
                         },
                         shell, nullptr);
                   }),
                   nullptr);
  gtk_widget_show_all(menu);
  gtk_menu_popup_at_pointer(GTK_MENU(menu), reinterpret_cast<const GdkEvent*>(event));
}

void ShowCompanionAbout(GtkWindow* parent, const std::string& title, GdkPixbuf* icon,
                        const std::vector<std::string>& lines, int width, int height, std::function<void()> closed) {
  GtkWidget* dialog =
      gtk_dialog_new_with_buttons(title.c_str(), parent, GTK_DIALOG_MODAL, Tr("OK"), GTK_RESPONSE_OK, nullptr);
  gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  gtk_widget_set_size_request(dialog, width, height);
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  gtk_container_set_border_width(GTK_CONTAINER(row), 10);
  if (icon) gtk_box_pack_start(GTK_BOX(row), gtk_image_new_from_pixbuf(icon), FALSE, FALSE, 0);
  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
  for (const auto& line : lines) {
    GtkWidget* label = gtk_label_new(line.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_box_pack_start(GTK_BOX(column), label, FALSE, FALSE, 0);
  }
  gtk_box_pack_start(GTK_BOX(row), column, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), row, TRUE, TRUE, 0);
  using Call = std::function<void()>;
  // Taken out before the dialog goes: destroying it frees the connection's state.
  g_signal_connect_data(dialog, "response", G_CALLBACK(+[](GtkDialog* d, int, gpointer call) {
                          Call f = std::move(CallbackState<Call>::Peek(call));
                          gtk_widget_destroy(GTK_WIDGET(d));
                          if (f) f();
                        }),
                        CallbackState<Call>::Give(std::move(closed)), CallbackState<Call>::FreeClosure,
                        GConnectFlags{});
  gtk_widget_show_all(dialog);
}

}  // namespace panelia
