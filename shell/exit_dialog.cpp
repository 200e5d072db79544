#include "shell/exit_dialog.h"

#include "common/settings.h"
#include "common/text.h"

namespace panelia {

std::string NormalizePassword(std::string_view text) {
  constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";
  size_t begin = text.find_first_not_of(kWhiteSpace);
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(kWhiteSpace);
  return AsciiLower(text.substr(begin, end - begin + 1));
}

void CExitPasswordDlg::OnInitDialog() {
  ticks_ = 0;
  port_.SetCountText(std::string(kInitialCount));
  port_.EnableOk(false);
  port_.StartTimer(kTimer, kTimerMs);
}

void CExitPasswordDlg::OnEditChange() { port_.EnableOk(!port_.EnteredText().empty()); }

void CExitPasswordDlg::OnTimer(int id) {
  if (id != kTimer || ended_) return;
  ++ticks_;
  if (ticks_ >= kSeconds) {
    OnCancel();
    return;
  }
  port_.SetCountText(std::to_string(kSeconds - ticks_));
}

void CExitPasswordDlg::OnOk() {
  if (ended_) return;
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
  bool matches = read != TextRead::TooLong && NormalizePassword(stored) == NormalizePassword(port_.EnteredText());
  if (matches) End(kOk);
  else port_.ShowWrongPassword();
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
    if (with_password) leave("the exit password was given");
    else ask("the exit password was given and the quit question answered yes");
  });
}

}  // namespace panelia
