#include "apps/panelia/kiosk_app.h"

#include <gdk/gdkx.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "browse/navigation_policy.h"
#include "common/log.h"
#include "common/names.h"
#include "common/settings.h"
#include "platform/gtk/context_menu.h"
#include "platform/x11/messages.h"
#include "common/texts.h"

namespace panelia {
namespace {

constexpr guint kBarPageDelayMs = 1000;

// The X window of a top-level, made now if it does not exist yet.
WindowHandle XidOf(GtkWindow* window) {
  gtk_widget_realize(GTK_WIDGET(window));
  return GDK_WINDOW_XID(gtk_widget_get_window(GTK_WIDGET(window)));
}

std::vector<PopupItem> ContextMenu() {
  std::vector<PopupItem> items;
  for (const auto& item : CPaneliaView::ContextMenuItems())
    items.push_back({item.id, std::string(item.text), item.id == CPaneliaView::kProperties});
  return items;
}

}  // namespace

std::string Picture(const std::string& dir, int number) {
  return dir + "res/" + std::to_string(number) + ".png";
}

GtkKiosk::GtkKiosk(RegistryStore& store, const std::string& dir, WebKitKioskViews& made_views, CSplashWindow& splash)
    : store_(store),
      dir_(dir),
      window(Picture(dir, 128)),
      covers(SettingsReader(store).Flag(setting::IsCoverOthers)),
      // The visitor's answer to the notice: the session goes on, from the next idle tick's count.
      notice([this] { return window.Window(); }, [this] { NoteVisitorInput(); }),
      windows(gdk_display_get_name(gdk_display_get_default())),
      reader(dir),
      companion_timers([this](int id) { kiosk.companions.OnTimer(id); }),
      exit_dialogs(
          store, [this] { return window.Window(); }, [this] { kiosk.companions.CloseKeyboard(); },
          [this] { kiosk.companions.ToggleKeyboard(); }, Picture(dir, 143)),
      services(
          store, dir,
          {[this] { return window.Window(); },
           [this](BrowserCommand command) { views.ExecBrowserCommand(command, window.Window()); },
           [this] { ShowAbout(); },
           [this] {
             // The loop ends here; main() takes the windows down once no handler of theirs runs.
             gtk_widget_hide(GTK_WIDGET(window.Window()));
             gtk_main_quit();
           },
           [this] { return languages.List(); }, [this](const KeyboardLayout& layout) { languages.Activate(layout); },
           [this](std::function<void(bool)> granted) {
             exit_dialogs.RunExitPasswordDialog(
                 [granted = std::move(granted)](int result) { granted(result == CExitPasswordDlg::kOk); });
           },
           [this] { kiosk.companions.CloseKeyboard(); }, [this] { languages.ForgetLearned(); }}),
      views(made_views),
      host(dir, {[this](const std::string& title) {
                   window.SetTitle(title);
                   MarkStartup("title");
                   status.Changed();
                 },
                 [this] { ShowAbout(); },
                 [this, dir] {
                   // Help opens inside the kiosk: a visitor never reaches an outside program. It lives
                   // beside the programs (the kiosk directory holds only the lists).
                   kiosk.view.Navigate("file://" + dir + std::string(kHelpPage));
                 },
                 [this] { views.ShowPageProperties(window.Window()); },
                 [this] {
                   kiosk.frame.OnNewVisitor();
                   status.Changed();
                 },
                 [this](int seconds_left) {
                   // The keyboard stays above every window: it would hide the notice's countdown, and
                   // its keys would type into the page beneath.
                   kiosk.companions.CloseKeyboard();
                   notice.Show(seconds_left);
                 },
                 [this](const std::string& text) {
                   window.MessageBox(text, TrText(kNoticeCaption), MessageIcon::Information, {});
                 }}),
      view_timers([this](int id) { kiosk.view.OnTimer(id); }),
      list_source(
          [this](const std::string& text) { window.MessageBox(text, TrText(kErrorCaption), MessageIcon::Error, {}); }),
      probe(windows, [this] { status.Changed(); }),
      kiosk({store,
             dir,
             windows,
             launcher,
             window,
             companion_timers,
             XidOf(window.Window()),
             exit_dialogs,
             [this] { views.ExecBrowserCommand(BrowserCommand::Print, window.Window()); },
             [this](bool on) {
               if (!on) reader.Stop();
               return on && reader.Start();
             },
             window,
             services,
             window.FrameLink(),
             views.MainController(),
             views.BarControl(),
             view_timers,
             host,
             host.FrameLink(),
             views,
             list_source,
             views.MainViewLink(),
             views.BarLink(),
             probe,
             schedule_environment,
             schedule_timers,
             [this](bool on) {
               // The status tells a change; the kiosk kept dark at every look is none.
               if (dark.Show(!on)) status.Changed();
             }}),
      receiver(
          GdkXDisplay(), {kOpenUrlMessage, kInputMethodMessage, kRemoteMessage},
          [this](const x11::IncomingMessage& m) { return kiosk.frame.OnSuiteMessage(m.name, m.wparam, m.lparam); },
          [this] {
            Log("closing: asked by another program of the suite");
            services.CloseFrame();
          }),
      filter(GTK_WIDGET(window.Window()), receiver),
      status(
          [this] {
            KioskStatus s = kiosk.CurrentStatus(started, last_input, g_get_real_time() / G_USEC_PER_SEC);
            for (const auto& shown : covers.WhatEachShows()) s.monitors.push_back({shown.monitor, shown.showing});
            return s;
          },
          SettingsReader(store).Text(setting::MetricsFolder),
          [this](const std::string& json) { SetWindowText(GTK_WIDGET(window.Window()), kKioskStatusProperty, json); }) {
  window.OnCloseRequest([this] {
    Log("closing: a close request for the kiosk window");
    services.CloseFrame();
  });
  views.UseHooks({[this](GdkEvent* event) {
                    PopupCommandMenu(views.MainWidget(), event, ContextMenu(),
                                     [this](int id) { kiosk.view.OnContextMenuCommand(id); });
                  },
                  [this] { NoteVisitorInput(); }, [this] { LoadBarPage(); },
                  [this](GtkWidget* bar_widget) { window.SetBarView(bar_widget); },
                  [this] {
                    exit_dialogs.CancelOpen();
                    CloseVisitorDialogs();
                  },
                  [this] { return window.Window(); }});
  wait_minutes_ = SettingsReader(store).Dword(setting::WaitTime);
  window.SetPageView(views.MainWidget());
  window.SetBarViewLookup([this] { return views.BarWidget(); });
  kiosk.Start(&splash);
  // The other monitors' page loops, once the kiosk's own first page is on its way.
  covers.UseContent([this](size_t monitor) {
    SettingsReader settings(store_);
    const int32_t is_limit = settings.Int(setting::IsLimit), forbit_method = settings.Int(setting::ForbitMethod);
    return SignageScreen::IfListed(monitor, [this, is_limit, forbit_method](const std::string& lower) {
      return kiosk.lists.IsAddressBlocked(lower, is_limit, forbit_method);
    });
  });
  // The bar's page follows the home page's first document, so the home page has the web process
  // and the one user-interface thread to itself; a home page that never finishes waits a second.
  bar_load = g_timeout_add(
      kBarPageDelayMs,
      [](gpointer self) -> gboolean {
        static_cast<GtkKiosk*>(self)->bar_load = 0;
        static_cast<GtkKiosk*>(self)->LoadBarPage();
        return G_SOURCE_REMOVE;
      },
      this);
}

void GtkKiosk::NoteVisitorInput() {
  host.NoteInput();
  last_input = g_get_real_time() / G_USEC_PER_SEC;
  status.InputChanged();
}

void GtkKiosk::LoadBarPage() {
  if (bar_page_requested) return;
  bar_page_requested = true;
  if (bar_load) g_source_remove(std::exchange(bar_load, 0));
  kiosk.bar.OnInitialUpdate(
      store_, dir_, MonitorAreaOf(GTK_WIDGET(window.Window())).width,
      [](const std::string& path) { return g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR) != FALSE; });
}

