#include "platform/gtk/glib_launcher.h"

#include <glib.h>

#include <string>

#include "common/names.h"

namespace panelia {

bool GlibLauncher::Start(const std::string& path, ShowCommand show) {
  std::string program = path;
  char* argv[] = {program.data(), nullptr};
  gchar** env = g_get_environ();
  env = g_environ_setenv(env, kShowEnvironment, std::to_string(static_cast<int>(show)).c_str(), TRUE);
  // Only the child's environment: the kiosk's own is never changed while its threads may read it.
  if (reader_speaks_ && reader_speaks_())
    env = g_environ_setenv(env, kReaderEnvironment, "1", TRUE);
  else
    env = g_environ_unsetenv(env, kReaderEnvironment);
  GError* error = nullptr;
  // Not reaped by us: GLib detaches the child, and an exec failure comes back as an error.
  bool started = g_spawn_async(nullptr, argv, env, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr, &error) != FALSE;
  g_clear_error(&error);
  g_strfreev(env);
  return started;
}

}  // namespace panelia
