#include "platform/gtk/panelia_shell.h"

#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "common/module_directory.h"
#include "common/names.h"
#include "common/settings.h"
#include "common/text.h"
#include "platform/gtk/dialogs.h"
#include "platform/gtk/x11_desktop.h"

namespace panelia {
namespace {

constexpr int kSplashPicture = 140;
constexpr int kAboutWidth = 600;   // 400 x 200 dialog units at 1.5 px each
constexpr int kAboutHeight = 300;

GdkRectangle PrimaryMonitorArea() {
  GdkRectangle area{0, 0, 1024, 768};
  if (GdkMonitor* monitor = gdk_display_get_primary_monitor(gdk_display_get_default())) {
    gdk_monitor_get_geometry(monitor, &area);
  }
  return area;
}

}  // namespace

// Browser events of the main view, handed to CPaneliaView.
class GtkPaneliaShell::MainViewEvents final : public BrowserEvents {
 public:
  explicit MainViewEvents(GtkPaneliaShell& shell) : shell_(shell) {}
  void OnBeforeNavigate(const std::string& url, bool& cancel) override {
    if (shell_.view_) shell_.view_->OnBeforeNavigate2(url, cancel);
  }
  void OnNavigateComplete(const std::string& url) override {
    if (shell_.view_) shell_.view_->OnNavigateComplete2(url);
  }
  void OnDocumentComplete(const std::string& url) override {
    if (shell_.view_) shell_.view_->OnDocumentComplete(url);
  }
  void OnTitleChange(const std::string& title) override {
    if (shell_.view_) shell_.view_->OnTitleChange(title);
  }
  void OnNewWindowKnown(const std::string& url, bool& cancel) override {
    if (shell_.view_) shell_.view_->OnNewWindow3(url, cancel);
  }
  void OnNewWindowUnknown(bool& cancel) override {
    if (shell_.view_) shell_.view_->OnNewWindow2(cancel);
    else cancel = true;
  }
  // The stand-in browser plays the bar's part for a pop-up: its navigation is the bar's.
  bool OnRedirectedNavigation(const std::string& url) override {
    bool cancel = true;
    if (shell_.bar_) shell_.bar_->OnBeforeNavigate2(url, cancel);
    return cancel;
  }
  void OnPageSize(int scroll_width, int scroll_height) override {
    if (shell_.view_) shell_.view_->OnPageSize(scroll_width, scroll_height);
  }
  void OnWindowClosing(bool& cancel) override {
    if (shell_.view_) shell_.view_->OnWindowClosing(cancel);
  }
  void OnTouch(bool on_text_field) override {
    if (shell_.view_) shell_.view_->OnTouch(on_text_field);
  }
  bool OnContextMenu(GdkEvent* event) override {
    shell_.ShowContextMenu(event);
    return true;
  }

 private:
  GtkPaneliaShell& shell_;
};

GtkPaneliaShell::GtkPaneliaShell(RegistryStore& store, std::string module_directory)
    : store_(store), module_directory_(std::move(module_directory)) {}

GtkPaneliaShell::~GtkPaneliaShell() { DestroyFrame(); }

std::string GtkPaneliaShell::ResourcePath(int number) const {
  return module_directory_ + "res/" + std::to_string(number) + ".png";
}

void GtkPaneliaShell::UseControlSite(ControlSite site, const CPageExternal* external) {
  site_ = site;
  external_script_ = external ? CPageExternal::PageScript() : std::string();
}

// Browser events of the bar row, handed to CBottomView.
class GtkPaneliaShell::BarEvents final : public BrowserEvents {
 public:
  explicit BarEvents(GtkPaneliaShell& shell) : shell_(shell) {}
  void OnBeforeNavigate(const std::string& url, bool& cancel) override {
    if (shell_.bar_) shell_.bar_->OnBeforeNavigate2(url, cancel);
  }
  void OnNavigateComplete(const std::string&) override {
    if (!shell_.bar_) return;
    GtkAllocation a;
    gtk_widget_get_allocation(shell_.bar_browser_->Widget(), &a);
    shell_.bar_->OnNavigateComplete2({a.x, a.y, a.width, a.height});
  }
  void OnDocumentComplete(const std::string&) override {
    // The bar never shows scroll bars and starts at its row's corner.
    shell_.bar_browser_->RunScript(
        "if (window === window.top && document.body) { document.body.setAttribute('scroll', 'no');"
        " document.documentElement.style.overflow = 'hidden'; document.body.style.margin = '0'; }");
  }

