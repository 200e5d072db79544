// What a visitor's fingers may do on a page: which touch events reach the engine, and what a menu
// asked for by a long press shows.
#pragma once

#include <cstdint>
#include <set>

namespace panelia {

// The touch events of one page view. A second finger is the engine's pinch zoom: without it
// allowed, every finger after the first (until all are lifted) never reaches the engine, nor the
// page. The first finger always does: taps, drags and flicks stay the page's.
class TouchGate {
 public:
  enum class Phase { Begin, Update, End, Cancel };
  explicit TouchGate(bool pinch_zoom) : pinch_zoom_(pinch_zoom) {}
  // False: the event is swallowed. `finger` tells the fingers of one touch apart.
  bool Passes(Phase phase, uintptr_t finger);
  // A mouse button went down (not a finger's emulated press).
  void OnMousePress() { touched_last_ = false; }
  bool FingerDown() const { return !down_.empty(); }
  // The last press was a finger's: a menu asked for now comes from a long press, even when the
  // engine's request arrives after the finger has left the glass.
  bool TouchedLast() const { return touched_last_; }

 private:
  bool pinch_zoom_;
  bool touched_last_ = false;
  std::set<uintptr_t> down_;  // fingers on the glass that the engine knows of
  std::set<uintptr_t> swallowed_;
};

// Whom a page's menu request goes to: nobody, the engine's own menu, or the kiosk's menu.
enum class MenuAnswer { Nothing, Engine, Kiosk };
// `no_menu`: a view without menus (the bar); `kiosk_site`: the kiosk's own host (its menu instead of
// the engine's); `long_press`: asked for by a finger held down; `long_press_menu`: the operator lets
// a long press open it. A mouse's right click keeps the menu a long press may not open.
MenuAnswer MenuFor(bool no_menu, bool kiosk_site, bool long_press, bool long_press_menu);

}  // namespace panelia
