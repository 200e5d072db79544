#include "platform/gtk/frame_window.h"

#include "platform/gtk/callback_state.h"

#include <gdk/gdkx.h>

#include "common/names.h"
#include "platform/gtk/gdk_x11.h"
#include "platform/gtk/message_box.h"
#include "platform/x11/messages.h"
#include "platform/x11/window_lookup.h"
#include "common/texts.h"

namespace panelia {

GtkFrameWindow::GtkFrameWindow(const std::string& icon_path)
    : timers_([this](int id) {
        if (frame_) frame_->OnTimer(id);
      }) {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  g_object_ref_sink(window_);
  gtk_window_set_title(GTK_WINDOW(window_), TrText(kTitleSuffix).substr(3).c_str());
  GdkRectangle area = KioskMonitorArea();
  // Windowed, the frame covers most of the kiosk's monitor, on it.
  gtk_window_set_default_size(GTK_WINDOW(window_), area.width * 3 / 4, area.height * 3 / 4);
  gtk_window_move(GTK_WINDOW(window_), area.x + area.width / 8, area.y + area.height / 8);
  if (auto* icon = gdk_pixbuf_new_from_file(icon_path.c_str(), nullptr)) {
    gtk_window_set_icon(GTK_WINDOW(window_), icon);
    g_object_unref(icon);
  }
  // GTK drops a close request to a window whose group holds a modal grab, and every box of the
  // kiosk is modal: the kiosk would stay up behind a box nobody answers. So the close request is
  // taken before GTK sees it, whatever box or dialog is open.
  gdk_event_handler_set(
      [](GdkEvent* event, gpointer self) {
        auto* w = static_cast<GtkFrameWindow*>(self);
        if (event->type == GDK_DELETE && event->any.window && event->any.window == gtk_widget_get_window(w->window_)) {
          if (w->close_request_) w->close_request_();
          return;
        }
        gtk_main_do_event(event);
      },
      this, nullptr);
  g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKeyPress), this);
  g_signal_connect(window_, "window-state-event", G_CALLBACK(OnWindowState), this);
  // Without a window manager keys go to the window under the pointer: take the focus explicitly.
  g_signal_connect(window_, "map-event", G_CALLBACK(+[](GtkWidget* w, GdkEvent*, gpointer self) -> gboolean {
                     if (!static_cast<GtkFrameWindow*>(self)->WindowManagerDoesFullScreen())
                       gdk_window_focus(gtk_widget_get_window(w), GDK_CURRENT_TIME);
                     return FALSE;
                   }),
                   this);
  // A window manager that hides every window to show the desktop (a key of its own) takes the kiosk
  // away without minimising it: the kiosk asks for the desktop to be hidden again and comes back.
  // The frame's own hiding at the end leaves it invisible, which this leaves alone.
  g_signal_connect(window_, "unmap-event", G_CALLBACK(+[](GtkWidget* w, GdkEvent*, gpointer self) -> gboolean {
                     auto* frame_window = static_cast<GtkFrameWindow*>(self);
                     if (!gtk_widget_get_visible(w) || !frame_window->frame_ || !frame_window->frame_->IsFullScreen())
                       return FALSE;
                     g_idle_add(
                         [](gpointer s) -> gboolean {
                           auto* fw = static_cast<GtkFrameWindow*>(s);
                           if (!gtk_widget_get_visible(fw->window_)) return G_SOURCE_REMOVE;
                           if (Display* display = GdkXDisplay()) x11::StopShowingDesktop(display);
                           gtk_window_present(fw->Window());
                           return G_SOURCE_REMOVE;
                         },
                         frame_window);
                     return FALSE;
                   }),
                   this);
  SetWindowClass(window_, std::string(kPaneliaProgram).c_str(), std::string(kPaneliaClass).c_str());

  GtkWidget* outer = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  menu_bar_ = BuildMenuBar();
  gtk_box_pack_start(GTK_BOX(outer), menu_bar_, FALSE, FALSE, 0);
  // Two rows split by a 1-pixel line that nobody can drag: only the program sizes them.
  page_row_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_box_pack_start(GTK_BOX(outer), page_row_, TRUE, TRUE, 0);
  bar_line_ = gtk_separator_new(GTK_ORIENTATION_HORIZONTAL);
  gtk_box_pack_start(GTK_BOX(outer), bar_line_, FALSE, FALSE, 0);
  bar_row_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_set_size_request(bar_row_, -1, CMainFrame::kBarHeight);
  gtk_box_pack_start(GTK_BOX(outer), bar_row_, FALSE, FALSE, 0);
  status_bar_ = BuildStatusBar();
  gtk_box_pack_end(GTK_BOX(outer), status_bar_, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(window_), outer);
  gtk_widget_show_all(outer);
  monitors_changed_ = ScopedSignal(
      gtk_widget_get_screen(window_), "monitors-changed",
      G_CALLBACK(+[](GdkScreen*, gpointer self) { static_cast<GtkFrameWindow*>(self)->OnMonitorsChanged(); }), this);
}

