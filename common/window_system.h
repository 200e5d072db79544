// How the suite's programs find each other's windows and talk: window classes, registered messages
// answered within a bounded wait, and the close request.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace panelia {

using WindowHandle = uint64_t;

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  // Any top-level window of the class: shown, minimised or not yet shown.
  virtual std::optional<WindowHandle> FindWindowByClass(std::string_view window_class) = 0;
  virtual std::optional<WindowHandle> FindWindowByTitle(std::string_view title) = 0;
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
};

// Starting a program as the shell does: detached, no arguments. The show command crosses to the
// program for its first showing.
enum class ShowCommand : int { Normal = 5, Minimized = 6 };
class ProgramLauncher {
 public:
  virtual ~ProgramLauncher() = default;
  virtual bool Start(const std::string& path, ShowCommand show) = 0;
};

}  // namespace panelia
