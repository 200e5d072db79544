// The small interfaces through which the browsing classes reach the platform and the rest of Panelia.
#pragma once

#include <cstdint>
#include <string>

namespace panelia {

// One browser control (a web view).
class BrowserControl {
 public:
  virtual ~BrowserControl() = default;
  virtual void Navigate(const std::string& url) = 0;
  virtual void GoHome() = 0;  // the browser's own home page
  virtual void GoBack() = 0;
  virtual void GoForward() = 0;
  virtual void Stop() = 0;
  virtual void Refresh() = 0;
};

// Window timers of one window, delivered on the user-interface thread.
class TimerService {
 public:
  virtual ~TimerService() = default;
  virtual void SetTimer(int id, int milliseconds) = 0;
  virtual void KillTimer(int id) = 0;
};

// What the main view needs from its frame.
class ViewHost {
 public:
  virtual ~ViewHost() = default;
  virtual void SetMainWindowTitle(const std::string& title) = 0;
  // The frame's IsNavigator: not 0 means pages never show or hide the bar.
  virtual bool IsNavigatorFixed() const { return true; }
  virtual void ShowBottomBar(bool /*show*/) {}
  virtual void ShowAbout() {}
  virtual void OpenHelp() {}
  virtual void OpenProjectSite() {}
  virtual void ShowPageProperties() {}
  // Where the companions, the bar pages and "OpenURL.ini" are, with a trailing "/".
  virtual std::string ModuleDirectory() const { return {}; }
};

// Kiosk behaviour beyond the view itself: page lists, the bar's command links, the companion
// programs and the page's scroll and form handling. Each answers "nothing to do" until built.
class ViewPartners {
 public:
  virtual ~ViewPartners() = default;
  virtual bool IsAddressBlocked(const std::string& /*lower_url*/) { return false; }
  // Until there is a show list every page keeps the bar, which starts shown.
  virtual bool MatchesShowList(const std::string& /*lower_url*/) { return true; }
  virtual bool MatchesStopList(const std::string& /*lower_url*/) { return false; }
  // True when `url` carried a command keyword, which has then been carried out.
  virtual bool DispatchCommandLink(const std::string& /*url*/) { return false; }
  virtual void StartBackgroundMusic(bool /*is_music*/) {}
  virtual void ShowKeyboard(bool /*activate*/, int32_t /*board_type*/) {}
  virtual void RequestMusicOn() {}
  virtual void RequestMusicOff() {}
  virtual void CloseCompanions() {}
  virtual void RequestExit() {}
  virtual void IdleTick() {}
  // The page's own window moves by this many CSS pixels; a stepwise scroll moves in 2-pixel steps.
  virtual void ScrollBy(int /*dx*/, int /*dy*/) {}
  virtual void ScrollStepwise(int /*dx*/, int /*dy*/) {}
  virtual void HideScrollBars() {}
  virtual void RetargetForms() {}
  // The main view's pop-up: the bar's next navigation is redirected here.
  virtual void MarkBarRedirect() {}
};

}  // namespace panelia
