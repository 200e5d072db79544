// The main view's host on GTK: the frame's title and bar, the about box, help and properties, and
// what the idle count watches (the pointer, and input reported by the page).
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <optional>
#include <string>

#include "browse/ports.h"
#include "platform/gtk/gdk_x11.h"
#include "platform/gtk/gobject_ptr.h"
#include "platform/x11/screen_power.h"
#include "common/event_link.h"
#include "shell/main_frame.h"

namespace panelia {

struct ViewHostHooks {
  std::function<void(const std::string&)> set_title;
  std::function<void()> show_about;
  std::function<void()> open_help;
  std::function<void()> show_properties;
  std::function<void()> new_visitor;
  std::function<void(int)> warn_idle;
  std::function<void(const std::string&)> tell;
};

// The kiosk folder (the lists', Offline.htm's): the folder Panelia runs in, with a trailing "/".
inline std::string CurrentFolder() {
  GCharPtr dir(g_get_current_dir());
  std::string path = dir ? dir.get() : "";
  return path.empty() || path.back() == '/' ? path : path + "/";
}

class GtkViewHost final : public ViewHost {
 public:
  GtkViewHost(std::string module_directory, ViewHostHooks hooks)
      : module_directory_(std::move(module_directory)), hooks_(std::move(hooks)) {}
  // The frame whose bar this host shows, joined once it exists.
  EventLink<CMainFrame>& FrameLink() { return frame_; }
  // A key, touch or wheel turn seen anywhere in the kiosk.
  void NoteInput() { input_ = true; }

  void SetMainWindowTitle(const std::string& title) override { hooks_.set_title(title); }
  bool IsNavigatorFixed() const override { return frame_ ? frame_->IsNavigatorFixed() : true; }
  void ShowBottomBar(bool show) override {
    if (frame_) frame_->ShowBottomBar(show);
  }
  void ShowAbout() override { hooks_.show_about(); }
  void OpenHelp() override { hooks_.open_help(); }
  void ShowPageProperties() override { hooks_.show_properties(); }
  std::string ModuleDirectory() const override { return module_directory_; }
  std::string KioskDirectory() const override { return CurrentFolder(); }
  void OnNewVisitor() override {
    if (hooks_.new_visitor) hooks_.new_visitor();
  }
  std::pair<int, int> CursorPosition() override {
    int x = 0, y = 0;
    GdkDisplay* display = gdk_display_get_default();
    GdkSeat* seat = display ? gdk_display_get_default_seat(display) : nullptr;
    if (GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr)
      gdk_device_get_position(pointer, nullptr, &x, &y);
    return {x, y};
  }
  // Input the page reported, or any input the X server saw since the last question (a touch on the
  // very point of the last one moves no cursor, and keys go to the page only while it has focus).
  // The server's idle time only grows while nobody touches anything: a smaller one means input.
  bool InputSinceLastAsked() override {
    bool input = std::exchange(input_, false);
    auto idle = x11::InputIdleMilliseconds(GdkXDisplay());
    if (idle && last_idle_ && *idle < *last_idle_) input = true;
    last_idle_ = idle;
    return input;
  }
  void WarnIdle(int seconds_left) override {
    if (hooks_.warn_idle) hooks_.warn_idle(seconds_left);
  }
  void Tell(const std::string& text) override {
    if (hooks_.tell) hooks_.tell(text);
  }

 private:
  std::string module_directory_;
  ViewHostHooks hooks_;
  EventLink<CMainFrame> frame_;
  bool input_ = false;
  std::optional<unsigned long> last_idle_;
};

}  // namespace panelia
