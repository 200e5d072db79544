#include "platform/webkit/webkit_browser.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>

#include "common/address.h"
#include "common/names.h"
#include "browse/page_commands.h"
#include "common/text.h"
#include "common/log.h"
#include "platform/gtk/message_box.h"
#include "platform/webkit/page_scripts.h"

#include <jsc/jsc.h>

#include <cstdio>
#include <chrono>
#include <cstring>
#include <utility>

namespace panelia {
namespace {

NavigationKind KindOf(WebKitNavigationType type) {
  switch (type) {
    case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED: return NavigationKind::LinkClicked;
    case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED: return NavigationKind::FormSubmitted;
    case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD: return NavigationKind::BackForward;
    case WEBKIT_NAVIGATION_TYPE_RELOAD: return NavigationKind::Reload;
    case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED: return NavigationKind::FormResubmitted;
    default: return NavigationKind::Other;
  }
}

}  // namespace

uint64_t WebKitBrowser::NowMs() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

WebKitBrowser::WebKitBrowser(BrowserEvents& events, BrowserOptions options)
    : events_(events), options_(std::move(options)) {
  content_ = GObjectPtr<WebKitUserContentManager>::Adopt(webkit_user_content_manager_new());
  // The kiosk's own script in its own world; what pages must see of the kiosk (window.close,
  // window.external) in theirs.
  auto add_script = [&](const std::string& source, WebKitUserContentInjectedFrames frames, const char* world) {
    constexpr auto kStart = WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START;
    WebKitUserScript* script = nullptr;
    if (world)
      script = webkit_user_script_new_for_world(source.c_str(), frames, kStart, world, nullptr, nullptr);
    else
      script = webkit_user_script_new(source.c_str(), frames, kStart, nullptr, nullptr);
    webkit_user_content_manager_add_script(content_.get(), script);
    webkit_user_script_unref(script);
  };
  close_token_ = NewToken();
  add_script(PageScript(close_token_), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, kKioskWorld);
  add_script(CloseScript(close_token_), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME, nullptr);
  if (options_.kiosk_site && !options_.external_script.empty())
    add_script(options_.external_script, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, nullptr);
  if (!options_.long_press_menu) {
    WebKitUserStyleSheet* sheet = webkit_user_style_sheet_new(kNoLongPressStyle, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                              WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
    webkit_user_content_manager_add_style_sheet(content_.get(), sheet);
    webkit_user_style_sheet_unref(sheet);
  }
  webkit_user_content_manager_register_script_message_handler_in_world(content_.get(), kHandlerName, kKioskWorld);

  UseView(MakeView());
  heartbeat_ = g_timeout_add(
      static_cast<guint>(HangWatch::kHeartbeatMs),
      [](gpointer b) -> gboolean {
        static_cast<WebKitBrowser*>(b)->Heartbeat();
        return G_SOURCE_CONTINUE;
      },
      this);
  signals_.emplace_back(content_.get(), "script-message-received::panelia", G_CALLBACK(OnScriptMessage), this);
}

namespace {

// Whether the machine has a graphics processor the engine can composite with (a DRM render node).
// Without one, accelerated compositing runs on a software GL renderer: no faster than the engine's
// own drawing, and about 55 MiB more per view.
bool HasGraphicsProcessor() {
  static const bool found = [] {
    GDir* dir = g_dir_open("/dev/dri", 0, nullptr);
    bool render_node = false;
    if (dir) {
      while (const char* name = g_dir_read_name(dir)) render_node |= g_str_has_prefix(name, "renderD") != FALSE;
      g_dir_close(dir);
    }
    if (!render_node) Log("no graphics processor; pages are drawn without compositing");
    return render_node;
  }();
  return found;
}

std::string KioskDataFolder() {
  return std::string(g_get_user_data_dir()) + "/panelia";
}

// Half the machine's memory, and never more than 1.5 GiB: the demo's home page runs in about
// 150 MiB and a heavy web page in a few hundred; a page past this is running away.
guint PageMemoryLimitMiB() {
  const long pages = sysconf(_SC_PHYS_PAGES), page_size = sysconf(_SC_PAGESIZE);
  const uint64_t machine_mib = pages > 0 && page_size > 0 ? static_cast<uint64_t>(pages) * page_size >> 20 : 4096;
  return static_cast<guint>(std::clamp<uint64_t>(machine_mib / 2, 256, 1536));
}

// The one web context of every view of the kiosk. A page's web process is bounded in memory and
// looked at every second: a page that runs away with memory is ended within seconds (the recovery
// brings the pages back), instead of pushing the machine into swap until the system steps in.
WebKitWebContext* KioskContext() {
  static WebKitWebContext* const context = [] {
    WebKitMemoryPressureSettings* memory = webkit_memory_pressure_settings_new();
    webkit_memory_pressure_settings_set_memory_limit(memory, PageMemoryLimitMiB());
    webkit_memory_pressure_settings_set_kill_threshold(memory, 1.0);
    webkit_memory_pressure_settings_set_poll_interval(memory, 1.0);
    // What sites keep lives in folders only the kiosk's account may read.
    const std::string data = KioskDataFolder(), cache = std::string(g_get_user_cache_dir()) + "/panelia";
    for (const std::string& folder : {data, cache}) {
      g_mkdir_with_parents(folder.c_str(), 0700);
      chmod(folder.c_str(), 0700);
    }
    gpointer sites = g_object_new(WEBKIT_TYPE_WEBSITE_DATA_MANAGER, "base-data-directory", data.c_str(),
                                  "base-cache-directory", cache.c_str(), nullptr);
    auto* made = WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "memory-pressure-settings", memory,
                                                 "website-data-manager", sites, nullptr));
    g_object_unref(sites);
    webkit_memory_pressure_settings_free(memory);
    return made;
  }();
  return context;
}

}  // namespace

