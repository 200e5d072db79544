// A WebKitGTK web view behind the BrowserControl port, with its signals turned into the browser
// events the kiosk classes understand.
#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <memory>
#include <string>
#include <vector>

#include "browse/command_links.h"
#include "browse/navigation_policy.h"
#include "browse/page_messages.h"
#include "browse/ports.h"
#include "browse/script_dialogs.h"
#include "browse/touch_gate.h"
#include "platform/gtk/gobject_ptr.h"
#include "common/address.h"

namespace panelia {

struct BrowserOptions {
  bool kiosk_site = false;                    // own context menu and the page external object
  std::string external_script;                // window.external for pages under the kiosk site
  std::function<std::string()> browser_home;  // the browser's own home page
  // Pop-ups open in windows of their own (the bar's pop-ups) instead of being handed to the events.
  bool own_popup_windows = false;
  // No menu at all on a right click or a long press (the bar: its buttons must not offer "Open Link
  // in New Window").
  bool no_context_menu = false;
  // The folders a visitor's page may open local files in (the home page's folder, the program
  // directory); none set: no such limit.
  std::function<std::vector<std::string>()> local_folders;
  // Drawn without accelerated compositing whatever the machine has (the bar: an 80-pixel row of
  // pictures gains nothing from it, and a second layer tree costs the web process ~55 MiB).
  bool no_compositing = false;
  // A page's own window.print(): the kiosk's print path, never the engine's dialog.
  std::function<void(WebKitWebView*)> print;
  // Two fingers may zoom the page.
  bool pinch_zoom = false;
  // A long press may open the menu, select text outside text fields and drag links and pictures.
  bool long_press_menu = false;
};

// After the engine's wipe for the next visitor: the per-site folders it leaves behind.
void RemoveSiteFolders();

// The file system as the local-file fence asks it, through GLib.
class GioLocalFiles final : public LocalFileSystem {
 public:
  bool IsFolder(const std::string& uri) override;
  std::string ResolvedPath(const std::string& path) override;
  std::string ResolvedPathOf(const std::string& uri) override;
};

class WebKitBrowser final : public BrowserControl {
 public:
  static uint64_t NowMs();  // a steady clock, for the kiosk's waits and back-offs
  WebKitBrowser(BrowserEvents& events, BrowserOptions options);
  ~WebKitBrowser() override;
  WebKitBrowser(const WebKitBrowser&) = delete;
  WebKitBrowser& operator=(const WebKitBrowser&) = delete;

  GtkWidget* Widget() const { return GTK_WIDGET(view_.get()); }
  WebKitWebView* View() const { return view_.get(); }
  std::string Uri() const;
  std::string Title() const;

  void Navigate(const std::string& url) override;
  void NavigateForPage(const std::string& url) override;
  void GoHome() override;
  void GoBack() override;
  void GoForward() override;
  void Stop() override;
  void Refresh() override;
  std::string LocationUrl() const override { return Uri(); }
  std::string LocationName() const override { return Title(); }
  // The kiosk's scripts run in its own world, where a page's redefinitions cannot reach them.
  enum class ScriptWorld { Kiosk, Page };
  void RunScript(const std::string& script, ScriptWorld world = ScriptWorld::Kiosk);
  // A user style sheet over every page and frame of this view, until taken away (it outlives the
  // view's renewal for a new visitor, so the caller takes it away then).
  void SetUserStyle(const char* css, bool on);
  // While the view asks for its context menu: the event it is for.
  GdkEvent* MenuEvent() const { return menu_event_; }
  // Starts the view afresh for a new visitor: a new back/forward list, so Back cannot reach any page
  // shown before, the page at its own scale, and (unless `keep_session`) a network session of its
  // own, so no login the last visitor gave is sent again.
  void StartAfresh(bool keep_session);
  bool AllowsPinchZoom() const { return options_.pinch_zoom; }
  // How often its web process ended, how often for not answering, and why it last did.
  int ProcessDeaths() const { return process_deaths_; }
  int ProcessHangs() const { return process_hangs_; }
  const std::string& LastProcessEnd() const { return last_process_end_; }

 private:
  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType, gpointer self);
  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer self);
  static void OnTitle(GObject*, GParamSpec*, gpointer self);
  static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction*, gpointer self);
  static void OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer self);
  void Heartbeat();
  void AskProcess();  // the hang watch's question
  // The kiosk leaves the page: its boxes are answered, and a process that no longer answers is ended
  // and `again` redone in a new one.
  void Leave(std::function<void()> again);
  static gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self);
  static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* failing_uri, GError* error, gpointer self);
  static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer self);
  static gboolean OnTouchEvent(GtkWidget*, GdkEvent*, gpointer self);
  static void OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer self);
  static gboolean OnStandInPolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType, gpointer self);
  static GtkWidget* OpenPopupWindow(WebKitWebView* opener);
  void DropStandIn();
  WebKitWebView* MakeView();
  WebKitWebView* MakeEphemeralView(WebKitSettings* settings);
  WebKitWebView* MakeRelatedView(WebKitWebView* old);
  void Configure(WebKitWebView* view);
  void UseView(WebKitWebView* view);

  BrowserEvents& events_;
  BrowserOptions options_;
  GioLocalFiles local_files_;
  NavigationPolicy policy_{local_files_, options_.local_folders};
  GObjectPtr<WebKitUserContentManager> content_;
  WebKitUserStyleSheet* user_style_ = nullptr;
  GObjectPtr<WebKitWebView> view_;
  GObjectPtr<WebKitWebView> stand_in_;
  std::string close_token_;                 // known only to the top frame's script
  std::vector<ScopedSignal> signals_;       // of the content manager
  std::vector<ScopedSignal> view_signals_;  // of the view now in use
  ScopedSignal stand_in_signal_;
  guint drop_idle_ = 0;
  // A process that stopped answering (a stopped process, a page in an endless loop) is found by a
  // trivial script now and then, also on a page nobody touches: the engine's own responsiveness
  // flag changes only when it has input to deliver. Ten seconds without an answer end the process.
  guint heartbeat_ = 0;
  ScriptDialogGate dialog_gate_;
  // The boxes of the page's script dialogs now open; the page waits on their answers.
  std::vector<GtkWidget*> page_boxes_;
  void AnswerPageBoxes();

  HangWatch hang_watch_;
  guint leave_timer_ = 0;
  bool ended_to_leave_ = false;
  std::function<void()> leave_again_;
  TouchGate touch_gate_{options_.pinch_zoom};
  GdkEvent* menu_event_ = nullptr;
  int process_deaths_ = 0, process_hangs_ = 0;
  std::string last_process_end_;
  GObjectPtr<GCancellable> heartbeat_cancel_ = GObjectPtr<GCancellable>::Adopt(g_cancellable_new());
};

}  // namespace panelia
