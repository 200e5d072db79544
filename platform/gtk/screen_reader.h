// The kiosk's screen reader: Orca, speaking through speech-dispatcher, started and stopped for a
// visitor. Programs started while it runs (the on-screen keyboard) learn it from PANELIA_READER and
// show themselves to it.
#pragma once

#include <glib.h>

#include <string>

namespace panelia {

class ScreenReader {
 public:
  ScreenReader() = default;
  ~ScreenReader() { Stop(); }
  ScreenReader(const ScreenReader&) = delete;
  ScreenReader& operator=(const ScreenReader&) = delete;
  // False where this kiosk has no reader (Orca or speech-dispatcher missing) or it cannot start.
  bool Start();
  void Stop();
  bool Running() const { return pid_ != 0; }

 private:
  GPid pid_ = 0;
  guint watch_ = 0;
  std::string prefs_;
};

}  // namespace panelia
