// The web view's signals, each turned into a fact for the controller and its answer into the
// engine's: navigations, responses, script dialogs, failed loads, the context menu, touches, the
// messages of the kiosk's page script, the windows a page opens and what the kiosk refuses a page.
#include <jsc/jsc.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/names.h"
#include "platform/gtk/callback_state.h"
#include "platform/gtk/message_box.h"
#include "platform/webkit/webkit_browser.h"
#include "common/texts.h"

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

ScriptDialogKind DialogKindOf(WebKitScriptDialogType type) {
  switch (type) {
    case WEBKIT_SCRIPT_DIALOG_CONFIRM: return ScriptDialogKind::Confirm;
    case WEBKIT_SCRIPT_DIALOG_PROMPT: return ScriptDialogKind::Prompt;
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM: return ScriptDialogKind::BeforeUnload;
    default: return ScriptDialogKind::Alert;
  }
}

void Answer(WebKitScriptDialog* dialog, const ScriptDialogAnswer& answer) {
  if (answer.confirmed) webkit_script_dialog_confirm_set_confirmed(dialog, *answer.confirmed ? TRUE : FALSE);
  if (answer.prompt_default)
    webkit_script_dialog_prompt_set_text(dialog, webkit_script_dialog_prompt_get_default_text(dialog));
}

std::string AddressOf(WebKitNavigationAction* action) {
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  return uri ? uri : "";
}

WebKitNavigationAction* ActionOf(WebKitPolicyDecision* decision) {
  return webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
}

}  // namespace

bool WebKitBrowser::Allows(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    WebKitURIResponse* answer = webkit_response_policy_decision_get_response(response);
    SoupMessageHeaders* headers = answer ? webkit_uri_response_get_http_headers(answer) : nullptr;
    char* disposition = nullptr;
    const bool attachment = headers && soup_message_headers_get_content_disposition(headers, &disposition, nullptr) &&
                            disposition && g_ascii_strcasecmp(disposition, "attachment") == 0;
    g_free(disposition);
    const char* uri = answer ? webkit_uri_response_get_uri(answer) : nullptr;
    return controller_.MayShowResponse(uri ? uri : "", attachment,
                                       webkit_response_policy_decision_is_mime_type_supported(response) != FALSE);
  }
  if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
    WebKitNavigationAction* action = ActionOf(decision);
    return controller_.OnNavigationAsked({AddressOf(action),
                                          KindOf(webkit_navigation_action_get_navigation_type(action)),
                                          webkit_navigation_action_is_user_gesture(action) != FALSE, Address()});
  }
  return true;
}

gboolean WebKitBrowser::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                       gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION && !self->early_address_.empty()) {
    // The early first page: it waits for the kiosk's logic to ask for it, and to judge it.
    self->early_decision_ = GObjectPtr<WebKitPolicyDecision>::Ref(decision);
    return TRUE;
  }
  if (self->Allows(decision, type)) return FALSE;
  webkit_policy_decision_ignore(decision);
  return TRUE;
}

gboolean WebKitBrowser::OnScriptDialog(WebKitWebView* view, WebKitScriptDialog* dialog, gpointer p) {
  auto* self = static_cast<WebKitBrowser*>(p);
  ScriptDialogKind kind = DialogKindOf(webkit_script_dialog_get_dialog_type(dialog));
  BrowserController::DialogStep step = self->controller_.OnScriptDialog(kind);
  if (step.unseen) {
    Answer(dialog, *step.unseen);
    return TRUE;
  }
  // The kiosk's own box, which answers itself when nobody does, and at once when the kiosk leaves
  // the page (the page waits on its answer and would hold the kiosk's load back).
  GtkWidget* toplevel = gtk_widget_get_toplevel(GTK_WIDGET(view));
  webkit_script_dialog_ref(dialog);
  auto box = std::make_shared<GtkWidget*>(nullptr);
  *box = ShowPageBox(GTK_IS_WINDOW(toplevel) ? GTK_WINDOW(toplevel) : nullptr, webkit_script_dialog_get_message(dialog),
                     TrText(kNoticeCaption), step.question ? GTK_MESSAGE_QUESTION : GTK_MESSAGE_INFO,
                     step.question ? GTK_BUTTONS_OK_CANCEL : GTK_BUTTONS_OK, ScriptDialogGate::kShownMs,
                     [self, dialog, kind, box](int response) {
                       std::erase(self->page_boxes_, *box);
                       Answer(dialog, AnswerShown(kind, response == GTK_RESPONSE_OK));
                       webkit_script_dialog_close(dialog);
                       webkit_script_dialog_unref(dialog);
                     });
  self->page_boxes_.push_back(*box);
  return TRUE;
}

