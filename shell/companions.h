// Panelia's side of the suite: it starts Sonavelle and the keyboard program, tells Sonavelle to
// play or stop, and closes its companions.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "browse/ports.h"
#include "common/names.h"
#include "common/registry.h"
#include "common/window_system.h"

namespace panelia {

class CompanionPort {
 public:
  virtual ~CompanionPort() = default;
  virtual void FocusMainFrame() = 0;
  virtual void ShowNotice(const std::string& text, const std::string& caption) = 0;
};

// What keeps a touched text field in sight above the on-screen keyboard: the page scrolled by
// `scroll_by` (down, as far as it can: `scroll_room`), and where the page cannot scroll that far, the
// keyboard moved to `keyboard_to` so that it stands just above the field (at the screen's top edge
// at most). A field the keyboard does not cover needs neither.
struct FieldFollow {
  int scroll_by = 0;
  std::optional<ScreenRect> keyboard_to;
  bool operator==(const FieldFollow&) const = default;
};
inline constexpr int kFieldMargin = 8;  // pixels between the field and the keyboard
FieldFollow KeepFieldAboveKeyboard(const ScreenRect& field, const ScreenRect& keyboard, int scroll_room);

class CCompanions {
 public:
  static constexpr int kKeyboardPollMs = 400;
  static constexpr int kKeyboardPolls = 10;
  static constexpr int kKeyboardPollTimer = 1;
  static constexpr std::string_view kKeyboardClass = kGlyphdeckClass;
  // A player just started has no window yet when the first page asks for music: its window is
  // watched for (every 250 ms, 10 s at most) and then told what the current page wants.
  static constexpr int kPlayerPollTimer = 2;
  static constexpr int kPlayerPollMs = 250;
  static constexpr int kPlayerPolls = 40;
  // A player that is gone (killed, crashed) while music is on is started again: looked for every
  // 2 s; one that keeps dying waits twice as many looks each time (at most a minute), and one that
  // stays up a minute starts the count afresh.
  static constexpr int kPlayerWatchTimer = 3;
  static constexpr int kPlayerWatchMs = 2000;
  static constexpr int kLongestRestartWait = 30;  // looks
  // A field to keep above the keyboard waits for the keyboard's window to show (a keyboard being
  // started): looked for every 100 ms, 5 s at most.
  static constexpr int kFollowTimer = 4;
  static constexpr int kFollowMs = 100;
  static constexpr int kFollowLooks = 50;

  // `own_frame`: this Panelia's frame, which the suite's close ends (not whichever kiosk window is
  // found first); none: the first kiosk window found.
  CCompanions(RegistryStore& store, WindowSystem& windows, ProgramLauncher& launcher, CompanionPort& port,
              TimerService& timers, std::string module_directory, std::optional<WindowHandle> own_frame = std::nullopt)
      : store_(store),
        windows_(windows),
        launcher_(launcher),
        port_(port),
        timers_(timers),
        module_directory_(std::move(module_directory)),
        own_frame_(own_frame) {}

  void StartBackgroundMusic(bool is_music);
  // Starts the keyboard; with `activate` it then watches for its window (every 400 ms, 11 times at
  // most) on a timer, the kiosk running meanwhile, and gives the frame the focus back.
  void ShowKeyboard(bool activate, int32_t board_type);
  void OnTimer(int id);
  void ToggleKeyboard();
  void CloseKeyboard() {
    follow_.reset();
    CloseIfFound(kKeyboardClass);
  }
  // Keeps the touched text field (on the screen) in sight once the keyboard shows: `scroll_page`
  // scrolls the page down by so many pixels, at most `scroll_room`.
  void FollowField(const ScreenRect& field, int scroll_room, std::function<void(int)> scroll_page);
  // Each sends only when the answer differs from what Sonavelle was last told; a missing player
  // leaves the flag as it was, so the next navigation tries again.
  void RequestMusicOn();
  void RequestMusicOff();
  bool MusicRequested() const { return music_requested_; }
  // The schedule's say over the music: nothing plays while the screen is dark (what the page wants
  // plays again after), and the volume goes to the player now and to every player started later.
  void SilenceMusic(bool silent);
  void SetMusicVolume(int percent);
  void CloseSuite();
  void CloseCompanions();

 private:
  void OnPlayerWatch();
  void SendMusicStop();
  void SendMusicVolume();
  void StartPlayer();
  std::string KeyboardProgram(int32_t board_type) const;
  void CloseIfFound(std::string_view window_class);
  void EndKeyboardWait();
  void OnPlayerPoll();
  // True once done (or given up).
  bool ApplyFollow();
  struct Follow {
    ScreenRect field;
    int scroll_room;
    std::function<void(int)> scroll_page;
    int looks = 0;
  };
  std::optional<Follow> follow_;

  RegistryStore& store_;
  WindowSystem& windows_;
  ProgramLauncher& launcher_;
  CompanionPort& port_;
  TimerService& timers_;
  std::string module_directory_;
  int keyboard_polls_ = 0;
  bool music_requested_ = false;
  // What the last finished navigation asked for, found player or not.
  bool music_wanted_ = false;
  bool waiting_for_player_ = false;
  int player_polls_ = 0;
  bool music_failure_shown_ = false;
  bool waiting_for_keyboard_ = false;
  bool music_on_ = false;  // IsMusic, as the view read it
  bool music_silenced_ = false;
  std::optional<int> music_volume_;
  bool closing_ = false;  // the suite is being closed: nothing is started again
  int looks_without_player_ = 0;
  int restarts_ = 0;  // in a row, each waiting twice as long as the one before
  int looks_with_player_ = 0;
  std::optional<WindowHandle> player_window_;  // the player's window at the last watch
  std::optional<WindowHandle> own_frame_;
};

}  // namespace panelia
