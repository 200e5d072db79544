#include "platform/gtk/memory_probe.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include <X11/Xatom.h>
#include <unistd.h>

#include "common/names.h"
#include "platform/gtk/callback_state.h"
#include "platform/gtk/gdk_x11.h"
#include "platform/x11/screen_power.h"
#include "platform/x11/window_lookup.h"

namespace panelia {

int64_t SuitePssKiB(std::vector<pid_t> suite) {
  std::map<pid_t, pid_t> parents;
  if (GDir* proc = g_dir_open("/proc", 0, nullptr)) {
    while (const char* name = g_dir_read_name(proc)) {
      auto pid = static_cast<pid_t>(std::atoi(name));
      if (pid <= 0) continue;
      gchar* stat = nullptr;
      if (!g_file_get_contents((std::string("/proc/") + name + "/stat").c_str(), &stat, nullptr, nullptr)) continue;
      // "pid (name) state ppid ...": the name may hold spaces and parentheses; the last ')' ends it.
      const char* close = std::strrchr(stat, ')');
      int ppid = 0;
      if (close && std::sscanf(close + 1, " %*c %d", &ppid) == 1) parents[pid] = static_cast<pid_t>(ppid);
      g_free(stat);
    }
    g_dir_close(proc);
  }
  for (size_t i = 0; i < suite.size(); ++i)
    for (const auto& [pid, parent] : parents)
      if (parent == suite[i]) suite.push_back(pid);
  int64_t total = 0;
  for (pid_t pid : suite) {
    gchar* rollup = nullptr;
    if (!g_file_get_contents(("/proc/" + std::to_string(pid) + "/smaps_rollup").c_str(), &rollup, nullptr, nullptr))
      continue;
    if (const char* pss = std::strstr(rollup, "\nPss:")) total += std::atoll(pss + 5);
    g_free(rollup);
  }
  return total > 0 ? total : -1;
}

int64_t MemoryProbe::PssKiB(std::vector<pid_t> suite) {
  if (measuring_) return last_;
  measuring_ = true;
  GTask* task = g_task_new(
      nullptr, cancel_.get(),
      [](GObject*, GAsyncResult* result, gpointer self) {
        GError* error = nullptr;
        const gssize measured = g_task_propagate_int(G_TASK(result), &error);
        // Cancelled: the probe is gone.
        if (error) {
          g_error_free(error);
          return;
        }
        auto* probe = static_cast<MemoryProbe*>(self);
        probe->measuring_ = false;
        const bool first = probe->last_ < 0 && measured >= 0;
        probe->last_ = measured;
        if (first && probe->first_) probe->first_();
      },
      this);
  g_task_set_task_data(task, CallbackState<std::vector<pid_t>>::Give(std::move(suite)),
                       CallbackState<std::vector<pid_t>>::Free);
  g_task_run_in_thread(task, [](GTask* running, gpointer, gpointer data, GCancellable*) {
    g_task_return_int(running, static_cast<gssize>(SuitePssKiB(CallbackState<std::vector<pid_t>>::Peek(data))));
  });
  g_object_unref(task);
  return last_;
}

SystemFigures X11SystemProbe::Figures() {
  SystemFigures f;
  if (auto player = windows_.FindWindowByClass(kSonavelleClass)) {
    f.player_running = true;
    f.player_status = windows_.WindowText(*player, kPlayerStatusProperty);
  }
  auto keyboard = windows_.FindWindowByClass(kGlyphdeckClass);
  f.keyboard_shown = keyboard && windows_.WindowRect(*keyboard).has_value();
  auto powered = x11::DisplayPowered(GdkXDisplay());
  f.display_power = !powered ? "unknown" : *powered ? "on" : "off";
  std::vector<pid_t> suite = {getpid()};
  for (std::string_view partner : {kGlyphdeckClass, kSonavelleClass})
    if (auto w = windows_.FindWindowByClass(partner))
      for (unsigned long pid : x11::PropertyItems(GdkXDisplay(), static_cast<Window>(*w), "_NET_WM_PID", XA_CARDINAL))
        suite.push_back(static_cast<pid_t>(pid));
  f.memory_pss_kib = memory_.PssKiB(std::move(suite));
  return f;
}

}  // namespace panelia
