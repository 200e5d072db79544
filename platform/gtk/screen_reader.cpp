#include "platform/gtk/screen_reader.h"

#include <glib/gstdio.h>
#include <csignal>

#include <cstdio>
#include <vector>

namespace panelia {
namespace {

bool Installed(const char* program) {
  gchar* path = g_find_program_in_path(program);
  bool found = path != nullptr;
  g_free(path);
  return found;
}

}  // namespace

bool ScreenReader::Start() {
  if (pid_) return true;
  if (!Installed("orca") || !Installed("speech-dispatcher")) return false;
  // Preferences of its own, made afresh: what one visitor changes in the reader's settings is gone
  // for the next, and the kiosk account's own stay untouched.
  if (prefs_.empty()) {
    gchar* dir = g_dir_make_tmp("panelia-reader-XXXXXX", nullptr);
    if (dir) prefs_ = dir;
    g_free(dir);
  }
  std::string prefs_arg = "--user-prefs=" + prefs_;
  std::vector<char*> argv = {const_cast<char*>("orca"), const_cast<char*>("--replace")};
  if (!prefs_.empty()) argv.push_back(prefs_arg.data());
  argv.push_back(nullptr);
  g_setenv("PANELIA_READER", "1", TRUE);
  GError* error = nullptr;
  if (!g_spawn_async(nullptr, argv.data(), nullptr,
                     static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD), nullptr, nullptr, &pid_,
                     &error)) {
    std::fprintf(stderr, "panelia: the screen reader could not start: %s\n", error ? error->message : "unknown");
    g_clear_error(&error);
    g_unsetenv("PANELIA_READER");
    pid_ = 0;
    return false;
  }
  std::fprintf(stderr, "panelia: the screen reader speaks (orca, process %d)\n", static_cast<int>(pid_));
  watch_ = g_child_watch_add(
      pid_,
      [](GPid pid, gint, gpointer self) {
        auto* reader = static_cast<ScreenReader*>(self);
        g_spawn_close_pid(pid);
        if (reader->pid_ == pid) reader->pid_ = 0;
        reader->watch_ = 0;
      },
      this);
  return true;
}

void ScreenReader::Stop() {
  g_unsetenv("PANELIA_READER");
  if (!pid_) return;
  std::fprintf(stderr, "panelia: the screen reader stops\n");
  kill(pid_, SIGTERM);
  // The watch reaps it; the next visitor's reader is a new process.
  pid_ = 0;
}

}  // namespace panelia
