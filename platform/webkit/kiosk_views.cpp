#include "platform/webkit/kiosk_views.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "common/names.h"
#include "platform/gtk/callback_state.h"
#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/message_box.h"
#include "platform/webkit/page_scripts.h"
#include "platform/webkit/page_windows.h"
#include "common/texts.h"

namespace panelia {
class WebKitKioskViews::MainEvents final : public BrowserEvents {
 public:
  explicit MainEvents(WebKitKioskViews& owner) : o_(owner) {}
  void OnBeforeNavigate(const std::string& url, bool& cancel, const NavigationOrigin& origin) override {
    if (o_.view_) o_.view_->OnBeforeNavigate2(url, cancel, origin);
  }
  void OnNavigateComplete(const std::string& url) override {
    if (o_.view_) o_.view_->OnNavigateComplete2(url);
  }
  void OnDocumentComplete(const std::string& url) override {
    if (o_.view_) o_.view_->OnDocumentComplete(url);
    if (o_.hooks_.first_document) o_.hooks_.first_document();
  }
  void OnTitleChange(const std::string& title) override {
    if (o_.view_) o_.view_->OnTitleChange(title);
  }
  void OnNewWindowKnown(const std::string& url, bool& cancel) override {
    if (o_.view_) o_.view_->OnNewWindow3(url, cancel);
  }
  void OnNewWindowUnknown(bool& cancel) override {
    if (o_.view_)
      o_.view_->OnNewWindow2(cancel);
    else
      cancel = true;
  }
  // The stand-in browser plays the bar's part for a pop-up: its navigation is the bar's.
  bool OnRedirectedNavigation(const std::string& url) override {
    bool cancel = true;
    if (o_.bar_logic_) o_.bar_logic_->OnBeforeNavigate2(url, cancel);
    return cancel;
  }
  void OnPageSize(int scroll_width, int scroll_height, int view_width, int view_height) override {
    if (o_.view_) o_.view_->OnPageSize(scroll_width, scroll_height, view_width, view_height);
  }
  void OnScrollPosition(int x, int y) override {
    if (o_.view_) o_.view_->OnScrollPosition(x, y);
  }
  void OnWindowClosing(bool& cancel) override {
    if (o_.view_) o_.view_->OnWindowClosing(cancel);
  }
  void OnTouch(bool on_text_field, std::optional<ScreenRect> field) override {
    if (o_.view_) o_.view_->OnTouch(on_text_field, field);
  }
  void OnInput() override {
    if (o_.hooks_.input) o_.hooks_.input();
  }
  bool OnContextMenu() override {
    if (o_.hooks_.context_menu) o_.hooks_.context_menu(o_.main_->MenuEvent());
    return true;
  }
  // The waiting page gives way to the home page.
  void OnRecoveryDue() override {
    if (o_.view_) o_.view_->NavigateHome();
  }

 private:
  WebKitKioskViews& o_;
};

class WebKitKioskViews::BarEvents final : public SideViewEvents {
 public:
  explicit BarEvents(WebKitKioskViews& owner) : o_(owner) {}
  // Every link of the bar's own page is a button. The kiosk's own load of the bar's page is none:
  // the bar's process starts on its own, and its page may come after a pop-up has marked the bar's
  // next navigation as the pop-up's.
  void OnBeforeNavigate(const std::string& url, bool& cancel, const NavigationOrigin& origin) override {
    if (origin.kiosk_page) return;
    if (o_.bar_logic_) o_.bar_logic_->OnBeforeNavigate2(url, cancel);
  }
  void OnNavigateComplete(const std::string& url) override {
    o_.bar_page_ = url;
    if (!o_.bar_logic_ || !o_.bar_) return;
    GtkAllocation a;
    gtk_widget_get_allocation(o_.bar_->Widget(), &a);
    o_.bar_logic_->OnNavigateComplete2({a.x, a.y, a.width, a.height});
  }
  void OnDocumentComplete(const std::string&) override {
    // The bar never shows scroll bars and starts at its row's corner.
    o_.bar_->RunScript(
        "if (window === window.top && document.body) { document.body.setAttribute('scroll', 'no');"
        " document.documentElement.style.overflow = 'hidden'; document.body.style.margin = '0'; }");
  }
  void OnInput() override {
    if (o_.hooks_.input) o_.hooks_.input();
  }
  // The rest is a side view's: the bar keeps its title out of the frame's caption, its pop-ups open in
  // windows of their own (own_popup_windows), and touches on it are its buttons (no keyboard for
  // its fields, no smooth scroll to stop).
  // Its process is its own: only its page comes back.
  void OnRecoveryDue() override {
    if (o_.bar_ && !o_.bar_page_.empty()) o_.bar_->Navigate(o_.bar_page_);
  }

