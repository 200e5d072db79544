#include "platform/webkit/webkit_browser.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

#include "common/log.h"
#include "common/text.h"
#include "platform/webkit/page_scripts.h"

namespace panelia {

uint64_t WebKitBrowser::NowMs() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

WebKitBrowser::WebKitBrowser(BrowserEvents& events, BrowserOptions options)
    : options_(std::move(options)), controller_(*this, events, local_files_, options_.rules, &NowMs) {
  content_ = GObjectPtr<WebKitUserContentManager>::Adopt(webkit_user_content_manager_new());
  AddScripts();
  UseView(MakeView());
  // On the second, with the kiosk's other watches: an idle kiosk wakes once for all of them.
  heartbeat_ = g_timeout_add_seconds(
      static_cast<guint>(HangWatch::kHeartbeatMs / 1000),
      [](gpointer b) -> gboolean {
        static_cast<WebKitBrowser*>(b)->controller_.OnHeartbeat();
        return G_SOURCE_CONTINUE;
      },
      this);
  signals_.emplace_back(content_.get(), "script-message-received::panelia", G_CALLBACK(OnScriptMessage), this);
  network_signal_ = ScopedSignal(g_network_monitor_get_default(), "network-changed",
                                 G_CALLBACK(+[](GNetworkMonitor*, gboolean available, gpointer b) {
                                   if (available) static_cast<WebKitBrowser*>(b)->controller_.OnNetworkAvailable();
                                 }),
                                 this);
}

void WebKitBrowser::AddScripts() {
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
  if (options_.rules.kiosk_site && !options_.external_script.empty())
    add_script(options_.external_script, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, nullptr);
  if (!options_.rules.long_press_menu) {
    WebKitUserStyleSheet* sheet = webkit_user_style_sheet_new(kNoLongPressStyle, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                              WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
    webkit_user_content_manager_add_style_sheet(content_.get(), sheet);
    webkit_user_style_sheet_unref(sheet);
  }
  webkit_user_content_manager_register_script_message_handler_in_world(content_.get(), kHandlerName, kKioskWorld);
}

WebKitWebView* WebKitBrowser::MakeView() {
  // The drawing mode is the view's from its first moment: the engine's web process does not take a
  // change of it on a view that exists (it ended, here).
  WebKitSettings* settings = webkit_settings_new();
  if (options_.no_compositing || !HasGraphicsProcessor())
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", Context(), "user-content-manager",
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
  auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", Context(), "is-ephemeral", TRUE,
                                            "user-content-manager", content_.get(), "settings", settings, nullptr));
  ApplyProxy(webkit_web_view_get_website_data_manager(view));
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
  // Camera and microphone only where the operator lets a site use them.
  const bool capture = !options_.rules.media_sites.empty();
  webkit_settings_set_enable_media_stream(settings, capture ? TRUE : FALSE);
  if (capture && UsesStandInCaptureDevices()) webkit_settings_set_enable_mock_capture_devices(settings, TRUE);
}

