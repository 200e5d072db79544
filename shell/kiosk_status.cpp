#include "shell/kiosk_status.h"

#include <cstdint>
#include <cstdio>
#include <ctime>

#include "common/address.h"
#include "common/text.h"

namespace panelia {
namespace {

// A JSON string: quotes, backslashes and control characters escaped; other bytes (UTF-8) as they are.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string Time(int64_t unix_seconds) {
  return unix_seconds ? Quoted(IsoTime(unix_seconds)) : "null";
}

const char* Bool(bool b) {
  return b ? "true" : "false";
}

// A label value in the exposition format: backslash, quote and newline escaped.
std::string Label(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out;
}

}  // namespace

std::string PageKind(const std::string& address, const std::string& home) {
  if (address.empty() || address.starts_with("about:")) return "kiosk";
  // The engine reports a site's root with its slash, an operator may write it without.
  auto bare = [](std::string a) {
    if (a.ends_with('/')) a.pop_back();
    return a;
  };
  if (!TrimSpaces(home).empty() && bare(address) == bare(NormalizeAddress(home))) return "home";
  return "other";
}

std::string IsoTime(int64_t unix_seconds) {
  if (unix_seconds == 0) return "";
  auto t = static_cast<std::time_t>(unix_seconds);
  std::tm utc{};
  gmtime_r(&t, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

std::string StatusJson(const KioskStatus& s) {
  std::string j = "{\n";
  j += "  \"version\": " + Quoted(s.version) + ",\n";
  j += "  \"started\": " + Time(s.started) + ",\n";
  j += "  \"updated\": " + Time(s.updated) + ",\n";
  j += "  \"address\": " + Quoted(ShortAddress(s.address)) + ",\n";
  j += "  \"title\": " + Quoted(ShortAddress(s.title)) + ",\n";
  j += "  \"page\": " + Quoted(s.page) + ",\n";
  j += "  \"bar_shown\": " + std::string(Bool(s.bar_shown)) + ",\n";
  j += "  \"last_input\": " + Time(s.last_input) + ",\n";
  j += "  \"visitors\": " + std::to_string(s.visitors) + ",\n";
  j += "  \"idle_returns\": " + std::to_string(s.idle_returns) + ",\n";
  j += "  \"loop_steps\": " + std::to_string(s.loop_steps) + ",\n";
  j += "  \"web_process\": {\"deaths\": " + std::to_string(s.process_deaths) +
       ", \"hangs\": " + std::to_string(s.process_hangs) + ", \"last_end\": " + Quoted(s.last_process_end) + "},\n";
  j += "  \"network\": {\"offline\": " + std::string(Bool(s.offline)) +
       ", \"offline_seconds\": " + std::to_string(s.offline_seconds) + ", \"last_error\": " + Quoted(s.network_error) +
       "},\n";
  j += "  \"player_running\": " + std::string(Bool(s.player_running)) + ",\n";
  j += "  \"player_status\": " + Quoted(s.player_status) + ",\n";
  j += "  \"keyboard_shown\": " + std::string(Bool(s.keyboard_shown)) + ",\n";
  j += "  \"display_power\": " + Quoted(s.display_power) + ",\n";
  j += "  \"next_power_off\": " + Time(s.next_power_off) + ",\n";
  j += "  \"memory_pss_kib\": " + std::to_string(s.memory_pss_kib) + ",\n";
  j += "  \"screen_schedule\": " + Quoted(s.screen_schedule) + ",\n";
  j += "  \"screen_on\": " + std::string(Bool(s.screen_on)) + ",\n";
  j += "  \"schedule_next_change\": " + Time(s.schedule_next_change) + ",\n";
  j += "  \"schedule_next\": " + Quoted(s.schedule_next) + ",\n";
  j += "  \"music_volume\": " + (s.music_volume < 0 ? std::string("null") : std::to_string(s.music_volume)) + ",\n";
  j += "  \"schedule_home\": " + Quoted(ShortAddress(s.schedule_home)) + ",\n";
  j += "  \"schedule_home_refused\": " + std::string(Bool(s.schedule_home_refused)) + ",\n";
  j += "  \"schedule_problems\": " + std::to_string(s.schedule_problems) + ",\n";
  j += "  \"monitors\": [";
  for (size_t i = 0; i < s.monitors.size(); ++i)
    j += std::string(i ? ", " : "") + "{\"monitor\": " + std::to_string(s.monitors[i].monitor) +
         ", \"shows\": " + Quoted(ShortAddress(s.monitors[i].showing)) + "}";
  j += "],\n";
  j += "  \"settings_readable\": " + std::string(Bool(s.settings_readable)) + "\n";
  return j + "}\n";
}

std::string StatusMetrics(const KioskStatus& s) {
  std::string m;
  auto metric = [&](const char* name, const char* type, const char* help, const std::string& value,
                    const std::string& labels = "") {
    m += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n" + name + labels + " " +
         value + "\n";
  };
  metric("panelia_info", "gauge", "The kiosk's version, and which page it shows (home, kiosk or other).", "1",
         "{version=\"" + Label(s.version) + "\",page=\"" + Label(s.page) + "\"}");
  metric("panelia_start_time_seconds", "gauge", "When Panelia started, in Unix seconds.", std::to_string(s.started));
  metric("panelia_last_input_time_seconds", "gauge", "A visitor's last touch or key, in Unix seconds (0: none yet).",
         std::to_string(s.last_input));
  metric("panelia_bar_shown", "gauge", "1 while the bar is shown.", s.bar_shown ? "1" : "0");
  metric("panelia_visitors_total", "counter", "Visitors' sessions ended by the idle return or a loop step.",
         std::to_string(s.visitors));
  metric("panelia_idle_returns_total", "counter", "Returns to the home page after the idle time.",
         std::to_string(s.idle_returns));
  metric("panelia_loop_steps_total", "counter", "Pages the loop presentation showed.", std::to_string(s.loop_steps));
  metric("panelia_web_process_deaths_total", "counter", "Times the web process ended (crashed, killed, hung).",
         std::to_string(s.process_deaths));
  metric("panelia_web_process_hangs_total", "counter", "Times the web process was ended for not answering.",
         std::to_string(s.process_hangs));
  metric("panelia_offline", "gauge", "1 while the offline page stands for the page the kiosk wants.",
         s.offline ? "1" : "0", "{last_error=\"" + Label(s.network_error) + "\"}");
  metric("panelia_offline_seconds_total", "counter", "Seconds the kiosk's page was offline since the start.",
         std::to_string(s.offline_seconds));
  metric("panelia_player_running", "gauge", "1 while the music player runs.", s.player_running ? "1" : "0");
  metric("panelia_keyboard_shown", "gauge", "1 while the on-screen keyboard is shown.", s.keyboard_shown ? "1" : "0");
  metric("panelia_display_on", "gauge", "1 when the display is powered, 0 when not, -1 when unknown.",
         s.display_power == "on"    ? "1"
         : s.display_power == "off" ? "0"
                                    : "-1");
  metric("panelia_next_power_off_time_seconds", "gauge", "The next scheduled power-off, in Unix seconds (0: none).",
         std::to_string(s.next_power_off));
  metric("panelia_screen_schedule", "gauge",
         "1 for the screen's state by the opening hours: on, off, woken (by a touch) or override (an operator's).", "1",
         "{state=\"" + Label(s.screen_schedule) + "\"}");
  metric("panelia_screen_on", "gauge", "1 while the kiosk's screen shows, 0 while dark.", s.screen_on ? "1" : "0");
  metric("panelia_schedule_next_change_time_seconds", "gauge",
         "The opening hours' next change, in Unix seconds (0: none).", std::to_string(s.schedule_next_change));
  metric("panelia_music_volume_percent", "gauge", "The music's volume the schedule sets (-1: not set).",
         std::to_string(s.music_volume));
  metric("panelia_schedule_refused_lines", "gauge", "Lines of the schedule file the kiosk refused.",
         std::to_string(s.schedule_problems));
  metric("panelia_memory_pss_bytes", "gauge", "The suite's memory (proportional set size) together.",
         std::to_string(s.memory_pss_kib < 0 ? -1 : s.memory_pss_kib * 1024));
  metric("panelia_settings_readable", "gauge", "1 when the settings store can be read.",
         s.settings_readable ? "1" : "0");
  return m;
}

std::optional<long> SecondsToNextPowerOff(const PowerOffSettings& settings, const LocalTime& now) {
  if (!settings.auto_shut || !settings.time) return std::nullopt;
  if (settings.close_weekend && IsWeekend(now)) return 0;
  constexpr long kDay = 24L * 60 * 60;
  const long now_s = now.hour * 3600L + now.minute * 60L + now.second;
  const long today = settings.time->hour * 3600L + settings.time->minute * 60L + settings.time->second - now_s;
  if (today > 0) return today;
  // Tomorrow: at its time, or, when tomorrow is a closed weekend day, at its first moment.
  bool tomorrow_weekend = now.weekday == 5 || now.weekday == 6;
  if (settings.close_weekend && tomorrow_weekend) return kDay - now_s;
  return today + kDay;
}

}  // namespace panelia
