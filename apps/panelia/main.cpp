// Panelia, the kiosk browser: the whole object graph, wired in one place.
#include <X11/Xatom.h>
#include <gdk/gdkx.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "browse/bottom_view.h"
#include "browse/navigation_policy.h"
#include "browse/page_lists.h"
#include "browse/view.h"
#include "common/event_link.h"
#include "common/module_directory.h"
#include "common/names.h"
#include "common/password.h"
#include "common/settings.h"
#include "common/log.h"
#include "platform/gtk/context_menu.h"
#include "platform/gtk/exit_dialog.h"
#include "platform/gtk/frame_services.h"
#include "platform/ibus/input_languages.h"
#include "platform/gtk/frame_window.h"
#include "platform/gtk/gdk_x11.h"
#include "platform/gtk/glib_launcher.h"
#include "platform/gtk/glib_timers.h"
#include "platform/gtk/message_box.h"
#include "platform/gtk/monitor_covers.h"
#include "platform/gtk/splash.h"
#include "platform/gtk/idle_notice.h"
#include "platform/gtk/screen_reader.h"
#include "platform/gtk/memory_probe.h"
#include "platform/gtk/status_writer.h"
#include "platform/gtk/view_host.h"
#include "platform/store/password_keeper.h"
#include "platform/store/sqlite_registry.h"
#include "platform/webkit/kiosk_views.h"
#include "platform/x11/message_receiver.h"
#include "platform/x11/messages.h"
#include "platform/x11/screen_power.h"
#include "platform/x11/window_lookup.h"
#include "shell/app.h"
#include "shell/companions.h"
#include "shell/kiosk_status.h"
#include "shell/kiosk_partners.h"
#include "shell/main_frame.h"

namespace panelia {
namespace {

constexpr guint kBarPageDelayMs = 1000;

std::string Picture(const std::string& dir, int number) {
  return dir + "res/" + std::to_string(number) + ".png";
}

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

// The frame with its two views, the companions and everything they talk through. Members are made
// in this order and taken down in the reverse one; Close() runs the windows' own leave-taking first.
struct Kiosk {
  Kiosk(RegistryStore& store, const std::string& dir, BrowserOptions options, CSplashWindow& splash)
      : window(Picture(dir, 128)),
        covers(SettingsReader(store).Flag(setting::IsCoverOthers)),
        // The visitor's answer to the notice: the session goes on, from the next idle tick's count.
        notice([this] { return window.Window(); }, [this] { NoteVisitorInput(); }),
        windows(gdk_display_get_name(gdk_display_get_default())),
        companion_timers([this](int id) { companions.OnTimer(id); }),
        reader(dir),
        companions(store, windows, launcher, window, companion_timers, dir, XidOf(window.Window())),
        exit_dialogs(
            store, [this] { return window.Window(); }, [this] { companions.CloseKeyboard(); },
            [this] { companions.ToggleKeyboard(); }, Picture(dir, 143)),
        partners(
            companions, exit_dialogs, [this] { views.ExecBrowserCommand(BrowserCommand::Print, window.Window()); },
            [this] { return frame.IsFullScreen(); }, [](const std::string& line) { Log("%s", line.c_str()); },
            [this](bool on) {
              if (!on) reader.Stop();
              return on && reader.Start();
            }),
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
             [this] { companions.CloseKeyboard(); }, [this] { languages.ForgetLearned(); }}),
        frame(store, window, services, dir),
        views(std::move(options), {[this](GdkEvent* event) {
                                     PopupCommandMenu(views.MainWidget(), event, ContextMenu(),
                                                      [this](int id) { view.OnContextMenuCommand(id); });
                                   },
                                   [this] { NoteVisitorInput(); }, [this] { LoadBarPage(); },
                                   [this](GtkWidget* bar_widget) { window.SetBarView(bar_widget); },
                                   [this] {
                                     exit_dialogs.CancelOpen();
                                     CloseVisitorDialogs();
                                   },
                                   [this] { return window.Window(); }}),
        host(frame, dir,
             {[this](const std::string& title) {
                window.SetTitle(title);
                status.Changed();
              },
              [this] { ShowAbout(); },
              [this, dir] {
                // Help opens inside the kiosk: a visitor never reaches an outside program. It
                // lives beside the programs (the kiosk directory holds only the lists).
                view.Navigate("file://" + dir + std::string(kHelpPage));
              },
              [this] { views.ShowPageProperties(window.Window()); },
              [this] {
                frame.OnNewVisitor();
                status.Changed();
              },
              [this](int seconds_left) {
                // The keyboard stays above every window: it would hide the notice's countdown, and
                // its keys would type into the page beneath.
                companions.CloseKeyboard();
                notice.Show(seconds_left);
              },
              [this](const std::string& text) {
                window.MessageBox(text, std::string(kNoticeCaption), MessageIcon::Information, {});
              }}),
        view_timers([this](int id) { view.OnTimer(id); }),
        list_source([this](const std::string& text) {
          window.MessageBox(text, std::string(kErrorCaption), MessageIcon::Error, {});
        }),
        lists(list_source),
        view(store, views.MainControl(), view_timers, host, partners, views, lists, "file://" + dir + "help/forum.html",
             "file://" + dir + CMainFrame::kSiteAddressPage),
        bar(views.BarControl(), view, partners),
        receiver(
            GdkXDisplay(), {kOpenUrlMessage, kInputMethodMessage, kRemoteMessage},
            [this](const x11::IncomingMessage& m) { return frame.OnSuiteMessage(m.name, m.wparam, m.lparam); },
            [this] {
              Log("closing: asked by another program of the suite");
              services.CloseFrame();
            }),
        filter(GTK_WIDGET(window.Window()), receiver),
        status([this] { return CurrentStatus(); }, SettingsReader(store).Text(setting::MetricsFolder),
               [this](const std::string& json) {
                 SetWindowText(GTK_WIDGET(window.Window()), kKioskStatusProperty, json);
               }),
        store_(store),
        dir_(dir) {
    window.OnCloseRequest([this] {
      Log("closing: a close request for the kiosk window");
      services.CloseFrame();
    });
    window.SetPageView(views.MainWidget());
    window.SetBarViewLookup([this] { return views.BarWidget(); });
    // The home page is asked for now, so the web process starts while the frame is being built.
    view.OnInitialUpdate();
    view.OnCreate();
    frame.OnCreateClientDone();
    frame.OnCreate(&splash);
    // The bar's page follows the home page's first document, so the home page has the web process
    // and the one user-interface thread to itself; a home page that never finishes waits a second.
    bar_load = g_timeout_add(
        kBarPageDelayMs,
        [](gpointer self) -> gboolean {
          static_cast<Kiosk*>(self)->bar_load = 0;
          static_cast<Kiosk*>(self)->LoadBarPage();
          return G_SOURCE_REMOVE;
        },
        this);
  }