void WebKitBrowser::UseView(WebKitWebView* view) {
  view_signals_.clear();
  controller_.OnNewView();
  view_ = GObjectPtr<WebKitWebView>::Adopt(WEBKIT_WEB_VIEW(g_object_ref_sink(view)));
  view_signals_.emplace_back(view, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
  view_signals_.emplace_back(view, "load-changed", G_CALLBACK(OnLoadChanged), this);
  view_signals_.emplace_back(view, "notify::title", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer b) {
                               static_cast<WebKitBrowser*>(b)->controller_.OnTitleChanged();
                             }),
                             this);
  view_signals_.emplace_back(view, "create", G_CALLBACK(OnCreate), this);
  view_signals_.emplace_back(view, "context-menu", G_CALLBACK(OnContextMenu), this);
  view_signals_.emplace_back(view, "touch-event", G_CALLBACK(OnTouchEvent), this);
  view_signals_.emplace_back(view, "button-press-event",
                             G_CALLBACK(+[](GtkWidget*, GdkEventButton* event, gpointer b) -> gboolean {
                               GdkDevice* source = gdk_event_get_source_device(reinterpret_cast<GdkEvent*>(event));
                               if (!source || gdk_device_get_source(source) != GDK_SOURCE_TOUCHSCREEN)
                                 static_cast<WebKitBrowser*>(b)->controller_.OnMousePress();
                               return FALSE;
                             }),
                             this);
  // Nothing is dropped onto a view: a link or picture a finger dragged would otherwise open.
  if (!options_.rules.long_press_menu) gtk_drag_dest_unset(GTK_WIDGET(view));
  view_signals_.emplace_back(view, "web-process-terminated", G_CALLBACK(OnProcessTerminated), this);
  view_signals_.emplace_back(view, "script-dialog", G_CALLBACK(OnScriptDialog), this);
  view_signals_.emplace_back(view, "load-failed", G_CALLBACK(OnLoadFailed), this);
  ConnectRefusals(view);
}

void WebKitBrowser::OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer p) {
  static_cast<WebKitBrowser*>(p)->controller_.OnProcessEnded(reason == WEBKIT_WEB_PROCESS_CRASHED ? ProcessEnd::Crashed
                                                             : reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT
                                                                 ? ProcessEnd::OutOfMemory
                                                                 : ProcessEnd::EndedByKiosk);
}

void WebKitBrowser::StartTimer(BrowserTimer timer, int milliseconds) {
  guint& source = timers_[static_cast<int>(timer)];
  if (source) g_source_remove(source);
  struct Due {
    WebKitBrowser* self;
    BrowserTimer timer;
  };
  source = g_timeout_add_full(
      G_PRIORITY_DEFAULT, static_cast<guint>(milliseconds),
      [](gpointer p) -> gboolean {
        auto* due = static_cast<Due*>(p);
        due->self->timers_[static_cast<int>(due->timer)] = 0;
        due->self->controller_.OnTimer(due->timer);
        return G_SOURCE_REMOVE;
      },
      new Due{this, timer}, [](gpointer p) { delete static_cast<Due*>(p); });
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
        if (!cancelled) static_cast<WebKitBrowser*>(b)->controller_.OnProcessAnswered();
      },
      this);
}