void GtkKiosk::Close() {
  if (bar_load) g_source_remove(std::exchange(bar_load, 0));
  kiosk.Close();
}

void PaneliaStart::UseControlSite(ControlSite site, const CPageExternal* external) {
  options_.rules.kiosk_site = site == ControlSite::Kiosk;
  options_.external_script = external ? CPageExternal::PageScript() : std::string();
}

bool PaneliaStart::CreateMainFrame() {
  options_.rules.browser_home = [this] {
    CRegistryKey key(store_);
    key.SetRootKey(Hive::CurrentUser);
    key.SetSubKey(kBrowserMainKey);
    return key.ReadText("Start Page");
  };
  {
    // What fingers may do is read at start, as the engine sets up its views once.
    SettingsReader settings(store_);
    options_.rules.pinch_zoom = settings.Flag(setting::IsPinchZoom);
    options_.rules.long_press_menu = settings.Flag(setting::IsLongPressMenu);
    options_.rules.media_sites = MediaSites(settings.Text(setting::MediaSites));
    UseProxy(MakeProxyChoice(settings.Dword(setting::ProxyMode), settings.Text(setting::ProxyUrl),
                             settings.Text(setting::ProxyIgnore)));
  }
  options_.rules.visitor_present = [this] { return kiosk_ && kiosk_->VisitorPresent(); };
  options_.offline_folder = CurrentFolder();
  options_.rules.local_folders = [this] {
    if (!kiosk_) return std::vector<std::string>{dir_};
    const CPaneliaView& view = kiosk_->View();
    return KioskFolders(dir_, view.UsesBrowserHome() ? options_.rules.browser_home() : view.HomeAddress());
  };
  // The engine first: its processes start and the home page loads while the frame, the bar and the
  // companions are made. The page the kiosk asks for first is the operator's home page (a schedule's
  // home page, when it differs, simply replaces it).
  views_ = std::make_unique<WebKitKioskViews>(options_);
  {
    SettingsReader settings(store_);
    views_->LoadEarly(settings.Int(setting::IsPaneliaHome) == 0 ? settings.Text(setting::SoftHomeUrl)
                                                                : options_.rules.browser_home());
  }
  kiosk_ = std::make_unique<GtkKiosk>(store_, dir_, *views_, splash_);
  return true;
}

void PaneliaStart::ShowMainFrame() {
  kiosk_->Show();
  splash_window_.Raise();
}

void PaneliaStart::Destroy() {
  splash_window_.ClosePicture();
  if (kiosk_) kiosk_->Close();
  kiosk_.reset();
  views_.reset();
}

}  // namespace panelia