void GtkFrameWindow::OnMonitorsChanged() {
  // A monitor plugged in or out, a screen turned or resized: full screen stays full screen, on the
  // kiosk's monitor as it is now.
  if (frame_ && frame_->IsFullScreen()) FullScreenOnKioskMonitor(GTK_WINDOW(window_));
}

GtkFrameWindow::~GtkFrameWindow() {
  gdk_event_handler_set([](GdkEvent* event, gpointer) { gtk_main_do_event(event); }, nullptr, nullptr);
  if (restore_end_) g_source_remove(restore_end_);
  keymap_signal_.Disconnect();
  monitors_changed_.Disconnect();
  gtk_widget_destroy(window_);
  g_object_unref(window_);
}

void GtkFrameWindow::SetPageView(GtkWidget* page) {
  gtk_box_pack_start(GTK_BOX(page_row_), page, TRUE, TRUE, 0);
  gtk_widget_show(page);
}

void GtkFrameWindow::SetBarView(GtkWidget* bar) {
  gtk_box_pack_start(GTK_BOX(bar_row_), bar, TRUE, TRUE, 0);
  gtk_widget_show(bar);
}

void GtkFrameWindow::Show() {
  gtk_widget_show(window_);
  gtk_window_present(GTK_WINDOW(window_));
}

void GtkFrameWindow::SetTitle(const std::string& title) {
  gtk_window_set_title(GTK_WINDOW(window_), title.c_str());
}

gboolean GtkFrameWindow::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* self = static_cast<GtkFrameWindow*>(data);
  if (!self->frame_) return FALSE;
  unsigned modifiers = 0;
  if (event->state & GDK_CONTROL_MASK) modifiers |= static_cast<unsigned>(KeyModifier::Ctrl);
  if (event->state & GDK_SHIFT_MASK) modifiers |= static_cast<unsigned>(KeyModifier::Shift);
  if (event->state & GDK_MOD1_MASK) modifiers |= static_cast<unsigned>(KeyModifier::Alt);
  const char* name = gdk_keyval_name(gdk_keyval_to_lower(event->keyval));
  if (!name) return FALSE;
  // Keys whose commands the frame does not carry go on to the page (copy, paste, ...).
  auto command = AcceleratorCommand(modifiers, name);
  return command && self->frame_->OnCommand(*command);
}