 private:
  GtkPaneliaShell& shell_;
};

bool GtkPaneliaShell::CreateMainFrame() {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window_), std::string(kTitleSuffix.substr(3)).c_str());
  GdkRectangle area = PrimaryMonitorArea();
  // Windowed, the frame covers most of the screen; the window manager places it.
  gtk_window_set_default_size(GTK_WINDOW(window_), area.width * 3 / 4, area.height * 3 / 4);
  if (auto* icon = gdk_pixbuf_new_from_file(ResourcePath(128).c_str(), nullptr)) {
    gtk_window_set_icon(GTK_WINDOW(window_), icon);
    g_object_unref(icon);
  }
  // Any close request ends Panelia at once, without the password.
  g_signal_connect(window_, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                     static_cast<GtkPaneliaShell*>(self)->CloseFrame();
                     return TRUE;
                   }),
                   this);
  g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKeyPress), this);
  g_signal_connect(window_, "window-state-event", G_CALLBACK(OnWindowState), this);
  // Without a window manager keys go to the window under the pointer: take the focus explicitly.
  g_signal_connect(window_, "map-event", G_CALLBACK(+[](GtkWidget* w, GdkEvent*, gpointer self) -> gboolean {
                     if (!static_cast<GtkPaneliaShell*>(self)->WindowManagerDoesFullScreen())
                       gdk_window_focus(gtk_widget_get_window(w), GDK_CURRENT_TIME);
                     return FALSE;
                   }),
                   this);
  SetWindowClass(window_, std::string(kPaneliaProgram), std::string(kPaneliaClass));
  // Registered messages arrive at the frame's own X window.
  gdk_window_add_filter(gtk_widget_get_window(window_), OnX11Event, this);
  windows_ = std::make_unique<X11WindowSystem>(gdk_display_get_name(gdk_display_get_default()));
  companions_ = std::make_unique<CCompanions>(store_, *windows_, launcher_, *this, module_directory_);
  companions_->SetOwnFrame(GDK_WINDOW_XID(gtk_widget_get_window(window_)));

  frame_ = std::make_unique<CMainFrame>(store_, *this, *this, module_directory_);
  frame_timers_ = std::make_unique<GlibTimers>([this](int id) {
    if (frame_) frame_->OnTimer(id);
  });

  main_events_ = std::make_unique<MainViewEvents>(*this);
  BrowserOptions options;
  options.kiosk_site = site_ == ControlSite::Kiosk;
  options.external_script = external_script_;
  options.browser_home = [this] {
    CRegistryKey key(store_);
    key.SetRootKey(Hive::CurrentUser);
    key.SetSubKey(kBrowserMainKey);
    return key.ReadText("Start Page");
  };
  main_browser_ = std::make_unique<WebKitBrowser>(*main_events_, std::move(options));
  view_timers_ = std::make_unique<GlibTimers>([this](int id) {
    if (view_) view_->OnTimer(id);
  });
  std::string forum = "file://" + module_directory_ + "help/forum.html";
  view_ = std::make_unique<CPaneliaView>(store_, *main_browser_, *view_timers_, *this, *this, forum);
  frame_->SetMainView(view_.get());
  // The home page is asked for now, so the web process starts while the frame is being built; its
  // events arrive through the loop, after the frame, the bar and the companions exist.
  view_->OnInitialUpdate();

  // The bar row shares the main view's web process.
  bar_events_ = std::make_unique<BarEvents>(*this);
  BrowserOptions bar_options;
  bar_options.related = main_browser_->View();
  bar_options.own_popup_windows = true;
  bar_browser_ = std::make_unique<WebKitBrowser>(*bar_events_, std::move(bar_options));
  bar_ = std::make_unique<CBottomView>(*bar_browser_, *view_, *this);

  GtkWidget* outer = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  menu_bar_ = BuildMenuBar();
  gtk_box_pack_start(GTK_BOX(outer), menu_bar_, FALSE, FALSE, 0);
  // Two rows split by a 1-pixel line that nobody can drag: only the program sizes them.
  gtk_box_pack_start(GTK_BOX(outer), main_browser_->Widget(), TRUE, TRUE, 0);
  bar_line_ = gtk_separator_new(GTK_ORIENTATION_HORIZONTAL);
  gtk_box_pack_start(GTK_BOX(outer), bar_line_, FALSE, FALSE, 0);
  gtk_widget_set_size_request(bar_browser_->Widget(), -1, CMainFrame::kBarHeight);
  gtk_box_pack_start(GTK_BOX(outer), bar_browser_->Widget(), FALSE, FALSE, 0);

  status_bar_ = BuildStatusBar();
  gtk_box_pack_end(GTK_BOX(outer), status_bar_, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(window_), outer);
  gtk_widget_show_all(outer);

  view_->OnCreate();
  frame_->OnCreateClientDone();
  frame_->OnCreate(splash_);
  // The bar's page follows once the loop is idle, so the home page gets the web process first.
  bar_load_ = g_idle_add_full(G_PRIORITY_LOW, [](gpointer self) -> gboolean {
    auto* shell = static_cast<GtkPaneliaShell*>(self);
    shell->bar_load_ = 0;
    if (shell->bar_) {
      shell->bar_->OnInitialUpdate(shell->store_, shell->module_directory_, PrimaryMonitorArea().width,
                                   [](const std::string& path) { return g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR) != FALSE; });
    }
    return G_SOURCE_REMOVE;
  }, this, nullptr);
  return true;
}

