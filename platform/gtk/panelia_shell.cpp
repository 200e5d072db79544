#include "platform/gtk/panelia_shell.h"

#include <unistd.h>

#include "common/module_directory.h"
#include "common/names.h"
#include "common/settings.h"
#include "common/text.h"
#include "platform/gtk/x11_desktop.h"

namespace panelia {
namespace {

constexpr int kSplashPicture = 140;
constexpr int kAboutWidth = 600;   // 400 x 200 dialog units at 1.5 px each
constexpr int kAboutHeight = 300;

// "关于 Panelia(&A)..." -> "关于 Panelia(_A)...": GTK writes the mnemonic with "_".
std::string MnemonicLabel(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_') {
      out += "__";
    } else if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out += '&';
        ++i;
      } else {
        out += '_';
      }
    } else {
      out += text[i];
    }
  }
  return out;
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
  bool OnRedirectedNavigation(const std::string& url) override {
    return shell_.view_ ? shell_.view_->OnRedirectedNavigation(url) : true;
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

bool GtkPaneliaShell::CreateMainFrame() {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window_), std::string(kTitleSuffix.substr(3)).c_str());
  GdkRectangle area{0, 0, 1024, 768};
  if (GdkMonitor* monitor = gdk_display_get_primary_monitor(gdk_display_get_default())) {
    gdk_monitor_get_geometry(monitor, &area);
  }
  gtk_window_set_default_size(GTK_WINDOW(window_), area.width, area.height);
  if (auto* icon = gdk_pixbuf_new_from_file(ResourcePath(128).c_str(), nullptr)) {
    gtk_window_set_icon(GTK_WINDOW(window_), icon);
    g_object_unref(icon);
  }
  // Any close request ends Panelia at once.
  g_signal_connect(window_, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer) -> gboolean {
                     gtk_main_quit();
                     return TRUE;
                   }),
                   nullptr);
  SetWindowClass(window_, std::string(kPaneliaProgram), std::string(kPaneliaClass));

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

  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_box_pack_start(GTK_BOX(box), main_browser_->Widget(), TRUE, TRUE, 0);
  gtk_container_add(GTK_CONTAINER(window_), box);
  view_->OnCreate();

  // The frame's creation handler: splash, then the program path for the configuration program.
  if (splash_) splash_->ShowSplash();
  CRegistryKey key(store_);
  key.SetSubKey(kSuiteRootKey);
  key.WriteString(setting::AppPath.name, AppPathFor(module_directory_));

  gtk_window_maximize(GTK_WINDOW(window_));
  view_->OnInitialUpdate();
  return true;
}

void GtkPaneliaShell::ShowMainFrame() {
  gtk_widget_show_all(window_);
  gtk_window_present(GTK_WINDOW(window_));
  if (splash_window_) gdk_window_raise(gtk_widget_get_window(splash_window_));
}

void GtkPaneliaShell::DestroyFrame() {
  if (!window_) return;
  ClosePicture();
  if (view_) view_->OnDestroy();
  view_.reset();
  view_timers_.reset();
  GtkWidget* window = std::exchange(window_, nullptr);
  gtk_widget_destroy(window);
  main_browser_.reset();
  main_events_.reset();
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
