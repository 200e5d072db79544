// The web view's answers to what its page raises: script dialogs, failed loads, the context menu,
// the messages of the kiosk's page script and the windows a page opens.
#include <jsc/jsc.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/address.h"
#include "common/names.h"
#include "common/log.h"
#include "platform/gtk/callback_state.h"
#include "platform/gtk/message_box.h"
#include "platform/webkit/page_scripts.h"
#include "platform/webkit/webkit_browser.h"

namespace panelia {
namespace {

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

}  // namespace

gboolean WebKitBrowser::OnScriptDialog(WebKitWebView* view, WebKitScriptDialog* dialog, gpointer p) {
  auto* self = static_cast<WebKitBrowser*>(p);
  ScriptDialogKind kind = DialogKindOf(webkit_script_dialog_get_dialog_type(dialog));
  if (!ShowsBox(kind) || !self->dialog_gate_.MayShow(NowMs())) {
    Answer(dialog, AnswerUnseen(kind));
    return TRUE;
  }
  // The kiosk's own box, which answers itself after a few seconds when nobody does, and at once when
  // the kiosk leaves the page (the page waits on its answer and would hold the kiosk's load back).
  bool question = AsksQuestion(kind);
  GtkWidget* toplevel = gtk_widget_get_toplevel(GTK_WIDGET(view));
  webkit_script_dialog_ref(dialog);
  auto box = std::make_shared<GtkWidget*>(nullptr);
  *box = ShowPageBox(GTK_IS_WINDOW(toplevel) ? GTK_WINDOW(toplevel) : nullptr, webkit_script_dialog_get_message(dialog),
                     std::string(kNoticeCaption), question ? GTK_MESSAGE_QUESTION : GTK_MESSAGE_INFO,
                     question ? GTK_BUTTONS_OK_CANCEL : GTK_BUTTONS_OK, ScriptDialogGate::kShownMs,
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

gboolean WebKitBrowser::OnLoadFailed(WebKitWebView* view, WebKitLoadEvent, gchar* failing_uri, GError* error,
                                     gpointer self) {
  LoadFailure failure =
      g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ? LoadFailure::Cancelled
      : g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)
          ? LoadFailure::InterruptedByPolicy
      : g_error_matches(error, WEBKIT_PLUGIN_ERROR, WEBKIT_PLUGIN_ERROR_WILL_HANDLE_LOAD)
          ? LoadFailure::HandledElsewhere
          : LoadFailure::Other;
  if (!ShowsNeutralPage(failure)) return FALSE;
  Log("%s could not be shown: %s", failing_uri ? ShortAddress(failing_uri).c_str() : "(no address)",
      error ? ShortAddress(error->message).c_str() : "unknown reason");
  // The engine's own error page would show local paths and its wording: a neutral page with a way
  // home instead (a command link the main view recognises on this page of its own).
  static_cast<WebKitBrowser*>(self)->policy_.OnErrorPageShown();
  webkit_web_view_load_alternate_html(view, kCannotShowPage, failing_uri, nullptr);
  return TRUE;
}

gboolean WebKitBrowser::OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent* event, WebKitHitTestResult*,
                                      gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  switch (MenuFor(self->options_.no_context_menu, self->options_.kiosk_site, self->touch_gate_.TouchedLast(),
                  self->options_.long_press_menu)) {
    case MenuAnswer::Nothing: return TRUE;
    case MenuAnswer::Engine: return FALSE;
    case MenuAnswer::Kiosk: break;
  }
  // The engine's event, which the menu pops up for: it comes from the web process, after GTK's own
  // handling of the touch has ended.
  self->menu_event_ = event;
  self->events_.OnContextMenu();
  self->menu_event_ = nullptr;
  return TRUE;  // never the engine's menu under the kiosk site
}

gboolean WebKitBrowser::OnTouchEvent(GtkWidget*, GdkEvent* event, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  TouchGate::Phase phase = TouchGate::Phase::Update;
  switch (event->type) {
    case GDK_TOUCH_BEGIN: phase = TouchGate::Phase::Begin; break;
    case GDK_TOUCH_END: phase = TouchGate::Phase::End; break;
    case GDK_TOUCH_CANCEL: phase = TouchGate::Phase::Cancel; break;
    default: break;
  }
  // Swallowed here, before the view's own handler: neither the page nor the engine's gestures see it.
  return self->touch_gate_.Passes(phase, reinterpret_cast<uintptr_t>(event->touch.sequence)) ? FALSE : TRUE;
}

void WebKitBrowser::OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  if (!jsc_value_is_string(value)) return;
  GCharPtr text(jsc_value_to_string(value));
  PageMessage m = ParsePageMessage(text ? text.get() : "", self->close_token_);
  const int* v = m.values;
  switch (m.kind) {
    case PageMessage::Kind::Close: {
      bool cancel = false;
      self->events_.OnWindowClosing(cancel);
      break;
    }
    case PageMessage::Kind::Touch:
    case PageMessage::Kind::TouchText: {
      self->events_.OnInput();
      std::optional<ScreenRect> field;
      if (GdkWindow* window = gtk_widget_get_window(self->Widget()); m.has_box && window) {
        // The page's window coordinates are the view's own; the view's origin puts them on the screen.
        int x = 0, y = 0;
        gdk_window_get_origin(window, &x, &y);
        field = ScreenRect{x + v[0], y + v[1], v[2], v[3]};
      }
      self->events_.OnTouch(m.kind == PageMessage::Kind::TouchText, field);
      break;
    }
    case PageMessage::Kind::Input: self->events_.OnInput(); break;
    case PageMessage::Kind::Size: self->events_.OnPageSize(v[0], v[1], v[2], v[3]); break;
    case PageMessage::Kind::Position: self->events_.OnScrollPosition(v[0], v[1]); break;
    case PageMessage::Kind::Unknown: break;
  }
}

GtkWidget* WebKitBrowser::OnCreate(WebKitWebView* view, WebKitNavigationAction* action, gpointer data) {
  auto* self = static_cast<WebKitBrowser*>(data);
  const char* raw = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  std::string uri = raw ? raw : "";
  bool cancel = false;
  std::string log;
  auto where = self->policy_.DecideNewWindow(uri, webkit_navigation_action_is_user_gesture(action) != FALSE,
                                             self->Uri(), NowMs(), self->options_.own_popup_windows, log);
  if (!log.empty()) Log("%s", log.c_str());
  switch (where) {
    case NavigationPolicy::NewWindow::OwnWindow: return OpenPopupWindow(view);
    case NavigationPolicy::NewWindow::Refused: return nullptr;
    case NavigationPolicy::NewWindow::InTheView: self->events_.OnNewWindowKnown(uri, cancel); return nullptr;
    case NavigationPolicy::NewWindow::StandIn: break;
  }
  self->events_.OnNewWindowUnknown(cancel);
  if (cancel) return nullptr;
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
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const char* raw = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  std::string uri = raw ? raw : "";
  if (uri.empty() || uri == "about:blank") return FALSE;
  bool cancel = self->events_.OnRedirectedNavigation(uri);
  if (cancel) webkit_policy_decision_ignore(decision);
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
  return cancel ? TRUE : FALSE;
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

}  // namespace panelia