WebKitWebView* WebKitBrowser::MakeView() {
  // The drawing mode is the view's from its first moment: the engine's web process does not take a
  // change of it on a view that exists (it ended, here).
  WebKitSettings* settings = webkit_settings_new();
  if (options_.no_compositing || !HasGraphicsProcessor())
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", KioskContext(), "user-content-manager",
                                            content_.get(), "settings", settings, nullptr));
  g_object_unref(settings);
  Configure(view);
  return view;
}

WebKitWebView* WebKitBrowser::MakeRelatedView(WebKitWebView* old) {
  // The old view's web process and network session, and its very settings.
  auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", old, "user-content-manager",
                                            content_.get(), "settings", webkit_web_view_get_settings(old), nullptr));
  Configure(view);
  return view;
}

WebKitWebView* WebKitBrowser::MakeEphemeralView(WebKitSettings* settings) {
  // An ephemeral view gets a website data store, and so a network session, of its own: nothing of
  // the old one (cookies, HTTP logins the network process remembers) is reachable from it.
  auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", KioskContext(), "is-ephemeral", TRUE,
                                            "user-content-manager", content_.get(), "settings", settings, nullptr));
  Configure(view);
  return view;
}

void WebKitBrowser::Configure(WebKitWebView* view) {
  WebKitSettings* settings = webkit_web_view_get_settings(view);
  // Scripts may open windows as the old engine let them; every such window opens in the main view.
  webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
  webkit_settings_set_enable_developer_extras(settings, FALSE);
  webkit_settings_set_enable_write_console_messages_to_stdout(settings, FALSE);
  // A swipe from the edge never leaves the page for the one before.
  webkit_settings_set_enable_back_forward_navigation_gestures(settings, FALSE);
}

