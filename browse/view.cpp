#include "browse/view.h"

#include "browse/page_commands.h"
#include "common/commands.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>

#include "common/ini_file.h"
#include "common/names.h"
#include "common/settings.h"
#include "common/text.h"

namespace panelia {

CPaneliaView::CPaneliaView(RegistryStore& store, BrowserControl& browser, TimerService& timers, ViewHost& host,
                           ViewPartners& partners, PageActions& page, CPageLists& lists, std::string forum_url,
                           std::string site_url)
    : store_(store),
      browser_(browser),
      timers_(timers),
      host_(host),
      partners_(partners),
      page_(page),
      lists_(lists),
      forum_url_(std::move(forum_url)),
      site_url_(std::move(site_url)) {
  // Read once, in this order; a change takes effect at the next start.
  SettingsReader s(store_);
  def_font_size_ = s.Int(setting::DefFontSize);
  is_panelia_home_ = s.Int(setting::IsPaneliaHome);
  home_address_ = s.Text(setting::SoftHomeUrl);
  operator_sites_ = OperatorSites(s.Text(setting::CommandSites), home_address_);
  // Neither folder changes while Panelia runs; the navigation check need not ask for them again.
  operator_folders_ = {host_.KioskDirectory(), host_.ModuleDirectory()};
  wait_time_ = s.Int(setting::WaitTime);
  is_auto_home_ = s.Int(setting::IsAutoHome);
  board_type_ = s.Int(setting::BoardType);
  board_mode_ = s.Int(setting::BoardMode);
  board_auto_hide_ = s.Flag(setting::BoardAutoHide);
  is_music_ = s.Int(setting::IsMusic);
  is_limit_ = s.Int(setting::IsLimit);
  forbit_method_ = s.Int(setting::ForbitMethod);
  is_loop_ = s.Int(setting::IsLoop);
  loop_mode_ = s.Int(setting::LoopMode);
  interval_time_ = s.Int(setting::IntervalTime);
  is_clear_session_ = s.Int(setting::IsClearSession);
  warn_time_ = s.Int(setting::WarnTime);
}

void CPaneliaView::OnCreate() {
  timers_.SetTimer(kIdleTimer, kIdleTimerMs);
  partners_.StartBackgroundMusic(is_music_ != 0);
}

void CPaneliaView::OnTimer(int id) {
  if (id == kIdleTimer) {
    if (is_auto_home_ != 0 || is_loop_ != 0)
      IdleTick();
    else
      timers_.KillTimer(kIdleTimer);
  } else if (id == kScrollTimer) {
    const SmoothScroll::Move move = scroll_.Tick();
    if (move.dx != 0 || move.dy != 0) page_.ScrollBy(move.dx, move.dy);
    if (!move.go_on) timers_.KillTimer(kScrollTimer);
  } else if (id == kReaderTimer) {
    timers_.KillTimer(kReaderTimer);
    modes_.ReadAgain();
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
    scroll_.Turn(direction);
    timers_.SetTimer(kScrollTimer, kScrollTimerMs);
    return;
  }
  // A step of 0 or less moves nothing (nothing remains above 0); a huge one is cut to what any page
  // can scroll, so the page's 2-pixel moves end in good time.
  constexpr int kLongestStep = 1 << 16;
  if (step <= 0) return;
  step = std::min(step, kLongestStep);
  switch (direction) {
    case ScrollDirection::Up: page_.ScrollStepwise(0, -step); break;
    case ScrollDirection::Right: page_.ScrollStepwise(step, 0); break;
    case ScrollDirection::Down: page_.ScrollStepwise(0, step); break;
    case ScrollDirection::Left: page_.ScrollStepwise(-step, 0); break;
  }
}

void CPaneliaView::IdleTick() {
  std::pair<int, int> cursor = host_.CursorPosition();
  // Any input counts, also a touch exactly where the last one was, which moves no cursor.
  bool input = host_.InputSinceLastAsked();
  // The first look only learns where the pointer rests: that is nobody's touch.
  bool first_look = !cursor_known_;
  cursor_known_ = true;
  if (cursor != last_cursor_ || input) {
    last_cursor_ = cursor;
    idle_count_ = 0;
    visitor_since_step_ = true;
    if (!first_look) touched_since_return_ = true;
    Warn(0);
    return;
  }
  ++idle_count_;
  // Equalities on unsigned products, so a time of 0 never fires and the home return comes once per
  // idle period; the loop takes precedence over it.
  auto count = static_cast<uint32_t>(idle_count_);
  if (is_loop_ != 0) {
    if (count == static_cast<uint32_t>(interval_time_) * 60u / 30u) {
      std::string page = NextLoopPage([] { return static_cast<uint32_t>(std::random_device{}()); });
      idle_count_ = 0;
      // The first step after a visitor starts clean; the loop's own steps keep what they set.
      bool after_visitor = std::exchange(visitor_since_step_, false);
      ++counts_.loop_steps;
      if (after_visitor) {
        ++counts_.visitors;
        StartNextVisitor();
      }
      if (is_clear_session_ != 0 && after_visitor) {
        page_.ForgetVisitor([this, page] { browser_.Navigate(page); });
      } else {
        if (after_visitor) page_.ResetScale();
        browser_.Navigate(page);
      }
    }
    return;
  }
  if (count == static_cast<uint32_t>(wait_time_) * 60u / 5u) {
    ++counts_.idle_returns;
    ++counts_.visitors;
    ReturnHomeForNextVisitor();
    return;
  }
  // The notice comes WarnTime seconds ahead, to someone who touched the kiosk, and never sooner
  // than halfway: a long notice on a short wait would greet every visitor who pauses to read.
  int64_t wait = static_cast<int64_t>(static_cast<uint32_t>(wait_time_)) * 60;
  int64_t left = wait - static_cast<int64_t>(count) * 5;
  int64_t warn = std::min<int64_t>(warn_time_, wait / 2);
  if (touched_since_return_ && warn > 0 && left > 0 && left <= warn) Warn(static_cast<int>(left));
}

void CPaneliaView::Warn(int seconds_left) {
  if (seconds_left == 0 && !warning_shown_) return;
  warning_shown_ = seconds_left > 0;
  host_.WarnIdle(seconds_left);
}

void CPaneliaView::StartNextVisitor() {
  Warn(0);
  touched_since_return_ = false;
  modes_.Reset();
  host_.OnNewVisitor();
}

void CPaneliaView::ReturnHomeForNextVisitor() {
  StartNextVisitor();
  if (is_clear_session_ == 0) {
    page_.ResetScale();
    NavigateHome();
    return;
  }
  visitor_since_step_ = false;
  page_.ForgetVisitor([this] { NavigateHome(); });
}

std::string CPaneliaView::NextLoopPage(const std::function<uint32_t()>& random) {
  // Silently the home address (SoftHomeUrl whatever IsPaneliaHome says) without a usable list.
  auto list = lists_.ReadSilently(kLoopList);
  if (!list || list->empty()) return home_address_;
  auto size = static_cast<int32_t>(list->size());
  if (loop_mode_ == 1) {
    loop_position_ = static_cast<int32_t>(random() % static_cast<uint32_t>(size));
    return std::string((*list)[static_cast<size_t>(loop_position_)]);
  }
  if (loop_mode_ != 0) return home_address_;  // an unknown mode picks no entry: the home page
  if (loop_position_ >= size || loop_position_ < 0) loop_position_ = 0;
  std::string page((*list)[static_cast<size_t>(loop_position_)]);
  if (++loop_position_ >= size) loop_position_ = 0;
  return page;
}

void CPaneliaView::NavigateHome() {
  if (is_panelia_home_ == 0)
    browser_.Navigate(home_address_);
  else
    browser_.GoHome();
}

void CPaneliaView::OnBeforeNavigate2(const std::string& url, bool& cancel, const NavigationOrigin& origin) {
  const std::string lower = AsciiLower(url);
  // Every step runs, in this order; a step may cancel, none un-cancels.
  if (lists_.IsAddressBlocked(lower, is_limit_, forbit_method_)) cancel = true;
  if (!host_.IsNavigatorFixed()) host_.ShowBottomBar(lists_.MatchesShowList(lower));
  // Pages of the main view may carry command links too, recognised only as written (lower case)
  // and only where the operator put them.
  std::string part = CommandLinkPart(url, origin, operator_folders_, operator_sites_);
  if (!part.empty() && partners_.DispatchCommandLink(part)) cancel = true;
}

void CPaneliaView::OnNavigateComplete2(const std::string& url) {
  // Another page: the keyboard that served the last one's field goes.
  if (board_mode_ != 0 && board_auto_hide_) partners_.CloseKeyboard();
  if (is_music_ == 0) return;
  if (lists_.MatchesStopList(AsciiLower(url)))
    partners_.RequestMusicOff();
  else
    partners_.RequestMusicOn();
}

void CPaneliaView::OnDocumentComplete(const std::string& /*url*/) {
  // Read at every page, so an operator's change shows on the next page.
  SettingsReader s(store_);
  if (s.Flag(setting::IsScrollBar)) page_.HideScrollBars();
  if (s.Flag(setting::IsFormTarget)) page_.RetargetForms();
  modes_.ReadAgain();
}

void CPaneliaView::OnTitleChange(const std::string& title) {
  host_.SetMainWindowTitle(title + std::string(kTitleSuffix));
}

void CPaneliaView::OnNewWindow3(const std::string& url, bool& cancel) {
  cancel = true;
  browser_.NavigateForPage(url);
}

void CPaneliaView::OnNewWindow2(bool& cancel) {
  partners_.MarkBarRedirect();
  cancel = false;
}

void CPaneliaView::OnWindowClosing(bool& cancel) {
  cancel = true;
  NavigateHome();
}

void CPaneliaView::OnTouch(bool on_text_field, std::optional<ScreenRect> field) {
  scroll_.Stop();
  if (board_mode_ == 0) return;
  if (!on_text_field) {
    if (board_auto_hide_) partners_.CloseKeyboard();
    return;
  }
  ShowKeyboard(true);
  if (!field) return;
  partners_.KeepFieldVisible(*field, scroll_.RoomBelow(), [this](int dy) { page_.ScrollBy(0, dy); });
}

const std::vector<ContextMenuItem>& CPaneliaView::ContextMenuItems() {
  static const std::vector<ContextMenuItem> items = {
      {kAbout, "关于 Panelia(&A)..."}, {kHelp, "Panelia帮助(&H)"}, {kVisitSite, "访问 Panelia 主页(&W)"},
      {kVisitForum, "访问触摸屏论坛"}, {kProperties, "属性(&P)"},  {kExit, "退出"},
  };
  return items;
}

namespace {

// The browser's own automatic encoding detection flag, under the current user.
CRegistryKey AutoDetectKey(RegistryStore& store) {
  CRegistryKey key(store);
  key.SetRootKey(Hive::CurrentUser);
  key.SetSubKey(kBrowserInternationalKey);
  return key;
}

}  // namespace

bool CPaneliaView::HandlesPageCommand(int id) {
  switch (id) {
    case command::kStop:
    case command::kRefresh:
    case command::kBack:
    case command::kForward:
    case command::kHome:
    case command::kFind:
    case command::kSource:
    case command::kProperties:
    case command::kCut:
    case command::kCopy:
    case command::kPaste:
    case command::kSelectAll:
    case command::kAutoSelect: return true;
    default: return TextZoomOf(id).has_value() || CharsetOf(id).has_value();
  }
}

bool CPaneliaView::OnPageCommand(int id) {
  switch (id) {
    case command::kBack: browser_.GoBack(); return true;
    case command::kForward: browser_.GoForward(); return true;
    case command::kHome: NavigateHome(); return true;
    case command::kStop: browser_.Stop(); return true;
    case command::kRefresh: browser_.Refresh(); return true;
    case command::kCut: page_.EditCommand(PageActions::Edit::Cut); return true;
    case command::kCopy: page_.EditCommand(PageActions::Edit::Copy); return true;
    case command::kPaste: page_.EditCommand(PageActions::Edit::Paste); return true;
    case command::kSelectAll: page_.EditCommand(PageActions::Edit::SelectAll); return true;
    case command::kFind: page_.ShowFindBar(); return true;
    case command::kSource: page_.ShowSource(); return true;
    case command::kProperties: host_.ShowPageProperties(); return true;
    case command::kAutoSelect: {
      // The browser's own flag: toggled only when it is there to read.
      CRegistryKey key = AutoDetectKey(store_);
      uint32_t detect = 0;
      if (!key.ReadDword("AutoDetect", detect)) return true;
      if (key.WriteDword("AutoDetect", detect == 0 ? 1 : 0)) browser_.Refresh();
      return true;
    }
    default: break;
  }
  if (auto zoom = TextZoomOf(id)) {
    page_.SetTextZoom(*zoom);
    modes_.SetOperatorTextZoom(*zoom);
    def_font_size_ = id - command::kTextSizeFirst;
    CRegistryKey key(store_);
    key.SetSubKey(kSuiteRootKey);
    key.WriteDword(setting::DefFontSize.name, static_cast<uint32_t>(def_font_size_));
    return true;
  }
  if (auto charset = CharsetOf(id)) {
    page_.SetCharset(*charset);  // the engine loads the page again in it
    return true;
  }
  return false;
}

bool CPaneliaView::IsPageCommandChecked(int id) const {
  if (TextZoomOf(id)) return id == def_font_size_ + command::kTextSizeFirst;
  if (id == command::kAutoSelect) {
    uint32_t detect = 0;
    return AutoDetectKey(store_).ReadDword("AutoDetect", detect) && detect != 0;
  }
  return false;
}

void CPaneliaView::OnContextMenuCommand(int id) {
  switch (id) {
    case kAbout: host_.ShowAbout(); break;
    case kHelp: host_.OpenHelp(); break;
    case kVisitSite:
      if (!site_url_.empty()) browser_.Navigate(site_url_);
      break;
    case kVisitForum:
      if (!forum_url_.empty()) browser_.Navigate(forum_url_);
      break;
    case kProperties: host_.ShowPageProperties(); break;
    case kExit: partners_.RequestExit(); break;
    default: break;
  }
}

}  // namespace panelia
