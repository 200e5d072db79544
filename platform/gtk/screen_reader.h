// The kiosk's screen reader: Orca, speaking through speech-dispatcher, started and stopped for a
// visitor. Programs started while it runs (the on-screen keyboard) learn it from their environment
// (the launcher asks Running()) and show themselves to it.
#pragma once

#include <glib.h>

#include <string>
#include <vector>

namespace panelia {

class ScreenReader {
 public:
  // `module_directory` (with a trailing "/") holds the kiosk's script for the reader.
  explicit ScreenReader(std::string module_directory) : module_directory_(std::move(module_directory)) {}
  ~ScreenReader();
  ScreenReader(const ScreenReader&) = delete;
  ScreenReader& operator=(const ScreenReader&) = delete;
  // False where this kiosk has no reader (Orca or speech-dispatcher missing) or it cannot start.
  bool Start();
  void Stop();
  bool Running() const { return pid_ != 0; }

 private:
  static constexpr guint kEndingMs = 3000;
  bool Spawn();
  void Ended(GPid pid, int status);
  void MakePreferences();
  std::string module_directory_;
  GPid pid_ = 0;
  GPid ending_ = 0;  // the last visitor's, ending
  bool pending_ = false;
  bool speech_started_ = false;
  guint kill_timer_ = 0;
  std::vector<guint> watches_;
  std::string prefs_;
};

}  // namespace panelia
