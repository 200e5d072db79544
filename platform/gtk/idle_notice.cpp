#include "platform/gtk/idle_notice.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/texts.h"
#include "platform/gtk/gdk_x11.h"

namespace panelia {
namespace {

// Large, light on dark, readable across the room and by low vision.
constexpr const char* kNoticeStyle =
    "window.panelia-idle-notice { background: #10243e; }"
    ".panelia-idle-notice label { color: #ffffff; }"
    ".panelia-idle-notice .question { font-size: 44px; font-weight: bold; }"
    ".panelia-idle-notice .countdown { font-size: 180px; font-weight: bold; color: #ffd54a; }";

}  // namespace

IdleNotice::IdleNotice(std::function<GtkWindow*()> parent, std::function<void()> touched)
    : parent_(std::move(parent)), touched_(std::move(touched)) {}

IdleNotice::~IdleNotice() {
  if (ticker_) g_source_remove(ticker_);
  if (window_) gtk_widget_destroy(window_);
}

void IdleNotice::Build() {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* w = GTK_WINDOW(window_);
  gtk_window_set_title(w, ForVisitors(kIdleNoticeText).c_str());
  gtk_window_set_decorated(w, FALSE);
  gtk_window_set_skip_taskbar_hint(w, TRUE);
  gtk_window_set_skip_pager_hint(w, TRUE);
  gtk_window_set_keep_above(w, TRUE);
  // The on-screen keyboard types into the focused page: the notice never takes the focus from it.
  gtk_window_set_accept_focus(w, FALSE);
  gtk_window_set_focus_on_map(w, FALSE);
  g_signal_connect(window_, "delete-event", G_CALLBACK(gtk_true), nullptr);
  gtk_widget_add_events(window_, GDK_BUTTON_PRESS_MASK | GDK_TOUCH_MASK | GDK_KEY_PRESS_MASK);
  for (const char* signal : {"button-press-event", "touch-event", "key-press-event"})
    g_signal_connect(window_, signal, G_CALLBACK(OnInput), this);

  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, kNoticeStyle, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(window_), GTK_STYLE_PROVIDER(css),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);
  gtk_style_context_add_class(gtk_widget_get_style_context(window_), "panelia-idle-notice");

  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 24);
  gtk_widget_set_valign(box, GTK_ALIGN_CENTER);
  gtk_widget_set_halign(box, GTK_ALIGN_CENTER);
  // The question in the kiosk's language, and in English beneath it when that is another.
  std::vector<const char*> lines = {Tr(kIdleNoticeText)};
  if (lines.front() != kIdleNoticeText) lines.push_back(kIdleNoticeText);
  for (const char* line : lines) {
    GtkWidget* label = gtk_label_new(line);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_CENTER);
    gtk_style_context_add_class(gtk_widget_get_style_context(label), "question");
    gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
  }
  count_ = gtk_label_new("");
  gtk_style_context_add_class(gtk_widget_get_style_context(count_), "countdown");
  gtk_box_pack_start(GTK_BOX(box), count_, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(window_), box);
  gtk_widget_show_all(box);
}

void IdleNotice::Show(int seconds_left) {
  if (seconds_left <= 0) {
    Hide();
    return;
  }
  if (!window_) Build();
  ends_us_ = g_get_monotonic_time() + static_cast<gint64>(seconds_left) * G_USEC_PER_SEC;
  Tick();
  if (!ticker_)
    ticker_ = g_timeout_add(
        250,
        [](gpointer self) -> gboolean {
          static_cast<IdleNotice*>(self)->Tick();
          return G_SOURCE_CONTINUE;
        },
        this);
  if (gtk_widget_get_visible(window_)) return;
  if (GtkWindow* parent = parent_ ? parent_() : nullptr) gtk_window_set_transient_for(GTK_WINDOW(window_), parent);
  FullScreenOnKioskMonitor(GTK_WINDOW(window_));
  gtk_widget_show(window_);
}

void IdleNotice::Tick() {
  gint64 left_us = std::max<gint64>(0, ends_us_ - g_get_monotonic_time());
  std::string shown = std::to_string((left_us + G_USEC_PER_SEC - 1) / G_USEC_PER_SEC);
  if (shown != gtk_label_get_text(GTK_LABEL(count_))) gtk_label_set_text(GTK_LABEL(count_), shown.c_str());
}

void IdleNotice::Hide() {
  if (ticker_) g_source_remove(ticker_);
  ticker_ = 0;
  if (window_) gtk_widget_hide(window_);
}

gboolean IdleNotice::OnInput(GtkWidget*, GdkEvent* event, gpointer self) {
  auto* notice = static_cast<IdleNotice*>(self);
  // A finger's first contact (or a press) answers; the rest of its gesture lands on nothing.
  bool answer = event->type == GDK_BUTTON_PRESS || event->type == GDK_TOUCH_BEGIN || event->type == GDK_KEY_PRESS;
  if (answer && notice->Shown()) {
    notice->Hide();
    if (notice->touched_) notice->touched_();
  }
  return TRUE;
}

}  // namespace panelia
