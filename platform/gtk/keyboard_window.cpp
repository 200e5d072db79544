#include "platform/gtk/keyboard_window.h"

#include "platform/gtk/keyboard_accessible.h"

#include <gdk/gdkx.h>

#include <X11/Xatom.h>

#include <cmath>

#include "common/names.h"
#include "platform/x11/error_trap.h"
#include "platform/x11/window_lookup.h"

#include "platform/gtk/companion_ui.h"
#include "common/texts.h"

namespace panelia {

namespace {

constexpr double kUnit = 1.5;  // pixels per dialog unit
int Px(double units) {
  return static_cast<int>(std::lround(units * kUnit));
}

// The key face and the window's ground: the button face of the desktop's classic look.
constexpr double kFace[] = {0.925, 0.925, 0.918};
constexpr double kCaption[] = {0.18, 0.36, 0.61};
constexpr const char* kFont = "WenQuanYi Micro Hei, Noto Sans CJK SC, sans-serif";

void Text(cairo_t* cr, const std::string& text, double size, double x, double y, double w, double h, bool centred,
          double r, double g, double b) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* font = pango_font_description_from_string(kFont);
  pango_font_description_set_absolute_size(font, size * PANGO_SCALE);
  pango_layout_set_font_description(layout, font);
  pango_font_description_free(font);
  pango_layout_set_text(layout, text.c_str(), -1);
  int tw = 0, th = 0;
  pango_layout_get_pixel_size(layout, &tw, &th);
  cairo_set_source_rgb(cr, r, g, b);
  cairo_move_to(cr, centred ? x + (w - tw) / 2 : x, y + (h - th) / 2);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
}

}  // namespace

GtkKeyboardWindow::GtkKeyboardWindow(std::string pictures, KeyboardWindowHooks hooks)
    : folder_(std::move(pictures)), hooks_(std::move(hooks)) {
  icon_ = gdk_pixbuf_new_from_file((folder_ + "128.png").c_str(), nullptr);
  // A pop-up window is override-redirect: above the kiosk, never focused.
  window_ = gtk_window_new(GTK_WINDOW_POPUP);
  gtk_window_set_title(GTK_WINDOW(window_), TrText(kKeyboardTitle).c_str());
  gtk_window_set_accept_focus(GTK_WINDOW(window_), FALSE);
  gtk_window_set_focus_on_map(GTK_WINDOW(window_), FALSE);
  if (icon_) gtk_window_set_icon(GTK_WINDOW(window_), icon_);
  gtk_window_set_default_size(GTK_WINDOW(window_), Width(), Height());
  // A close request (Panelia's WM_CLOSE) ends the program through its own path, as the close box
  // does; GTK must not destroy the window under the keyboard meanwhile.
  g_signal_connect(window_, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) {
                     auto* me = static_cast<GtkKeyboardWindow*>(self);
                     if (me->hooks_.close) me->hooks_.close();
                     return TRUE;
                   }),
                   this);
  // Each key is named to a screen reader (the keyboard shows itself to one only while it runs).
  area_ = NewKeyboardArea([this] {
    auto scaled = [this](double v) { return static_cast<int>(std::floor(v * scale_)); };
    std::vector<AccessibleKey> keys;
    keys.reserve(kKeyTable.size());
    for (const auto& key : kKeyTable)
      keys.push_back({SpokenName(key),
                      {scaled(Px(key.rect.x)), scaled(kCaptionHeight + Px(key.rect.y)), scaled(Px(key.rect.w)),
                       scaled(Px(key.rect.h))}});
    return keys;
  });
  gtk_widget_set_size_request(area_, Width(), Height());
  gtk_widget_add_events(area_,
                        GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_BUTTON_MOTION_MASK | GDK_SCROLL_MASK);
  gtk_widget_set_can_focus(area_, FALSE);
  g_signal_connect(area_, "draw", G_CALLBACK(&GtkKeyboardWindow::OnDraw), this);
  g_signal_connect(area_, "button-press-event", G_CALLBACK(&GtkKeyboardWindow::OnPress), this);
  g_signal_connect(area_, "button-release-event", G_CALLBACK(&GtkKeyboardWindow::OnRelease), this);
  g_signal_connect(area_, "motion-notify-event", G_CALLBACK(&GtkKeyboardWindow::OnMotion), this);
  g_signal_connect(area_, "scroll-event", G_CALLBACK(&GtkKeyboardWindow::OnScroll), this);
  gtk_container_add(GTK_CONTAINER(window_), area_);
  gtk_widget_show(area_);
}