  void ShowAbout() { ShowAboutBox(window.Window(), Picture(dir_, 140)); }

  // A visitor's key, touch or wheel turn, or the answer to the idle notice.
  void NoteVisitorInput() {
    host.NoteInput();
    last_input = g_get_real_time() / G_USEC_PER_SEC;
    status.InputChanged();
  }

  // The figures the status document and the metrics report, gathered when they are written.
  KioskStatus CurrentStatus() {
    KioskStatus s;
    s.version = PANELIA_VERSION;
    s.started = started;
    s.address = views.Main().Uri();
    s.title = views.Main().Title();
    s.page = PageKind(s.address, view.HomeAddress());
    s.bar_shown = frame.BottomBarShown();
    s.last_input = last_input;
    s.visitors = view.VisitCounts().visitors;
    s.idle_returns = view.VisitCounts().idle_returns;
    s.loop_steps = view.VisitCounts().loop_steps;
    s.process_deaths = static_cast<uint64_t>(views.Main().ProcessDeaths());
    s.process_hangs = static_cast<uint64_t>(views.Main().ProcessHangs());
    s.last_process_end = views.Main().LastProcessEnd();
    if (auto player = windows.FindWindowByClass(kSonavelleClass)) {
      s.player_running = true;
      s.player_status = windows.WindowText(*player, kPlayerStatusProperty);
    }
    auto keyboard = windows.FindWindowByClass(kGlyphdeckClass);
    s.keyboard_shown = keyboard && windows.WindowRect(*keyboard).has_value();
    auto powered = x11::DisplayPowered(GdkXDisplay());
    s.display_power = !powered ? "unknown" : *powered ? "on" : "off";
    SettingsReader settings(store_);
    PowerOffSettings power{settings.Flag(setting::IsAutoShut), settings.Flag(setting::IsCloseWeekend),
                           ParseTimeOfDay(settings.Text(setting::PowerOffTime))};
    if (auto seconds = SecondsToNextPowerOff(power, services.Now()))
      s.next_power_off = g_get_real_time() / G_USEC_PER_SEC + *seconds;
    std::vector<pid_t> suite = {getpid()};
    for (std::string_view partner : {kGlyphdeckClass, kSonavelleClass})
      if (auto w = windows.FindWindowByClass(partner))
        for (unsigned long pid : x11::PropertyItems(GdkXDisplay(), static_cast<Window>(*w), "_NET_WM_PID", XA_CARDINAL))
          suite.push_back(static_cast<pid_t>(pid));
    s.memory_pss_kib = memory.PssKiB(std::move(suite));
    s.settings_readable =
        !store_.QueryValue(Hive::LocalMachine, SectionPath(Section::General), setting::SoftHomeUrl.name).IsError();
    return s;
  }

