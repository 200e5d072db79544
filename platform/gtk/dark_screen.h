// The kiosk's screen outside its opening hours: a black window above every monitor and every other
// window, with the display powered down where the X server can (Xvfb cannot: the black window is
// then all there is). The first touch or click on it is its own and reaches nothing beneath.
// Also the opening hours' clock and file, as the kiosk's folder and the system's time zone give them.
#pragma once

#include <gtk/gtk.h>

#include <functional>

#include "shell/screen_schedule.h"

namespace panelia {

class DarkScreen {
 public:
  // `touched` runs when a touch or a click on the dark screen has ended.
  explicit DarkScreen(std::function<void()> touched) : touched_(std::move(touched)) {}
  ~DarkScreen();
  DarkScreen(const DarkScreen&) = delete;
  DarkScreen& operator=(const DarkScreen&) = delete;
  // Dark: the cover over everything (raised again if another window came above it) and the display
  // powered down; asked again while dark, it powers the display down again. Light: both undone.
  // True when the screen changed (dark to light or back).
  bool Show(bool dark);

 private:
  void Make();
  std::function<void()> touched_;
  GtkWidget* cover_ = nullptr;
  bool dark_ = false;
};

// "Schedule.ini" in the current directory (the kiosk's folder), the local time zone, and the time
// since a visitor's last input as the kiosk counts it.
class LocalScheduleEnvironment final : public ScheduleEnvironment {
 public:
  explicit LocalScheduleEnvironment(std::function<int64_t()> last_input) : last_input_(std::move(last_input)) {}
  std::optional<FileStamp> Stamp() override;
  std::optional<Schedule> Read() override;
  LocalTime Now() override;
  int64_t UnixNow() override;
  int64_t UnixOf(const LocalTime& t) override;
  int64_t IdleSeconds() override;

 private:
  std::function<int64_t()> last_input_;
};

}  // namespace panelia
