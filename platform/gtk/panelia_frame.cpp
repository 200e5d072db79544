// The frame's window-system side on GTK: full screen, the task bar, rows, menus, accelerators, the
// status line, and the programs and dialogs behind the frame's commands.
#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>

#include <cstdlib>
#include <ctime>

#include "common/names.h"
#include "common/settings.h"
#include "platform/gtk/dialogs.h"
#include "platform/gtk/panelia_shell.h"
#include "platform/gtk/x11_desktop.h"

namespace panelia {

gboolean GtkPaneliaShell::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* self = static_cast<GtkPaneliaShell*>(data);
  if (!self->frame_) return FALSE;
  unsigned modifiers = 0;
  if (event->state & GDK_CONTROL_MASK) modifiers |= static_cast<unsigned>(KeyModifier::Ctrl);
  if (event->state & GDK_SHIFT_MASK) modifiers |= static_cast<unsigned>(KeyModifier::Shift);
  if (event->state & GDK_MOD1_MASK) modifiers |= static_cast<unsigned>(KeyModifier::Alt);
  guint key = gdk_keyval_to_lower(event->keyval);
  const char* name = gdk_keyval_name(key);
  if (!name) return FALSE;
  for (const auto& accel : MainAccelerators()) {
    if (accel.modifiers != modifiers || accel.key != name) continue;
    // Keys whose commands the frame does not carry go on to the page (copy, paste, ...).
    return self->frame_->OnCommand(accel.command);
  }
  return FALSE;
}

gboolean GtkPaneliaShell::OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data) {
  // A double click on the caption, or the window manager's maximise button, toggles full screen.
  auto* self = static_cast<GtkPaneliaShell*>(data);
  bool maximised_now = (event->changed_mask & GDK_WINDOW_STATE_MAXIMIZED) &&
                       (event->new_window_state & GDK_WINDOW_STATE_MAXIMIZED) &&
                       !(event->new_window_state & GDK_WINDOW_STATE_FULLSCREEN);
  if (!maximised_now || !self->frame_ || self->frame_->IsFullScreen()) return FALSE;
  // Not from inside the window manager's state change: on the next turn of the loop.
  g_idle_add([](gpointer s) -> gboolean {
    auto* shell = static_cast<GtkPaneliaShell*>(s);
    if (shell->frame_ && !shell->frame_->IsFullScreen()) shell->frame_->ToggleFullScreen();
    return G_SOURCE_REMOVE;
  }, self);
  return FALSE;
}

GtkWidget* GtkPaneliaShell::BuildStatusBar() {
  GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  gtk_container_set_border_width(GTK_CONTAINER(bar), 2);
  status_text_ = gtk_label_new(std::string(kReadyText).c_str());
  gtk_widget_set_halign(status_text_, GTK_ALIGN_START);
  gtk_box_pack_start(GTK_BOX(bar), status_text_, TRUE, TRUE, 4);
  const char* indicators[3] = {"CAP", "NUM", "SCRL"};
  for (int i = 2; i >= 0; --i) {  // packed from the right edge
    lock_labels_[i] = gtk_label_new(indicators[i]);
    gtk_box_pack_end(GTK_BOX(bar), lock_labels_[i], FALSE, FALSE, 4);
  }
  keymap_signal_ = ScopedSignal(gdk_keymap_get_for_display(gdk_display_get_default()), "state-changed",
                                G_CALLBACK(+[](GdkKeymap*, gpointer self) {
                                  static_cast<GtkPaneliaShell*>(self)->UpdateLockIndicators();
                                }),
                                this);
  UpdateLockIndicators();
  return bar;
}

void GtkPaneliaShell::UpdateLockIndicators() {
  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
  bool on[3] = {gdk_keymap_get_caps_lock_state(keymap) != FALSE, gdk_keymap_get_num_lock_state(keymap) != FALSE,
                gdk_keymap_get_scroll_lock_state(keymap) != FALSE};
  for (int i = 0; i < 3; ++i)
    if (lock_labels_[i]) gtk_widget_set_sensitive(lock_labels_[i], on[i]);
}

