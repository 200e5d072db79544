// What the main view and the bar reach beyond themselves, put together: the bar's command links,
// the companion programs, leaving the kiosk and printing. Plain wiring of the kiosk's own objects,
// so the views never see the platform.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "browse/bottom_view.h"
#include "browse/ports.h"
#include "common/event_link.h"
#include "shell/companions.h"
#include "shell/exit_dialog.h"

namespace panelia {

class CKioskPartners final : public ViewPartners, public BarActions {
 public:
  // `print` prints the page of the active view.
  // `full_screen` says whether the kiosk is full screen now; `log` writes to the kiosk's log.
  // `reader` starts (true) and stops (false) the screen reader; it answers whether one runs.
  CKioskPartners(CCompanions& companions, ExitDialogs& exit_dialogs, std::function<void()> print,
                 std::function<bool()> full_screen, std::function<void(const std::string&)> log,
                 std::function<bool(bool)> reader = {})
      : companions_(companions),
        exit_dialogs_(exit_dialogs),
        print_(std::move(print)),
        full_screen_(std::move(full_screen)),
        log_(std::move(log)),
        reader_(std::move(reader)) {}
  // The bar exists after the main view, which needs these partners first; it is joined then.
  EventLink<CBottomView>& BarLink() { return bar_; }

  // ViewPartners
  bool DispatchCommandLink(const std::string& url) override { return bar_ && bar_->DispatchCommandLink(url); }
  void StartBackgroundMusic(bool is_music) override { companions_.StartBackgroundMusic(is_music); }
  void ShowKeyboard(bool activate, int32_t board_type) override { companions_.ShowKeyboard(activate, board_type); }
  void CloseKeyboard() override { companions_.CloseKeyboard(); }
  void KeepFieldVisible(const ScreenRect& field, int scroll_room, std::function<void(int)> scroll_page) override {
    companions_.FollowField(field, scroll_room, std::move(scroll_page));
  }
  void RequestMusicOn() override { companions_.RequestMusicOn(); }
  void RequestMusicOff() override { companions_.RequestMusicOff(); }
  void CloseCompanions() override { companions_.CloseCompanions(); }
  // The page's context menu leaves with the password, as the bar's exit button does.
  void RequestExit() override { Leave(true, "the page menu's exit"); }
  void MarkBarRedirect() override {
    if (bar_) bar_->SetRedirectMark();
  }
  // The keyboard shows itself to a reader only when started while one runs: an open one is
  // closed, and the next opens as the reader needs.
  bool StartReader() override {
    if (!reader_ || !reader_(true)) return false;
    companions_.CloseKeyboard();
    return true;
  }
  void StopReader() override {
    if (!reader_) return;
    reader_(false);
    companions_.CloseKeyboard();
  }

  // BarActions
  void RequestExit(bool with_password) override {
    Leave(with_password, with_password ? "an exit link" : "a quit link");
  }
  void PrintMainPage() override { print_(); }
  // The bar is a child of the frame here: no page script can move it, so nothing needs putting back.
  void PlaceBar(int /*left*/, int /*top*/) override {}

 private:
  void Leave(bool with_password, std::string_view what) {
    panelia::RequestExit(
        exit_dialogs_, with_password, full_screen_ && full_screen_(), what, [this] { companions_.CloseSuite(); }, log_);
  }

  CCompanions& companions_;
  ExitDialogs& exit_dialogs_;
  std::function<void()> print_;
  std::function<bool()> full_screen_;
  std::function<void(const std::string&)> log_;
  std::function<bool(bool)> reader_;
  EventLink<CBottomView> bar_;
};

}  // namespace panelia
