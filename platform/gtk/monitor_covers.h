// Black windows over the monitors the kiosk does not use: a visitor sees nothing of the desktop
// there. Made again whenever monitors come, go or change.
#pragma once

#include <gtk/gtk.h>

#include <vector>

#include "platform/gtk/gobject_ptr.h"

namespace panelia {

class MonitorCovers {
 public:
  // `enabled`: the IsCoverOthers setting; off, no cover is ever made.
  explicit MonitorCovers(bool enabled);
  ~MonitorCovers();
  MonitorCovers(const MonitorCovers&) = delete;
  MonitorCovers& operator=(const MonitorCovers&) = delete;
  size_t Count() const { return covers_.size(); }

 private:
  void Update();
  bool enabled_;
  std::vector<GtkWidget*> covers_;
  ScopedSignal monitors_changed_;
};

}  // namespace panelia
