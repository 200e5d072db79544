#include "browse/view.h"

#include "browse/page_commands.h"
#include "common/commands.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>

#include "common/address.h"
#include "common/ini_file.h"
#include "common/log.h"
#include "common/names.h"
#include "common/settings.h"
#include "common/text.h"
#include "common/texts.h"

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
  operator_home_ = home_address_;
  operator_panelia_home_ = is_panelia_home_;
  // Neither folder changes while Panelia runs; the navigation check need not ask for them again.
  operator_folders_ = {host_.KioskDirectory(), host_.ModuleDirectory()};
  VisitorSession::Times times;
  times.wait_time = s.Int(setting::WaitTime);
  times.auto_home = s.Int(setting::IsAutoHome) != 0;
  board_type_ = s.Int(setting::BoardType);
  board_mode_ = s.Int(setting::BoardMode);
  board_auto_hide_ = s.Flag(setting::BoardAutoHide);
  is_music_ = s.Int(setting::IsMusic);
  is_limit_ = s.Int(setting::IsLimit);
  forbit_method_ = s.Int(setting::ForbitMethod);
  times.loop = s.Int(setting::IsLoop) != 0;
  loop_mode_ = s.Int(setting::LoopMode);
  times.interval_time = s.Int(setting::IntervalTime);
  is_clear_session_ = s.Int(setting::IsClearSession);
  times.warn_time = s.Int(setting::WarnTime);
  session_ = VisitorSession(times);
}

void CPaneliaView::OnCreate() {
  timers_.SetTimer(kIdleTimer, kIdleTimerMs);
  music_waiting_ = true;
  timers_.SetTimer(kMusicStartTimer, kMusicStartMs);
}

void CPaneliaView::StartMusicOnce() {
  if (!std::exchange(music_waiting_, false)) return;
  timers_.KillTimer(kMusicStartTimer);
  partners_.StartBackgroundMusic(is_music_ != 0);
}

void CPaneliaView::OnTimer(int id) {
  if (id == kIdleTimer) {
    if (session_.Needed())
      IdleTick();
    else
      timers_.KillTimer(kIdleTimer);
  } else if (id == kScrollTimer) {
    const SmoothScroll::Move move = scroll_.Tick();
    if (move.dx != 0 || move.dy != 0) page_.ScrollBy(move.dx, move.dy);
    if (!move.go_on) timers_.KillTimer(kScrollTimer);
  } else if (id == kMusicStartTimer) {
    StartMusicOnce();
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
  // The pointer first, then the input since the last look.
  std::pair<int, int> cursor = host_.CursorPosition();
  bool input = host_.InputSinceLastAsked();
  const VisitorSession::Step step = session_.OnTick(cursor, input);
  if (step.notice) host_.WarnIdle(*step.notice);
  if (step.due == VisitorSession::Due::ReturnHome) {
    ReturnHomeForNextVisitor();
    return;
  }
  if (step.due != VisitorSession::Due::LoopStep) return;
  std::string page = NextLoopPage([] { return static_cast<uint32_t>(std::random_device{}()); });
  // The first step after a visitor starts clean; the loop's own steps keep what they set.
  if (step.after_visitor) StartNextVisitor();
  if (is_clear_session_ != 0 && step.after_visitor) {
    page_.ForgetVisitor([this, page] { browser_.Navigate(page); });
  } else {
    if (step.after_visitor) page_.ResetScale();
    browser_.Navigate(page);
  }
}

void CPaneliaView::StartNextVisitor() {
  if (auto notice = session_.StartNext()) host_.WarnIdle(*notice);
  modes_.Reset();
  host_.OnNewVisitor();
}

void CPaneliaView::ReturnHomeForNextVisitor() {
  TakeNextHome();
  StartNextVisitor();
  if (is_clear_session_ == 0) {
    page_.ResetScale();
    NavigateHome();
    return;
  }
  session_.Cleared();
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

bool CPaneliaView::SetScheduledHome(const std::optional<std::string>& address) {
  if (address && lists_.IsAddressBlocked(AsciiLower(*address), is_limit_, forbit_method_)) {
    Log("the schedule's home page %s is refused by the page lists: the home page stays as it is",
        ShortAddress(*address).c_str());
    return false;
  }
  next_home_ = address ? Home{0, *address} : Home{operator_panelia_home_, operator_home_};
  if (session_.VisitorPresent()) return true;
  const bool home_showing = is_panelia_home_ == 0 && browser_.LocationUrl() == home_address_;
  TakeNextHome();
  if (home_showing) NavigateHome();
  return true;
}

void CPaneliaView::TakeNextHome() {
  if (!next_home_) return;
  is_panelia_home_ = next_home_->browser_home;
  home_address_ = std::move(next_home_->address);
  next_home_.reset();
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
  StartMusicOnce();
  // Read at every page, so an operator's change shows on the next page.
  SettingsReader s(store_);
  if (s.Flag(setting::IsScrollBar)) page_.HideScrollBars();
  if (s.Flag(setting::IsFormTarget)) page_.RetargetForms();
  modes_.ReadAgain();
}

void CPaneliaView::OnTitleChange(const std::string& title) {
  host_.SetMainWindowTitle(title + TrText(kTitleSuffix));
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
      {kAbout, Tr("&About Panelia...")},
      {kHelp, Tr("Panelia &help")},
      {kVisitSite, Tr("Visit the Panelia &website")},
      {kVisitForum, Tr("Visit the touch-screen forum")},
      {kProperties, Tr("&Properties")},
      {kExit, Tr("Exit")},
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