void WebKitBrowser::StartAfresh(bool keep_session) {
  // The engine offers no way to empty a view's back/forward list, to set its page scale back nor to
  // forget the logins its network session remembers: a fresh view takes the old one's place in its
  // container, with the same scripts and settings (text size, encoding), and a session of its own
  // or the old one's.
  DropStandIn();
  DropEarlyLoad();
  AnswerPageBoxes();
  controller_.OnNewVisitor();
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
  DropEarlyLoad();
  AnswerPageBoxes();
  for (guint source : timers_)
    if (source) g_source_remove(source);
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

std::string WebKitBrowser::Address() const {
  const char* uri = webkit_web_view_get_uri(view_.get());
  return uri ? uri : "";
}

std::string WebKitBrowser::Title() const {
  const char* title = webkit_web_view_get_title(view_.get());
  return title ? title : "";
}

void WebKitBrowser::LoadEarly(const std::string& address) {
  early_address_ = NormalizeAddress(address);
  if (early_address_.empty()) return;
  // A web page's host is looked up while the web process starts, not once it asks.
  if (GUri* uri = g_uri_parse(early_address_.c_str(), G_URI_FLAGS_NONE, nullptr)) {
    const char* scheme = g_uri_get_scheme(uri);
    if (g_uri_get_host(uri) && (g_strcmp0(scheme, "http") == 0 || g_strcmp0(scheme, "https") == 0))
      webkit_web_context_prefetch_dns(webkit_web_view_get_context(view_.get()), g_uri_get_host(uri));
    g_uri_unref(uri);
  }
  MarkStartup("load");
  webkit_web_view_load_uri(view_.get(), early_address_.c_str());
}

void WebKitBrowser::DropEarlyLoad() {
  early_address_.clear();
  if (early_decision_) webkit_policy_decision_ignore(early_decision_.get());
  early_decision_ = {};
}

void WebKitBrowser::Load(const std::string& address) {
  if (!early_address_.empty() && address == early_address_) {
    // The page is on its way already; its navigation, if it has come, is judged now.
    early_address_.clear();
    if (GObjectPtr<WebKitPolicyDecision> decision = std::move(early_decision_)) {
      if (Allows(decision.get(), WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION))
        webkit_policy_decision_use(decision.get());
      else
        webkit_policy_decision_ignore(decision.get());
    }
    return;
  }
  DropEarlyLoad();
  MarkStartup("load");
  webkit_web_view_load_uri(view_.get(), address.c_str());
}

void WebKitBrowser::ShowOwnPage(OwnPage page) {
  DropEarlyLoad();
  webkit_web_view_load_html(view_.get(), (page == OwnPage::Waiting ? WaitingPage() : OutOfServicePage()).c_str(),
                            "about:blank");
}

void WebKitBrowser::ShowCannotShow(const std::string& failing_address) {
  DropEarlyLoad();
  webkit_web_view_load_alternate_html(view_.get(), CannotShowPage().c_str(), failing_address.c_str(), nullptr);
}

void WebKitBrowser::ShowOffline(const std::string& failing_address, NetworkProblem why, uint64_t next_try_ms) {
  // The operator's own page when there is one (read each time: it may be mended while offline),
  // its pictures beside it; else the kiosk's, with the reason and the time of the next try.
  DropEarlyLoad();
  std::string page, base;
  if (!options_.offline_folder.empty()) {
    const std::string path = options_.offline_folder + "Offline.htm";
    auto bytes = ReadFileBytes(path, 1u << 20);
    if (auto text = bytes && bytes->find('\0') == std::string::npos ? DecodeTextFile(*bytes) : std::nullopt) {
      page = std::move(*text);
      GCharPtr uri(g_filename_to_uri(options_.offline_folder.c_str(), nullptr, nullptr));
      if (uri) base = uri.get();
    }
  }
  if (page.empty()) {
    GDateTime* now = g_date_time_new_now_local();
    GDateTime* next = g_date_time_add_seconds(now, static_cast<double>(next_try_ms) / 1000.0);
    GCharPtr clock(g_date_time_format(next, "%H:%M:%S"));
    g_date_time_unref(next);
    g_date_time_unref(now);
    page = OfflinePage(ProblemSentence(why), clock ? clock.get() : "");
  }
  webkit_web_view_load_alternate_html(view_.get(), page.c_str(), failing_address.c_str(),
                                      base.empty() ? nullptr : base.c_str());
}

void WebKitBrowser::RunScript(const std::string& script, ScriptWorld world) {
  webkit_web_view_evaluate_javascript(view_.get(), script.c_str(), -1,
                                      world == ScriptWorld::Kiosk ? kKioskWorld : nullptr, nullptr, nullptr, nullptr,
                                      nullptr);
}

namespace {

// The start-up's first paint of a page: the first draw of the view that committed first.
void MarkFirstPaint(GtkWidget* view) {
  static bool watched = false;
  if (std::exchange(watched, true)) return;
  static gulong handler = 0;
  handler = g_signal_connect_after(view, "draw", G_CALLBACK(+[](GtkWidget* widget, cairo_t*, gpointer) -> gboolean {
                                     MarkStartup("painted");
                                     g_signal_handler_disconnect(widget, handler);
                                     return FALSE;
                                   }),
                                   nullptr);
}

}  // namespace

void WebKitBrowser::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  if (event == WEBKIT_LOAD_COMMITTED) {
    MarkStartup("committed");
    MarkFirstPaint(self->Widget());
    self->controller_.OnCommitted();
  } else if (event == WEBKIT_LOAD_FINISHED) {
    self->controller_.OnFinished();
  }
}

}  // namespace panelia
