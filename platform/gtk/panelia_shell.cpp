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
constexpr guint kBarPageDelayMs = 1000;

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
    shell_.LoadBarPage();
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

// The bar's browser control, made on first use: the bar logic exists from the start (command links
// of the page, pop-up redirection), its web view only once it has a page to show.
class GtkPaneliaShell::LazyBarBrowser final : public BrowserControl {
 public:
  explicit LazyBarBrowser(GtkPaneliaShell& shell) : shell_(shell) {}
  void Navigate(const std::string& url) override { shell_.BarBrowser().Navigate(url); }
  void GoHome() override { shell_.BarBrowser().GoHome(); }
  void GoBack() override { shell_.BarBrowser().GoBack(); }
  void GoForward() override { shell_.BarBrowser().GoForward(); }
  void Stop() override { shell_.BarBrowser().Stop(); }
  void Refresh() override { shell_.BarBrowser().Refresh(); }

 private:
  GtkPaneliaShell& shell_;
};

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

  lazy_bar_browser_ = std::make_unique<LazyBarBrowser>(*this);
  bar_ = std::make_unique<CBottomView>(*lazy_bar_browser_, *view_, *this);

  GtkWidget* outer = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  menu_bar_ = BuildMenuBar();
  gtk_box_pack_start(GTK_BOX(outer), menu_bar_, FALSE, FALSE, 0);
  // Two rows split by a 1-pixel line that nobody can drag: only the program sizes them.
  gtk_box_pack_start(GTK_BOX(outer), main_browser_->Widget(), TRUE, TRUE, 0);
  bar_line_ = gtk_separator_new(GTK_ORIENTATION_HORIZONTAL);
  gtk_box_pack_start(GTK_BOX(outer), bar_line_, FALSE, FALSE, 0);
  bar_row_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_set_size_request(bar_row_, -1, CMainFrame::kBarHeight);
  gtk_box_pack_start(GTK_BOX(outer), bar_row_, FALSE, FALSE, 0);

  status_bar_ = BuildStatusBar();
  gtk_box_pack_end(GTK_BOX(outer), status_bar_, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(window_), outer);
  gtk_widget_show_all(outer);

  view_->OnCreate();
  frame_->OnCreateClientDone();
  frame_->OnCreate(splash_);
  // The bar's page follows the home page's first document, so the home page has the web process and
  // the one user-interface thread to itself; a home page that never finishes waits a second at most.
  bar_load_ = g_timeout_add(kBarPageDelayMs, [](gpointer self) -> gboolean {
    static_cast<GtkPaneliaShell*>(self)->LoadBarPage();
    return G_SOURCE_REMOVE;
  }, this);
  return true;
}

void GtkPaneliaShell::LoadBarPage() {
  if (bar_page_requested_ || !bar_) return;
  bar_page_requested_ = true;
  if (bar_load_) {
    g_source_remove(bar_load_);
    bar_load_ = 0;
  }
  bar_->OnInitialUpdate(store_, module_directory_, PrimaryMonitorArea().width, [](const std::string& path) {
    return g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR) != FALSE;
  });
}

WebKitBrowser& GtkPaneliaShell::BarBrowser() {
  if (!bar_browser_) {
    // The bar row shares the main view's web process.
    bar_events_ = std::make_unique<BarEvents>(*this);
    BrowserOptions options;
    options.related = main_browser_->View();
    options.own_popup_windows = true;
    bar_browser_ = std::make_unique<WebKitBrowser>(*bar_events_, std::move(options));
    gtk_box_pack_start(GTK_BOX(bar_row_), bar_browser_->Widget(), TRUE, TRUE, 0);
    gtk_widget_show(bar_browser_->Widget());
  }
  return *bar_browser_;
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
  lazy_bar_browser_.reset();
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
      [this] { companions_->CloseKeyboard(); }, [this] { companions_->ToggleKeyboard(); }, ResourcePath(143), PrimaryMonitorArea());
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
