// Window timers on the GLib main loop, with the platform's semantics: setting a timer id again
// restarts it, ticks come on the user-interface thread and also run while a modal dialog is up.
#pragma once

#include <glib.h>

#include <functional>
#include <map>

#include "browse/ports.h"

namespace panelia {

class GlibTimers final : public TimerService {
 public:
  explicit GlibTimers(std::function<void(int)> on_tick) : on_tick_(std::move(on_tick)) {}
  ~GlibTimers() override;
  GlibTimers(const GlibTimers&) = delete;
  GlibTimers& operator=(const GlibTimers&) = delete;

  void SetTimer(int id, int milliseconds) override;
  void KillTimer(int id) override;
  bool IsRunning(int id) const { return sources_.count(id) != 0; }

 private:
  struct Tick {
    GlibTimers* owner;
    int id;
  };
  static gboolean OnTimeout(gpointer data);
  std::function<void(int)> on_tick_;
  std::map<int, guint> sources_;
};

}  // namespace panelia
