// Panelia on GTK, X11 and WebKitGTK: the platform's adapters, made first, and the kiosk's logic on
// them; what CPaneliaApp asks of the platform while it starts.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <memory>
#include <string>

#include "common/registry.h"
#include "platform/gtk/dark_screen.h"
#include "platform/gtk/exit_dialog.h"
#include "platform/gtk/frame_services.h"
#include "platform/gtk/frame_window.h"
#include "platform/gtk/gdk_x11.h"
#include "platform/gtk/glib_launcher.h"
#include "platform/gtk/glib_timers.h"
#include "platform/gtk/idle_notice.h"
#include "platform/gtk/memory_probe.h"
#include "platform/gtk/message_box.h"
#include "platform/gtk/monitor_covers.h"
#include "platform/gtk/screen_reader.h"
#include "platform/gtk/splash.h"
#include "platform/gtk/status_writer.h"
#include "platform/gtk/view_host.h"
#include "platform/ibus/input_languages.h"
#include "platform/webkit/kiosk_views.h"
#include "platform/webkit/signage_screen.h"
#include "platform/x11/message_receiver.h"
#include "platform/x11/messages.h"
#include "shell/app.h"
#include "shell/kiosk.h"

namespace panelia {

std::string Picture(const std::string& dir, int number);

class GtkKiosk {
 public:
  // `views` were made before the kiosk (their first page is already loading) and outlive it.
  GtkKiosk(RegistryStore& store, const std::string& dir, WebKitKioskViews& made_views, CSplashWindow& splash);
  ~GtkKiosk() { views.UseHooks({}); }
  GtkKiosk(const GtkKiosk&) = delete;
  GtkKiosk& operator=(const GtkKiosk&) = delete;
  void Close();
  GtkWindow* Window() { return window.Window(); }
  void Show() { window.Show(); }
  bool PowerOffRequested() const { return services.PowerOffRequested(); }
  bool RestartRequested() const { return services.RestartRequested(); }
  const CPaneliaView& View() const { return kiosk.view; }
  // Someone uses the kiosk: a touch, key or wheel turn within the idle wait.
  bool VisitorPresent() const {
    return VisitorStillThere(last_input == 0 ? -1 : g_get_real_time() / G_USEC_PER_SEC - last_input, wait_minutes_);
  }

 private:
  void ShowAbout() { ShowAboutBox(window.Window(), Picture(dir_, 140)); }
  // A visitor's key, touch or wheel turn, or the answer to the idle notice.
  void NoteVisitorInput();
  void LoadBarPage();

  RegistryStore& store_;
  std::string dir_;
  GtkFrameWindow window;
  MonitorCovers covers;
  IdleNotice notice;
  x11::X11WindowSystem windows;
  ScreenReader reader;
  GlibLauncher launcher{[this] { return reader.Running(); }};
  GlibTimers companion_timers;
  GtkExitDialogs exit_dialogs;
  InputLanguages languages{GdkXDisplay()};
  GtkFrameServices services;
  WebKitKioskViews& views;
  GtkViewHost host;
  GlibTimers view_timers;
  CurrentDirectoryLists list_source;
  // Written again once the first measurement of the suite's memory is there.
  X11SystemProbe probe;
  DarkScreen dark{[this] { kiosk.schedule.OnDarkTouch(); }};
  LocalScheduleEnvironment schedule_environment{[this] { return last_input; }};
  GlibTimers schedule_timers{[this](int id) { kiosk.schedule.OnTimer(id); }};
  Kiosk kiosk;
  x11::MessageReceiver receiver;
  MessageFilter filter;
  StatusWriter status;
  int64_t started = g_get_real_time() / G_USEC_PER_SEC;
  int64_t last_input = 0;
  uint32_t wait_minutes_ = 0;
  guint bar_load = 0;
  bool bar_page_requested = false;
};

class PaneliaStart final : public AppPlatform {
 public:
  PaneliaStart(RegistryStore& store, std::string dir, CSplashWindow& splash, GtkSplash& splash_window)
      : store_(store), dir_(std::move(dir)), splash_(splash), splash_window_(splash_window) {}

  void UseControlSite(ControlSite site, const CPageExternal* external) override;
  void ResetViewPointers() override {
    kiosk_.reset();
    views_.reset();
  }
  bool CreateMainFrame() override;
  void ShowMainFrame() override;
  GtkWindow* Window() const { return kiosk_ ? kiosk_->Window() : nullptr; }
  bool PowerOffRequested() const { return kiosk_ && kiosk_->PowerOffRequested(); }
  bool RestartRequested() const { return kiosk_ && kiosk_->RestartRequested(); }
  void Destroy();

 private:
  RegistryStore& store_;
  std::string dir_;
  CSplashWindow& splash_;
  GtkSplash& splash_window_;
  BrowserOptions options_;
  std::unique_ptr<WebKitKioskViews> views_;
  std::unique_ptr<GtkKiosk> kiosk_;
};

}  // namespace panelia
