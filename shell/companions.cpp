#include "shell/companions.h"

#include "common/doubling.h"
#include "common/names.h"
#include "common/settings.h"
#include "common/texts.h"

#include <algorithm>
#include <cstdint>

namespace panelia {

void CCompanions::StartBackgroundMusic(bool is_music) {
  music_on_ = is_music;
  if (!is_music) return;
  timers_.SetTimer(kPlayerWatchTimer, kPlayerWatchMs);
  if (windows_.FindWindowByClass(kSonavelleClass)) return;
  StartPlayer();
}

void CCompanions::StartPlayer() {
  // A new player has been told nothing yet: the current page's wish goes to it once it is there.
  music_requested_ = false;
  if (launcher_.Start(module_directory_ + std::string(kSonavelleProgram), ShowCommand::Minimized)) {
    waiting_for_player_ = true;
    player_polls_ = 0;
    timers_.SetTimer(kPlayerPollTimer, kPlayerPollMs);
    return;
  }
  if (music_failure_shown_) return;
  music_failure_shown_ = true;
  port_.ShowNotice(Tr("The background music player could not be started; there will be no background music."),
                   TrText(kNoticeCaption));
}

std::string CCompanions::KeyboardProgram(int32_t board_type) const {
  return module_directory_ + std::string(board_type != 0 ? kTallypaneProgram : kGlyphdeckProgram);
}

void CCompanions::ShowKeyboard(bool activate, int32_t board_type) {
  if (auto keyboard = windows_.FindWindowByClass(kGlyphdeckClass)) {
    windows_.SetTopMost(*keyboard);
    return;
  }
  // The kiosk runs on while the keyboard starts, so a second touch may arrive meanwhile: it finds
  // the keyboard on its way and is not started twice.
  if (waiting_for_keyboard_) return;
  launcher_.Start(KeyboardProgram(board_type), ShowCommand::Normal);
  if (!activate) return;
  waiting_for_keyboard_ = true;
  keyboard_polls_ = 0;
  timers_.SetTimer(kKeyboardPollTimer, kKeyboardPollMs);
}

FieldFollow KeepFieldAboveKeyboard(const ScreenRect& field, const ScreenRect& keyboard, int scroll_room) {
  bool across = field.x < keyboard.Right() && keyboard.x < field.Right();
  int covered = field.Bottom() + kFieldMargin - keyboard.y;
  if (!across || covered <= 0 || field.y >= keyboard.Bottom()) return {};
  FieldFollow follow;
  follow.scroll_by = std::clamp(covered, 0, std::max(scroll_room, 0));
  if (follow.scroll_by < covered) {
    int field_top = field.y - follow.scroll_by;
    follow.keyboard_to =
        ScreenRect{keyboard.x, std::max(0, field_top - kFieldMargin - keyboard.h), keyboard.w, keyboard.h};
  }
  return follow;
}

void CCompanions::FollowField(const ScreenRect& field, int scroll_room, std::function<void(int)> scroll_page) {
  follow_ = Follow{field, scroll_room, std::move(scroll_page)};
  if (!ApplyFollow()) timers_.SetTimer(kFollowTimer, kFollowMs);
}

bool CCompanions::ApplyFollow() {
  if (!follow_) return true;
  auto keyboard = windows_.FindWindowByClass(kKeyboardClass);
  auto rect = keyboard ? windows_.WindowRect(*keyboard) : std::nullopt;
  if (!rect) {
    if (++follow_->looks <= kFollowLooks) return false;
    follow_.reset();
    return true;
  }
  FieldFollow f = KeepFieldAboveKeyboard(follow_->field, *rect, follow_->scroll_room);
  if (f.scroll_by > 0 && follow_->scroll_page) follow_->scroll_page(f.scroll_by);
  if (f.keyboard_to) windows_.MoveWindow(*keyboard, f.keyboard_to->x, f.keyboard_to->y);
  follow_.reset();
  return true;
}

void CCompanions::OnTimer(int id) {
  if (id == kFollowTimer) {
    if (ApplyFollow()) timers_.KillTimer(kFollowTimer);
    return;
  }
  if (id == kPlayerPollTimer) {
    OnPlayerPoll();
    return;
  }
  if (id == kPlayerWatchTimer) {
    OnPlayerWatch();
    return;
  }
  if (id != kKeyboardPollTimer || !waiting_for_keyboard_) return;
  // Each tick ends one 400 ms wait: ten looks, and an eleventh wait after the last of them.
  if (keyboard_polls_ == kKeyboardPolls) {
    EndKeyboardWait();
    return;
  }
  if (windows_.FindWindowByClass(kGlyphdeckClass)) {
    EndKeyboardWait();
    return;
  }
  ++keyboard_polls_;
}

void CCompanions::OnPlayerPoll() {
  if (!waiting_for_player_) return;
  bool found = windows_.FindWindowByClass(kSonavelleClass).has_value();
  if (found || ++player_polls_ >= kPlayerPolls) {
    timers_.KillTimer(kPlayerPollTimer);
    waiting_for_player_ = false;
  }
  if (!found) return;
  SendMusicVolume();
  if (music_wanted_) RequestMusicOn();
}

void CCompanions::OnPlayerWatch() {
  if (closing_ || !music_on_) {
    timers_.KillTimer(kPlayerWatchTimer);
    return;
  }
  if (waiting_for_player_) return;
  // The window found at the last look, asked first: a search walks every window on the screen, and
  // this runs every few seconds for as long as the kiosk runs.
  if (!player_window_ || !windows_.IsWindowOfClass(*player_window_, kSonavelleClass))
    player_window_ = windows_.FindWindowByClass(kSonavelleClass);
  if (player_window_) {
    looks_without_player_ = 0;
    if (++looks_with_player_ >= kLongestRestartWait) restarts_ = 0;
    return;
  }
  looks_with_player_ = 0;
  if (++looks_without_player_ < static_cast<int>(Doubling{1, kLongestRestartWait}.Wait(restarts_))) return;
  looks_without_player_ = 0;
  ++restarts_;
  StartPlayer();
}

void CCompanions::EndKeyboardWait() {
  timers_.KillTimer(kKeyboardPollTimer);
  waiting_for_keyboard_ = false;
  port_.FocusMainFrame();
}

void CCompanions::ToggleKeyboard() {
  if (auto keyboard = windows_.FindWindowByClass(kGlyphdeckClass)) {
    windows_.SendClose(*keyboard);
    return;
  }
  // Read afresh: the operator may have switched keyboards since Panelia started.
  launcher_.Start(KeyboardProgram(SettingsReader(store_).Int(setting::BoardType)), ShowCommand::Normal);
}

void CCompanions::RequestMusicOn() {
  music_wanted_ = true;
  if (music_requested_ || music_silenced_) return;
  auto player = windows_.FindWindowByClass(kSonavelleClass);
  if (!player) return;
  // Posted: a stopped or hung player must not hold the kiosk; it plays once it runs again.
  if (windows_.PostMessage(*player, kMusicPlayMessage, 0, 0)) music_requested_ = true;
}

void CCompanions::RequestMusicOff() {
  music_wanted_ = false;
  SendMusicStop();
}

void CCompanions::SendMusicStop() {
  if (!music_requested_) return;
  auto player = windows_.FindWindowByClass(kSonavelleClass);
  if (!player) return;
  if (windows_.PostMessage(*player, kMusicStopMessage, 0, 0)) music_requested_ = false;
}

void CCompanions::SilenceMusic(bool silent) {
  music_silenced_ = silent;
  if (silent)
    SendMusicStop();
  else if (music_wanted_)
    RequestMusicOn();
}

void CCompanions::SetMusicVolume(int percent) {
  music_volume_ = std::clamp(percent, 0, 100);
  SendMusicVolume();
}

void CCompanions::SendMusicVolume() {
  if (!music_volume_) return;
  if (auto player = windows_.FindWindowByClass(kSonavelleClass))
    windows_.PostMessage(*player, kMusicVolumeMessage, *music_volume_, 0);
}

void CCompanions::CloseIfFound(std::string_view window_class) {
  if (auto window = windows_.FindWindowByClass(window_class)) windows_.SendClose(*window);
}

void CCompanions::CloseSuite() {
  closing_ = true;
  follow_.reset();
  CloseIfFound(kGlyphdeckClass);
  CloseIfFound(kSonavelleClass);
  if (own_frame_)
    windows_.SendClose(*own_frame_);
  else
    CloseIfFound(kPaneliaClass);
}

void CCompanions::CloseCompanions() {
  closing_ = true;
  follow_.reset();
  CloseIfFound(kSonavelleClass);
  CloseIfFound(kGlyphdeckClass);
  if (auto options = FindOptionsWindow(windows_)) windows_.SendClose(*options);
}

}  // namespace panelia