void WebKitBrowser::UseView(WebKitWebView* view) {
  view_signals_.clear();
  hang_watch_.Reset();
  // A process ended on the way out belongs to the view going away: its redo goes with it.
  ended_to_leave_ = false;
  leave_again_ = nullptr;
  view_ = GObjectPtr<WebKitWebView>::Adopt(WEBKIT_WEB_VIEW(g_object_ref_sink(view)));
  view_signals_.emplace_back(view, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
  view_signals_.emplace_back(view, "load-changed", G_CALLBACK(OnLoadChanged), this);
  view_signals_.emplace_back(view, "notify::title", G_CALLBACK(OnTitle), this);
  view_signals_.emplace_back(view, "create", G_CALLBACK(OnCreate), this);
  view_signals_.emplace_back(view, "context-menu", G_CALLBACK(OnContextMenu), this);
  view_signals_.emplace_back(view, "touch-event", G_CALLBACK(OnTouchEvent), this);
  view_signals_.emplace_back(view, "button-press-event",
                             G_CALLBACK(+[](GtkWidget*, GdkEventButton* event, gpointer b) -> gboolean {
                               GdkDevice* source = gdk_event_get_source_device(reinterpret_cast<GdkEvent*>(event));
                               if (!source || gdk_device_get_source(source) != GDK_SOURCE_TOUCHSCREEN)
                                 static_cast<WebKitBrowser*>(b)->touch_gate_.OnMousePress();
                               return FALSE;
                             }),
                             this);
  // Nothing is dropped onto a view: a link or picture a finger dragged would otherwise open.
  if (!options_.long_press_menu) gtk_drag_dest_unset(GTK_WIDGET(view));
  view_signals_.emplace_back(view, "web-process-terminated", G_CALLBACK(OnProcessTerminated), this);
  view_signals_.emplace_back(view, "script-dialog", G_CALLBACK(OnScriptDialog), this);
  view_signals_.emplace_back(view, "load-failed", G_CALLBACK(OnLoadFailed), this);
  view_signals_.emplace_back(view, "print",
                             G_CALLBACK(+[](WebKitWebView* v, WebKitPrintOperation*, gpointer b) -> gboolean {
                               auto* self = static_cast<WebKitBrowser*>(b);
                               if (std::string log; !self->policy_.MayPrint(NowMs(), log)) {
                                 if (!log.empty()) Log("%s", log.c_str());
                                 return TRUE;
                               }
                               if (self->options_.print) self->options_.print(v);
                               return TRUE;
                             }),
                             this);
  // A locked pointer would leave the bar without a pointer to touch it with until the idle return.
  view_signals_.emplace_back(view, "permission-request",
                             G_CALLBACK(+[](WebKitWebView*, WebKitPermissionRequest* request, gpointer) -> gboolean {
                               if (!WEBKIT_IS_POINTER_LOCK_PERMISSION_REQUEST(request)) return FALSE;
                               Log("a page asked to lock the pointer; refused");
                               webkit_permission_request_deny(request);
                               return TRUE;
                             }),
                             this);
  // No file chooser is ever shown to a visitor: it would show the whole disk.
  view_signals_.emplace_back(view, "run-file-chooser",
                             G_CALLBACK(+[](WebKitWebView*, WebKitFileChooserRequest* request, gpointer) -> gboolean {
                               Log("a page asked for a file; refused");
                               webkit_file_chooser_request_cancel(request);
                               return TRUE;
                             }),
                             this);
  // Nothing is ever downloaded (attachments, blobs, "download" links): the kiosk writes no file for a
  // page. Watched once per web context.
  WebKitWebContext* context = webkit_web_view_get_context(view);
  if (!g_object_get_data(G_OBJECT(context), "panelia-no-downloads")) {
    g_object_set_data(G_OBJECT(context), "panelia-no-downloads", context);
    g_signal_connect(context, "download-started",
                     G_CALLBACK(+[](WebKitWebContext*, WebKitDownload* download, gpointer) {
                       WebKitURIRequest* request = webkit_download_get_request(download);
                       const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
                       Log("a download of %s was refused", uri ? ShortAddress(uri).c_str() : "(unknown)");
                       webkit_download_cancel(download);
                     }),
                     nullptr);
  }
}

void RemoveSiteFolders() {
  // The engine's wipe empties each site's storage but leaves its folder, with a file naming the site.
  std::error_code error;
  const std::filesystem::path storage = std::filesystem::path(KioskDataFolder()) / "storage";
  for (const auto& entry : std::filesystem::directory_iterator(storage, error))
    if (entry.is_directory(error)) std::filesystem::remove_all(entry.path(), error);
}

bool GioLocalFiles::IsFolder(const std::string& uri) {
  gchar* path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
  bool folder = path && g_file_test(path, G_FILE_TEST_IS_DIR);
  g_free(path);
  return folder;
}

std::string GioLocalFiles::ResolvedPath(const std::string& path) {
  std::error_code error;
  auto resolved = std::filesystem::weakly_canonical(path, error);
  return error ? std::string() : resolved.string();
}

std::string GioLocalFiles::ResolvedPathOf(const std::string& uri) {
  gchar* path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
  std::string resolved = path ? ResolvedPath(path) : std::string();
  g_free(path);
  return resolved;
}

void WebKitBrowser::OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer p) {
  auto* self = static_cast<WebKitBrowser*>(p);
  self->hang_watch_.Reset();
  self->last_process_end_ = reason == WEBKIT_WEB_PROCESS_CRASHED                 ? "crashed"
                            : reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT ? "out of memory"
                                                                                 : "ended because it did not answer";
  ++self->process_deaths_;
  if (reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API) ++self->process_hangs_;
  if (std::exchange(self->ended_to_leave_, false) && reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API) {
    // Ended on the way out: the load the kiosk wanted starts a new process at once, no recovery.
    if (auto again = std::exchange(self->leave_again_, nullptr)) again();
    return;
  }
  Log("the web process ended (%s); the pages come back shortly", self->last_process_end_.c_str());
  self->events_.OnProcessGone();
}

