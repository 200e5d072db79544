// CPaneliaView: the kiosk's main page view. It reads its settings once, opens the home page, runs
// every navigation through the kiosk checks, keeps pop-ups and window.close() inside the kiosk,
// titles the main window after the page and reacts to touches.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browse/command_links.h"
#include "browse/page_lists.h"
#include "browse/ports.h"
#include "browse/smooth_scroll.h"
#include "browse/visitor_modes.h"
#include "browse/visitor_session.h"
#include "common/registry.h"

namespace panelia {

struct ContextMenuItem {
  int id;
  std::string_view text;
};

class CPaneliaView {
 public:
  static constexpr int kIdleTimer = 6;
  static constexpr int kIdleTimerMs = VisitorSession::kTickMs;
  static constexpr int kReaderTimer = VisitorModes::kReaderTimer;
  static constexpr int kScrollTimer = 8;
  static constexpr int kScrollTimerMs = 30;
  // The music player starts once the first page is there (its document loaded), or this long after
  // the window at the latest: started at once, it takes the processor from the page the visitor
  // waits for.
  static constexpr int kMusicStartTimer = 10;
  static constexpr int kMusicStartMs = 1000;

  enum Command : int {
    kAbout = 32817,
    kHelp = 32823,
    kVisitSite = 32820,
    kVisitForum = 32811,
    kProperties = 32815,
    kExit = 32816,
  };

  // `forum_url` is where the context menu's forum item leads, `site_url` its site item.
  CPaneliaView(RegistryStore& store, BrowserControl& browser, TimerService& timers, ViewHost& host,
               ViewPartners& partners, PageActions& page, CPageLists& lists, std::string forum_url = {},
               std::string site_url = {});

  // Window life.
  void OnCreate();
  void OnInitialUpdate() { NavigateHome(); }
  void OnDestroy() { partners_.CloseCompanions(); }
  void OnTimer(int id);

  void NavigateHome();
  // The schedule's home page (none: the operator's own again). It becomes the home page at the next
  // idle return, never while a visitor uses the kiosk; with nobody there it does at once, and shows
  // if the old home page is showing. A page the lists refuse is reported and not used: false.
  bool SetScheduledHome(const std::optional<std::string>& address);
  // The idle return: a fresh session for the next visitor (with IsClearSession the last one's data
  // wiped), then the home page.
  void ReturnHomeForNextVisitor();
  void Navigate(const std::string& url) { browser_.Navigate(url); }
  BrowserControl& Browser() { return browser_; }
  // The "TargetURL" entry of "OpenURL.ini" for `key`, or the home address (read afresh).
  void OpenTargetAddress(const std::string& key);
  void ShowKeyboard(bool activate) { partners_.ShowKeyboard(activate, board_type_); }
  // Stepwise by ScrollStep, or smoothly on timer 8 when ScrollMode is set (both read at each command).
  void ScrollPage(ScrollDirection direction);
  // The page's scroll size, as the page reports it (a smooth run covers this distance), and the size
  // of its window when known (0: unknown).
  void OnPageSize(int scroll_width, int scroll_height, int view_width = 0, int view_height = 0) {
    scroll_.OnPageSize(scroll_width, scroll_height, view_width, view_height);
  }
  // Where the page's window is scrolled to, as the page reports it after every move.
  void OnScrollPosition(int x, int y) { scroll_.OnScrollPosition(x, y); }

  // What a visitor may change for themselves from the bar, each back to the operator's choice for
  // the next visitor: larger text (a step each touch, then back), high contrast, spoken output.
  void StepLargeText() { modes_.StepLargeText(); }
  void ToggleContrast() { modes_.ToggleContrast(); }
  void ToggleReader() { modes_.ToggleReader(); }
  bool HighContrast() const { return modes_.HighContrast(); }
  bool ReaderOn() const { return modes_.ReaderOn(); }

