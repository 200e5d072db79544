#include "browse/touch_gate.h"

#include <cstdint>

namespace panelia {

bool TouchGate::Passes(Phase phase, uintptr_t finger) {
  switch (phase) {
    case Phase::Begin:
      touched_last_ = true;
      if (!pinch_zoom_ && !down_.empty()) {
        swallowed_.insert(finger);
        return false;
      }
      down_.insert(finger);
      return true;
    case Phase::Update: return swallowed_.count(finger) == 0;
    case Phase::End:
    case Phase::Cancel:
      if (swallowed_.erase(finger) != 0) return false;
      // A finger the gate never saw begin (it came down before the view existed) passes as it is.
      down_.erase(finger);
      return true;
  }
  return true;
}

MenuAnswer MenuFor(bool no_menu, bool kiosk_site, bool long_press, bool long_press_menu) {
  if (no_menu || (long_press && !long_press_menu)) return MenuAnswer::Nothing;
  return kiosk_site ? MenuAnswer::Kiosk : MenuAnswer::Engine;
}

}  // namespace panelia