void GtkPaneliaShell::ShowMainFrame() {
  gtk_widget_show(window_);
  gtk_window_present(GTK_WINDOW(window_));
  if (splash_window_) gdk_window_raise(gtk_widget_get_window(splash_window_));
}

void GtkPaneliaShell::DestroyFrame() {
  if (!window_) return;
  ClosePicture();
  if (bar_load_) g_source_remove(std::exchange(bar_load_, 0));
  keymap_signal_.Disconnect();  // the indicators go with the window
  // The frame goes first (the task bar comes back), then each view closes the companions.
  frame_timers_.reset();
  if (frame_) frame_->OnDestroy();
  if (view_) view_->OnDestroy();
  if (bar_) bar_->OnDestroy();
  bar_.reset();
  view_.reset();
  view_timers_.reset();
  frame_.reset();
  GtkWidget* window = std::exchange(window_, nullptr);
  gtk_widget_destroy(window);
  bar_browser_.reset();
  bar_events_.reset();
  main_browser_.reset();
  main_events_.reset();
  companions_.reset();
  windows_.reset();
}

void GtkPaneliaShell::CloseFrame() {
  // The loop ends here; main() destroys the windows once no handler of theirs is running.
  if (window_) gtk_widget_hide(window_);
  gtk_main_quit();
}

void GtkPaneliaShell::RunPowerOffCommand() {
  const char* command = std::getenv("PANELIA_POWEROFF_COMMAND");
  std::string line = command && *command ? command : "systemctl poweroff";
  GError* error = nullptr;
  if (!g_spawn_command_line_async(line.c_str(), &error)) g_clear_error(&error);  // Panelia has closed: nothing to tell
}

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
  gtk_widget_set_size_request(bar_browser_->Widget(), -1, bottom);
}

void GtkPaneliaShell::SetRowVisible(int row, bool visible) {
  // The page row never hides; the bar row takes its 1-pixel line with it.
  if (row != CMainFrame::kBarRow) return;
  gtk_widget_set_visible(bar_line_, visible);
  gtk_widget_set_visible(bar_browser_->Widget(), visible);
}