  // Browser events.
  // `origin` says how the navigation came about: command links run only for a visitor's touch on an
  // operator's page (or the kiosk's own loads).
  void OnBeforeNavigate2(const std::string& url, bool& cancel, const NavigationOrigin& origin = {});
  void OnNavigateComplete2(const std::string& url);
  void OnDocumentComplete(const std::string& url);
  void OnTitleChange(const std::string& title);
  // A new window whose address is known: it opens here instead.
  void OnNewWindow3(const std::string& url, bool& cancel);
  // A new window whose address comes later: the bar's browser takes it, and the bar sends its
  // first navigation here.
  void OnNewWindow2(bool& cancel);
  void OnWindowClosing(bool& cancel);
  // A finger or left button down on the page; `on_text_field` says whether it hit a text field, and
  // `field` where that field is on the screen. With BoardMode the keyboard comes for a text field,
  // the page scrolling it into sight above the keyboard, and (BoardAutoHide) goes for anything else.
  void OnTouch(bool on_text_field, std::optional<ScreenRect> field = std::nullopt);

  static const std::vector<ContextMenuItem>& ContextMenuItems();
  // The menu's page commands (history, editing, find, source, properties, text size, character set);
  // false for an id that is not one of them.
  static bool HandlesPageCommand(int id);
  bool OnPageCommand(int id);
  // The check marks of the text sizes (DefFontSize) and of automatic encoding detection.
  bool IsPageCommandChecked(int id) const;
  void OnContextMenuCommand(int id);

  // Settings as read at construction.
  bool UsesBrowserHome() const { return is_panelia_home_ != 0; }
  const std::string& HomeAddress() const { return home_address_; }
  int32_t BoardType() const { return board_type_; }
  int32_t BoardMode() const { return board_mode_; }
  int32_t DefFontSize() const { return def_font_size_; }
  // The state the timers run on, read by the tests that drive them (no other reader needs it).
  bool StopScrollFlag() const { return scroll_.Stopping(); }
  // What the kiosk's status reports: visitors' sessions ended, idle returns, loop steps.
  using Counts = VisitorSession::Counts;
  const Counts& VisitCounts() const { return session_.VisitCounts(); }
  int32_t IdleCount() const { return session_.IdleCount(); }
  int32_t LoopPosition() const { return loop_position_; }
  // The next page of "Loop.dat" (read afresh) for the loop mode; the home address when there is
  // none. `random` gives a number for the random mode.
  std::string NextLoopPage(const std::function<uint32_t()>& random);

 private:
  RegistryStore& store_;
  BrowserControl& browser_;
  TimerService& timers_;
  ViewHost& host_;
  ViewPartners& partners_;
  PageActions& page_;
  CPageLists& lists_;
  std::string forum_url_;
  std::string site_url_;

  int32_t is_panelia_home_ = 0;
  std::string home_address_;
  // The operator's own, for when the schedule stops naming a home page.
  int32_t operator_panelia_home_ = 0;
  std::string operator_home_;
  struct Home {
    int32_t browser_home;
    std::string address;
  };
  std::optional<Home> next_home_;
  void TakeNextHome();
  std::vector<std::string> operator_sites_;
  std::vector<std::string> operator_folders_;
  int32_t is_music_ = 0;
  bool music_waiting_ = false;  // from the window's creation until the player is started
  void StartMusicOnce();
  int32_t is_limit_ = 0;
  int32_t forbit_method_ = 0;
  int32_t board_type_ = 0;
  int32_t board_mode_ = 0;
  bool board_auto_hide_ = true;
  int32_t loop_mode_ = 0;
  int32_t def_font_size_ = 0;
  int32_t is_clear_session_ = 1;
  VisitorSession session_{{}};
  VisitorModes modes_{page_, partners_, host_, timers_};
  // The visitor's notice and display modes back to the operator's choice, then the host's own
  // next-visitor work.
  void StartNextVisitor();
  SmoothScroll scroll_;
  int32_t loop_position_ = 0;
  void IdleTick();
};

}  // namespace panelia
