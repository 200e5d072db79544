// The exit password dialog (139) and the quit question on GTK, both without a loop of their own.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>

#include "common/registry.h"
#include "platform/store/password_keeper.h"
#include "shell/exit_dialog.h"

namespace panelia {

class GtkExitDialogs final : public ExitDialogs {
 public:
  // `parent` gives the owner window when a dialog opens (the frame, once it exists).
  GtkExitDialogs(RegistryStore& store, std::function<GtkWindow*()> parent, std::function<void()> close_keyboard,
                 std::function<void()> toggle_keyboard, std::string icon_path);
  ~GtkExitDialogs() override;

  void RunExitPasswordDialog(std::function<void(int)> done) override;
  void AskToQuit(std::function<void(bool)> done) override;
  // An exit password dialog left open is cancelled, as its own countdown would.
  void CancelOpen();

 private:
  class PasswordDialog;
  void Finish();  // the open dialog has ended: its answer goes out
  RegistryStore& store_;
  std::function<GtkWindow*()> parent_;
  std::function<void()> close_keyboard_;
  std::function<void()> toggle_keyboard_;
  std::string icon_path_;
  std::unique_ptr<PasswordDialog> open_;
  PasswordBackoff backoff_;
  KeeperChecker keeper_;
};

}  // namespace panelia
