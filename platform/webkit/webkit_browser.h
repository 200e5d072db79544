// A WebKitGTK web view under a BrowserController: its signals become the controller's facts.
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

#include "browse/browser_controller.h"
#include "browse/ports.h"
#include "platform/gtk/gobject_ptr.h"
#include "common/address.h"
#include "common/proxy.h"

namespace panelia {

struct BrowserOptions {
  BrowsingRules rules;
  std::string external_script;  // window.external for pages under the kiosk site
  // Drawn without accelerated compositing whatever the machine has (the bar: an 80-pixel row of
  // pictures gains nothing from it, and a second layer tree costs the web process ~55 MiB).
  bool no_compositing = false;
  // A view beside the pages (the bar): its own web process, looked at less often.
  bool side_view = false;
  // A page's own window.print(): the kiosk's print path, never the engine's dialog.
  std::function<void(WebKitWebView*)> print;
  // The folder (with a trailing "/") of the operator's "Offline.htm"; empty: the built-in page only.
  std::string offline_folder;
};

// After the engine's wipe for the next visitor: the per-site folders it leaves behind.
void RemoveSiteFolders();
// The web context of the pages' views.
WebKitWebContext* KioskContext();
// The web context of the views beside the pages, sharing the pages' network session.
WebKitWebContext* SideViewContext();
// Whether pages may be drawn with accelerated compositing on this machine.
bool HasGraphicsProcessor();
// Without a graphics processor, the engine is told to draw without compositing from its start, here
// and in the web processes it starts. Called before anything of the engine exists.
void DrawWithoutGpuWhenThereIsNone();
// How every view's network session reaches the web; set before the first view is made.
void UseProxy(ProxyChoice choice);
// Every network session of the kiosk's views takes the kiosk's proxy choice.
void ApplyProxy(WebKitWebsiteDataManager* manager);
// A network probe goes the way the pages go (the same proxy).
void ConfigureProbe(GSocketClient* client);
// Camera and microphone requests are answered by the engine's stand-in devices (tests), not real ones.
bool UsesStandInCaptureDevices();

// The file system as the local-file fence asks it, through GLib.
class GioLocalFiles final : public LocalFileSystem {
 public:
  bool IsFolder(const std::string& uri) override;
  std::string ResolvedPath(const std::string& path) override;
  std::string ResolvedPathOf(const std::string& uri) override;
};

// Translates between a WebKitWebView and its BrowserController: the engine's signals become the
// controller's facts, and the controller's asks become engine calls.
class WebKitBrowser final : public WebEngine {
 public:
  static uint64_t NowMs();  // a steady clock, for the kiosk's waits and back-offs
  WebKitBrowser(BrowserEvents& events, BrowserOptions options);
  ~WebKitBrowser() override;
  WebKitBrowser(const WebKitBrowser&) = delete;
  WebKitBrowser& operator=(const WebKitBrowser&) = delete;

  BrowserController& Control() { return controller_; }
  const BrowserController& Control() const { return controller_; }
  GtkWidget* Widget() const { return GTK_WIDGET(view_.get()); }
  WebKitWebView* View() const { return view_.get(); }
  void Navigate(const std::string& url) { controller_.Navigate(url); }
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
  bool AllowsPinchZoom() const { return controller_.Rules().pinch_zoom; }
  // The first page, started before the kiosk's logic exists: the engine starts its processes and
  // reads the page while the rest of the kiosk is made. Nothing of it shows before the logic asks
  // for the same address (Load), and the navigation is judged then, as any other; any other first
  // step of the logic drops it.
  void LoadEarly(const std::string& address);

  // WebEngine
  void Load(const std::string& address) override;
  void ShowOwnPage(OwnPage page) override;
  void ShowCannotShow(const std::string& failing_address) override;
  void ShowOffline(const std::string& failing_address, NetworkProblem why, uint64_t next_try_ms) override;
  void ProbeNetwork(const std::string& address) override;
  void Back() override {
    DropEarlyLoad();
    webkit_web_view_go_back(view_.get());
  }
  void Forward() override {
    DropEarlyLoad();
    webkit_web_view_go_forward(view_.get());
  }
  void StopLoading() override {
    DropEarlyLoad();
    webkit_web_view_stop_loading(view_.get());
  }
  void Reload() override {
    DropEarlyLoad();
    webkit_web_view_reload(view_.get());
  }
  void AskProcess() override;
  void EndProcess() override { webkit_web_view_terminate_web_process(view_.get()); }
  void AnswerPageBoxes() override;
  void StartTimer(BrowserTimer timer, int milliseconds) override;
  std::string Address() const override;
  std::string Title() const override;

 private:
  bool Allows(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type);
  void DropEarlyLoad();
  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType, gpointer self);
  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer self);
  static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction*, gpointer self);
  static void OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer self);
  static gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self);
  static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* failing_uri, GError* error, gpointer self);
  static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer self);
  static gboolean OnTouchEvent(GtkWidget*, GdkEvent*, gpointer self);
  static void OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer self);
  static gboolean OnStandInPolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType, gpointer self);
  static GtkWidget* OpenPopupWindow(WebKitWebView* opener);
  void DropStandIn();
  void AddScripts();
  // Where this browser's views are made.
  WebKitWebContext* Context() const { return options_.side_view ? SideViewContext() : KioskContext(); }
  WebKitWebView* MakeView();
  WebKitWebView* MakeEphemeralView(WebKitSettings* settings);
  WebKitWebView* MakeRelatedView(WebKitWebView* old);
  ScopedSignal network_signal_;
  void Configure(WebKitWebView* view);
  void UseView(WebKitWebView* view);
  void ConnectRefusals(WebKitWebView* view);

  BrowserOptions options_;
  GioLocalFiles local_files_;
  BrowserController controller_;
  GObjectPtr<WebKitUserContentManager> content_;
  WebKitUserStyleSheet* user_style_ = nullptr;
  GObjectPtr<WebKitWebView> view_;
  GObjectPtr<WebKitWebView> stand_in_;
  std::string early_address_;                        // LoadEarly's, until the logic asks for a page
  GObjectPtr<WebKitPolicyDecision> early_decision_;  // its navigation, held until then
  std::string close_token_;                          // known only to the top frame's script
  std::vector<ScopedSignal> signals_;                // of the content manager
  std::vector<ScopedSignal> view_signals_;           // of the view now in use
  ScopedSignal stand_in_signal_;
  guint drop_idle_ = 0;
  // A process that stopped answering (a stopped process, a page in an endless loop) is found by a
  // trivial question now and then, also on a page nobody touches: the engine's own responsiveness
  // flag changes only when it has input to deliver.
  guint heartbeat_ = 0;
  guint timers_[3] = {0, 0, 0};  // by BrowserTimer
  // The boxes of the page's script dialogs now open; the page waits on their answers.
  std::vector<GtkWidget*> page_boxes_;
  GdkEvent* menu_event_ = nullptr;
  GObjectPtr<GCancellable> heartbeat_cancel_ = GObjectPtr<GCancellable>::Adopt(g_cancellable_new());
  GObjectPtr<GCancellable> probe_cancel_ = GObjectPtr<GCancellable>::Adopt(g_cancellable_new());
};

// Why the network failed a load or a probe; NoProblem when `error` is no network failure (a missing
// local file, an address the engine cannot show).
NetworkProblem NetworkProblemOf(const GError* error);

}  // namespace panelia
