#include "shell/exit_dialog.h"

#include "common/doubling.h"
#include "common/settings.h"
#include "common/text.h"

#include <algorithm>
#include <cstdint>

namespace panelia {

void CExitPasswordDlg::OnInitDialog() {
  ticks_ = 0;
  port_.SetCountText(std::string(kInitialCount));
  port_.EnableOk(false);
  port_.StartTimer(kTimer, kTimerMs);
}

void CExitPasswordDlg::OnEditChange() {
  port_.EnableOk(!port_.EnteredText().empty());
}

void CExitPasswordDlg::OnTimer(int id) {
  if (id != kTimer || ended_) return;
  ++ticks_;
  if (ticks_ >= kSeconds) {
    OnCancel();
    return;
  }
  port_.SetCountText(std::to_string(kSeconds - ticks_));
}

int PasswordBackoff::WaitSeconds() const {
  uint64_t now = now_ms_();
  if (now >= next_try_ms_) return 0;
  return static_cast<int>((next_try_ms_ - now + 999) / 1000);
}

void PasswordBackoff::OnWrong() {
  uint64_t now = now_ms_();
  if (wrong_ > 0 && now - last_wrong_ms_ >= kForgetAfterMs) wrong_ = 0;
  ++wrong_;
  last_wrong_ms_ = now;
  if (wrong_ >= kFreeTries) {
    next_try_ms_ = now + Doubling{kFirstWaitMs, kLongestWaitMs}.Wait(wrong_ - kFreeTries);
  }
  if (log_)
    log_("a wrong exit password (" + std::to_string(wrong_) + " in a row)" +
         (wrong_ >= kFreeTries ? "; the next try waits " + std::to_string(WaitSeconds()) + " s" : ""));
}

void PasswordBackoff::OnRight() {
  if (wrong_ > 0 && log_) log_("the exit password was given after " + std::to_string(wrong_) + " wrong ones");
  wrong_ = 0;
  next_try_ms_ = 0;
}

void CExitPasswordDlg::OnOk() {
  if (ended_) return;
  // While a visitor must wait, nothing is compared: guessing at speed gets nowhere.
  if (int wait = backoff_.WaitSeconds(); wait > 0) {
    port_.ShowWaitBeforeRetry(wait);
    return;
  }
  CRegistryKey key(store_);
  key.SetSubKey(SectionPath(Section::General));
  std::string stored;
  TextRead read = key.ReadTextChecked(setting::Password.name, stored);
  // A store that cannot be read says nothing about the password: nothing is accepted until it reads
  // again, or a busy store would let an entry of spaces close the kiosk. A stored password too long
  // to read matches nothing either. Absent means empty, which an entry of spaces matches.
  if (read == TextRead::StoreError) {
    port_.ShowStoreUnreadable();
    return;
  }
  if (stored == kPasswordKeptApart) {
    PasswordChecker::Answer answer = checker_ ? checker_->Check(port_.EnteredText()) : PasswordChecker::Answer{};
    switch (answer.verdict) {
      case PasswordChecker::Verdict::Right: End(kOk); return;
      case PasswordChecker::Verdict::Wrong: port_.ShowWrongPassword(); return;
      case PasswordChecker::Verdict::Wait: port_.ShowWaitBeforeRetry(answer.wait_seconds); return;
      case PasswordChecker::Verdict::Unreadable: port_.ShowStoreUnreadable(); return;
    }
  }
  bool matches = read != TextRead::TooLong && PasswordMatches(stored, port_.EnteredText());
  if (matches) {
    backoff_.OnRight();
    End(kOk);
    return;
  }
  backoff_.OnWrong();
  if (int wait = backoff_.WaitSeconds(); wait > 0)
    port_.ShowWaitBeforeRetry(wait);
  else
    port_.ShowWrongPassword();
}

void CExitPasswordDlg::OnCancel() {
  if (ended_) return;
  close_keyboard_();
  End(kCancel);
}

void CExitPasswordDlg::End(int result) {
  ended_ = true;
  port_.EndDialog(result);
}

void RequestExit(ExitDialogs& dialogs, bool with_password, bool full_screen, std::string_view what,
                 std::function<void()> close_suite, const std::function<void(const std::string&)>& log) {
  auto leave = [close = std::move(close_suite), log, what = std::string(what)](const std::string& cause) {
    if (log) log("leaving the kiosk: " + cause + " (" + what + ")");
    close();
  };
  auto ask = [&dialogs, leave](const std::string& cause) {
    dialogs.AskToQuit([leave, cause](bool yes) {
      if (yes) leave(cause);
    });
  };
  if (!with_password && !full_screen) {
    ask("the quit question was answered yes");
    return;
  }
  dialogs.RunExitPasswordDialog([with_password, leave, ask](int result) {
    if (result != CExitPasswordDlg::kOk) return;
    if (with_password)
      leave("the exit password was given");
    else
      ask("the exit password was given and the quit question answered yes");
  });
}

}  // namespace panelia