void WebKitBrowser::Heartbeat() {
  switch (hang_watch_.OnTick(NowMs())) {
    case HangWatch::Step::Wait: return;
    case HangWatch::Step::EndProcess: webkit_web_view_terminate_web_process(view_.get()); return;
    case HangWatch::Step::Ask: break;
  }
  AskProcess();
}

void WebKitBrowser::Leave(std::function<void()> again) {
  AnswerPageBoxes();
  if (!hang_watch_.OnLeave(NowMs())) return;
  leave_again_ = std::move(again);
  AskProcess();
  if (leave_timer_) g_source_remove(leave_timer_);
  leave_timer_ = g_timeout_add(
      static_cast<guint>(HangWatch::kLeaveMs),
      [](gpointer b) -> gboolean {
        auto* self = static_cast<WebKitBrowser*>(b);
        self->leave_timer_ = 0;
        if (self->hang_watch_.LeaveOverdue(NowMs())) {
          Log("the page did not answer as the kiosk left it; its process was ended");
          self->ended_to_leave_ = true;
          webkit_web_view_terminate_web_process(self->view_.get());
        }
        return G_SOURCE_REMOVE;
      },
      this);
}

void WebKitBrowser::AskProcess() {
  // A question only the web process's main thread answers, and one that needs no script engine on
  // this side (a script result would start one in the kiosk's own process, for nothing).
  webkit_web_view_can_execute_editing_command(
      view_.get(), WEBKIT_EDITING_COMMAND_COPY, heartbeat_cancel_.get(),
      [](GObject* source, GAsyncResult* result, gpointer b) {
        GError* error = nullptr;
        webkit_web_view_can_execute_editing_command_finish(WEBKIT_WEB_VIEW(source), result, &error);
        bool cancelled = error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        g_clear_error(&error);
        if (!cancelled) static_cast<WebKitBrowser*>(b)->hang_watch_.OnAnswer();
      },
      this);
}

void WebKitBrowser::StartAfresh(bool keep_session) {
  // The engine offers no way to empty a view's back/forward list, to set its page scale back nor to
  // forget the logins its network session remembers: a fresh view takes the old one's place in its
  // container, with the same scripts and settings (text size, encoding), and a session of its own
  // or the old one's.
  DropStandIn();
  AnswerPageBoxes();
  policy_.OnNewVisitor();
  GObjectPtr<WebKitWebView> old = view_;
  GtkWidget* parent = gtk_widget_get_parent(GTK_WIDGET(old.get()));
  UseView(keep_session ? MakeRelatedView(old.get()) : MakeEphemeralView(webkit_web_view_get_settings(old.get())));
  webkit_web_view_set_zoom_level(view_.get(), webkit_web_view_get_zoom_level(old.get()));
  if (parent) {
    bool focused = gtk_widget_has_focus(GTK_WIDGET(old.get()));
    gtk_container_remove(GTK_CONTAINER(parent), GTK_WIDGET(old.get()));
    gtk_box_pack_start(GTK_BOX(parent), GTK_WIDGET(view_.get()), TRUE, TRUE, 0);
    gtk_widget_show(GTK_WIDGET(view_.get()));
    if (focused) gtk_widget_grab_focus(GTK_WIDGET(view_.get()));
  }
  gtk_widget_destroy(GTK_WIDGET(old.get()));
}

WebKitBrowser::~WebKitBrowser() {
  AnswerPageBoxes();
  if (leave_timer_) g_source_remove(leave_timer_);
  if (user_style_) webkit_user_style_sheet_unref(user_style_);
  if (drop_idle_) g_source_remove(drop_idle_);
  if (heartbeat_) g_source_remove(heartbeat_);
  g_cancellable_cancel(heartbeat_cancel_.get());
  signals_.clear();
  view_signals_.clear();
  DropStandIn();
}

void WebKitBrowser::SetUserStyle(const char* css, bool on) {
  if (user_style_) {
    webkit_user_content_manager_remove_style_sheet(content_.get(), user_style_);
    webkit_user_style_sheet_unref(user_style_);
    user_style_ = nullptr;
  }
  if (!on) return;
  user_style_ = webkit_user_style_sheet_new(css, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, WEBKIT_USER_STYLE_LEVEL_USER,
                                            nullptr, nullptr);
  webkit_user_content_manager_add_style_sheet(content_.get(), user_style_);
}