GtkKeyboardWindow::~GtkKeyboardWindow() {
  gdk_window_remove_filter(gdk_get_default_root_window(), &GtkKeyboardWindow::OnRootEvent, this);
  if (window_) gtk_widget_destroy(window_);
  for (auto& [number, picture] : loaded_)
    if (picture) g_object_unref(picture);
  if (icon_) g_object_unref(icon_);
}

int GtkKeyboardWindow::FullWidth() {
  return Px(kDialogWidth);
}
int GtkKeyboardWindow::FullHeight() {
  return kCaptionHeight + Px(kDialogHeight);
}
int GtkKeyboardWindow::Width() const {
  return static_cast<int>(std::lround(FullWidth() * scale_));
}
int GtkKeyboardWindow::Height() const {
  return static_cast<int>(std::lround(FullHeight() * scale_));
}

void GtkKeyboardWindow::SetScale(double scale) {
  scale_ = scale;
  gtk_window_set_default_size(GTK_WINDOW(window_), Width(), Height());
  gtk_widget_set_size_request(area_, Width(), Height());
  gtk_window_resize(GTK_WINDOW(window_), Width(), Height());
  KeysChanged(area_);
}

void GtkKeyboardWindow::MoveTo(int x, int y) {
  window_x_ = x;
  window_y_ = y;
  gtk_window_move(GTK_WINDOW(window_), x, y);
}

void GtkKeyboardWindow::ShowAt(int x, int y) {
  window_x_ = x;
  window_y_ = y;
  gtk_window_move(GTK_WINDOW(window_), x, y);
  gtk_widget_show(window_);
  // Windows mapped or raised later (the exit password dialog the keyboard serves, for one) would
  // cover it: it raises itself again whenever the stacking of managed windows changes.
  GdkWindow* root = gdk_get_default_root_window();
  gdk_window_set_events(root, GdkEventMask(gdk_window_get_events(root) | GDK_SUBSTRUCTURE_MASK));
  gdk_window_add_filter(root, &GtkKeyboardWindow::OnRootEvent, this);
}

GdkFilterReturn GtkKeyboardWindow::OnRootEvent(GdkXEvent* xevent, GdkEvent*, gpointer p) {
  auto* self = static_cast<GtkKeyboardWindow*>(p);
  auto* e = static_cast<XEvent*>(xevent);
  GdkWindow* own = gtk_widget_get_window(self->window_);
  if (!own || self->about_open_) return GDK_FILTER_CONTINUE;
  Window mine = GDK_WINDOW_XID(own);
  // Panelia asks for the keyboard to be above (its "show the keyboard" while one is up): it comes
  // back whole wherever it was dragged.
  if (e->type == ClientMessage && e->xclient.window == mine &&
      e->xclient.message_type == XInternAtom(e->xclient.display, "_NET_WM_STATE", True)) {
    if (self->hooks_.shown_again) self->hooks_.shown_again();
    return GDK_FILTER_CONTINUE;
  }
  // Menus and other pop-ups (override-redirect) are left above it.
  using Move = KeyboardStacking::Move;
  Move move = Move::Stay;
  if (e->type == MapNotify && e->xmap.window != mine && !e->xmap.override_redirect)
    move = self->stacking_.OnOtherShown(e->xmap.window, IsMessageBox(e->xmap.display, e->xmap.window));
  else if (e->type == ConfigureNotify && e->xconfigure.window != mine && !e->xconfigure.override_redirect)
    move = self->stacking_.OnOtherChanged();
  else if (e->type == UnmapNotify && e->xunmap.window != mine)
    move = self->stacking_.OnOtherHidden(e->xunmap.window);
  else if (e->type == DestroyNotify && e->xdestroywindow.window != mine)
    move = self->stacking_.OnOtherHidden(e->xdestroywindow.window);
  if (move == Move::Raise) {
    gdk_window_raise(own);
  } else if (move == Move::BelowShown) {
    XWindowChanges below{};
    below.sibling = e->xmap.window;
    below.stack_mode = Below;
    x11::ErrorTrap trap(e->xmap.display);
    XConfigureWindow(e->xmap.display, mine, CWSibling | CWStackMode, &below);
  }
  return GDK_FILTER_CONTINUE;
}

bool GtkKeyboardWindow::IsMessageBox(Display* display, Window top) {
  auto client = x11::ClientWindowIn(display, top);
  return client && x11::PropertyText(display, *client, "WM_WINDOW_ROLE", XA_STRING) == kMessageBoxRole;
}

