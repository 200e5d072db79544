// CPaneliaView: the kiosk's main page view. It reads its settings once, opens the home page, runs
// every navigation through the kiosk checks, keeps pop-ups and window.close() inside the kiosk,
// titles the main window after the page and reacts to touches.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "browse/ports.h"
#include "common/registry.h"

namespace panelia {

struct ContextMenuItem {
  int id;
  std::string_view text;
};

class CPaneliaView {
 public:
  static constexpr int kIdleTimer = 6;
  static constexpr int kIdleTimerMs = 5000;
  static constexpr int kScrollTimer = 8;
  static constexpr int kScrollTimerMs = 30;

  enum Command : int {
    kAbout = 32817,
    kHelp = 32823,
    kVisitSite = 32820,
    kVisitForum = 32811,
    kProperties = 32815,
    kExit = 32816,
  };

  // `forum_url` is where the context menu's forum item leads.
  CPaneliaView(RegistryStore& store, BrowserControl& browser, TimerService& timers, ViewHost& host,
               ViewPartners& partners, std::string forum_url = {});

  // Window life.
  void OnCreate();
  void OnInitialUpdate() { NavigateHome(); }
  void OnDestroy() { partners_.CloseCompanions(); }
  void OnTimer(int id);

  void NavigateHome();
  void Navigate(const std::string& url) { browser_.Navigate(url); }
  BrowserControl& Browser() { return browser_; }

  // Browser events.
  void OnBeforeNavigate2(const std::string& url, bool& cancel);
  void OnNavigateComplete2(const std::string& url);
  void OnDocumentComplete(const std::string& url);
  void OnTitleChange(const std::string& title);
  // A new window whose address is known: it opens here instead.
  void OnNewWindow3(const std::string& url, bool& cancel);
  // A new window whose address comes later: a stand-in browser takes it, and its first navigation
  // is sent here by OnRedirectedNavigation.
  void OnNewWindow2(bool& cancel);
  bool RedirectPending() const { return redirect_pending_; }
  // The stand-in's navigation; true when it must be cancelled (always).
  bool OnRedirectedNavigation(const std::string& url);
  void OnWindowClosing(bool& cancel);
  // A left-button touch on the page; `on_text_field` says whether it hit a text field.
  void OnTouch(bool on_text_field);

  static const std::vector<ContextMenuItem>& ContextMenuItems();
  void OnContextMenuCommand(int id);

  // Settings as read at construction.
  bool UsesBrowserHome() const { return is_panelia_home_ != 0; }
  const std::string& HomeAddress() const { return home_address_; }
  int32_t BoardType() const { return board_type_; }
  int32_t BoardMode() const { return board_mode_; }
  int32_t DefFontSize() const { return def_font_size_; }
  bool StopScrollFlag() const { return stop_scroll_; }
  void ClearStopScrollFlag() { stop_scroll_ = false; }

 private:
  RegistryStore& store_;
  BrowserControl& browser_;
  TimerService& timers_;
  ViewHost& host_;
  ViewPartners& partners_;
  std::string forum_url_;

  int32_t is_panelia_home_ = 0;
  std::string home_address_;
  int32_t is_auto_home_ = 0;
  int32_t wait_time_ = 0;
  int32_t is_music_ = 0;
  int32_t is_limit_ = 0;
  int32_t forbit_method_ = 0;
  int32_t board_type_ = 0;
  int32_t board_mode_ = 0;
  bool stop_scroll_ = false;
  int32_t is_loop_ = 0;
  int32_t loop_mode_ = 0;
  int32_t interval_time_ = 0;
  int32_t def_font_size_ = 0;
  bool redirect_pending_ = false;
};

}  // namespace panelia
