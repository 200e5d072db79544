// CBottomView: the bar of touch buttons under the page. Its links carry command keywords; the bar
// never follows them but performs the command on the main view, and never leaves its own page.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "browse/ports.h"
#include "common/registry.h"

namespace panelia {

class CPaneliaView;

// What the bar reaches beyond the main view.
class BarActions {
 public:
  virtual ~BarActions() = default;
  virtual void RequestExit(bool with_password) = 0;
  virtual void PrintMainPage() = 0;
  virtual void PlaceBar(int left, int top) = 0;  // puts the bar back where it was recorded
  virtual void CloseCompanions() = 0;
};

struct BarBounds {
  int left = 0, top = 0, width = 0, height = 0;
};

class CBottomView {
 public:
  CBottomView(BrowserControl& bar, CPaneliaView& main, BarActions& actions)
      : bar_(bar), main_(main), actions_(actions) {}

  static std::string_view StyleName(uint32_t style);
  // The bar page for the screen width: the style's page, or the plain one when the style lacks it.
  static std::string BarPagePath(RegistryStore& store, const std::string& module_directory, int screen_width,
                                 const std::function<bool(const std::string&)>& exists);
  // The bar's own page, however the engine writes the path separator.
  static bool IsOwnPage(std::string_view lower_url);

  // Loads the bar page; when neither the style's page nor the plain one exists the bar stays empty,
  // without a message.
  void OnInitialUpdate(RegistryStore& store, const std::string& module_directory, int screen_width,
                       const std::function<bool(const std::string&)>& exists);
  void OnDestroy() { actions_.CloseCompanions(); }
  void OnBeforeNavigate2(const std::string& url, bool& cancel);
  // Runs every command keyword found in `url`, in the table's order; true when there was one.
  bool DispatchCommandLink(const std::string& url);

  // The main view's pop-up: the bar's next navigation goes to the main view.
  void SetRedirectMark() { redirect_mark_ = true; }
  bool RedirectMark() const { return redirect_mark_; }  // for the tests that follow a pop-up through

  void OnNavigateComplete2(const BarBounds& bounds);
  // Scripts of the bar page may ask to move it; it stays, and is put back at its next navigation.
  // No event of this engine reaches these (the bar is a child of the frame, which no page moves):
  // they stay as the bar's answer for a host that reports such requests, and their tests say it.
  void OnWindowSetLeft(int left);
  void OnWindowSetTop(int top);
  std::pair<int, int> OnClientToHostWindow(int client_width, int client_height) const;
  static void OnNewWindow2(bool& cancel) { cancel = false; }  // the bar's own pop-ups open as usual

 private:
  BrowserControl& bar_;
  CPaneliaView& main_;
  BarActions& actions_;
  bool redirect_mark_ = false;
  bool size_recorded_ = false;
  BarBounds recorded_;
  bool position_changed_ = false;
};

}  // namespace panelia