GtkWidget* GtkPaneliaShell::BuildMenuBar() {
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

void GtkPaneliaShell::AppendMenuItems(GtkWidget* menu, const std::vector<MenuItem>& items) {
  for (const auto& entry : items) {
    if (entry.id == 0 && entry.text.empty()) {
      gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
      continue;
    }
    bool checkable = entry.id == command::kToolbar || entry.id == command::kStatusBar;
    GtkWidget* item = checkable ? gtk_check_menu_item_new_with_mnemonic(MnemonicLabel(entry.text).c_str())
                                : gtk_menu_item_new_with_mnemonic(MnemonicLabel(entry.text).c_str());
    std::string_view shortcut = ShortcutOf(entry.text);
    if (!shortcut.empty()) {
      // The shortcut is shown beside the item; the keys themselves are handled by the frame.
      GtkWidget* label = gtk_bin_get_child(GTK_BIN(item));
      gtk_widget_destroy(label);
      GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 24);
      GtkWidget* text = gtk_label_new_with_mnemonic(MnemonicLabel(entry.text).c_str());
      GtkWidget* keys = gtk_label_new(std::string(shortcut).c_str());
      gtk_widget_set_sensitive(keys, FALSE);
      gtk_box_pack_start(GTK_BOX(row), text, FALSE, FALSE, 0);
      gtk_box_pack_end(GTK_BOX(row), keys, FALSE, FALSE, 0);
      gtk_container_add(GTK_CONTAINER(item), row);
    }
    if (!entry.items.empty()) {
      GtkWidget* sub = gtk_menu_new();
      AppendMenuItems(sub, entry.items);
      gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), sub);
    } else {
      g_object_set_data(G_OBJECT(item), "panelia-command", GINT_TO_POINTER(entry.id));
      // Items nobody handles are shown disabled.
      gtk_widget_set_sensitive(item, frame_ && frame_->IsCommandHandled(entry.id));
      g_signal_connect(item, "activate", G_CALLBACK(+[](GtkMenuItem* mi, gpointer self) {
                         auto* shell = static_cast<GtkPaneliaShell*>(self);
                         if (shell->updating_checks_ || !shell->frame_) return;
                         int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(mi), "panelia-command"));
                         shell->frame_->OnCommand(id);
                       }),
                       this);
      g_signal_connect(item, "select", G_CALLBACK(+[](GtkMenuItem* mi, gpointer self) {
                         auto* shell = static_cast<GtkPaneliaShell*>(self);
                         int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(mi), "panelia-command"));
                         gtk_label_set_text(GTK_LABEL(shell->status_text_), std::string(CommandPrompt(id)).c_str());
                       }),
                       this);
      g_signal_connect(item, "deselect", G_CALLBACK(+[](GtkMenuItem*, gpointer self) {
                         auto* shell = static_cast<GtkPaneliaShell*>(self);
                         gtk_label_set_text(GTK_LABEL(shell->status_text_), std::string(kReadyText).c_str());
                       }),
                       this);
      menu_items_[entry.id] = item;
    }
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  }
}

void GtkPaneliaShell::HideTaskBar() { SetDockWindowsMapped(false); }
void GtkPaneliaShell::ShowTaskBar() { SetDockWindowsMapped(true); }

void GtkPaneliaShell::SetStatusBarVisible(bool visible) { gtk_widget_set_visible(status_bar_, visible); }

bool GtkPaneliaShell::WindowManagerDoesFullScreen() const {
  return gdk_x11_screen_supports_net_wm_hint(gtk_widget_get_screen(window_),
                                             gdk_atom_intern_static_string("_NET_WM_STATE_FULLSCREEN"));
}

void GtkPaneliaShell::SetCaption(bool present) {
  // Without a caption and maximised is what the window manager calls full screen.
  if (WindowManagerDoesFullScreen()) {
    if (present) gtk_window_unfullscreen(GTK_WINDOW(window_));
    else gtk_window_fullscreen(GTK_WINDOW(window_));
    return;
  }
  // No window manager to ask: the frame covers its monitor itself (leaving restores the placement).
  gtk_window_set_decorated(GTK_WINDOW(window_), present);
  if (!present) {
    GdkRectangle area = PrimaryMonitorArea();
    if (GdkWindow* w = gtk_widget_get_window(window_)) {
      gdk_monitor_get_geometry(gdk_display_get_monitor_at_window(gdk_window_get_display(w), w), &area);
    }
    gtk_window_move(GTK_WINDOW(window_), area.x, area.y);
    gtk_window_resize(GTK_WINDOW(window_), area.width, area.height);
  }
}