gboolean GtkFrameWindow::OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data) {
  auto* self = static_cast<GtkFrameWindow*>(data);
  GdkWindowState state = event->new_window_state;
  WindowStateChange change;
  change.now = {(state & GDK_WINDOW_STATE_ICONIFIED) != 0, (state & GDK_WINDOW_STATE_FULLSCREEN) != 0,
                (state & GDK_WINDOW_STATE_MAXIMIZED) != 0};
  change.iconified_changed = (event->changed_mask & GDK_WINDOW_STATE_ICONIFIED) != 0;
  change.full_screen_changed = (event->changed_mask & GDK_WINDOW_STATE_FULLSCREEN) != 0;
  change.maximized_changed = (event->changed_mask & GDK_WINDOW_STATE_MAXIMIZED) != 0;
  if (!self->frame_) return FALSE;
  auto reaction = self->guard_.OnStateChange(change, self->frame_->IsFullScreen(), self->WindowManagerDoesFullScreen());
  if (reaction.start_settle_timer)
    self->restore_end_ = g_timeout_add(
        FullScreenGuard::kSettleMs,
        [](gpointer w) -> gboolean {
          auto* frame_window = static_cast<GtkFrameWindow*>(w);
          frame_window->restore_end_ = 0;
          frame_window->guard_.OnSettled();
          return G_SOURCE_REMOVE;
        },
        self);
  using Do = FullScreenGuard::Do;
  switch (reaction.what) {
    case Do::Nothing: break;
    case Do::PutPlacementBack: self->PutPlacementBack(); break;
    // Not from inside the window manager's state change: on the next turn of the loop.
    case Do::Deiconify:
    case Do::FullScreenAgain:
    case Do::EnterFullScreen: self->Defer(reaction.what); break;
  }
  return FALSE;
}

void GtkFrameWindow::Defer(FullScreenGuard::Do what) {
  struct Step {
    GtkFrameWindow* window;
    FullScreenGuard::Do what;
  };
  g_idle_add_full(
      G_PRIORITY_DEFAULT_IDLE,
      [](gpointer data) -> gboolean {
        auto [self, step] = CallbackState<Step>::Peek(data);
        GtkWindow* window = self->Window();
        using Do = FullScreenGuard::Do;
        if (step == Do::Deiconify) {
          gtk_window_deiconify(window);
          gtk_window_present(window);
        } else if (self->frame_ && self->guard_.StillWanted(step, self->frame_->IsFullScreen())) {
          // Still wanted now that it runs: the frame may have left or entered full screen meanwhile.
          if (step == Do::FullScreenAgain)
            FullScreenOnKioskMonitor(window);
          else
            self->frame_->ToggleFullScreen();
        }
        return G_SOURCE_REMOVE;
      },
      CallbackState<Step>::Give(this, what), CallbackState<Step>::Free);
}

void GtkFrameWindow::HideTaskBar() {
  x11::SetDockWindowsMapped(GdkXDisplay(), false);
}
void GtkFrameWindow::ShowTaskBar() {
  if (Display* display = GdkXDisplay()) x11::SetDockWindowsMapped(display, true);
}

void GtkFrameWindow::SetStatusBarVisible(bool visible) {
  gtk_widget_set_visible(status_bar_, visible);
}

bool GtkFrameWindow::WindowManagerDoesFullScreen() const {
  return gdk_x11_screen_supports_net_wm_hint(gtk_widget_get_screen(window_),
                                             gdk_atom_intern_static_string("_NET_WM_STATE_FULLSCREEN"));
}

void GtkFrameWindow::SetCaption(bool present) {
  // Full screen, the kiosk is on every desktop: switching desktops never shows a bare one.
  if (present)
    gtk_window_unstick(GTK_WINDOW(window_));
  else
    gtk_window_stick(GTK_WINDOW(window_));
  // Without a caption and maximised is what the window manager calls full screen.
  if (WindowManagerDoesFullScreen()) {
    if (present)
      gtk_window_unfullscreen(GTK_WINDOW(window_));
    else
      FullScreenOnKioskMonitor(GTK_WINDOW(window_));
    return;
  }
  // No window manager to ask: the frame covers its monitor itself (leaving restores the placement).
  gtk_window_set_decorated(GTK_WINDOW(window_), present);
  if (!present) {
    GdkRectangle area = KioskMonitorArea();
    gtk_window_move(GTK_WINDOW(window_), area.x, area.y);
    gtk_window_resize(GTK_WINDOW(window_), area.width, area.height);
  }
}