void WebKitBrowser::AnswerPageBoxes() {
  // Each answer takes its box off the list.
  const std::vector<GtkWidget*> open = page_boxes_;
  for (GtkWidget* box : open) gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_CANCEL);
}

NetworkProblem NetworkProblemOf(const GError* error) {
  if (!error) return NetworkProblem::NoProblem;
  if (error->domain == G_RESOLVER_ERROR) return NetworkProblem::NameNotFound;
  if (error->domain == G_TLS_ERROR) return NetworkProblem::Tls;
  if (error->domain == g_quark_from_static_string("soup-session-error-quark")) return NetworkProblem::Other;
  if (error->domain != G_IO_ERROR) return NetworkProblem::NoProblem;
  switch (error->code) {
    case G_IO_ERROR_CONNECTION_REFUSED: return NetworkProblem::Refused;
    case G_IO_ERROR_HOST_UNREACHABLE:
    case G_IO_ERROR_NETWORK_UNREACHABLE: return NetworkProblem::NoRoute;
    case G_IO_ERROR_TIMED_OUT: return NetworkProblem::TimedOut;
    case G_IO_ERROR_PROXY_FAILED:
    case G_IO_ERROR_PROXY_AUTH_FAILED:
    case G_IO_ERROR_PROXY_NEED_AUTH:
    case G_IO_ERROR_PROXY_NOT_ALLOWED: return NetworkProblem::Proxy;
    case G_IO_ERROR_HOST_NOT_FOUND: return NetworkProblem::NameNotFound;
    case G_IO_ERROR_CONNECTION_CLOSED:
    case G_IO_ERROR_NOT_CONNECTED: return NetworkProblem::Other;
    default: return NetworkProblem::NoProblem;
  }
}

gboolean WebKitBrowser::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* failing_uri, GError* error,
                                     gpointer self) {
  const NetworkProblem problem = NetworkProblemOf(error);
  // A local file is never the network's fault, whatever the error says.
  const bool local = failing_uri && g_str_has_prefix(failing_uri, "file:");
  LoadFailure failure =
      g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ? LoadFailure::Cancelled
      : g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)
          ? LoadFailure::InterruptedByPolicy
      : g_error_matches(error, WEBKIT_PLUGIN_ERROR, WEBKIT_PLUGIN_ERROR_WILL_HANDLE_LOAD)
          ? LoadFailure::HandledElsewhere
      : problem != NetworkProblem::NoProblem && !local ? LoadFailure::Network
                                                       : LoadFailure::Other;
  return static_cast<WebKitBrowser*>(self)->controller_.OnLoadFailed(
             failure, failing_uri ? failing_uri : "", error && error->message ? error->message : "", problem)
             ? TRUE
             : FALSE;
}

void WebKitBrowser::ProbeNetwork(const std::string& address) {
  // A connection to the page's host and port, through the proxy the pages use, with the TLS
  // handshake an https page needs (the system's trust): what a load needs of the network, without
  // the view, so the offline page stays until the page can come back.
  GObjectPtr<GSocketClient> client = GObjectPtr<GSocketClient>::Adopt(g_socket_client_new());
  g_socket_client_set_timeout(client.get(), 10);
  ConfigureProbe(client.get());
  const bool tls = g_str_has_prefix(address.c_str(), "https:") != FALSE;
  g_socket_client_set_tls(client.get(), tls ? TRUE : FALSE);
  g_socket_client_connect_to_uri_async(
      client.get(), address.c_str(), tls ? 443 : 80, probe_cancel_.get(),
      [](GObject* source, GAsyncResult* result, gpointer b) {
        GError* error = nullptr;
        GSocketConnection* connection = g_socket_client_connect_to_uri_finish(G_SOCKET_CLIENT(source), result, &error);
        if (connection) {
          g_io_stream_close(G_IO_STREAM(connection), nullptr, nullptr);
          g_object_unref(connection);
        }
        const bool cancelled = error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        NetworkProblem problem = NetworkProblem::NoProblem;
        if (error) {
          problem = NetworkProblemOf(error);
          if (problem == NetworkProblem::NoProblem) problem = NetworkProblem::Other;
        }
        g_clear_error(&error);
        if (!cancelled) static_cast<WebKitBrowser*>(b)->controller_.OnNetworkProbed(problem);
      },
      this);
}

