// The small interfaces through which the browsing classes reach the platform and the rest of Panelia.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "browse/command_links.h"
#include "common/window_system.h"

namespace panelia {

// One browser control (a web view).
class BrowserControl {
 public:
  virtual ~BrowserControl() = default;
  virtual void Navigate(const std::string& url) = 0;
  // A navigation a page asked for (its pop-up), not the kiosk: it gets a page's checks.
  virtual void NavigateForPage(const std::string& url) { Navigate(url); }
  virtual void GoHome() = 0;  // the browser's own home page
  virtual void GoBack() = 0;
  virtual void GoForward() = 0;
  virtual void Stop() = 0;
  virtual void Refresh() = 0;
  // The page's address and its name (normally its title).
  virtual std::string LocationUrl() const = 0;
  virtual std::string LocationName() const = 0;
};

// Window timers of one window, delivered on the user-interface thread.
class TimerService {
 public:
  virtual ~TimerService() = default;
  virtual void SetTimer(int id, int milliseconds) = 0;
  virtual void KillTimer(int id) = 0;
};

// What the main view needs from its frame and the screen.
class ViewHost {
 public:
  virtual ~ViewHost() = default;
  virtual void SetMainWindowTitle(const std::string& title) = 0;
  // The frame's IsNavigator: not 0 means pages never show or hide the bar.
  virtual bool IsNavigatorFixed() const = 0;
  virtual void ShowBottomBar(bool show) = 0;
  virtual void ShowAbout() = 0;
  virtual void OpenHelp() = 0;
  virtual void ShowPageProperties() = 0;
  // Where the companions, the bar pages and "OpenURL.ini" are, with a trailing "/".
  virtual std::string ModuleDirectory() const = 0;
  // The kiosk directory (the lists' folder), with a trailing "/".
  virtual std::string KioskDirectory() const = 0;
  // A new visitor's session starts (the idle return, the loop's first step after a visitor): the
  // frame goes back to full screen and the last visitor's traces outside the page go.
  virtual void OnNewVisitor() = 0;
  // The pointer's position on the screen, and whether any input (a touch at the same point, a key,
  // a wheel turn) arrived since the last call: what the idle count watches.
  virtual std::pair<int, int> CursorPosition() = 0;
  virtual bool InputSinceLastAsked() = 0;
  // The notice before the idle return: shown (or its countdown set) with the seconds left, taken
  // away with 0. A touch on it takes it away too and counts as input; it reaches nothing else.
  virtual void WarnIdle(int seconds_left) = 0;
  // A short message for the visitor (the kiosk's notice box).
  virtual void Tell(const std::string& text) = 0;
};

// Work on the page's document, done by script in the page.
class PageActions {
 public:
  virtual ~PageActions() = default;
  // The page's own window moves by this many CSS pixels; a stepwise scroll moves in 2-pixel steps.
  virtual void ScrollBy(int dx, int dy) = 0;
  virtual void ScrollStepwise(int dx, int dy) = 0;
  virtual void HideScrollBars() = 0;
  // Every form of the top document submits into the frame that holds it.
  virtual void RetargetForms() = 0;
  // Removes what a visitor left: cookies, storage, caches, credentials, the back/forward list, and
  // the dialogs a visitor opened. The kiosk's own settings and bar page stay. `then` runs once it
  // is done, so the next page starts clean.
  virtual void ForgetVisitor(std::function<void()> then) = 0;
  // The page back at its own scale for the next visitor, who keeps the last one's logins (a zoom two
  // fingers made would otherwise stay with the view). ForgetVisitor does this too.
  virtual void ResetScale() = 0;
  enum class Edit { Cut, Copy, Paste, SelectAll };
  virtual void EditCommand(Edit edit) = 0;
  virtual void ShowFindBar() = 0;
  virtual void ShowSource() = 0;
  virtual void SetTextZoom(double zoom) = 0;
  // The visitor's high contrast: dark text on a light ground, strong links, visible focus, in every
  // page until it is turned off.
  virtual void SetHighContrast(bool on) = 0;
  // The screen reader reads the page from its start: the page takes the focus at its first heading
  // (or its body), where the reader begins.
  virtual void ReadFromStart() = 0;
  // "" returns to the page's own character set.
  virtual void SetCharset(std::string_view label) = 0;
};

// What the engine reports about one web view. Every view says what it does with each event.
class BrowserEvents {
 public:
  virtual ~BrowserEvents() = default;
  virtual void OnBeforeNavigate(const std::string& url, bool& cancel, const NavigationOrigin& origin) = 0;
  virtual void OnNavigateComplete(const std::string& url) = 0;
  virtual void OnDocumentComplete(const std::string& url) = 0;
  virtual void OnTitleChange(const std::string& title) = 0;
  virtual void OnNewWindowKnown(const std::string& url, bool& cancel) = 0;
  virtual void OnNewWindowUnknown(bool& cancel) = 0;
  // First real navigation of the stand-in view made for OnNewWindowUnknown; true cancels it.
  virtual bool OnRedirectedNavigation(const std::string& url) = 0;
  virtual void OnWindowClosing(bool& cancel) = 0;
  // `field`: the touched text field's place on the screen, when the page could tell it.
  virtual void OnTouch(bool on_text_field, std::optional<ScreenRect> field) = 0;
  // A key, a wheel turn or a touch in the page: activity for the idle count.
  virtual void OnInput() = 0;
  // The top document's scroll size and its window's size, reported when it loads and whenever it
  // changes size; where its window is scrolled to, after every move.
  virtual void OnPageSize(int scroll_width, int scroll_height, int view_width, int view_height) = 0;
  virtual void OnScrollPosition(int x, int y) = 0;
  // A right touch or long press on the page: true when the kiosk answered it with its own menu (at
  // the pointer, for the event being handled).
  virtual bool OnContextMenu() = 0;
  // The view's web process died (it crashed, was killed, ran out of memory, or hung and was ended)
  // and the wait after it is over: its page comes back now.
  virtual void OnRecoveryDue() = 0;
};

// What a view that is not the visitor's page (the bar, a monitor's own page loop) answers alike: its
// pages open no windows and close nothing, and neither touches nor sizes nor a menu concern it.
class SideViewEvents : public BrowserEvents {
 public:
  void OnTitleChange(const std::string&) override {}
  void OnNewWindowKnown(const std::string&, bool& cancel) override { cancel = true; }
  void OnNewWindowUnknown(bool& cancel) override { cancel = true; }
  bool OnRedirectedNavigation(const std::string&) override { return true; }
  void OnWindowClosing(bool& cancel) override { cancel = true; }
  void OnTouch(bool, std::optional<ScreenRect>) override {}
  void OnPageSize(int, int, int, int) override {}
  void OnScrollPosition(int, int) override {}
  // Neither shows a menu at all (no_context_menu): this is never asked.
  bool OnContextMenu() override { return true; }
};

// Kiosk behaviour beyond the view itself: the bar's command links, the companion programs, leaving.
class ViewPartners {
 public:
  virtual ~ViewPartners() = default;
  // True when `url` carried a command keyword, which has then been carried out.
  virtual bool DispatchCommandLink(const std::string& url) = 0;
  virtual void StartBackgroundMusic(bool is_music) = 0;
  virtual void ShowKeyboard(bool activate, int32_t board_type) = 0;
  virtual void CloseKeyboard() = 0;
  // Keeps a touched text field (`field`, on the screen) in sight above the keyboard: `scroll_page`
  // scrolls the page down by at most `scroll_room` pixels.
  virtual void KeepFieldVisible(const ScreenRect& field, int scroll_room, std::function<void(int)> scroll_page) = 0;
  virtual void RequestMusicOn() = 0;
  virtual void RequestMusicOff() = 0;
  virtual void CloseCompanions() = 0;
  virtual void RequestExit() = 0;
  // Spoken output of the kiosk (the screen reader): false when this kiosk has none to start.
  virtual bool StartReader() = 0;
  virtual void StopReader() = 0;
  // The main view's pop-up: the bar's next navigation is redirected here.
  virtual void MarkBarRedirect() = 0;
};

}  // namespace panelia
