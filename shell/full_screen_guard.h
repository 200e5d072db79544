// Keeping the kiosk full screen against its window manager: it is never minimised, full screen is
// left only by the frame's own command (a manager's key, maximise toggle or another program's
// message is undone), and while the frame leaves it, what the manager does meanwhile (giving the
// window its maximised state back, at once or a moment later) is not taken for a visitor's wish.
// The window's state changes come in as the manager reports them; the guard says what to do.
#pragma once

namespace panelia {

struct WindowState {
  bool iconified = false, full_screen = false, maximized = false;
};

// One report of the window manager: the state now, and which parts of it changed.
struct WindowStateChange {
  WindowState now;
  bool iconified_changed = false, full_screen_changed = false, maximized_changed = false;
};

class FullScreenGuard {
 public:
  // A maximised state the manager gives back after the window left full screen comes at once or
  // not at all: this long after, leaving is over.
  static constexpr int kSettleMs = 1000;

  enum class Do {
    Nothing,
    Deiconify,         // bring the minimised kiosk back at once
    FullScreenAgain,   // undo a leave the frame did not ask for (on the next turn; see StillWanted)
    PutPlacementBack,  // the windowed placement the frame had before full screen
    EnterFullScreen,   // the caption's double click or maximise button: the frame's full screen
  };
  struct Reaction {
    Do what = Do::Nothing;
    bool start_settle_timer = false;  // call OnSettled after kSettleMs
  };

  // `kiosk_full_screen`: the frame's own state; `manager_full_screen`: the manager does full screen
  // (without one, the frame covers the monitor itself and nothing is undone).
  Reaction OnStateChange(const WindowStateChange& change, bool kiosk_full_screen, bool manager_full_screen);
  // The frame leaves full screen (its own command).
  void OnLeaving() { leaving_ = true; }
  void OnSettled() {
    settle_pending_ = false;
    leaving_ = false;
  }
  bool Leaving() const { return leaving_; }
  // Whether a deferred FullScreenAgain or EnterFullScreen is still wanted when it comes to run.
  bool StillWanted(Do what, bool kiosk_full_screen) const;

 private:
  bool leaving_ = false;
  bool settle_pending_ = false;
};

}  // namespace panelia
