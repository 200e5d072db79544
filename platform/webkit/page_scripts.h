// What the kiosk puts into pages: the script injected into every frame (touches, input, the page's
// size and scroll position), the top frame's window.close() that only the kiosk's token closes
// with, and the kiosk's own neutral pages.
#pragma once

#include <string>

namespace panelia {

inline constexpr const char* kHandlerName = "panelia";
// The script world the kiosk's own scripts run in: a page's scripts share the document with them
// but can neither see nor call them, nor reach the message handler registered there.
inline constexpr const char* kKioskWorld = "panelia";
// The kiosk world's script in every frame; only real (trusted) input is reported, never events a
// page's script dispatches. `close_token` names the event the top page's window.close() raises.
std::string PageScript(const std::string& close_token);
// The page world's side, in the top frame only: window.close() raises an event named with `token`,
// which only the kiosk world's script turns into a message.
std::string CloseScript(const std::string& token);
// A token no page can guess.
std::string NewToken();

// Where a long press may do nothing: no text selected outside text fields, no link or picture
// dragged out; text fields keep their caret, selection and paste.
extern const char* const kNoLongPressStyle;
// A visitor's high contrast: black text on white, strong underlined links, a thick focus outline;
// pictures stay, background pictures (text is often set on them) go.
extern const char* const kHighContrastStyle;
// Focus on the page's first heading (made focusable for it), or its body: a screen reader follows the
// focus and reads from there.
extern const char* const kReadFromStartScript;

// Shown instead of the engine's error page: its way home is a command link of the kiosk's own page.
std::string CannotShowPage();
// A page the network failed: why, and the time of day (HH:MM:SS) the kiosk tries again.
std::string OfflinePage(const char* reason_sentence, const std::string& next_try_clock);
// No home address to show: the settings are missing or cannot be read.
std::string OutOfServicePage();
// While the pages come back after the web process died.
std::string WaitingPage();

}  // namespace panelia
