// Panelia, the kiosk browser.
#include <gtk/gtk.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/module_directory.h"
#include "platform/gtk/panelia_shell.h"
#include "platform/gtk/x11_desktop.h"
#include "platform/sqlite_registry.h"
#include "shell/app.h"

int main(int argc, char** argv) {
  gdk_set_allowed_backends("x11");
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "panelia: cannot open the X display (is DISPLAY set?)\n");
    return 1;
  }
  std::vector<std::string> args(argv + 1, argv + argc);

  panelia::SqliteRegistry store(panelia::RegistryFilesFromEnvironment());
  panelia::GtkPaneliaShell shell(store, panelia::ModuleDirectory());
  panelia::CSplashWindow splash(shell);
  shell.SetSplash(&splash);
  panelia::X11PowerSettings power;
  panelia::CPaneliaApp app(store, shell, power, splash);
  if (!app.InitInstance(args)) return 1;
  gtk_main();
  shell.DestroyFrame();
  // The machine is asked to power off only once Panelia's windows are gone.
  if (shell.PowerOffRequested()) panelia::GtkPaneliaShell::RunPowerOffCommand();
  return app.ExitInstance();
}
