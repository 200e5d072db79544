#include "platform/gtk/glib_timers.h"

namespace panelia {

GlibTimers::~GlibTimers() {
  for (auto& [id, source] : sources_) g_source_remove(source);
}

void GlibTimers::SetTimer(int id, int milliseconds) {
  KillTimer(id);
  auto* tick = new Tick{this, id};
  sources_[id] = g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(milliseconds), &GlibTimers::OnTimeout, tick,
                                    [](gpointer p) { delete static_cast<Tick*>(p); });
}

void GlibTimers::KillTimer(int id) {
  auto it = sources_.find(id);
  if (it == sources_.end()) return;
  g_source_remove(it->second);
  sources_.erase(it);
}

gboolean GlibTimers::OnTimeout(gpointer data) {
  auto* tick = static_cast<Tick*>(data);
  // The handler may kill or restart this very timer; the source stays until it says so.
  tick->owner->on_tick_(tick->id);
  return G_SOURCE_CONTINUE;
}

}  // namespace panelia