GdkPixbuf* GtkKeyboardWindow::Picture(int picture) {
  auto it = loaded_.find(picture);
  if (it != loaded_.end()) return it->second;
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file((folder_ + std::to_string(picture) + ".png").c_str(), nullptr);
  GdkPixbuf* keyed = nullptr;
  if (pixbuf) {
    // RGB(230,230,230) is see-through: the key face shows there.
    keyed = gdk_pixbuf_add_alpha(pixbuf, TRUE, 230, 230, 230);
    g_object_unref(pixbuf);
  }
  loaded_[picture] = keyed;
  return keyed;
}

void GtkKeyboardWindow::SetPicture(int key_id, int picture) {
  key_pictures_[key_id] = picture;
  if (const KeyDef* key = FindKey(key_id)) {
    auto scaled = [this](double v) { return static_cast<int>(std::floor(v * scale_)); };
    gtk_widget_queue_draw_area(area_, scaled(Px(key->rect.x)), scaled(kCaptionHeight + Px(key->rect.y)),
                               scaled(Px(key->rect.w)) + 2, scaled(Px(key->rect.h)) + 2);
  }
}

void GtkKeyboardWindow::SetLanguageLabel(const std::string& text) {
  language_ = text;
  gtk_widget_queue_draw(area_);
}

const KeyDef* GtkKeyboardWindow::KeyAt(double x, double y) const {
  x /= scale_;
  y = y / scale_ - kCaptionHeight;
  for (const auto& key : kKeyTable) {
    double kx = Px(key.rect.x), ky = Px(key.rect.y);
    if (x >= kx && x < kx + Px(key.rect.w) && y >= ky && y < ky + Px(key.rect.h)) return &key;
  }
  return nullptr;
}

bool GtkKeyboardWindow::InCloseBox(double x, double y) const {
  return y / scale_ < kCaptionHeight && x / scale_ >= FullWidth() - kCaptionHeight;
}

gboolean GtkKeyboardWindow::OnDraw(GtkWidget*, cairo_t* cr, gpointer p) {
  auto* self = static_cast<GtkKeyboardWindow*>(p);
  int w = FullWidth();
  // Drawn at its own size, scaled as a whole: pictures and texts shrink together on a small screen.
  cairo_scale(cr, self->scale_, self->scale_);
  // Ground and caption.
  cairo_set_source_rgb(cr, kFace[0], kFace[1], kFace[2]);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, kCaption[0], kCaption[1], kCaption[2]);
  cairo_rectangle(cr, 0, 0, w, kCaptionHeight);
  cairo_fill(cr);
  if (self->icon_) {
    GdkPixbuf* small = gdk_pixbuf_scale_simple(self->icon_, 18, 18, GDK_INTERP_BILINEAR);
    gdk_cairo_set_source_pixbuf(cr, small, 5, 4);
    cairo_paint(cr);
    g_object_unref(small);
  }
  Text(cr, TrText(kKeyboardTitle), 13, 28, 0, w, kCaptionHeight, false, 1, 1, 1);
  double cx = w - kCaptionHeight + (self->close_pressed_ ? 1 : 0), cy = self->close_pressed_ ? 1 : 0;
  cairo_set_source_rgb(cr, 0.78, 0.22, 0.2);
  cairo_rectangle(cr, cx + 3, cy + 3, kCaptionHeight - 6, kCaptionHeight - 6);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_set_line_width(cr, 2);
  cairo_move_to(cr, cx + 8, cy + 8);
  cairo_line_to(cr, cx + kCaptionHeight - 8, cy + kCaptionHeight - 8);
  cairo_move_to(cr, cx + kCaptionHeight - 8, cy + 8);
  cairo_line_to(cr, cx + 8, cy + kCaptionHeight - 8);
  cairo_stroke(cr);

  cairo_translate(cr, 0, kCaptionHeight);
  // Keys: the face, then the picture centred, one pixel right and down while held.
  for (const auto& key : kKeyTable) {
    auto it = self->key_pictures_.find(key.id);
    GdkPixbuf* picture = it == self->key_pictures_.end() ? nullptr : self->Picture(it->second);
    if (!picture) continue;
    int kw = Px(key.rect.w), kh = Px(key.rect.h);
    int offset = self->pressed_key_ == key.id ? 1 : 0;
    int px = Px(key.rect.x) + (kw - gdk_pixbuf_get_width(picture)) / 2 + offset;
    int py = Px(key.rect.y) + (kh - gdk_pixbuf_get_height(picture)) / 2 + offset;
    gdk_cairo_set_source_pixbuf(cr, picture, px, py);
    cairo_paint(cr);
  }
  Text(cr, TrText(kKeyboardCaption), 12, Px(kTitleLabelRect.x), Px(kTitleLabelRect.y), Px(kTitleLabelRect.w),
       Px(kTitleLabelRect.h), false, 0, 0, 0);
  Text(cr, self->language_, 12, Px(kLanguageLabelRect.x), Px(kLanguageLabelRect.y), Px(kLanguageLabelRect.w),
       Px(kLanguageLabelRect.h), true, 0, 0, 0);
  if (GdkPixbuf* move = self->Picture(kMovePicture)) {
    gdk_cairo_set_source_pixbuf(cr, move, Px(kMovePictureRect.x), Px(kMovePictureRect.y));
    cairo_paint(cr);
  }
  return TRUE;
}

