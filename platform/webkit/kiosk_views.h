// The kiosk's two web views: the main page and the bar row (made when its page is loaded), with
// their engine events handed to CPaneliaView and CBottomView, and the work done by script on the
// main page.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "browse/bottom_view.h"
#include "browse/ports.h"
#include "browse/view.h"
#include "common/event_link.h"
#include "common/names.h"
#include "platform/webkit/webkit_browser.h"

namespace panelia {

struct KioskViewHooks {
  std::function<void(GdkEvent*)> context_menu;  // the kiosk's own menu over the page, for this event
  std::function<void()> input;                  // activity in the page
  std::function<void()> first_document;         // the home page's first document has loaded
  std::function<void(GtkWidget*)> bar_made;     // the bar's view exists: put it in its row
  std::function<void()> close_visitor_dialogs;  // the dialogs a visitor may have left open
  std::function<GtkWindow*()> dialog_parent;    // the window the page's own dialogs belong to
};

class WebKitKioskViews final : public PageActions {
 public:
  // Made first of the kiosk, so the engine starts while the rest is built; the frame's hooks come
  // once the frame exists, and go before it does.
  explicit WebKitKioskViews(BrowserOptions main_options);
  ~WebKitKioskViews() override;
  void UseHooks(KioskViewHooks hooks) { hooks_ = std::move(hooks); }
  // The home page the kiosk will ask for first, started now (see WebKitBrowser::LoadEarly); the
  // network service is started beside it.
  void LoadEarly(const std::string& address);

  BrowserControl& MainControl() { return main_->Control(); }
  BrowserControl& BarControl() { return lazy_bar_; }
  GtkWidget* MainWidget() const { return main_->Widget(); }
  const WebKitBrowser& Main() const { return *main_; }
  BrowserController& MainController() { return main_->Control(); }
  GtkWidget* BarWidget() const { return bar_ ? bar_->Widget() : nullptr; }
  // The logic the engine events go to, joined once it exists (it takes these views as its browser
  // controls first) and parted before the frame is taken down.
  EventLink<CPaneliaView>& MainViewLink() { return view_; }
  EventLink<CBottomView>& BarLink() { return bar_logic_; }

  // PageActions
  void ScrollBy(int dx, int dy) override;
  void ScrollStepwise(int dx, int dy) override;
  void HideScrollBars() override;
  void RetargetForms() override;
  void ForgetVisitor(std::function<void()> then) override;
  void ResetScale() override;
  void EditCommand(Edit edit) override;
  void ShowFindBar() override;
  void ShowSource() override;
  void SetTextZoom(double zoom) override;
  void SetHighContrast(bool on) override;
  void ReadFromStart() override;
  void SetCharset(std::string_view label) override;

  // Printing goes to the bar's page when it has the focus.
  void ExecBrowserCommand(BrowserCommand command, GtkWindow* parent);
  void ShowPageProperties(GtkWindow* parent);

 private:
  class MainEvents;
  class BarEvents;
  // The bar's browser control: the bar logic exists from the start (command links, pop-up
  // redirection), its web view only once it has a page to show.
  class LazyBar final : public BrowserControl {
   public:
    explicit LazyBar(WebKitKioskViews& owner) : owner_(owner) {}
    void Navigate(const std::string& url) override { Bar().Navigate(url); }
    void GoHome() override { Bar().GoHome(); }
    void GoBack() override { Bar().GoBack(); }
    void GoForward() override { Bar().GoForward(); }
    void Stop() override { Bar().Stop(); }
    void Refresh() override { Bar().Refresh(); }
    std::string LocationUrl() const override { return owner_.bar_ ? owner_.bar_->Address() : std::string(); }
    std::string LocationName() const override { return owner_.bar_ ? owner_.bar_->Title() : std::string(); }

   private:
    BrowserController& Bar() { return owner_.Bar().Control(); }
    WebKitKioskViews& owner_;
  };
  WebKitBrowser& Bar();
  static void UseRealPrintersOnly();
  static void PrintWithDialog(WebKitWebView* view, GtkWindow* parent);
  static void ShowPrintDialog(WebKitWebView* view, GtkWindow* parent);
  void PrintPage(WebKitWebView* view) {
    PrintWithDialog(view, hooks_.dialog_parent ? hooks_.dialog_parent() : nullptr);
  }

  KioskViewHooks hooks_;
  EventLink<CPaneliaView> view_;
  EventLink<CBottomView> bar_logic_;
  std::unique_ptr<MainEvents> main_events_;
  std::unique_ptr<BarEvents> bar_events_;
  std::unique_ptr<WebKitBrowser> main_;
  std::unique_ptr<WebKitBrowser> bar_;
  LazyBar lazy_bar_{*this};
  GObjectPtr<GCancellable> pending_ = GObjectPtr<GCancellable>::Adopt(g_cancellable_new());
  std::string bar_page_;  // the bar's page as last shown, to bring it back
};

}  // namespace panelia
