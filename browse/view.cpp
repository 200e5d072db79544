#include "browse/view.h"

#include "common/ini_file.h"
#include "common/names.h"
#include "common/settings.h"
#include "common/text.h"

namespace panelia {

CPaneliaView::CPaneliaView(RegistryStore& store, BrowserControl& browser, TimerService& timers, ViewHost& host,
                           ViewPartners& partners, std::string forum_url)
    : store_(store), browser_(browser), timers_(timers), host_(host), partners_(partners),
      forum_url_(std::move(forum_url)) {
  // Read once, in this order; a change takes effect at the next start.
  SettingsReader s(store_);
  def_font_size_ = s.Int(setting::DefFontSize);
  is_panelia_home_ = s.Int(setting::IsPaneliaHome);
  home_address_ = s.Text(setting::SoftHomeUrl);
  wait_time_ = s.Int(setting::WaitTime);
  is_auto_home_ = s.Int(setting::IsAutoHome);
  board_type_ = s.Int(setting::BoardType);
  board_mode_ = s.Int(setting::BoardMode);
  is_music_ = s.Int(setting::IsMusic);
  is_limit_ = s.Int(setting::IsLimit);
  forbit_method_ = s.Int(setting::ForbitMethod);
  is_loop_ = s.Int(setting::IsLoop);
  loop_mode_ = s.Int(setting::LoopMode);
  interval_time_ = s.Int(setting::IntervalTime);
}

void CPaneliaView::OnCreate() {
  timers_.SetTimer(kIdleTimer, kIdleTimerMs);
  partners_.StartBackgroundMusic(is_music_ != 0);
}

void CPaneliaView::OnTimer(int id) {
  if (id == kIdleTimer) {
    if (is_auto_home_ != 0 || is_loop_ != 0) partners_.IdleTick();
    else timers_.KillTimer(kIdleTimer);
  } else if (id == kScrollTimer) {
    SmoothScrollStep();
  }
}

void CPaneliaView::OpenTargetAddress(const std::string& key) {
  std::string home = SettingsReader(store_).Text(setting::SoftHomeUrl);
  browser_.Navigate(ReadProfileString(host_.ModuleDirectory() + "OpenURL.ini", "TargetURL", key, home));
}

void CPaneliaView::ScrollPage(ScrollDirection direction) {
  SettingsReader s(store_);
  uint32_t mode = s.Dword(setting::ScrollMode);
  int step = s.Int(setting::ScrollStep);
  if (mode != 0) {
    // A command during a run only turns it; the distance covered so far counts on.
    scroll_direction_ = direction;
    timers_.SetTimer(kScrollTimer, kScrollTimerMs);
    return;
  }
  switch (direction) {
    case ScrollDirection::Up: partners_.ScrollStepwise(0, -step); break;
    case ScrollDirection::Right: partners_.ScrollStepwise(step, 0); break;
    case ScrollDirection::Down: partners_.ScrollStepwise(0, step); break;
    case ScrollDirection::Left: partners_.ScrollStepwise(-step, 0); break;
  }
}

void CPaneliaView::OnPageSize(int scroll_width, int scroll_height) {
  page_size_known_ = true;
  page_width_ = scroll_width;
  page_height_ = scroll_height;
}

void CPaneliaView::SmoothScrollStep() {
  if (!page_size_known_) return;  // no document yet: this tick does nothing, the timer runs on
  if (scrolled_ == 0) {
    horizontal_limit_ = page_width_;
    vertical_limit_ = page_height_;
    stop_scroll_ = false;
  }
  constexpr int kStep = 2;
  scrolled_ += kStep;
  bool vertical = scroll_direction_ == ScrollDirection::Up || scroll_direction_ == ScrollDirection::Down;
  switch (scroll_direction_) {
    case ScrollDirection::Up: partners_.ScrollBy(0, -kStep); break;
    case ScrollDirection::Right: partners_.ScrollBy(kStep, 0); break;
    case ScrollDirection::Down: partners_.ScrollBy(0, kStep); break;
    case ScrollDirection::Left: partners_.ScrollBy(-kStep, 0); break;
  }
  if (scrolled_ >= (vertical ? vertical_limit_ : horizontal_limit_) || stop_scroll_) {
    timers_.KillTimer(kScrollTimer);
    scrolled_ = 0;
  }
}

void CPaneliaView::NavigateHome() {
  if (is_panelia_home_ == 0) browser_.Navigate(home_address_);
  else browser_.GoHome();
}

void CPaneliaView::OnBeforeNavigate2(const std::string& url, bool& cancel) {
  const std::string lower = AsciiLower(url);
  // Every step runs, in this order; a step may cancel, none un-cancels.
  if (partners_.IsAddressBlocked(lower)) cancel = true;
  if (!host_.IsNavigatorFixed()) host_.ShowBottomBar(partners_.MatchesShowList(lower));
  // Pages of the main view may carry command links too, recognised only as written (lower case).
  if (partners_.DispatchCommandLink(url)) cancel = true;
}

void CPaneliaView::OnNavigateComplete2(const std::string& url) {
  if (is_music_ == 0) return;
  if (partners_.MatchesStopList(AsciiLower(url))) partners_.RequestMusicOff();
  else partners_.RequestMusicOn();
}

void CPaneliaView::OnDocumentComplete(const std::string& /*url*/) {
  // Read at every page, so an operator's change shows on the next page.
  SettingsReader s(store_);
  if (s.Flag(setting::IsScrollBar)) partners_.HideScrollBars();
  if (s.Flag(setting::IsFormTarget)) partners_.RetargetForms();
}

void CPaneliaView::OnTitleChange(const std::string& title) {
  host_.SetMainWindowTitle(title + std::string(kTitleSuffix));
}

void CPaneliaView::OnNewWindow3(const std::string& url, bool& cancel) {
  cancel = true;
  browser_.Navigate(url);
}

void CPaneliaView::OnNewWindow2(bool& cancel) {
  partners_.MarkBarRedirect();
  cancel = false;
}

void CPaneliaView::OnWindowClosing(bool& cancel) {
  cancel = true;
  NavigateHome();
}

void CPaneliaView::OnTouch(bool on_text_field) {
  stop_scroll_ = true;
  if (board_mode_ != 0 && on_text_field) ShowKeyboard(true);
}

const std::vector<ContextMenuItem>& CPaneliaView::ContextMenuItems() {
  static const std::vector<ContextMenuItem> items = {
      {kAbout, "关于 Panelia(&A)..."},       {kHelp, "Panelia帮助(&H)"},
      {kVisitSite, "访问 Panelia 主页(&W)"}, {kVisitForum, "访问触摸屏论坛"},
      {kProperties, "属性(&P)"},             {kExit, "退出"},
  };
  return items;
}

void CPaneliaView::OnContextMenuCommand(int id) {
  switch (id) {
    case kAbout: host_.ShowAbout(); break;
    case kHelp: host_.OpenHelp(); break;
    case kVisitSite: host_.OpenProjectSite(); break;
    case kVisitForum:
      if (!forum_url_.empty()) browser_.Navigate(forum_url_);
      break;
    case kProperties: host_.ShowPageProperties(); break;
    case kExit: partners_.RequestExit(); break;
    default: break;
  }
}

}  // namespace panelia