gboolean WebKitBrowser::OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent* event, WebKitHitTestResult*,
                                      gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  // The engine's event, which the kiosk's menu pops up for: it comes from the web process, after
  // GTK's own handling of the touch has ended.
  self->menu_event_ = event;
  MenuAnswer answer = self->controller_.OnMenuAsked();
  self->menu_event_ = nullptr;
  return answer == MenuAnswer::Engine ? FALSE : TRUE;
}

gboolean WebKitBrowser::OnTouchEvent(GtkWidget*, GdkEvent* event, gpointer data) {
  TouchGate::Phase phase = TouchGate::Phase::Update;
  switch (event->type) {
    case GDK_TOUCH_BEGIN: phase = TouchGate::Phase::Begin; break;
    case GDK_TOUCH_END: phase = TouchGate::Phase::End; break;
    case GDK_TOUCH_CANCEL: phase = TouchGate::Phase::Cancel; break;
    default: break;
  }
  // Swallowed here, before the view's own handler: neither the page nor the engine's gestures see it.
  return static_cast<WebKitBrowser*>(data)->controller_.OnTouch(phase,
                                                                reinterpret_cast<uintptr_t>(event->touch.sequence))
             ? FALSE
             : TRUE;
}

void WebKitBrowser::OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  if (!jsc_value_is_string(value)) return;
  GCharPtr text(jsc_value_to_string(value));
  int x = 0, y = 0;
  if (GdkWindow* window = gtk_widget_get_window(self->Widget())) gdk_window_get_origin(window, &x, &y);
  self->controller_.OnPageMessage(text ? text.get() : "", self->close_token_, x, y);
}

GtkWidget* WebKitBrowser::OnCreate(WebKitWebView* view, WebKitNavigationAction* action, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  switch (self->controller_.OnNewWindow(AddressOf(action), webkit_navigation_action_is_user_gesture(action) != FALSE)) {
    case NavigationPolicy::NewWindow::OwnWindow: return OpenPopupWindow(view);
    case NavigationPolicy::NewWindow::Refused:
    case NavigationPolicy::NewWindow::InTheView: return nullptr;
    case NavigationPolicy::NewWindow::StandIn: break;
  }
  // A hidden view in the same process takes the window; its first real navigation goes to the
  // main view instead, and the stand-in is thrown away.
  self->DropStandIn();
  auto* stand_in = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", view, nullptr));
  self->stand_in_ = GObjectPtr<WebKitWebView>::Adopt(WEBKIT_WEB_VIEW(g_object_ref_sink(stand_in)));
  self->stand_in_signal_ = ScopedSignal(stand_in, "decide-policy", G_CALLBACK(OnStandInPolicy), self);
  return GTK_WIDGET(stand_in);
}

gboolean WebKitBrowser::OnStandInPolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                        gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return FALSE;
  BrowserController::StandInStep step = self->controller_.OnStandInNavigation(AddressOf(ActionOf(decision)));
  if (step == BrowserController::StandInStep::NotYet) return FALSE;
  if (step == BrowserController::StandInStep::Refuse) webkit_policy_decision_ignore(decision);
  // Not destroyed from inside its own signal: on the next turn of the loop, unless this browser
  // goes first (its destructor removes the idle source).
  if (!self->drop_idle_) {
    self->drop_idle_ = g_idle_add(
        [](gpointer p) -> gboolean {
          auto* browser = static_cast<WebKitBrowser*>(p);
          browser->drop_idle_ = 0;
          browser->DropStandIn();
          return G_SOURCE_REMOVE;
        },
        self);
  }
  return step == BrowserController::StandInStep::Refuse ? TRUE : FALSE;
}

