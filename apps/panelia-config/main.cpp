// panelia-config, the settings program: every value of the settings store in a window, the kiosk
// directory's lists in an editor, and a box that tries an address. It runs without Panelia; a
// second start brings the running window to the front.
//   panelia-config [--kiosk-dir DIR]   (the lists' folder; the current directory by default, which
//                                        is the kiosk directory when Panelia starts it)
//   panelia-config [--kiosk-dir DIR] --check [FILE]
//                                      prints what the kiosk understands of the schedule (FILE, or
//                                      Schedule.ini in the kiosk directory) and every line it refuses,
//                                      with its number; exit status 0 when every line is understood,
//                                      1 when a line is refused, 2 when the file cannot be read.
//                                      Needs no display.
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "common/instance_lock.h"
#include "common/names.h"
#include "common/schedule.h"
#include "common/texts.h"
#include "common/module_directory.h"
#include "platform/gtk/config_window.h"
#include "platform/gtk/gdk_x11.h"
#include "common/settings.h"
#include "platform/store/sqlite_registry.h"
#include "platform/x11/messages.h"

namespace {

int CheckSchedule(const std::string& path) {
  using namespace panelia;
  auto schedule = ReadScheduleFile(path);
  if (!schedule) {
    std::fprintf(stderr, "panelia-config: %s: %s\n", path.c_str(), Tr("there is no such file"));
    return 2;
  }
  std::fputs(DescribeSchedule(*schedule).c_str(), stdout);
  const bool unread = schedule->problems.size() == 1 && schedule->problems[0].line == 0;
  return unread ? 2 : schedule->problems.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace panelia;
  std::string kiosk_dir;
  std::optional<std::string> check;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--kiosk-dir") == 0 && i + 1 < argc)
      kiosk_dir = argv[++i];
    else if (std::strcmp(argv[i], "--check") == 0)
      check = i + 1 < argc && argv[i + 1][0] != '-' ? argv[++i] : "";
  }
  if (check) {
    // In the kiosk's language where its settings are there to say which; a check (the fleet role's,
    // before it writes the file) makes no store where there is none.
    RegistryFiles files = RegistryFilesFromEnvironment();
    if (std::error_code error; std::filesystem::exists(files.local_machine, error)) {
      SqliteRegistry store(files);
      UseSettingsLanguage(store);
    }
    if (check->empty()) *check = (kiosk_dir.empty() ? std::string() : kiosk_dir + "/") + std::string(kScheduleFile);
    return CheckSchedule(*check);
  }
  gdk_set_allowed_backends("x11");
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "panelia-config: cannot open the X display (is DISPLAY set?)\n");
    return 1;
  }
  UseGdkErrorTrap();
  if (kiosk_dir.empty()) {
    char cwd[4096];
    kiosk_dir = getcwd(cwd, sizeof cwd) ? cwd : ".";
  }
  RegistryFiles files = RegistryFilesFromEnvironment();
  SqliteRegistry store(files);
  UseSettingsLanguage(store);
  if (!TakeInstanceLock("panelia-config")) {
    // One settings window at a time: two would overwrite each other's values.
    x11::X11WindowSystem windows;
    if (auto running = windows.Connected() ? FindOptionsWindow(windows) : std::nullopt)
      x11::AskToActivate(GdkXDisplay(), static_cast<Window>(*running));
    return 0;
  }
  UseKioskMonitor(SettingsReader(store).Text(setting::Monitor));
  GtkConfigWindow window(store, {kiosk_dir, ModuleDirectory(), files.local_machine.string()}, [] { gtk_main_quit(); });
  gtk_main();
  return 0;
}