  void LoadBarPage() {
    if (bar_page_requested) return;
    bar_page_requested = true;
    if (bar_load) g_source_remove(std::exchange(bar_load, 0));
    bar.OnInitialUpdate(store_, dir_, MonitorAreaOf(GTK_WIDGET(window.Window())).width, [](const std::string& path) {
      return g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR) != FALSE;
    });
  }

  // The frame goes first (the task bar comes back), then each view closes the companions.
  void Close() {
    if (bar_load) g_source_remove(std::exchange(bar_load, 0));
    frame.OnDestroy();
    view.OnDestroy();
    bar.OnDestroy();
    engine_to_view.Part();
    engine_to_bar.Part();
  }

  GtkFrameWindow window;
  MonitorCovers covers;
  IdleNotice notice;
  x11::X11WindowSystem windows;
  GlibLauncher launcher{[this] { return reader.Running(); }};
  GlibTimers companion_timers;
  ScreenReader reader;
  CCompanions companions;
  GtkExitDialogs exit_dialogs;
  CKioskPartners partners;
  InputLanguages languages{GdkXDisplay()};
  GtkFrameServices services;
  CMainFrame frame;
  WebKitKioskViews views;
  GtkViewHost host;
  GlibTimers view_timers;
  CurrentDirectoryLists list_source;
  CPageLists lists;
  CPaneliaView view;
  CBottomView bar;
  x11::MessageReceiver receiver;
  MessageFilter filter;
  // Where an object reaches one made after it: joined here, once both exist, and parted before
  // either goes.
  EventLink<CMainFrame>::Connection window_to_frame{window.FrameLink(), frame};
  EventLink<CPaneliaView>::Connection frame_to_view{frame.MainViewLink(), view};
  EventLink<CBottomView>::Connection partners_to_bar{partners.BarLink(), bar};
  EventLink<CPaneliaView>::Connection engine_to_view{views.MainViewLink(), view};
  EventLink<CBottomView>::Connection engine_to_bar{views.BarLink(), bar};
  // Written again once the first measurement of the suite's memory is there.
  MemoryProbe memory{[this] { status.Changed(); }};
  StatusWriter status;
  int64_t started = g_get_real_time() / G_USEC_PER_SEC;
  int64_t last_input = 0;
  guint bar_load = 0;
  bool bar_page_requested = false;

 private:
  RegistryStore& store_;
  std::string dir_;
};

// What CPaneliaApp asks of the platform while it starts: the browser host, then the kiosk.
class PaneliaStart final : public AppPlatform {
 public:
  PaneliaStart(RegistryStore& store, std::string dir, CSplashWindow& splash, GtkSplash& splash_window)
      : store_(store), dir_(std::move(dir)), splash_(splash), splash_window_(splash_window) {}

