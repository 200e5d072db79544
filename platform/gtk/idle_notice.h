// The notice before the idle return: over the whole kiosk monitor, "Still there?" with a large
// countdown. A touch, click or key on it takes it away and counts as the visitor's input; it reaches
// nothing beneath.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace panelia {

// The notice's text, also its window's title (so a screen reader announces it, and tests find it).
inline constexpr const char* kIdleNoticeText = "Still there? Touch the screen to continue";

class IdleNotice {
 public:
  // `parent`: the kiosk's frame, which the notice stays above; `touched`: the visitor answered.
  IdleNotice(std::function<GtkWindow*()> parent, std::function<void()> touched);
  ~IdleNotice();
  IdleNotice(const IdleNotice&) = delete;
  IdleNotice& operator=(const IdleNotice&) = delete;
  // Shown (or its countdown set afresh) with the seconds left; 0 takes it away.
  void Show(int seconds_left);
  bool Shown() const { return window_ && gtk_widget_get_visible(window_); }

 private:
  void Build();
  void Hide();
  void Tick();
  static gboolean OnInput(GtkWidget*, GdkEvent* event, gpointer self);
  std::function<GtkWindow*()> parent_;
  std::function<void()> touched_;
  GtkWidget* window_ = nullptr;
  GtkWidget* count_ = nullptr;
  gint64 ends_us_ = 0;
  guint ticker_ = 0;
};

}  // namespace panelia
