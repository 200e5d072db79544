// Glyphdeck's window on GTK: an override-redirect window (the window manager never stacks the
// full-screen kiosk over it and never gives it the focus) that draws its own caption with a close
// box, its 62 picture keys, its two labels and the movable-window picture, and moves itself when
// dragged by its caption or a free area.
#pragma once

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <string>

#include "keyboard/keyboard.h"
#include "common/texts.h"

namespace panelia {

struct KeyboardWindowHooks {
  std::function<void(int id)> key;    // a key's click
  std::function<void()> touched;      // before anything a touch does
  std::function<void()> released;     // a release or wheel turn off the keys
  std::function<void()> close;        // the close box
  std::function<void()> shown_again;  // Panelia asked for the keyboard while it was up
};

class GtkKeyboardWindow final : public KeyboardView {
 public:
  static constexpr int kCaptionHeight = 26;

  // `pictures` is the folder of the numbered key pictures.
  GtkKeyboardWindow(std::string pictures, KeyboardWindowHooks hooks);
  ~GtkKeyboardWindow() override;
  GtkKeyboardWindow(const GtkKeyboardWindow&) = delete;
  GtkKeyboardWindow& operator=(const GtkKeyboardWindow&) = delete;

  GtkWidget* Widget() const { return window_; }
  // At the current scale.
  int Width() const;
  int Height() const;
  // At the keyboard's own size.
  static int FullWidth();
  static int FullHeight();
  // The whole keyboard, pictures included, drawn at this scale (small screens); before ShowAt.
  void SetScale(double scale);
  // Shows the window at a point of the screen, above everything, and keeps it there.
  void ShowAt(int x, int y);
  void MoveTo(int x, int y);
  int X() const { return window_x_; }
  int Y() const { return window_y_; }

  void SetPicture(int key_id, int picture) override;
  void SetLanguageLabel(const std::string& text) override;

 private:
  static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
  static gboolean OnPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static gboolean OnRelease(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static gboolean OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer self);
  static gboolean OnScroll(GtkWidget* widget, GdkEventScroll* event, gpointer self);
  static GdkFilterReturn OnRootEvent(GdkXEvent* xevent, GdkEvent* event, gpointer self);
  static bool IsMessageBox(Display* display, Window top);

  GdkPixbuf* Picture(int picture);
  const KeyDef* KeyAt(double x, double y) const;
  bool InCloseBox(double x, double y) const;
  void ShowMenu(GdkEventButton* event);

  std::string folder_;
  KeyboardWindowHooks hooks_;
  GtkWidget* window_ = nullptr;
  GtkWidget* area_ = nullptr;
  GdkPixbuf* icon_ = nullptr;
  std::map<int, GdkPixbuf*> loaded_;  // picture number → picture (nullptr: could not be loaded)
  std::map<int, int> key_pictures_;   // key id → picture number
  std::string language_ = TrText(kInitialLanguageLabel);
  int pressed_key_ = 0;
  bool close_pressed_ = false;
  bool dragging_ = false;
  bool about_open_ = false;
  double drag_x_ = 0, drag_y_ = 0;
  double scale_ = 1.0;
  KeyboardStacking stacking_;
  int window_x_ = 0, window_y_ = 0;  // where it was last put
  int drag_window_x_ = 0, drag_window_y_ = 0;
};

}  // namespace panelia