void GtkPaneliaShell::ActivatePane(int row) {
  gtk_widget_grab_focus(row == CMainFrame::kBarRow ? bar_browser_->Widget() : main_browser_->Widget());
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

GdkFilterReturn GtkPaneliaShell::OnX11Event(GdkXEvent* xevent, GdkEvent*, gpointer data) {
  auto* self = static_cast<GtkPaneliaShell*>(data);
  auto* event = static_cast<XEvent*>(xevent);
  if (event->type != ClientMessage || !self->frame_) return GDK_FILTER_CONTINUE;
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  auto message = DecodeMessage(display, event->xclient, {kOpenUrlMessage, kInputMethodMessage});
  if (!message) return GDK_FILTER_CONTINUE;  // the window manager's messages, or nothing of ours
  auto result = self->frame_->OnSuiteMessage(message->name, message->wparam, message->lparam);
  SendReply(display, *message, result.value_or(0));
  return GDK_FILTER_REMOVE;
}

KeyboardLayoutList GtkPaneliaShell::CurrentKeyboardLayouts() { return ReadKeyboardLayouts(); }

void GtkPaneliaShell::ActivateKeyboardLayout(const KeyboardLayout& layout) { LockKeyboardGroup(layout.group); }

void GtkPaneliaShell::ScrollBy(int dx, int dy) {
  if (main_browser_)
    main_browser_->RunScript("window.scrollBy(" + std::to_string(dx) + "," + std::to_string(dy) + ");");
}

void GtkPaneliaShell::ScrollStepwise(int dx, int dy) {
  // 2-pixel moves, the vertical part first; the page runs them in one go.
  if (!main_browser_) return;
  main_browser_->RunScript("(function(dx,dy){var s=dy<0?-2:2;for(var r=Math.abs(dy);r>0;r-=2)window.scrollBy(0,s);"
                           "s=dx<0?-2:2;for(var r2=Math.abs(dx);r2>0;r2-=2)window.scrollBy(s,0);})(" +
                           std::to_string(dx) + "," + std::to_string(dy) + ");");
}

void GtkPaneliaShell::HideScrollBars() {
  if (main_browser_)
    main_browser_->RunScript(
        "if (document.body) { document.body.setAttribute('scroll', 'no');"
        " document.documentElement.style.overflow = 'hidden'; }");
}

void GtkPaneliaShell::Pause(int milliseconds) {
  // The page stays painted meanwhile: the loop runs, only this caller waits.
  gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(milliseconds) * 1000;
  while (g_get_monotonic_time() < deadline) {
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(5000);
  }
}

void GtkPaneliaShell::FocusMainFrame() {
  if (window_) gtk_window_present(GTK_WINDOW(window_));
}

int GtkPaneliaShell::RunExitPasswordDialog() {
  return panelia::RunExitPasswordDialog(
      GTK_WINDOW(window_), store_,
      [this] {
        if (auto keyboard = windows_->FindWindowByClass(kGlyphdeckClass)) windows_->SendClose(*keyboard);
      },
      [this] { companions_->ToggleKeyboard(); }, ResourcePath(143), PrimaryMonitorArea());
}

bool GtkPaneliaShell::AskToQuit() {
  GtkWidget* box = gtk_message_dialog_new(window_ ? GTK_WINDOW(window_) : nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_INFO,
                                          GTK_BUTTONS_YES_NO, "您真的要退出Panelia触摸屏浏览器吗？");
  gtk_window_set_title(GTK_WINDOW(box), std::string(kNoticeCaption).c_str());
  gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
  bool yes = gtk_dialog_run(GTK_DIALOG(box)) == GTK_RESPONSE_YES;
  gtk_widget_destroy(box);
  return yes;
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

void GtkPaneliaShell::SetMainWindowTitle(const std::string& title) {
  if (window_) gtk_window_set_title(GTK_WINDOW(window_), title.c_str());
}

void GtkPaneliaShell::ShowContextMenu(GdkEvent* event) {
  GtkWidget* menu = gtk_menu_new();
  for (const auto& item : CPaneliaView::ContextMenuItems()) {
    if (item.id == CPaneliaView::kProperties) gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
    GtkWidget* entry = gtk_menu_item_new_with_mnemonic(MnemonicLabel(item.text).c_str());
    g_object_set_data(G_OBJECT(entry), "panelia-command", GINT_TO_POINTER(item.id));
    g_signal_connect(entry, "activate", G_CALLBACK(+[](GtkMenuItem* mi, gpointer self) {
                       int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(mi), "panelia-command"));
                       auto* shell = static_cast<GtkPaneliaShell*>(self);
                       if (shell->view_) shell->view_->OnContextMenuCommand(id);
                     }),
                     this);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), entry);
  }
  gtk_widget_show_all(menu);
  gtk_menu_attach_to_widget(GTK_MENU(menu), main_browser_->Widget(), nullptr);
  g_signal_connect(menu, "deactivate", G_CALLBACK(+[](GtkMenuShell* m, gpointer) {
                     g_idle_add([](gpointer w) -> gboolean {
                       gtk_widget_destroy(GTK_WIDGET(w));
                       return G_SOURCE_REMOVE;
                     }, m);
                   }),
                   nullptr);
  gtk_menu_popup_at_pointer(GTK_MENU(menu), event);
}

