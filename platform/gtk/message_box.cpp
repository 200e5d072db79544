#include "platform/gtk/message_box.h"

#include "platform/gtk/callback_state.h"

#include <gdk/gdkx.h>

#include <optional>

#include "common/boxes.h"
#include "common/names.h"
#include "platform/gtk/gdk_x11.h"
#include "platform/x11/error_trap.h"
#include "platform/x11/window_lookup.h"

namespace panelia {

namespace {

BoxButtons ButtonsFor(GtkButtonsType buttons) {
  switch (buttons) {
    case GTK_BUTTONS_YES_NO: return BoxButtons::YesNo;
    case GTK_BUTTONS_OK_CANCEL: return BoxButtons::OkCancel;
    default: return BoxButtons::Ok;
  }
}

BoxIcon IconFor(GtkMessageType type) {
  switch (type) {
    case GTK_MESSAGE_ERROR: return BoxIcon::Error;
    case GTK_MESSAGE_QUESTION: return BoxIcon::Question;
    case GTK_MESSAGE_WARNING: return BoxIcon::Warning;
    default: return BoxIcon::Information;
  }
}

int ResponseOf(BoxAnswer answer) {
  switch (answer) {
    case BoxAnswer::Ok: return GTK_RESPONSE_OK;
    case BoxAnswer::Cancel: return GTK_RESPONSE_CANCEL;
    case BoxAnswer::Yes: return GTK_RESPONSE_YES;
    case BoxAnswer::No: return GTK_RESPONSE_NO;
  }
  return GTK_RESPONSE_OK;
}

// Where the keyboard is on the screen, when it is shown.
std::optional<ScreenRect> KeyboardArea(Display* display) {
  auto keyboard = x11::FindClientWindowByClass(display, kGlyphdeckClass);
  if (!keyboard) return std::nullopt;
  x11::ErrorTrap trap(display);
  XWindowAttributes a{};
  int x = 0, y = 0;
  Window child = 0;
  if (!XGetWindowAttributes(display, *keyboard, &a) || a.map_state != IsViewable ||
      !XTranslateCoordinates(display, *keyboard, DefaultRootWindow(display), 0, 0, &x, &y, &child))
    return std::nullopt;
  return ScreenRect{x, y, a.width, a.height};
}

// The on-screen keyboard raises itself above every window: a box it would cover goes beside it.
// Placed once before it shows (centred, where the window manager would put it), and again once it is
// mapped, when the window manager's frame around it is known.
void PlaceClearOfKeyboard(GtkWidget* box, GtkWindow* parent) {
  Display* display = GdkXDisplay();
  auto keyboard = display ? KeyboardArea(display) : std::nullopt;
  if (!keyboard) return;
  GdkRectangle area = parent ? MonitorAreaOf(GTK_WIDGET(parent)) : KioskMonitorArea();
  ScreenRect monitor{area.x, area.y, area.width, area.height};
  GtkRequisition size{};
  gtk_widget_get_preferred_size(box, nullptr, &size);
  BoxPlace place = PlaceClearOf(monitor, size.width, size.height, area.x + (area.width - size.width) / 2,
                                area.y + (area.height - size.height) / 2, keyboard);
  gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_NONE);
  gtk_window_move(GTK_WINDOW(box), place.x, place.y);
  g_signal_connect(box, "map-event", G_CALLBACK(+[](GtkWidget* w, GdkEvent*, gpointer) -> gboolean {
                     Display* d = GdkXDisplay();
                     auto keys = d ? KeyboardArea(d) : std::nullopt;
                     if (!keys) return FALSE;
                     GdkRectangle frame{};
                     gdk_window_get_frame_extents(gtk_widget_get_window(w), &frame);
                     GdkRectangle on = MonitorAreaOf(w);
                     BoxPlace again = PlaceClearOf({on.x, on.y, on.width, on.height}, frame.width, frame.height,
                                                   frame.x, frame.y, keys);
                     if (again.x != frame.x || again.y != frame.y) gtk_window_move(GTK_WINDOW(w), again.x, again.y);
                     return FALSE;
                   }),
                   nullptr);
}

}  // namespace

