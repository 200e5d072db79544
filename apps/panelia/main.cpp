// Panelia, the kiosk browser: the splash, the application's start and end, and the signals that
// end it from outside.
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <string>
#include <vector>

#include "apps/panelia/kiosk_app.h"
#include "common/event_link.h"
#include "common/log.h"
#include "common/module_directory.h"
#include "common/password.h"
#include "common/settings.h"
#include "platform/gtk/gdk_x11.h"
#include "platform/store/sqlite_registry.h"
#include "platform/x11/screen_power.h"

int main(int argc, char** argv) {
  using namespace panelia;
  MarkStartup("process");
  DrawWithoutGpuWhenThereIsNone();
  gdk_set_allowed_backends("x11");
  if (!gtk_init_check(&argc, &argv)) {
    Log("cannot open the X display (is DISPLAY set?)");
    return 1;
  }
  MarkStartup("toolkit");
  UseGdkErrorTrap();
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string dir = ModuleDirectory();

  SqliteRegistry store(RegistryFilesFromEnvironment());
  UseSettingsLanguage(store);
  UseKioskMonitor(SettingsReader(store).Text(setting::Monitor));
  MarkStartup("settings");
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
  MarkStartup("splash");
  if (!app.InitInstance(args)) return 1;
  MarkStartup("frame");
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
