// How the suite's programs find each other's windows and talk: window classes, registered messages
// answered within a bounded wait, and the close request.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace panelia {

using WindowHandle = uint64_t;

// A rectangle on the screen, in pixels from the screen's top-left corner.
struct ScreenRect {
  int x = 0, y = 0, w = 0, h = 0;
  int Right() const { return x + w; }
  int Bottom() const { return y + h; }
  bool Overlaps(const ScreenRect& o) const {
    return x < o.Right() && o.x < Right() && y < o.Bottom() && o.y < Bottom();
  }
  bool operator==(const ScreenRect&) const = default;
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  // Any top-level window of the class: shown, minimised or not yet shown.
  virtual std::optional<WindowHandle> FindWindowByClass(std::string_view window_class) = 0;
  virtual std::optional<WindowHandle> FindWindowByTitle(std::string_view title) = 0;
  // Whether a window found before is still there with that class: one question instead of a search.
  virtual bool IsWindowOfClass(WindowHandle window, std::string_view window_class) = 0;
  // A registered message, answered by the receiver's user-interface thread. nullopt when no answer
  // came in time (a hung or vanished partner must never freeze the kiosk).
  virtual std::optional<int32_t> SendMessage(WindowHandle window, std::string_view message, int32_t wparam,
                                             int32_t lparam) = 0;
  // The same message without waiting for the answer: false when it could not be sent. A stopped or
  // hung partner gets it once it runs again, and nobody waits meanwhile.
  virtual bool PostMessage(WindowHandle window, std::string_view message, int32_t wparam, int32_t lparam) = 0;
  // The close request a window manager sends; the receiver treats it as its own close.
  virtual void SendClose(WindowHandle window) = 0;
  virtual void SetTopMost(WindowHandle window) = 0;
  // Where a shown window is on the screen; nullopt while it is not shown.
  virtual std::optional<ScreenRect> WindowRect(WindowHandle window) = 0;
  virtual void MoveWindow(WindowHandle window, int x, int y) = 0;
  // A text property of a window (UTF-8); "" when it has none.
  virtual std::string WindowText(WindowHandle window, std::string_view property) = 0;
};

// Starting a program as the shell does: detached, no arguments. The show command crosses to the
// program for its first showing.
enum class ShowCommand : int { Normal = 5, Minimized = 6 };

// How a started program shows its main window the first time: 2, 6 and 7 minimised (7 without
// taking the focus), anything else shown. Only a window manager minimises: without one (it died, or
// is being started again) the window would stand over the kiosk, so it stays hidden instead; it
// exists and answers its messages all the same.
enum class FirstShowing { Shown, Minimised, MinimisedWithoutFocus, Hidden };
inline FirstShowing FirstShowingOf(int show_command, bool window_manager) {
  if (show_command != 2 && show_command != 6 && show_command != 7) return FirstShowing::Shown;
  if (!window_manager) return FirstShowing::Hidden;
  return show_command == 7 ? FirstShowing::MinimisedWithoutFocus : FirstShowing::Minimised;
}

class ProgramLauncher {
 public:
  virtual ~ProgramLauncher() = default;
  virtual bool Start(const std::string& path, ShowCommand show) = 0;
};

// The settings window, titled in the language it was started in: the one in use here, or English.
std::optional<WindowHandle> FindOptionsWindow(WindowSystem& windows);

}  // namespace panelia
