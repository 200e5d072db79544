// What a running kiosk tells the monitoring an operator runs: a JSON document and the same figures
// as Prometheus metrics (for the node exporter's textfile collector).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shell/power_off.h"

namespace panelia {

struct KioskStatus {
  std::string version;
  int64_t started = 0;  // Unix seconds
  // In the status document only (the kiosk's own folder), cut short.
  std::string address, title;
  // What the metrics, which other accounts and the network may read, say of the page: "home" (the
  // operator's home page), "kiosk" (the kiosk's own pages) or "other", never its address or title.
  std::string page;
  bool bar_shown = false;
  int64_t last_input = 0;  // Unix seconds; 0: none yet
  uint64_t visitors = 0;   // sessions the idle return or a loop step ended after a visitor
  uint64_t idle_returns = 0, loop_steps = 0;
  uint64_t process_deaths = 0, process_hangs = 0;
  std::string last_process_end;  // why the web process last ended
  // The network: whether the offline page stands for the page the kiosk wants, the time offline
  // since the start, and why the network last failed a page ("" never).
  bool offline = false;
  uint64_t offline_seconds = 0;
  std::string network_error;
  bool player_running = false;
  std::string player_status;  // the player's status line: the song it plays, or why none
  bool keyboard_shown = false;
  std::string display_power;    // "on", "off" or "unknown"
  int64_t next_power_off = 0;   // Unix seconds; 0: none scheduled
  int64_t memory_pss_kib = -1;  // the suite's processes together; -1: unknown
  bool settings_readable = true;
  // The opening hours: "on", "off", "woken" (a touch woke the dark screen) or "override" (an
  // operator's command), whether the screen shows, the next change, and what the schedule sets.
  std::string screen_schedule = "on";
  bool screen_on = true;
  int64_t schedule_next_change = 0;    // Unix seconds; 0: none
  std::string schedule_next;           // what it changes: "screen off", "volume 30", "home page"
  int music_volume = -1;               // -1: not set by the schedule
  std::string schedule_home;           // the status document only; empty: the operator's home page
  bool schedule_home_refused = false;  // the page lists refuse it: the home page stays as it was
  int schedule_problems = 0;           // lines of the schedule file refused
  // The other monitors' page loops: what each shows ("" while black); the status document only.
  struct MonitorShows {
    size_t monitor;
    std::string showing;
  };
  std::vector<MonitorShows> monitors;
  int64_t updated = 0;
};

// What the status reports of the machine and the partner programs, gathered by the platform (the
// memory of the suite's processes off the user-interface thread).
struct SystemFigures {
  bool player_running = false;
  std::string player_status;
  bool keyboard_shown = false;
  std::string display_power = "unknown";
  int64_t memory_pss_kib = -1;
};

class SystemProbe {
 public:
  virtual ~SystemProbe() = default;
  virtual SystemFigures Figures() = 0;
};

// The metrics' name for the page at `address` when the home page is `home`.
std::string PageKind(const std::string& address, const std::string& home);

// "2026-12-08T16:10:00Z"; "" for 0.
std::string IsoTime(int64_t unix_seconds);
std::string StatusJson(const KioskStatus& status);
std::string StatusMetrics(const KioskStatus& status);

// Seconds from `now` until the scheduled power-off, nullopt when none is scheduled: today's time
// still to come, else tomorrow's; a closed weekend powers off at its first check.
std::optional<long> SecondsToNextPowerOff(const PowerOffSettings& settings, const LocalTime& now);

}  // namespace panelia