void GtkPaneliaShell::DetachMenu() { gtk_widget_hide(menu_bar_); }
void GtkPaneliaShell::AttachMenu() { gtk_widget_show(menu_bar_); }

void GtkPaneliaShell::SavePlacement() {
  gtk_window_get_size(GTK_WINDOW(window_), &saved_width_, &saved_height_);
  gtk_window_get_position(GTK_WINDOW(window_), &saved_x_, &saved_y_);
}

void GtkPaneliaShell::RestorePlacement() {
  gtk_window_unmaximize(GTK_WINDOW(window_));
  if (saved_width_ > 0 && saved_height_ > 0) gtk_window_resize(GTK_WINDOW(window_), saved_width_, saved_height_);
  gtk_window_move(GTK_WINDOW(window_), saved_x_, saved_y_);
}

void GtkPaneliaShell::ShowMaximized() { gtk_window_maximize(GTK_WINDOW(window_)); }
void GtkPaneliaShell::ShowNormal() { gtk_widget_show(window_); }
void GtkPaneliaShell::SetTopMost() { gtk_window_set_keep_above(GTK_WINDOW(window_), TRUE); }

int GtkPaneliaShell::ClientHeight() const {
  // Before the first showing the window has no size of its own yet: the monitor's is what it gets.
  return PrimaryMonitorArea().height;
}

int GtkPaneliaShell::StatusPaneHeight() const {
  int minimum = 0, natural = 0;
  gtk_widget_get_preferred_height(status_bar_, &minimum, &natural);
  return natural;
}

void GtkPaneliaShell::SetRowHeights(int /*top*/, int bottom) {
  // The page row takes whatever the bar row leaves.
  gtk_widget_set_size_request(bar_row_, -1, bottom);
}

void GtkPaneliaShell::SetRowVisible(int row, bool visible) {
  // The page row never hides; the bar row takes its 1-pixel line with it.
  if (row != CMainFrame::kBarRow) return;
  gtk_widget_set_visible(bar_line_, visible);
  gtk_widget_set_visible(bar_row_, visible);
}

void GtkPaneliaShell::ActivatePane(int row) {
  gtk_widget_grab_focus(row == CMainFrame::kBarRow ? BarBrowser().Widget() : main_browser_->Widget());
}

void GtkPaneliaShell::SetMenuCheck(int command, bool checked) {
  auto it = menu_items_.find(command);
  if (it == menu_items_.end() || !GTK_IS_CHECK_MENU_ITEM(it->second)) return;
  updating_checks_ = true;  // setting the mark must not run the command again
  gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(it->second), checked);
  updating_checks_ = false;
}

void GtkPaneliaShell::SetFrameTimer(int id, int milliseconds) { frame_timers_->SetTimer(id, milliseconds); }

void GtkPaneliaShell::MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
  GtkMessageType type = icon == MessageIcon::Error         ? GTK_MESSAGE_ERROR
                        : icon == MessageIcon::Information ? GTK_MESSAGE_INFO
                                                           : GTK_MESSAGE_QUESTION;
  GtkWidget* box = gtk_message_dialog_new(window_ ? GTK_WINDOW(window_) : nullptr, GTK_DIALOG_MODAL, type,
                                          GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(box), caption.c_str());
  gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

bool GtkPaneliaShell::StartNewCopy() {
  return launcher_.Start(module_directory_ + std::string(kPaneliaProgram), ShowCommand::Normal);
}

void GtkPaneliaShell::StartProgram(const std::string& path) { launcher_.Start(path, ShowCommand::Normal); }

void GtkPaneliaShell::OpenWithDefaultHandler(const std::string& path) {
  GCharPtr absolute(g_canonicalize_filename(path.c_str(), nullptr));
  GCharPtr uri(g_filename_to_uri(absolute.get(), nullptr, nullptr));
  if (uri) g_app_info_launch_default_for_uri(uri.get(), nullptr, nullptr);
}

