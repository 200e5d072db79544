// The frame window's menu bar and status bar: the menus the frame's commands are chosen from while
// windowed, and the status line with its lock indicators.
#include "common/names.h"
#include "platform/gtk/frame_window.h"
#include "common/texts.h"

namespace panelia {

GtkWidget* GtkFrameWindow::BuildStatusBar() {
  GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  gtk_container_set_border_width(GTK_CONTAINER(bar), 2);
  status_text_ = gtk_label_new(TrText(kReadyText).c_str());
  gtk_widget_set_halign(status_text_, GTK_ALIGN_START);
  gtk_box_pack_start(GTK_BOX(bar), status_text_, TRUE, TRUE, 4);
  const char* indicators[3] = {"CAP", "NUM", "SCRL"};
  for (int i = 2; i >= 0; --i) {  // packed from the right edge
    lock_labels_[i] = gtk_label_new(indicators[i]);
    gtk_box_pack_end(GTK_BOX(bar), lock_labels_[i], FALSE, FALSE, 4);
  }
  keymap_signal_ = ScopedSignal(
      gdk_keymap_get_for_display(gdk_display_get_default()), "state-changed",
      G_CALLBACK(+[](GdkKeymap*, gpointer self) { static_cast<GtkFrameWindow*>(self)->UpdateLockIndicators(); }), this);
  UpdateLockIndicators();
  return bar;
}

void GtkFrameWindow::UpdateLockIndicators() {
  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
  bool on[3] = {gdk_keymap_get_caps_lock_state(keymap) != FALSE, gdk_keymap_get_num_lock_state(keymap) != FALSE,
                gdk_keymap_get_scroll_lock_state(keymap) != FALSE};
  for (int i = 0; i < 3; ++i)
    if (lock_labels_[i]) gtk_widget_set_sensitive(lock_labels_[i], on[i]);
}

GtkWidget* GtkFrameWindow::BuildMenuBar() {
  GtkWidget* bar = gtk_menu_bar_new();
  for (const auto& top : MainMenu()) {
    GtkWidget* item = gtk_menu_item_new_with_mnemonic(MnemonicLabel(top.text).c_str());
    GtkWidget* menu = gtk_menu_new();
    AppendMenuItems(menu, top.items);
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), menu);
    gtk_menu_shell_append(GTK_MENU_SHELL(bar), item);
  }
  return bar;
}

void GtkFrameWindow::AppendMenuItems(GtkWidget* menu, const std::vector<MenuItem>& items) {
  for (const auto& entry : items) {
    if (entry.id == 0 && entry.text.empty()) {
      gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
      continue;
    }
    GtkWidget* item = IsCheckItem(entry.id) ? gtk_check_menu_item_new_with_mnemonic(MnemonicLabel(entry.text).c_str())
                                            : gtk_menu_item_new_with_mnemonic(MnemonicLabel(entry.text).c_str());
    std::string_view shortcut = ShortcutOf(entry.text);
    if (!shortcut.empty()) {
      // The shortcut is shown beside the item; the keys themselves are handled by the frame.
      gtk_widget_destroy(gtk_bin_get_child(GTK_BIN(item)));
      GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 24);
      GtkWidget* keys = gtk_label_new(std::string(shortcut).c_str());
      gtk_widget_set_sensitive(keys, FALSE);
      gtk_box_pack_start(GTK_BOX(row), gtk_label_new_with_mnemonic(MnemonicLabel(entry.text).c_str()), FALSE, FALSE, 0);
      gtk_box_pack_end(GTK_BOX(row), keys, FALSE, FALSE, 0);
      gtk_container_add(GTK_CONTAINER(item), row);
    }
    if (!entry.items.empty()) {
      GtkWidget* sub = gtk_menu_new();
      AppendMenuItems(sub, entry.items);
      gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), sub);
    } else {
      g_object_set_data(G_OBJECT(item), "panelia-command", GINT_TO_POINTER(entry.id));
      gtk_widget_set_sensitive(item, FALSE);  // until the frame says it handles the command
      g_signal_connect(item, "activate", G_CALLBACK(+[](GtkMenuItem* mi, gpointer self) {
                         auto* w = static_cast<GtkFrameWindow*>(self);
                         if (w->updating_checks_ || !w->frame_) return;
                         w->frame_->OnCommand(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(mi), "panelia-command")));
                       }),
                       this);
      g_signal_connect(item, "select", G_CALLBACK(+[](GtkMenuItem* mi, gpointer self) {
                         auto* w = static_cast<GtkFrameWindow*>(self);
                         int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(mi), "panelia-command"));
                         gtk_label_set_text(GTK_LABEL(w->status_text_), std::string(CommandPrompt(id)).c_str());
                       }),
                       this);
      g_signal_connect(item, "deselect", G_CALLBACK(+[](GtkMenuItem*, gpointer self) {
                         auto* w = static_cast<GtkFrameWindow*>(self);
                         gtk_label_set_text(GTK_LABEL(w->status_text_), TrText(kReadyText).c_str());
                       }),
                       this);
      menu_items_[entry.id] = item;
    }
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  }
}

void GtkFrameWindow::UpdateMenuSensitivity() {
  for (auto& [id, item] : menu_items_) gtk_widget_set_sensitive(item, frame_ && frame_->IsCommandHandled(id));
}

void GtkFrameWindow::SetMenuCheck(int command, bool checked) {
  auto it = menu_items_.find(command);
  if (it == menu_items_.end() || !GTK_IS_CHECK_MENU_ITEM(it->second)) return;
  updating_checks_ = true;  // setting the mark must not run the command again
  gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(it->second), checked);
  updating_checks_ = false;
}

}  // namespace panelia