  void UseControlSite(ControlSite site, const CPageExternal* external) override {
    options_.kiosk_site = site == ControlSite::Kiosk;
    options_.external_script = external ? CPageExternal::PageScript() : std::string();
  }
  void ResetViewPointers() override { kiosk_.reset(); }
  bool CreateMainFrame() override {
    options_.browser_home = [this] {
      CRegistryKey key(store_);
      key.SetRootKey(Hive::CurrentUser);
      key.SetSubKey(kBrowserMainKey);
      return key.ReadText("Start Page");
    };
    {
      // What fingers may do is read at start, as the engine sets up its views once.
      SettingsReader settings(store_);
      options_.pinch_zoom = settings.Flag(setting::IsPinchZoom);
      options_.long_press_menu = settings.Flag(setting::IsLongPressMenu);
    }
    options_.local_folders = [this] {
      if (!kiosk_) return std::vector<std::string>{dir_};
      return KioskFolders(dir_, kiosk_->view.UsesBrowserHome() ? options_.browser_home() : kiosk_->view.HomeAddress());
    };
    kiosk_ = std::make_unique<Kiosk>(store_, dir_, options_, splash_);
    return true;
  }
  void ShowMainFrame() override {
    kiosk_->window.Show();
    splash_window_.Raise();
  }
  GtkWindow* Window() const { return kiosk_ ? kiosk_->window.Window() : nullptr; }
  bool PowerOffRequested() const { return kiosk_ && kiosk_->services.PowerOffRequested(); }
  bool RestartRequested() const { return kiosk_ && kiosk_->services.RestartRequested(); }
  void Destroy() {
    splash_window_.ClosePicture();
    if (kiosk_) kiosk_->Close();
    kiosk_.reset();
  }

 private:
  RegistryStore& store_;
  std::string dir_;
  CSplashWindow& splash_;
  GtkSplash& splash_window_;
  BrowserOptions options_;
  std::unique_ptr<Kiosk> kiosk_;
};

}  // namespace
}  // namespace panelia

int main(int argc, char** argv) {
  using namespace panelia;
  gdk_set_allowed_backends("x11");
  if (!gtk_init_check(&argc, &argv)) {
    Log("cannot open the X display (is DISPLAY set?)");
    return 1;
  }
  UseGdkErrorTrap();
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string dir = ModuleDirectory();

  SqliteRegistry store(RegistryFilesFromEnvironment());
  UseKioskMonitor(SettingsReader(store).Text(setting::Monitor));
  // Told once the kiosk is up: comparing with a stored hash costs a start-up some milliseconds.
  constexpr guint kDemoPasswordCheckSeconds = 5;
  g_timeout_add_seconds(
      kDemoPasswordCheckSeconds,
      [](gpointer data) -> gboolean {
        if (IsDemoPasswordInUse(SettingsReader(*static_cast<SqliteRegistry*>(data)).Text(setting::Password)))
          std::fprintf(stderr,
                       "panelia: the exit password is still the demo's; anybody may know it: set another one with "
                       "panelia-config\n");
        return G_SOURCE_REMOVE;
      },
      &store);
  // The picture repaints the kiosk's frame once it goes; the frame comes later, through `started`.
  EventLink<PaneliaStart> started;
  GtkSplash splash_window(Picture(dir, 140), [&started] {
    if (started && started->Window()) gtk_widget_queue_draw(GTK_WIDGET(started->Window()));
  });
  CSplashWindow splash(splash_window);
  EventLink<CSplashWindow>::Connection splash_to_logic(splash_window.LogicLink(), splash);
  PaneliaStart start(store, dir, splash, splash_window);
  EventLink<PaneliaStart>::Connection start_joined(started, start);
  x11::X11PowerSettings power(GdkXDisplay());
  CPaneliaApp app(store, start, power, splash);
  if (!app.InitInstance(args)) return 1;
  // Ended from outside (the session logging out, an operator's kill): the companions are closed as
  // at any end, and the exit status still says the kiosk did not end by itself, so the session
  // starts it again. A second signal ends a box's loop that a first one only reached.
  static int end_signal = 0;
  for (int signo : {SIGTERM, SIGINT, SIGHUP}) {
    g_unix_signal_add(
        signo,
        [](gpointer s) -> gboolean {
          end_signal = GPOINTER_TO_INT(s);
          Log("closing: ended by signal %d", end_signal);
          if (gtk_main_level() > 0) gtk_main_quit();
          return G_SOURCE_CONTINUE;
        },
        GINT_TO_POINTER(signo));
  }
  gtk_main();
  bool power_off = start.PowerOffRequested();
  bool restart = start.RestartRequested();
  start.Destroy();
  // The machine is asked to power off only once Panelia's windows are gone.
  if (power_off) GtkFrameServices::RunPowerOffCommand();
  int status = app.ExitInstance();
  if (end_signal) return 128 + end_signal;
  return restart ? kRestartExitStatus : status;
}