GtkWidget* ShowMessageBox(GtkWindow* parent, const std::string& text, const std::string& caption, GtkMessageType type,
                          GtkButtonsType buttons, std::function<void(int)> answered) {
  GtkWidget* box = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, type, GTK_BUTTONS_NONE, "%s", text.c_str());
  // Our own words, not the session's: a kiosk started in the C locale would say "Yes" and "No".
  std::vector<BoxButton> words = ButtonsOf(ButtonsFor(buttons));
  for (const BoxButton& b : words)
    gtk_dialog_add_button(GTK_DIALOG(box), std::string(b.label).c_str(), ResponseOf(b.answer));
  gtk_dialog_set_default_response(GTK_DIALOG(box), ResponseOf(words.front().answer));
  // GTK 3 dropped the picture from its message boxes; the kiosk's boxes keep theirs.
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  GtkWidget* image = gtk_image_new_from_icon_name(std::string(IconNameOf(IconFor(type))).c_str(), GTK_ICON_SIZE_DIALOG);
  gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(box), image);
  G_GNUC_END_IGNORE_DEPRECATIONS
  gtk_widget_show(image);
  gtk_window_set_title(GTK_WINDOW(box), caption.c_str());
  // The on-screen keyboard knows a box by its role and never covers one.
  gtk_window_set_role(GTK_WINDOW(box), std::string(kMessageBoxRole).c_str());
  PlaceClearOfKeyboard(box, parent);
  KeepInKiosk(box);
  using Answered = std::function<void(int)>;
  g_signal_connect_data(box, "response", G_CALLBACK(+[](GtkDialog* dialog, int response, gpointer data) {
                          // Taken out first: the answer may open the next box or end the program.
                          Answered call = std::move(CallbackState<Answered>::Peek(data));
                          CallbackState<Answered>::Peek(data) = nullptr;
                          gtk_widget_destroy(GTK_WIDGET(dialog));
                          if (call) call(response);
                        }),
                        CallbackState<Answered>::Give(std::move(answered)), CallbackState<Answered>::FreeClosure,
                        GConnectFlags{});
  gtk_widget_show(box);
  return box;
}

GtkWidget* ShowPageBox(GtkWindow* parent, const std::string& text, const std::string& caption, GtkMessageType type,
                       GtkButtonsType buttons, unsigned answer_after_ms, std::function<void(int)> answered) {
  GtkWidget* box = ShowMessageBox(parent, text, caption, type, buttons, std::move(answered));
  gtk_window_set_modal(GTK_WINDOW(box), FALSE);
  // The time-out goes with the box, however it closes.
  auto answer_itself = +[](gpointer b) -> gboolean {
    g_object_steal_data(G_OBJECT(b), "panelia-answers-itself");
    gtk_dialog_response(GTK_DIALOG(b), GTK_RESPONSE_CANCEL);
    return G_SOURCE_REMOVE;
  };
  guint timer = g_timeout_add(answer_after_ms, answer_itself, box);
  auto stop_timer = +[](gpointer t) { g_source_remove(GPOINTER_TO_UINT(t)); };
  g_object_set_data_full(G_OBJECT(box), "panelia-answers-itself", GUINT_TO_POINTER(timer), stop_timer);
  g_signal_connect(box, "destroy", G_CALLBACK(+[](GtkWidget* w, gpointer) {
                     g_object_set_data(G_OBJECT(w), "panelia-answers-itself", nullptr);
                   }),
                   nullptr);
  return box;
}

void KeepInKiosk(GtkWidget* dialog, bool resizable) {
  if (g_object_get_data(G_OBJECT(dialog), "panelia-kept")) return;
  g_object_set_data(G_OBJECT(dialog), "panelia-kept", dialog);
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  gtk_widget_realize(dialog);
  if (GdkWindow* window = gtk_widget_get_window(dialog))
    gdk_window_set_functions(window, GdkWMFunction(GDK_FUNC_MOVE | GDK_FUNC_CLOSE | (resizable ? GDK_FUNC_RESIZE : 0)));
  // Some window managers offer minimise all the same: a minimised dialog comes straight back.
  g_signal_connect(
      dialog, "window-state-event", G_CALLBACK(+[](GtkWidget* w, GdkEventWindowState* e, gpointer) {
        if ((e->changed_mask & GDK_WINDOW_STATE_ICONIFIED) && (e->new_window_state & GDK_WINDOW_STATE_ICONIFIED))
          g_idle_add_full(
              G_PRIORITY_DEFAULT_IDLE,
              [](gpointer d) -> gboolean {
                gtk_window_deiconify(GTK_WINDOW(d));
                return G_SOURCE_REMOVE;
              },
              g_object_ref(w), g_object_unref);
        return FALSE;
      }),
      nullptr);
  // Closed, it hands the keyboard focus back to the kiosk, so typed keys go to the page again and
  // not to wherever the window manager puts the focus.
  g_signal_connect(dialog, "unmap", G_CALLBACK(+[](GtkWidget* w, gpointer) {
                     GtkWindow* owner = gtk_window_get_transient_for(GTK_WINDOW(w));
                     if (!owner) return;
                     g_idle_add_full(
                         G_PRIORITY_DEFAULT_IDLE,
                         [](gpointer o) -> gboolean {
                           if (gtk_widget_get_mapped(GTK_WIDGET(o))) gtk_window_present(GTK_WINDOW(o));
                           return G_SOURCE_REMOVE;
                         },
                         g_object_ref(owner), g_object_unref);
                   }),
                   nullptr);
}

void MarkVisitorDialog(GtkWidget* dialog) {
  g_object_set_data(G_OBJECT(dialog), "panelia-visitor-dialog", dialog);
  KeepInKiosk(dialog);
}

void CloseVisitorDialogs() {
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w; w = w->next) g_object_ref(w->data);  // destroying one may destroy another
  for (GList* w = windows; w; w = w->next) {
    if (g_object_get_data(G_OBJECT(w->data), "panelia-visitor-dialog")) gtk_widget_destroy(GTK_WIDGET(w->data));
    g_object_unref(w->data);
  }
  g_list_free(windows);
}

}  // namespace panelia
