// The programs, dialogs and system services behind the frame's commands, on GTK, GIO and X11.
#pragma once

#include <gtk/gtk.h>

#include <cstdio>
#include <functional>
#include <string>

#include "common/log.h"
#include "common/registry.h"
#include "platform/gtk/glib_launcher.h"
#include "platform/gtk/gobject_ptr.h"
#include "shell/main_frame.h"

namespace panelia {

struct FrameServiceHooks {
  std::function<GtkWindow*()> parent;                   // the frame's window, owner of the dialogs
  std::function<void(BrowserCommand)> browser_command;  // on the active view
  std::function<void()> show_about;
  std::function<void()> close_frame;  // ends the loop; main() takes the windows down
  std::function<KeyboardLayoutList()> keyboard_layouts;
  std::function<void(const KeyboardLayout&)> activate_layout;
  std::function<void(std::function<void(bool)>)> ask_exit_password;
  std::function<void()> close_keyboard;
  std::function<void()> forget_learned_input;
};

class GtkFrameServices final : public FrameServices {
 public:
  GtkFrameServices(RegistryStore& store, std::string module_directory, FrameServiceHooks hooks)
      : store_(store),
        module_directory_(std::move(module_directory)),
        hooks_(std::move(hooks)),
        pending_(GObjectPtr<GCancellable>::Adopt(g_cancellable_new())) {}
  // Questions still out on the bus are never answered: whoever asked is gone too.
  ~GtkFrameServices() override { g_cancellable_cancel(pending_.get()); }

  void StartProgram(const std::string& path) override;
  void OpenWithDefaultHandler(const std::string& path) override;
  void RunOpenDialog(std::function<void(std::optional<std::string>)> done) override;
  void ExecBrowserCommand(BrowserCommand command) override { hooks_.browser_command(command); }
  void PageSetup() override;
  void ShowAbout() override { hooks_.show_about(); }
  std::optional<std::string> MailHandlerCommandLine() override;
  void StartMailProgram(const std::string& program, const std::string& parameters) override;
  LocalTime Now() override;
  void RunPowerOffDialog(const LocalTime& today, std::function<void(int)> done) override;
  void ShutdownAllowed(std::function<void(bool)> answer) override;
  void CloseFrame() override { hooks_.close_frame(); }
  void RequestPowerOff() override { power_off_requested_ = true; }
  void RequestRestart() override { restart_requested_ = true; }
  void Log(const std::string& line) override { panelia::Log("%s", line.c_str()); }
  bool RestartRequested() const { return restart_requested_; }
  KeyboardLayoutList CurrentKeyboardLayouts() override { return hooks_.keyboard_layouts(); }
  void ActivateKeyboardLayout(const KeyboardLayout& layout) override { hooks_.activate_layout(layout); }
  void AskExitPassword(std::function<void(bool)> granted) override { hooks_.ask_exit_password(std::move(granted)); }
  void ClearSelections() override;
  void CloseKeyboard() override { hooks_.close_keyboard(); }
  void ForgetLearnedInput() override { hooks_.forget_learned_input(); }

  // The machine is asked to power off only once Panelia's windows are gone.
  bool PowerOffRequested() const { return power_off_requested_; }
  static void RunPowerOffCommand();

 private:
  RegistryStore& store_;
  std::string module_directory_;
  FrameServiceHooks hooks_;
  GlibLauncher launcher_;
  bool power_off_requested_ = false;
  bool restart_requested_ = false;
  GObjectPtr<GCancellable> pending_;
};

}  // namespace panelia
