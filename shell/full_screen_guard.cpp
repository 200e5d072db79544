#include "shell/full_screen_guard.h"

namespace panelia {

FullScreenGuard::Reaction FullScreenGuard::OnStateChange(const WindowStateChange& c, bool kiosk_full_screen,
                                                         bool manager_full_screen) {
  // A kiosk is never minimised: not by the window manager, not with a dialog of its own that a
  // visitor minimised.
  if (c.iconified_changed && c.now.iconified && kiosk_full_screen) return {Do::Deiconify};
  // Full screen is left by the frame's own command only.
  if (!leaving_ && c.full_screen_changed && !c.now.full_screen && kiosk_full_screen && manager_full_screen)
    return {Do::FullScreenAgain};
  if (leaving_) {
    // Leaving full screen: whatever the window manager does meanwhile is not the visitor's doing.
    if (c.now.full_screen) return {};
    if (c.now.maximized) return {Do::PutPlacementBack};
    if (c.full_screen_changed) {
      Reaction r{Do::PutPlacementBack};
      if (!settle_pending_) settle_pending_ = r.start_settle_timer = true;
      return r;
    }
    leaving_ = false;
    return {};
  }
  // A double click on the caption, or the window manager's maximise button, toggles full screen.
  if (c.maximized_changed && c.now.maximized && !c.now.full_screen && !kiosk_full_screen) return {Do::EnterFullScreen};
  return {};
}

bool FullScreenGuard::StillWanted(Do what, bool kiosk_full_screen) const {
  if (what == Do::FullScreenAgain) return kiosk_full_screen && !leaving_;
  if (what == Do::EnterFullScreen) return !kiosk_full_screen;
  return true;
}

}  // namespace panelia
