// Leaving the kiosk: the exit password dialog with its countdown, and the exit procedure with its
// two paths (password, or a plain yes/no question).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/password.h"
#include "common/registry.h"
#include "common/texts.h"

namespace panelia {

// Guessing the exit password: a few wrong entries are free; after them each further try must wait,
// 30 s and twice as long after every wrong one (at most 16 minutes), until the right password is
// given or an hour has passed since the last wrong one. Every try is logged.
class PasswordBackoff {
 public:
  static constexpr int kFreeTries = 5;
  static constexpr uint64_t kFirstWaitMs = 30000;
  static constexpr uint64_t kLongestWaitMs = 16 * 60000;
  static constexpr uint64_t kForgetAfterMs = 60 * 60000;

  PasswordBackoff(std::function<uint64_t()> now_ms, std::function<void(const std::string&)> log)
      : now_ms_(std::move(now_ms)), log_(std::move(log)) {}
  // Whole seconds before the next try is taken (rounded up); 0: it may be tried now.
  int WaitSeconds() const;
  void OnWrong();
  void OnRight();
  int WrongInARow() const { return wrong_; }
  // The count as the password checker keeps it between its runs (times on the same clock).
  struct State {
    int wrong = 0;
    uint64_t last_wrong_ms = 0, next_try_ms = 0;
  };
  State Saved() const { return {wrong_, last_wrong_ms_, next_try_ms_}; }
  void Restore(const State& state) {
    wrong_ = state.wrong;
    last_wrong_ms_ = state.last_wrong_ms;
    next_try_ms_ = state.next_try_ms;
  }

 private:
  std::function<uint64_t()> now_ms_;
  std::function<void(const std::string&)> log_;
  int wrong_ = 0;
  uint64_t last_wrong_ms_ = 0;
  uint64_t next_try_ms_ = 0;
};

class ExitDialogPort {
 public:
  virtual ~ExitDialogPort() = default;
  virtual std::string EnteredText() = 0;
  virtual void EnableOk(bool enable) = 0;
  virtual void SetCountText(const std::string& text) = 0;
  virtual void StartTimer(int id, int milliseconds) = 0;
  virtual void ShowWrongPassword() = 0;  // "Wrong password; please type it again"; the typed text stays
  // Too many wrong entries: kWaitText with the seconds; the typed text stays.
  virtual void ShowWaitBeforeRetry(int seconds) = 0;
  // The settings store could not be read: kStoreUnreadableText; the typed text stays.
  virtual void ShowStoreUnreadable() = 0;
  virtual void EndDialog(int result) = 0;
};

// The check of a password whose hash is kept apart (kPasswordKeptApart): the checker compares and
// applies the back-off itself, so the kiosk never holds the hash.
class PasswordChecker {
 public:
  enum class Verdict { Right, Wrong, Wait, Unreadable };
  struct Answer {
    Verdict verdict = Verdict::Unreadable;
    int wait_seconds = 0;
  };
  virtual ~PasswordChecker() = default;
  virtual Answer Check(const std::string& entered) = 0;
};

class CExitPasswordDlg {
 public:
  static constexpr int kOk = 1;
  static constexpr int kCancel = 2;
  static constexpr int kTimer = 1;
  static constexpr int kTimerMs = 1000;
  static constexpr int kSeconds = 50;
  static constexpr std::string_view kInitialCount = "20";  // what the label shows in the first second
  static constexpr std::string_view kStoreUnreadableText =
      "The settings cannot be read just now, so the password cannot be checked; please try again later";
  static std::string WaitText(int seconds) {
    return Tr("Too many wrong passwords; please try again in ") + std::to_string(seconds) + Tr(" seconds");
  }

  // `close_keyboard` closes a running keyboard; `toggle_keyboard` is the soft-keyboard button.
  // `backoff` outlives the dialog: the count goes on from one dialog to the next.
  // `checker` (none: a kept-apart password cannot be checked) answers for a password kept apart.
  CExitPasswordDlg(RegistryStore& store, ExitDialogPort& port, PasswordBackoff& backoff,
                   std::function<void()> close_keyboard, std::function<void()> toggle_keyboard,
                   PasswordChecker* checker = nullptr)
      : store_(store),
        port_(port),
        backoff_(backoff),
        close_keyboard_(std::move(close_keyboard)),
        toggle_keyboard_(std::move(toggle_keyboard)),
        checker_(checker) {}

  void OnInitDialog();
  void OnEditChange();
  void OnTimer(int id);
  void OnOk();
  void OnCancel();
  void OnSoftKeyboard() { toggle_keyboard_(); }
  bool Ended() const { return ended_; }

 private:
  void End(int result);

  RegistryStore& store_;
  ExitDialogPort& port_;
  PasswordBackoff& backoff_;
  std::function<void()> close_keyboard_;
  std::function<void()> toggle_keyboard_;
  PasswordChecker* checker_;
  int ticks_ = 0;
  bool ended_ = false;
};

// The two questions behind the exit commands. Both answer later, through `done`: the user-interface
// thread keeps running the kiosk while they are open.
class ExitDialogs {
 public:
  virtual ~ExitDialogs() = default;
  // Answers CExitPasswordDlg::kOk or kCancel.
  virtual void RunExitPasswordDialog(std::function<void(int)> done) = 0;
  // "您真的要退出Panelia触摸屏浏览器吗？": true for Yes.
  virtual void AskToQuit(std::function<void(bool)> done) = 0;
};

// `with_password` true asks for the password, false the yes/no question, which while the kiosk is
// `full_screen` comes only after the password too (a visitor must never end the kiosk with a Yes).
// `close_suite` runs only when the answers let the visitor leave; `log` then gets what caused the
// exit, naming `what` asked for it.
void RequestExit(ExitDialogs& dialogs, bool with_password, bool full_screen, std::string_view what,
                 std::function<void()> close_suite, const std::function<void(const std::string&)>& log);

}  // namespace panelia