void GtkFrameWindow::DetachMenu() {
  gtk_widget_hide(menu_bar_);
}
void GtkFrameWindow::AttachMenu() {
  gtk_widget_show(menu_bar_);
}

void GtkFrameWindow::SavePlacement() {
  gtk_window_get_size(GTK_WINDOW(window_), &saved_width_, &saved_height_);
  gtk_window_get_position(GTK_WINDOW(window_), &saved_x_, &saved_y_);
}

void GtkFrameWindow::RestorePlacement() {
  // A window manager ignores size requests of a window that is still full screen, and may give a
  // window that leaves full screen its maximised state back: the placement is put back once the
  // window has left full screen, and again whenever it comes back maximised meanwhile.
  guard_.OnLeaving();
  GdkWindow* w = gtk_widget_get_window(window_);
  if (WindowManagerDoesFullScreen() && w && (gdk_window_get_state(w) & GDK_WINDOW_STATE_FULLSCREEN)) return;
  PutPlacementBack();
}

void GtkFrameWindow::PutPlacementBack() {
  gtk_window_unmaximize(GTK_WINDOW(window_));
  if (saved_width_ > 0 && saved_height_ > 0) gtk_window_resize(GTK_WINDOW(window_), saved_width_, saved_height_);
  gtk_window_move(GTK_WINDOW(window_), saved_x_, saved_y_);
}

void GtkFrameWindow::ShowMaximized() {
  gtk_window_maximize(GTK_WINDOW(window_));
}
void GtkFrameWindow::ShowNormal() {
  gtk_widget_show(window_);
}
void GtkFrameWindow::SetTopMost() {
  gtk_window_set_keep_above(GTK_WINDOW(window_), TRUE);
}

int GtkFrameWindow::ClientHeight() const {
  // Before the first showing the window has no size of its own yet: the monitor's is what it gets.
  return MonitorAreaOf(window_).height;
}

int GtkFrameWindow::StatusPaneHeight() const {
  int minimum = 0, natural = 0;
  gtk_widget_get_preferred_height(status_bar_, &minimum, &natural);
  return natural;
}

void GtkFrameWindow::SetRowHeights(int /*top*/, int bottom) {
  // The page row takes whatever the bar row leaves: CMainFrame's top height is that remainder.
  gtk_widget_set_size_request(bar_row_, -1, bottom);
}

void GtkFrameWindow::SetRowVisible(int row, bool visible) {
  // The page row never hides; the bar row takes its 1-pixel line with it.
  if (row != CMainFrame::kBarRow) return;
  gtk_widget_set_visible(bar_line_, visible);
  gtk_widget_set_visible(bar_row_, visible);
}

void GtkFrameWindow::ActivatePane(int row) {
  GtkWidget* target = row == CMainFrame::kBarRow && bar_view_ ? bar_view_() : nullptr;
  if (!target) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(page_row_));
    if (children) target = GTK_WIDGET(children->data);
    g_list_free(children);
  }
  if (target) gtk_widget_grab_focus(target);
}

void GtkFrameWindow::SetFrameTimer(int id, int milliseconds) {
  timers_.SetTimer(id, milliseconds);
}

void GtkFrameWindow::MessageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                                std::function<void()> closed) {
  GtkMessageType type = icon == MessageIcon::Error         ? GTK_MESSAGE_ERROR
                        : icon == MessageIcon::Information ? GTK_MESSAGE_INFO
                                                           : GTK_MESSAGE_QUESTION;
  ShowMessageBox(GTK_WINDOW(window_), text, caption, type, GTK_BUTTONS_OK, [closed = std::move(closed)](int) {
    if (closed) closed();
  });
}

void GtkFrameWindow::FocusMainFrame() {
  gtk_window_present(GTK_WINDOW(window_));
}

}  // namespace panelia