std::optional<std::string> GtkPaneliaShell::RunOpenDialog() {
  std::vector<std::string> typed;
  CRegistryKey key(store_);
  key.SetRootKey(Hive::CurrentUser);
  key.SetSubKey(kBrowserTypedUrlsKey);
  for (int n = 1;; ++n) {
    std::string url;
    if (key.ReadTextChecked("url" + std::to_string(n), url) != TextRead::Ok) break;
    typed.push_back(url);
  }
  return panelia::RunOpenDialog(GTK_WINDOW(window_), typed);
}

void GtkPaneliaShell::ExecBrowserCommand(int olecmdid) {
  if (!main_browser_) return;
  if (olecmdid == 6 || olecmdid == 7) {
    // Printing goes to the active view: the bar's page when the bar has the focus.
    WebKitWebView* active = bar_browser_ && gtk_widget_has_focus(bar_browser_->Widget()) ? bar_browser_->View()
                                                                                         : main_browser_->View();
    GObjectPtr<WebKitPrintOperation> print = GObjectPtr<WebKitPrintOperation>::Adopt(webkit_print_operation_new(active));
    webkit_print_operation_run_dialog(print.get(), GTK_WINDOW(window_));
  } else if (olecmdid == 4) {
    GtkWidget* chooser = gtk_file_chooser_dialog_new("另存为", GTK_WINDOW(window_), GTK_FILE_CHOOSER_ACTION_SAVE, "取消",
                                                     GTK_RESPONSE_CANCEL, "保存", GTK_RESPONSE_ACCEPT, nullptr);
    gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(chooser), TRUE);
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), "page.mht");
    if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
      GObjectPtr<GFile> file = GObjectPtr<GFile>::Adopt(gtk_file_chooser_get_file(GTK_FILE_CHOOSER(chooser)));
      webkit_web_view_save_to_file(main_browser_->View(), file.get(), WEBKIT_SAVE_MODE_MHTML, nullptr, nullptr,
                                   nullptr);
    }
    gtk_widget_destroy(chooser);
  }
}

void GtkPaneliaShell::PageSetup() {
  GtkPageSetup* setup = gtk_print_run_page_setup_dialog(GTK_WINDOW(window_), nullptr, nullptr);
  if (setup) g_object_unref(setup);
}

std::optional<std::string> GtkPaneliaShell::MailHandlerCommandLine() {
  GObjectPtr<GAppInfo> handler = GObjectPtr<GAppInfo>::Adopt(g_app_info_get_default_for_uri_scheme("mailto"));
  if (!handler) return std::nullopt;
  const char* line = g_app_info_get_commandline(handler.get());
  return std::string(line ? line : "");
}

void GtkPaneliaShell::StartMailProgram(const std::string& program, const std::string& parameters) {
  gchar** args = nullptr;
  gint count = 0;
  std::vector<std::string> argv_text = {program};
  if (g_shell_parse_argv(parameters.c_str(), &count, &args, nullptr)) {
    for (gint i = 0; i < count; ++i) argv_text.emplace_back(args[i]);
    g_strfreev(args);
  }
  std::vector<char*> argv;
  for (auto& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);
  g_spawn_async(".", argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr);
}

LocalTime GtkPaneliaShell::Now() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  LocalTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  t.weekday = tm.tm_wday;
  return t;
}

int GtkPaneliaShell::RunPowerOffDialog(const LocalTime& today) { return RunPowerOffNotice(GTK_WINDOW(window_), today); }

bool GtkPaneliaShell::ShutdownAllowed() {
  // A power-off command of the operator's own needs nobody's permission.
  if (const char* command = std::getenv("PANELIA_POWEROFF_COMMAND"); command && *command) return true;
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
  if (!bus) {
    g_clear_error(&error);
    return false;
  }
  GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                                                "org.freedesktop.login1.Manager", "CanPowerOff", nullptr,
                                                G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, &error);
  g_object_unref(bus);
  if (!reply) {
    g_clear_error(&error);
    return false;
  }
  const char* answer = nullptr;
  g_variant_get(reply, "(&s)", &answer);
  bool allowed = answer && (std::string(answer) == "yes" || std::string(answer) == "challenge");
  g_variant_unref(reply);
  return allowed;
}

}  // namespace panelia