 private:
  WebKitKioskViews& o_;
};

WebKitKioskViews::WebKitKioskViews(BrowserOptions main_options) : main_events_(std::make_unique<MainEvents>(*this)) {
  main_options.print = [this](WebKitWebView* view) { PrintPage(view); };
  main_ = std::make_unique<WebKitBrowser>(*main_events_, std::move(main_options));
  // Passwords a visitor lets a site remember must not outlive the visitor.
  webkit_website_data_manager_set_persistent_credential_storage_enabled(
      webkit_web_view_get_website_data_manager(main_->View()), FALSE);
}

void WebKitKioskViews::LoadEarly(const std::string& address) {
  main_->LoadEarly(address);
}

WebKitKioskViews::~WebKitKioskViews() {
  g_cancellable_cancel(pending_.get());
  bar_.reset();
  main_.reset();
}

WebKitBrowser& WebKitKioskViews::Bar() {
  if (!bar_) {
    // The bar runs in a web process of its own: nothing a page does (a busy loop, a huge page, a
    // dialog it waits on) delays the bar's buttons.
    bar_events_ = std::make_unique<BarEvents>(*this);
    BrowserOptions options;
    options.rules.own_popup_windows = true;
    options.rules.no_context_menu = true;
    // At once the first time (the visitor needs the bar to get anywhere), later deaths with a growing
    // wait (a page that keeps crashing it must not spin the kiosk); no waiting page in an 80-pixel row.
    options.rules.recovery_first_ms = 0;
    options.rules.waiting_page = false;
    options.no_compositing = true;
    options.side_view = true;
    options.print = [this](WebKitWebView* view) { PrintPage(view); };
    bar_ = std::make_unique<WebKitBrowser>(*bar_events_, std::move(options));
    // The bar's buttons are touched, never typed into: a touch on one leaves the keyboard focus (and
    // the caret) where the visitor was typing, so the on-screen keyboard's keys still reach the page.
    gtk_widget_set_can_focus(bar_->Widget(), FALSE);
    if (hooks_.bar_made) hooks_.bar_made(bar_->Widget());
  }
  return *bar_;
}

void WebKitKioskViews::ScrollBy(int dx, int dy) {
  main_->RunScript("window.scrollBy(" + std::to_string(dx) + "," + std::to_string(dy) + ");");
}

void WebKitKioskViews::ScrollStepwise(int dx, int dy) {
  // 2-pixel moves, the vertical part first; the page runs them in one go.
  main_->RunScript(
      "(function(dx,dy){var s=dy<0?-2:2;for(var r=Math.abs(dy);r>0;r-=2)window.scrollBy(0,s);"
      "s=dx<0?-2:2;for(var r2=Math.abs(dx);r2>0;r2-=2)window.scrollBy(s,0);})(" +
      std::to_string(dx) + "," + std::to_string(dy) + ");");
}

void WebKitKioskViews::HideScrollBars() {
  main_->RunScript(
      "if (document.body) { document.body.setAttribute('scroll', 'no');"
      " document.documentElement.style.overflow = 'hidden'; }");
}

void WebKitKioskViews::RetargetForms() {
  // The top document's forms only; frames get theirs when their own document finishes.
  main_->RunScript(
      "(function(){var f=document.getElementsByTagName('form');"
      "for(var i=0;i<f.length;i++){f[i].target='_self';}})();");
}

void WebKitKioskViews::ResetScale() {
  // Only two fingers change the scale, and the engine has no call that sets it back: a view of the
  // same session (logins kept) takes the old one's place.
  if (main_->AllowsPinchZoom()) main_->StartAfresh(/*keep_session=*/true);
}

void WebKitKioskViews::ForgetVisitor(std::function<void()> then) {
  if (hooks_.close_visitor_dialogs) hooks_.close_visitor_dialogs();
  struct Wipe {
    WebKitKioskViews* views;
    std::function<void()> then;
    GObjectPtr<GCancellable> cancel;
  };

  // Everything the engine keeps for sites: cookies, caches, local and session storage, IndexedDB,
  // service workers with their caches, HSTS. The bar's page keeps nothing it needs there.
  WebKitWebsiteDataManager* data = webkit_web_view_get_website_data_manager(main_->View());
  webkit_website_data_manager_clear(
      data, WEBKIT_WEBSITE_DATA_ALL, 0, pending_.get(),
      [](GObject* source, GAsyncResult* result, gpointer p) {
        auto w = CallbackState<Wipe>::Take(p);
        webkit_website_data_manager_clear_finish(WEBKIT_WEBSITE_DATA_MANAGER(source), result, nullptr);
        RemoveSiteFolders();
        // Cancelled: the views are gone, and so is whoever asked.
        if (!g_cancellable_is_cancelled(w->cancel.get())) {
          w->views->main_->StartAfresh(/*keep_session=*/false);
          if (w->then) w->then();
        }
      },
      CallbackState<Wipe>::Give(this, std::move(then), pending_));
}

void WebKitKioskViews::EditCommand(Edit edit) {
  const char* command = edit == Edit::Cut     ? WEBKIT_EDITING_COMMAND_CUT
                        : edit == Edit::Copy  ? WEBKIT_EDITING_COMMAND_COPY
                        : edit == Edit::Paste ? WEBKIT_EDITING_COMMAND_PASTE
                                              : WEBKIT_EDITING_COMMAND_SELECT_ALL;
  webkit_web_view_execute_editing_command(main_->View(), command);
}

void WebKitKioskViews::ShowFindBar() {
  OpenFindBar(hooks_.dialog_parent ? hooks_.dialog_parent() : nullptr, main_->View());
}

void WebKitKioskViews::ShowSource() {
  OpenSourceWindow(hooks_.dialog_parent ? hooks_.dialog_parent() : nullptr, main_->View());
}

void WebKitKioskViews::SetTextZoom(double zoom) {
  // The old engine's text sizes scale the text, not the pictures.
  webkit_settings_set_zoom_text_only(webkit_web_view_get_settings(main_->View()), TRUE);
  webkit_web_view_set_zoom_level(main_->View(), zoom);
}

void WebKitKioskViews::SetHighContrast(bool on) {
  main_->SetUserStyle(kHighContrastStyle, on);
}

void WebKitKioskViews::ReadFromStart() {
  webkit_settings_set_enable_caret_browsing(webkit_web_view_get_settings(main_->View()), TRUE);
  gtk_widget_grab_focus(main_->Widget());
  main_->RunScript(kReadFromStartScript);
}

void WebKitKioskViews::SetCharset(std::string_view label) {
  std::string name(label);
  webkit_web_view_set_custom_charset(main_->View(), name.empty() ? nullptr : name.c_str());
}

void WebKitKioskViews::ExecBrowserCommand(BrowserCommand command, GtkWindow* parent) {
  if (command == BrowserCommand::Print || command == BrowserCommand::PrintPreview) {
    WebKitWebView* active = bar_ && gtk_widget_has_focus(bar_->Widget()) ? bar_->View() : main_->View();
    PrintWithDialog(active, parent);
  } else if (command == BrowserCommand::SaveAs) {
    GtkWidget* chooser = gtk_file_chooser_dialog_new(Tr("Save as"), parent, GTK_FILE_CHOOSER_ACTION_SAVE, Tr("Cancel"),
                                                     GTK_RESPONSE_CANCEL, Tr("Save"), GTK_RESPONSE_ACCEPT, nullptr);
    gtk_window_set_modal(GTK_WINDOW(chooser), TRUE);
    MarkVisitorDialog(chooser);
    gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(chooser), TRUE);
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), "page.mht");
    g_object_set_data_full(G_OBJECT(chooser), "panelia-view", g_object_ref(main_->View()), g_object_unref);
    g_signal_connect(
        chooser, "response", G_CALLBACK(+[](GtkDialog* d, int response, gpointer) {
          if (response == GTK_RESPONSE_ACCEPT) {
            auto* view = WEBKIT_WEB_VIEW(g_object_get_data(G_OBJECT(d), "panelia-view"));
            GObjectPtr<GFile> file = GObjectPtr<GFile>::Adopt(gtk_file_chooser_get_file(GTK_FILE_CHOOSER(d)));
            webkit_web_view_save_to_file(view, file.get(), WEBKIT_SAVE_MODE_MHTML, nullptr, nullptr, nullptr);
          }
          gtk_widget_destroy(GTK_WIDGET(d));
        }),
        nullptr);
    gtk_widget_show(chooser);
  }
}

}  // namespace panelia