std::string WebKitBrowser::Uri() const {
  const char* uri = webkit_web_view_get_uri(view_.get());
  return uri ? uri : "";
}

std::string WebKitBrowser::Title() const {
  const char* title = webkit_web_view_get_title(view_.get());
  return title ? title : "";
}

void WebKitBrowser::Navigate(const std::string& url) {
  std::string address = NormalizeAddress(url);
  if (TrimSpaces(url).empty()) {
    // No address to go to: the settings are missing or cannot be read (said on standard error).
    // A neutral page, never a blank white one; the lists are not asked about it.
    Log("no address to show (the home page is not set or the settings cannot be read)");
    policy_.OnQuietLoad();
    webkit_web_view_load_html(view_.get(), kOutOfServicePage, "about:blank");
    return;
  }
  policy_.OnKioskLoad();
  webkit_web_view_load_uri(view_.get(), address.c_str());
  Leave([this, address] {
    policy_.OnKioskLoad();
    webkit_web_view_load_uri(view_.get(), address.c_str());
  });
}

void WebKitBrowser::NavigateForPage(const std::string& url) {
  policy_.OnPageLoad();
  webkit_web_view_load_uri(view_.get(), NormalizeAddress(url).c_str());
}

void WebKitBrowser::GoHome() {
  std::string home = options_.browser_home ? options_.browser_home() : std::string();
  Navigate(home.empty() ? "about:blank" : home);
}

void WebKitBrowser::GoBack() {
  webkit_web_view_go_back(view_.get());
  Leave([this] { webkit_web_view_go_back(view_.get()); });
}
void WebKitBrowser::GoForward() {
  webkit_web_view_go_forward(view_.get());
  Leave([this] { webkit_web_view_go_forward(view_.get()); });
}
void WebKitBrowser::Stop() {
  webkit_web_view_stop_loading(view_.get());
}
void WebKitBrowser::Refresh() {
  webkit_web_view_reload(view_.get());
}

void WebKitBrowser::RunScript(const std::string& script, ScriptWorld world) {
  webkit_web_view_evaluate_javascript(view_.get(), script.c_str(), -1,
                                      world == ScriptWorld::Kiosk ? kKioskWorld : nullptr, nullptr, nullptr, nullptr,
                                      nullptr);
}

gboolean WebKitBrowser::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                       gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    // A kiosk shows pages; it never downloads what it cannot show.
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    WebKitURIResponse* answer = webkit_response_policy_decision_get_response(response);
    SoupMessageHeaders* headers = answer ? webkit_uri_response_get_http_headers(answer) : nullptr;
    char* disposition = nullptr;
    const bool attachment = headers && soup_message_headers_get_content_disposition(headers, &disposition, nullptr) &&
                            disposition && g_ascii_strcasecmp(disposition, "attachment") == 0;
    g_free(disposition);
    if (attachment || !webkit_response_policy_decision_is_mime_type_supported(response)) {
      const char* uri = answer ? webkit_uri_response_get_uri(answer) : nullptr;
      Log("%s was refused: %s", uri ? ShortAddress(uri).c_str() : "(no address)",
          attachment ? "the site sent it as a file to save" : "the kiosk cannot show its type");
      webkit_policy_decision_ignore(decision);
      return TRUE;
    }
    return FALSE;
  }
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return FALSE;
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  NavigationRequest request{uri ? uri : "", KindOf(webkit_navigation_action_get_navigation_type(action)),
                            webkit_navigation_action_is_user_gesture(action) != FALSE, self->Uri()};
  NavigationVerdict verdict = self->policy_.Decide(request);
  if (!verdict.checked) return FALSE;
  if (verdict.refused) Log("%s", verdict.refusal.c_str());
  bool cancel = verdict.refused;
  NavigationOrigin& origin = verdict.origin;
  self->events_.OnBeforeNavigate(uri ? uri : "", cancel, origin);
  if (!cancel) return FALSE;
  webkit_policy_decision_ignore(decision);
  return TRUE;
}

void WebKitBrowser::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  if (event == WEBKIT_LOAD_COMMITTED) {
    self->hang_watch_.OnSignOfLife();  // the process has a page: it may be judged
    self->policy_.OnCommitted();
    self->dialog_gate_.OnNewPage();
    self->events_.OnNavigateComplete(self->Uri());
  } else if (event == WEBKIT_LOAD_FINISHED)
    self->events_.OnDocumentComplete(self->Uri());
}

void WebKitBrowser::OnTitle(GObject*, GParamSpec*, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  self->events_.OnTitleChange(self->Title());
}

}  // namespace panelia