gboolean GtkKeyboardWindow::OnPress(GtkWidget*, GdkEventButton* event, gpointer p) {
  auto* self = static_cast<GtkKeyboardWindow*>(p);
  // A quick second touch arrives as a press and then a double press: the press is the click.
  if (event->type != GDK_BUTTON_PRESS) return TRUE;
  if (self->hooks_.touched) self->hooks_.touched();
  if (event->button == 3 && !self->KeyAt(event->x, event->y)) {
    self->ShowMenu(event);
    return TRUE;
  }
  if (event->button != 1) return TRUE;
  if (self->InCloseBox(event->x, event->y)) {
    self->close_pressed_ = true;
    gtk_widget_queue_draw(self->area_);
  } else if (const KeyDef* key = self->KeyAt(event->x, event->y)) {
    self->pressed_key_ = key->id;
    gtk_widget_queue_draw(self->area_);
  } else {
    self->dragging_ = true;
    self->drag_x_ = event->x_root;
    self->drag_y_ = event->y_root;
    self->drag_window_x_ = self->window_x_;
    self->drag_window_y_ = self->window_y_;
  }
  return TRUE;
}

gboolean GtkKeyboardWindow::OnRelease(GtkWidget*, GdkEventButton* event, gpointer p) {
  auto* self = static_cast<GtkKeyboardWindow*>(p);
  if (event->button != 1) return TRUE;
  if (int id = self->pressed_key_) {
    // The click comes on every release, also when the finger slid off the key meanwhile.
    self->pressed_key_ = 0;
    gtk_widget_queue_draw(self->area_);
    if (self->hooks_.key) self->hooks_.key(id);
    return TRUE;
  }
  if (self->close_pressed_) {
    self->close_pressed_ = false;
    gtk_widget_queue_draw(self->area_);
    if (self->InCloseBox(event->x, event->y) && self->hooks_.close) self->hooks_.close();
    return TRUE;
  }
  self->dragging_ = false;
  if (self->hooks_.released) self->hooks_.released();
  return TRUE;
}

gboolean GtkKeyboardWindow::OnMotion(GtkWidget*, GdkEventMotion* event, gpointer p) {
  auto* self = static_cast<GtkKeyboardWindow*>(p);
  if (!self->dragging_) return TRUE;
  int x = self->drag_window_x_ + static_cast<int>(event->x_root - self->drag_x_);
  int y = self->drag_window_y_ + static_cast<int>(event->y_root - self->drag_y_);
  self->MoveTo(x, y);
  return TRUE;
}

gboolean GtkKeyboardWindow::OnScroll(GtkWidget*, GdkEventScroll*, gpointer p) {
  auto* self = static_cast<GtkKeyboardWindow*>(p);
  if (self->hooks_.released) self->hooks_.released();
  return TRUE;
}

void GtkKeyboardWindow::ShowMenu(GdkEventButton* event) {
  PopupMenu(window_, event,
            {{Tr("_Close"),
              [this] {
                if (hooks_.close) hooks_.close();
              }},
             {"", {}},
             {Tr("_About Glyphdeck..."), [this] {
                // The keyboard steps below the box while it is open (it stays above every other
                // window), and comes back on top once the box goes.
                about_open_ = true;
                gdk_window_lower(gtk_widget_get_window(window_));
                ShowCompanionAbout(
                    nullptr, Tr("About Glyphdeck"), icon_,
                    {Tr("Panelia touch-screen browser 4.5"), Tr("Glyphdeck version 4.5"),
                     Tr("The on-screen keyboard of the Panelia touch-screen browser"), Tr("Made by Quorvex")},
                    Px(235), Px(63), [this] {
                      about_open_ = false;
                      gdk_window_raise(gtk_widget_get_window(window_));
                      if (hooks_.released) hooks_.released();
                    });
              }}});
}

}  // namespace panelia