GtkWidget* WebKitBrowser::OpenPopupWindow(WebKitWebView* opener) {
  // A plain browser window of its own, shown once the engine says it is ready, gone when closed.
  auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", opener, nullptr));
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 800, 600);
  // A window a visitor opened: gone for the next one.
  MarkVisitorDialog(window);
  gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(view));
  g_signal_connect_swapped(view, "ready-to-show", G_CALLBACK(gtk_widget_show_all), window);
  g_signal_connect_swapped(view, "close", G_CALLBACK(gtk_widget_destroy), window);
  return GTK_WIDGET(view);
}

void WebKitBrowser::DropStandIn() {
  stand_in_signal_.Disconnect();
  if (stand_in_) {
    gtk_widget_destroy(GTK_WIDGET(stand_in_.get()));
    stand_in_.reset();
  }
}

void WebKitBrowser::ConnectRefusals(WebKitWebView* view) {
  view_signals_.emplace_back(view, "print",
                             G_CALLBACK(+[](WebKitWebView* v, WebKitPrintOperation*, gpointer b) -> gboolean {
                               auto* self = static_cast<WebKitBrowser*>(b);
                               if (self->controller_.MayPrint() && self->options_.print) self->options_.print(v);
                               return TRUE;  // never the engine's own dialog
                             }),
                             this);
  view_signals_.emplace_back(
      view, "permission-request",
      G_CALLBACK(+[](WebKitWebView* v, WebKitPermissionRequest* request, gpointer b) -> gboolean {
        BrowserController& controller = static_cast<WebKitBrowser*>(b)->controller_;
        bool may = false;
        if (WEBKIT_IS_POINTER_LOCK_PERMISSION_REQUEST(request)) {
          may = controller.MayLockPointer();
        } else if (WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request)) {
          const char* uri = webkit_web_view_get_uri(v);
          may = controller.MayCapture(uri ? uri : "", webkit_user_media_permission_is_for_display_device(
                                                          WEBKIT_USER_MEDIA_PERMISSION_REQUEST(request)) != FALSE);
        } else {
          return FALSE;  // the engine refuses what nobody answers
        }
        if (may)
          webkit_permission_request_allow(request);
        else
          webkit_permission_request_deny(request);
        return TRUE;
      }),
      this);
  // A certificate the system does not trust is the network's failure, shown with its reason; there
  // is no way around it for a visitor.
  view_signals_.emplace_back(
      view, "load-failed-with-tls-errors",
      G_CALLBACK(+[](WebKitWebView*, gchar* uri, GTlsCertificate*, GTlsCertificateFlags flags, gpointer b) -> gboolean {
        const std::string reason = "certificate errors " + std::to_string(flags);
        static_cast<WebKitBrowser*>(b)->controller_.OnLoadFailed(LoadFailure::Network, uri ? uri : "", reason,
                                                                 NetworkProblem::Tls);
        return TRUE;
      }),
      this);
  view_signals_.emplace_back(view, "run-file-chooser",
                             G_CALLBACK(+[](WebKitWebView*, WebKitFileChooserRequest* request, gpointer b) -> gboolean {
                               if (static_cast<WebKitBrowser*>(b)->controller_.MayChooseFile()) return FALSE;
                               webkit_file_chooser_request_cancel(request);
                               return TRUE;
                             }),
                             this);
  // Watched once per web context, for every view of it.
  WebKitWebContext* context = webkit_web_view_get_context(view);
  if (g_object_get_data(G_OBJECT(context), "panelia-downloads")) return;
  g_object_set_data(G_OBJECT(context), "panelia-downloads", context);
  g_signal_connect(context, "download-started", G_CALLBACK(+[](WebKitWebContext*, WebKitDownload* download, gpointer) {
                     WebKitURIRequest* request = webkit_download_get_request(download);
                     const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
                     if (!BrowserController::MayDownloadAnything(uri ? uri : "")) webkit_download_cancel(download);
                   }),
                   nullptr);
}

}  // namespace panelia