void GtkPaneliaShell::ShowAbout() {
  GtkWidget* dialog = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_decorated(GTK_WINDOW(dialog), FALSE);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(window_));
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER_ON_PARENT);
  gtk_window_set_default_size(GTK_WINDOW(dialog), kAboutWidth, kAboutHeight);
  GtkWidget* events = gtk_event_box_new();
  if (GdkPixbuf* picture =
          gdk_pixbuf_new_from_file_at_scale(ResourcePath(kSplashPicture).c_str(), kAboutWidth, kAboutHeight, FALSE,
                                            nullptr)) {
    gtk_container_add(GTK_CONTAINER(events), gtk_image_new_from_pixbuf(picture));
    g_object_unref(picture);
  } else {
    gtk_container_add(GTK_CONTAINER(events), gtk_label_new("Panelia触摸屏浏览器"));
  }
  // A left-button release anywhere closes it.
  g_signal_connect(events, "button-release-event", G_CALLBACK(+[](GtkWidget* w, GdkEventButton* e, gpointer) {
                     if (e->button == 1) gtk_widget_destroy(gtk_widget_get_toplevel(w));
                     return TRUE;
                   }),
                   nullptr);
  gtk_container_add(GTK_CONTAINER(dialog), events);
  gtk_widget_show_all(dialog);
}

void GtkPaneliaShell::OpenHelp() {
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) return;
  std::string uri = "file://" + std::string(cwd) + "/help/PaneliaHelp.html";
  g_app_info_launch_default_for_uri(uri.c_str(), nullptr, nullptr);
}

void GtkPaneliaShell::OpenProjectSite() {
  if (view_) view_->Navigate("file://" + module_directory_ + "help/about.html");
}

void GtkPaneliaShell::ShowPageProperties() {
  if (!main_browser_) return;
  GtkWidget* dialog = gtk_message_dialog_new(GTK_WINDOW(window_), GTK_DIALOG_MODAL, GTK_MESSAGE_INFO, GTK_BUTTONS_OK,
                                             "%s", main_browser_->Title().c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), "属性");
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "地址: %s", main_browser_->Uri().c_str());
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

bool GtkPaneliaShell::ShowPicture(int milliseconds) {
  GdkPixbuf* picture = gdk_pixbuf_new_from_file(ResourcePath(kSplashPicture).c_str(), nullptr);
  if (!picture) return false;
  splash_window_ = gtk_window_new(GTK_WINDOW_POPUP);
  gtk_window_set_position(GTK_WINDOW(splash_window_), GTK_WIN_POS_CENTER);
  gtk_window_set_default_size(GTK_WINDOW(splash_window_), gdk_pixbuf_get_width(picture),
                              gdk_pixbuf_get_height(picture));
  gtk_container_add(GTK_CONTAINER(splash_window_), gtk_image_new_from_pixbuf(picture));
  g_object_unref(picture);
  gtk_widget_show_all(splash_window_);
  splash_timer_ = g_timeout_add(static_cast<guint>(milliseconds), [](gpointer self) -> gboolean {
    auto* shell = static_cast<GtkPaneliaShell*>(self);
    shell->splash_timer_ = 0;
    if (shell->splash_) shell->splash_->OnTimer();
    return G_SOURCE_REMOVE;
  }, this);
  return true;
}

void GtkPaneliaShell::ClosePicture() {
  if (splash_timer_) g_source_remove(std::exchange(splash_timer_, 0));
  if (splash_window_) gtk_widget_destroy(std::exchange(splash_window_, nullptr));
}

void GtkPaneliaShell::RepaintMainWindow() {
  if (window_) gtk_widget_queue_draw(window_);
}

}  // namespace panelia
