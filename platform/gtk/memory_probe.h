// What the kiosk's status reports of the machine. The memory the suite's processes take together is
// measured in a worker thread: it reads a file of every process on the machine, which on a busy
// machine takes longer than the thread that draws the kiosk and answers touches may spend.
#pragma once

#include <gio/gio.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "common/window_system.h"
#include "platform/gtk/gobject_ptr.h"
#include "shell/kiosk_status.h"

namespace panelia {

// Panelia, the partners and every process below them (the engine's web and network processes),
// by their proportional set sizes; -1 when /proc cannot tell.
int64_t SuitePssKiB(std::vector<pid_t> suite);

class MemoryProbe {
 public:
  // `first` runs once, when the first measurement is there.
  explicit MemoryProbe(std::function<void()> first = {}) : first_(std::move(first)) {}
  ~MemoryProbe() { g_cancellable_cancel(cancel_.get()); }
  MemoryProbe(const MemoryProbe&) = delete;
  MemoryProbe& operator=(const MemoryProbe&) = delete;
  // The last measurement (-1 before the first); a new one of `suite` starts unless one is under way.
  int64_t PssKiB(std::vector<pid_t> suite);

 private:
  std::function<void()> first_;
  GObjectPtr<GCancellable> cancel_ = GObjectPtr<GCancellable>::Adopt(g_cancellable_new());
  bool measuring_ = false;
  int64_t last_ = -1;
};

// The partner programs through their windows, the display's power and the suite's memory.
class X11SystemProbe final : public SystemProbe {
 public:
  // `memory_known` runs once, when the first measurement of the memory is there.
  X11SystemProbe(WindowSystem& windows, std::function<void()> memory_known)
      : windows_(windows), memory_(std::move(memory_known)) {}
  SystemFigures Figures() override;

 private:
  WindowSystem& windows_;
  MemoryProbe memory_;
};

}  // namespace panelia
