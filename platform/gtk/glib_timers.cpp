#include "platform/gtk/glib_timers.h"

#include "platform/gtk/callback_state.h"

namespace panelia {

GlibTimers::~GlibTimers() {
  for (auto& [id, source] : sources_) g_source_remove(source);
}

void GlibTimers::SetTimer(int id, int milliseconds) {
  KillTimer(id);
  // Whole seconds (the idle count, the watches, the power-off look) tick together at the start of a
  // second, so an untouched kiosk wakes once for all of them instead of once for each.
  sources_[id] = milliseconds >= 1000 && milliseconds % 1000 == 0
                     ? g_timeout_add_seconds_full(G_PRIORITY_DEFAULT, static_cast<guint>(milliseconds / 1000),
                                                  &GlibTimers::OnTimeout, CallbackState<Tick>::Give(this, id),
                                                  CallbackState<Tick>::Free)
                     : g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(milliseconds), &GlibTimers::OnTimeout,
                                          CallbackState<Tick>::Give(this, id), CallbackState<Tick>::Free);
}

void GlibTimers::KillTimer(int id) {
  auto it = sources_.find(id);
  if (it == sources_.end()) return;
  g_source_remove(it->second);
  sources_.erase(it);
}

gboolean GlibTimers::OnTimeout(gpointer data) {
  Tick& tick = CallbackState<Tick>::Peek(data);
  // The handler may kill or restart this very timer; the source stays until it says so.
  tick.owner->on_tick_(tick.id);
  return G_SOURCE_CONTINUE;
}

}  // namespace panelia
