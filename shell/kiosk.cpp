#include "shell/kiosk.h"

#include <algorithm>
#include <utility>

#include "common/log.h"
#include "common/settings.h"
#include "common/time_of_day.h"

namespace panelia {
namespace {

// A screen a touch woke stays on as long as a visitor has before the idle return, a minute at least.
int WakeSeconds(RegistryStore& store) {
  constexpr int kLeastSeconds = 60;
  return std::max(kLeastSeconds, SettingsReader(store).Int(setting::WaitTime) * 60);
}

}  // namespace

Kiosk::Kiosk(KioskPorts ports)
    : companions(ports.store, ports.windows, ports.launcher, ports.companion_port, ports.companion_timers,
                 ports.module_directory, ports.own_frame),
      partners(
          companions, ports.exit_dialogs, ports.print_page, [this] { return frame.IsFullScreen(); },
          [](const std::string& line) { Log("%s", line.c_str()); }, ports.reader),
      frame(ports.store, ports.frame_port, ports.services, ports.module_directory),
      lists(ports.list_source),
      view(ports.store, ports.main_browser, ports.view_timers, ports.host, partners, ports.page, lists,
           "file://" + ports.module_directory + "help/forum.html",
           "file://" + ports.module_directory + CMainFrame::kSiteAddressPage),
      bar(ports.bar_browser, view, partners),
      ports_(std::move(ports)),
      schedule(schedule_targets_, ports_.schedule_environment, ports_.schedule_timers, WakeSeconds(ports_.store)),
      window_to_frame_(ports_.window_to_frame, frame),
      host_to_frame_(ports_.host_to_frame, frame),
      engine_to_view_(ports_.engine_to_view, view),
      engine_to_bar_(ports_.engine_to_bar, bar) {}

void Kiosk::ScheduleTargets::ShowScreen(bool on) {
  // The keyboard stays above every window, the black cover too: it goes with the visitor.
  if (!on && shown_) kiosk_.companions.CloseKeyboard();
  shown_ = on;
  kiosk_.ports_.show_screen(on);
}

bool Kiosk::ScheduleTargets::SetHome(const std::optional<std::string>& address) {
  return kiosk_.view.SetScheduledHome(address);
}

void Kiosk::ScheduleTargets::Log(const std::string& line) {
  panelia::Log("%s", line.c_str());
}

void Kiosk::Start(CSplashWindow* splash) {
  // The opening hours first: the first page is the schedule's home page, on a screen that is dark
  // from the start outside them.
  schedule.Start();
  view.OnInitialUpdate();
  view.OnCreate();
  frame.OnCreateClientDone();
  frame.OnCreate(splash);
}

void Kiosk::Close() {
  frame.OnDestroy();
  view.OnDestroy();
  bar.OnDestroy();
  engine_to_view_.Part();
  engine_to_bar_.Part();
}

KioskStatus Kiosk::CurrentStatus(int64_t started, int64_t last_input, int64_t now_unix) {
  KioskStatus s;
  s.version = PANELIA_VERSION;
  s.started = started;
  s.address = ports_.main_browser.LocationUrl();
  s.title = ports_.main_browser.LocationName();
  s.page = PageKind(s.address, view.HomeAddress());
  s.bar_shown = frame.BottomBarShown();
  s.last_input = last_input;
  s.visitors = view.VisitCounts().visitors;
  s.idle_returns = view.VisitCounts().idle_returns;
  s.loop_steps = view.VisitCounts().loop_steps;
  s.process_deaths = static_cast<uint64_t>(ports_.main_browser.ProcessDeaths());
  s.process_hangs = static_cast<uint64_t>(ports_.main_browser.ProcessHangs());
  s.last_process_end = ports_.main_browser.LastProcessEnd();
  s.offline = ports_.main_browser.Offline().Offline();
  s.offline_seconds = ports_.main_browser.OfflineMsNow() / 1000;
  s.network_error = ProblemName(ports_.main_browser.Offline().LastProblem());
  SystemFigures system = ports_.probe.Figures();
  s.player_running = system.player_running;
  s.player_status = std::move(system.player_status);
  s.keyboard_shown = system.keyboard_shown;
  s.display_power = std::move(system.display_power);
  s.memory_pss_kib = system.memory_pss_kib;
  SettingsReader settings(ports_.store);
  PowerOffSettings power{settings.Flag(setting::IsAutoShut), settings.Flag(setting::IsCloseWeekend),
                         ParseTimeOfDay(settings.Text(setting::PowerOffTime))};
  if (auto seconds = SecondsToNextPowerOff(power, ports_.services.Now())) s.next_power_off = now_unix + *seconds;
  const CScreenSchedule::Status hours = schedule.CurrentStatus();
  s.screen_schedule = hours.mode;
  s.screen_on = hours.screen_on;
  s.schedule_next_change = hours.next_change;
  s.schedule_next = hours.next;
  s.music_volume = hours.volume;
  s.schedule_home = hours.home;
  s.schedule_home_refused = hours.home_refused;
  s.schedule_problems = hours.problems;
  s.settings_readable =
      !ports_.store.QueryValue(Hive::LocalMachine, SectionPath(Section::General), setting::SoftHomeUrl.name).IsError();
  return s;
}

}  // namespace panelia
