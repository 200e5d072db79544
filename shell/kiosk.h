// The kiosk's logic objects, made in the order they need each other and joined where one reaches
// another made after it. The platform's adapters come in as ports, made before any of these and
// taken down after them.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "browse/bottom_view.h"
#include "browse/browser_controller.h"
#include "browse/page_lists.h"
#include "browse/view.h"
#include "common/event_link.h"
#include "common/registry.h"
#include "shell/companions.h"
#include "shell/exit_dialog.h"
#include "shell/kiosk_partners.h"
#include "shell/kiosk_status.h"
#include "shell/main_frame.h"
#include "shell/screen_schedule.h"

namespace panelia {

struct KioskPorts {
  RegistryStore& store;
  std::string module_directory;
  // The companions' side.
  WindowSystem& windows;
  ProgramLauncher& launcher;
  CompanionPort& companion_port;
  TimerService& companion_timers;
  std::optional<WindowHandle> own_frame;
  ExitDialogs& exit_dialogs;
  std::function<void()> print_page;  // the bar's print button
  std::function<bool(bool)> reader;  // spoken output on or off; false: none to start
  // The frame's side.
  FramePort& frame_port;
  FrameServices& services;
  EventLink<CMainFrame>& window_to_frame;
  // The views' side.
  BrowserController& main_browser;
  BrowserControl& bar_browser;
  TimerService& view_timers;
  ViewHost& host;
  EventLink<CMainFrame>& host_to_frame;
  PageActions& page;
  PageListSource& list_source;
  EventLink<CPaneliaView>& engine_to_view;
  EventLink<CBottomView>& engine_to_bar;
  SystemProbe& probe;
  // The opening hours' side: the schedule file and the clock, its timer, and the screen's power
  // with the black cover.
  ScheduleEnvironment& schedule_environment;
  TimerService& schedule_timers;
  std::function<void(bool)> show_screen;
};

class Kiosk {
 public:
  explicit Kiosk(KioskPorts ports);

  // The home page is asked for first, so the web process starts while the frame is being built.
  void Start(CSplashWindow* splash);
  // The frame goes first (the task bar comes back), then each view closes the companions.
  void Close();
  // The figures the status document and the metrics report, gathered when they are written.
  KioskStatus CurrentStatus(int64_t started, int64_t last_input, int64_t now_unix);

  CCompanions companions;
  CKioskPartners partners;
  CMainFrame frame;
  CPageLists lists;
  CPaneliaView view;
  CBottomView bar;

 private:
  // What the opening hours change: the screen through the platform, the rest through the kiosk's
  // own objects.
  class ScheduleTargets final : public ScheduleActions {
   public:
    explicit ScheduleTargets(Kiosk& kiosk) : kiosk_(kiosk) {}
    void ShowScreen(bool on) override;
    void SilenceMusic(bool silent) override { kiosk_.companions.SilenceMusic(silent); }
    void SetMusicVolume(int percent) override { kiosk_.companions.SetMusicVolume(percent); }
    bool SetHome(const std::optional<std::string>& address) override;
    void EndVisitorSession() override { kiosk_.view.ReturnHomeForNextVisitor(); }
    void Log(const std::string& line) override;

   private:
    Kiosk& kiosk_;
    bool shown_ = true;
  };
  KioskPorts ports_;
  ScheduleTargets schedule_targets_{*this};

 public:
  CScreenSchedule schedule;

 private:
  EventLink<CScreenSchedule>::Connection frame_to_schedule_{frame.ScheduleLink(), schedule};
  EventLink<CMainFrame>::Connection window_to_frame_;
  EventLink<CMainFrame>::Connection host_to_frame_;
  EventLink<CPaneliaView>::Connection frame_to_view_{frame.MainViewLink(), view};
  EventLink<CBottomView>::Connection partners_to_bar_{partners.BarLink(), bar};
  EventLink<CPaneliaView>::Connection engine_to_view_;
  EventLink<CBottomView>::Connection engine_to_bar_;
};

}  // namespace panelia
