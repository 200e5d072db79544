// Keeps the kiosk's status current on disk: $XDG_RUNTIME_DIR/panelia/status.json and, when the
// MetricsFolder setting names the node exporter's textfile folder, panelia.prom there. Written
// atomically (a reader never sees half a file), shortly after every change and once a minute.
#pragma once

#include <glib.h>

#include <functional>
#include <string>

#include "shell/kiosk_status.h"

namespace panelia {

class StatusWriter {
 public:
  // `publish` is handed each document written too (the kiosk puts it on its window).
  StatusWriter(std::function<KioskStatus()> gather, std::string metrics_folder,
               std::function<void(const std::string&)> publish = {});
  ~StatusWriter();
  StatusWriter(const StatusWriter&) = delete;
  StatusWriter& operator=(const StatusWriter&) = delete;
  // Something the status shows changed: written within a fifth of a second (changes close together
  // make one write).
  void Changed() { WriteWithin(kSoonMs); }
  // A visitor's input (the last input's time): written within five seconds, so typing does not make
  // a write of every key.
  void InputChanged() { WriteWithin(kInputMs); }
  // The status document's place: $XDG_RUNTIME_DIR/panelia/status.json (the user's runtime folder
  // when the variable is unset).
  static std::string StatusPath();

 private:
  static constexpr guint kSoonMs = 200, kInputMs = 5000;
  void WriteWithin(guint ms);
  void Write();
  std::function<KioskStatus()> gather_;
  std::string metrics_folder_;
  std::function<void(const std::string&)> publish_;
  guint minute_ = 0;
  guint soon_ = 0;
};

}  // namespace panelia
