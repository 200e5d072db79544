#include "platform/gtk/screen_reader.h"
#include "common/log.h"

#include <glib/gstdio.h>
#include <csignal>

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace panelia {
namespace {

bool Installed(const char* program) {
  gchar* path = g_find_program_in_path(program);
  bool found = path != nullptr;
  g_free(path);
  return found;
}

// What the finger rests on is read where the reader can find it under the pointer (the kiosk's boxes,
// the keyboard's keys: its mouse review), and a page that loads is read from its start where the
// reader manages (the kiosk also moves the focus to the page's first heading, which it always reads).
constexpr const char* kReaderSettings = R"({
  "general": {"enableMouseReview": true, "sayAllOnLoad": true},
  "profiles": {"default": {"profile": ["Default", "default"], "enableMouseReview": true, "sayAllOnLoad": true}},
  "pronunciations": {},
  "keybindings": {}
})";

}  // namespace

bool ScreenReader::Start() {
  if (!Installed("orca") || !Installed("speech-dispatcher")) return false;
  // The reader finds the kiosk's windows through the session's bus (the display manager's session
  // has one): without it, it would hear nothing.
  const char* bus = g_getenv("DBUS_SESSION_BUS_ADDRESS");
  if (!bus || !*bus) {
    Log("no screen reader: the session has no message bus");
    return false;
  }
  if (pid_ || pending_) return true;
  // The last visitor's reader takes a moment to end, and a reader started meanwhile would not
  // stay: this one starts as soon as that one has gone.
  if (ending_) {
    pending_ = true;
    return true;
  }
  return Spawn();
}

bool ScreenReader::Spawn() {
  // The speech server outlives each reader: started on its own it would end a few seconds after
  // the last reader let go of it, and a reader starting just then would find no voice.
  if (!speech_started_) {
    const char* speech[] = {"speech-dispatcher", "--spawn", "--timeout", "0", nullptr};
    speech_started_ = g_spawn_sync(nullptr, const_cast<char**>(speech), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr) != FALSE;
  }
  // Preferences of its own, made afresh at every start and removed at its stop: what one visitor
  // changes in the reader's settings is gone for the next, and the kiosk account's own stay
  // untouched.
  MakePreferences();
  std::string prefs_arg = "--user-prefs=" + prefs_;
  std::vector<char*> argv = {const_cast<char*>("orca"), const_cast<char*>("--replace")};
  if (!prefs_.empty()) argv.push_back(prefs_arg.data());
  argv.push_back(nullptr);
  GError* error = nullptr;
  if (!g_spawn_async(nullptr, argv.data(), nullptr,
                     static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD), nullptr, nullptr, &pid_,
                     &error)) {
    Log("the screen reader could not start: %s", error ? error->message : "unknown");
    g_clear_error(&error);
    pid_ = 0;
    return false;
  }
  Log("the screen reader speaks (orca, process %d)", static_cast<int>(pid_));
  watches_.push_back(g_child_watch_add(
      pid_, [](GPid pid, gint status, gpointer self) { static_cast<ScreenReader*>(self)->Ended(pid, status); }, this));
  return true;
}

void ScreenReader::Ended(GPid pid, int status) {
  g_spawn_close_pid(pid);
  if (pid == pid_) {
    Log("the screen reader ended by itself (status %d)", status);
    pid_ = 0;
  }
  if (pid == ending_) {
    ending_ = 0;
    if (kill_timer_) g_source_remove(std::exchange(kill_timer_, 0));
    if (std::exchange(pending_, false)) Spawn();
  }
}

void ScreenReader::Stop() {
  pending_ = false;
  if (pid_) {
    Log("the screen reader stops");
    kill(pid_, SIGTERM);
    ending_ = std::exchange(pid_, 0);
    // It says goodbye and lets go of the speech; one that takes longer is ended.
    kill_timer_ = g_timeout_add(
        kEndingMs,
        [](gpointer self) -> gboolean {
          auto* reader = static_cast<ScreenReader*>(self);
          reader->kill_timer_ = 0;
          if (reader->ending_) kill(reader->ending_, SIGKILL);
          return G_SOURCE_REMOVE;
        },
        this);
  }
  if (!prefs_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(prefs_, ignored);
    prefs_.clear();
  }
}

ScreenReader::~ScreenReader() {
  Stop();
  if (ending_) kill(ending_, SIGKILL);
  if (kill_timer_) g_source_remove(kill_timer_);
  for (guint watch : watches_) g_source_remove(watch);
}

void ScreenReader::MakePreferences() {
  gchar* dir = g_dir_make_tmp("panelia-reader-XXXXXX", nullptr);
  if (!dir) return;
  prefs_ = dir;
  g_free(dir);
  std::string settings = prefs_ + "/user-settings.conf";
  g_file_set_contents(settings.c_str(), kReaderSettings, -1, nullptr);
  // The kiosk's own script for the reader, beside the programs.
  gchar* script = nullptr;
  gsize length = 0;
  if (g_file_get_contents((module_directory_ + "reader/panelia.py").c_str(), &script, &length, nullptr)) {
    std::string scripts = prefs_ + "/orca-scripts";
    g_mkdir_with_parents(scripts.c_str(), 0700);
    g_file_set_contents((scripts + "/__init__.py").c_str(), "", 0, nullptr);
    g_file_set_contents((scripts + "/panelia.py").c_str(), script, static_cast<gssize>(length), nullptr);
  }
  g_free(script);
}

}  // namespace panelia
