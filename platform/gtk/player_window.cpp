#include "platform/gtk/player_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/gtk/companion_ui.h"
#include "platform/gtk/gdk_x11.h"
#include "platform/gtk/message_box.h"
#include "common/log.h"
#include "common/texts.h"

namespace panelia {

namespace {

constexpr double kUnit = 1.5;  // pixels per dialog unit
int Px(double units) {
  return static_cast<int>(std::lround(units * kUnit));
}

constexpr const char* kTitle = "Panelia touch-screen browser Sonavelleer 4.3";
constexpr const char* kFontCss =
    "window, window * { font-family: \"WenQuanYi Micro Hei\", \"Noto Sans CJK SC\", sans-serif; font-size: 9pt; }";
// Widths are measured for the longest-looking names only: a folder of 10,000 songs opens at once.
constexpr size_t kMeasuredNames = 32;

void Put(GtkWidget* fixed, GtkWidget* child, double x, double y, double w, double h) {
  gtk_widget_set_size_request(child, Px(w), Px(h));
  gtk_fixed_put(GTK_FIXED(fixed), child, Px(x), Px(y));
}

GtkWidget* Label(const char* text) {
  GtkWidget* label = gtk_label_new(text);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_label_set_yalign(GTK_LABEL(label), 0);
  return label;
}

void OnClicked(GtkButton*, gpointer hook) {
  auto& call = *static_cast<std::function<void()>*>(hook);
  if (call) call();
}

// How wide a text looks, roughly: wide characters count twice.
size_t LooksWide(const std::string& text) {
  size_t width = 0;
  for (const char* p = text.c_str(); *p; p = g_utf8_next_char(p)) width += g_unichar_iswide(g_utf8_get_char(p)) ? 2 : 1;
  return width;
}

}  // namespace

std::string DisplayText(const std::string& bytes) {
  if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) return bytes;
  gchar* text =
      g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", "GB18030", nullptr, nullptr, nullptr);
  if (!text) text = g_utf8_make_valid(bytes.data(), static_cast<gssize>(bytes.size()));
  std::string out(text);
  g_free(text);
  return out;
}

GtkPlayerWindow::GtkPlayerWindow(const std::string& icon, PlayerWindowHooks hooks) : hooks_(std::move(hooks)) {
  icon_ = gdk_pixbuf_new_from_file(icon.c_str(), nullptr);
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, kFontCss, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);

  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window_), kTitle);
  // A dialog's frame: a minimise box, no maximise box, no resizing.
  gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
  gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_NORMAL);
  gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
  if (icon_) gtk_window_set_icon(GTK_WINDOW(window_), icon_);
  gtk_widget_add_events(window_, GDK_BUTTON_PRESS_MASK);
  g_signal_connect(window_, "button-press-event", G_CALLBACK(&GtkPlayerWindow::OnButtonPress), this);
  g_signal_connect(window_, "key-press-event", G_CALLBACK(&GtkPlayerWindow::OnKeyPress), this);
  g_signal_connect(window_, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) {
                     auto* me = static_cast<GtkPlayerWindow*>(self);
                     if (me->hooks_.close) me->hooks_.close();
                     return TRUE;
                   }),
                   this);

  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, Px(244), Px(201));
  gtk_container_add(GTK_CONTAINER(window_), fixed);

  Put(fixed, gtk_frame_new(Tr("Play list")), 2, 2, 240, 125);
  store_ = gtk_list_store_new(1, G_TYPE_STRING);
  list_ = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store_));
  gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(list_), FALSE);
  gtk_tree_view_set_enable_search(GTK_TREE_VIEW(list_), FALSE);
  GtkCellRenderer* text = gtk_cell_renderer_text_new();
  column_ = gtk_tree_view_column_new_with_attributes("", text, "text", 0, nullptr);
  gtk_tree_view_column_set_sizing(column_, GTK_TREE_VIEW_COLUMN_FIXED);
  gtk_tree_view_append_column(GTK_TREE_VIEW(list_), column_);
  gtk_tree_view_set_fixed_height_mode(GTK_TREE_VIEW(list_), TRUE);
  gtk_tree_selection_set_mode(gtk_tree_view_get_selection(GTK_TREE_VIEW(list_)), GTK_SELECTION_MULTIPLE);
  GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_AUTOMATIC, GTK_POLICY_ALWAYS);
  gtk_container_add(GTK_CONTAINER(scroller), list_);
  Put(fixed, scroller, 6, 14, 232, 87);

  status_ = Label(Tr("The MP3 song playing....."));
  gtk_label_set_ellipsize(GTK_LABEL(status_), PANGO_ELLIPSIZE_NONE);
  gtk_label_set_single_line_mode(GTK_LABEL(status_), TRUE);
  Put(fixed, status_, 12, 109, 219, 12);

  const struct {
    const char* text;
    std::function<void()>* hook;
    double x;
  } buttons[] = {{Tr("Play"), &hooks_.play, 6},
                 {Tr("Pause"), &hooks_.pause, 66},
                 {Tr("Stop"), &hooks_.stop, 126},
                 {Tr("Replay"), &hooks_.replay, 185}};
  for (const auto& b : buttons) {
    GtkWidget* button = gtk_button_new_with_label(b.text);
    g_signal_connect(button, "clicked", G_CALLBACK(OnClicked), b.hook);
    Put(fixed, button, b.x, 134, 50, 14);
  }
  Put(fixed, gtk_frame_new(Tr("Adding and removing songs")), 1, 154, 240, 42);
  Put(fixed, Label(Tr("To add or remove songs, copy MP3 songs into the folder above, or delete them there.")), 8, 168,
      227, 8);
  Put(fixed, Label(Tr("To change the folder the songs are kept in, change it in the settings!")), 8, 182, 217, 8);
  gtk_widget_show_all(fixed);
  gtk_widget_grab_focus(list_);
}

GtkPlayerWindow::~GtkPlayerWindow() {
  if (window_) gtk_widget_destroy(window_);
  g_object_unref(store_);
  if (icon_) g_object_unref(icon_);
}

void GtkPlayerWindow::Present() {
  // The window manager offers move, minimise and close; no maximise box.
  gtk_widget_realize(window_);
  gdk_window_set_functions(gtk_widget_get_window(window_),
                           GdkWMFunction(GDK_FUNC_MOVE | GDK_FUNC_MINIMIZE | GDK_FUNC_CLOSE));
  ShowForTheFirstTime(GTK_WINDOW(window_));
}

void GtkPlayerWindow::ShowSongs(const std::vector<std::string>& paths) {
  // Filled while detached from the view, which would otherwise look at every row as it comes.
  g_object_ref(store_);
  gtk_tree_view_set_model(GTK_TREE_VIEW(list_), nullptr);
  gtk_list_store_clear(store_);
  std::vector<std::string> shown;
  shown.reserve(paths.size());
  for (const auto& path : paths) {
    shown.push_back(DisplayText(path));
    gtk_list_store_insert_with_values(store_, nullptr, -1, 0, shown.back().c_str(), -1);
  }
  gtk_tree_view_set_model(GTK_TREE_VIEW(list_), GTK_TREE_MODEL(store_));
  g_object_unref(store_);

  // The column is as wide as the widest path, so long paths scroll sideways.
  std::vector<std::pair<size_t, size_t>> widths;  // (looks, index)
  widths.reserve(shown.size());
  for (size_t i = 0; i < shown.size(); ++i) widths.emplace_back(LooksWide(shown[i]), i);
  size_t measured = std::min(kMeasuredNames, widths.size());
  std::partial_sort(widths.begin(), widths.begin() + static_cast<std::ptrdiff_t>(measured), widths.end(),
                    [](const auto& a, const auto& b) { return a.first > b.first; });
  PangoLayout* layout = gtk_widget_create_pango_layout(list_, nullptr);
  int widest = 0;
  for (size_t i = 0; i < measured; ++i) {
    pango_layout_set_text(layout, shown[widths[i].second].c_str(), -1);
    int w = 0;
    pango_layout_get_pixel_size(layout, &w, nullptr);
    widest = std::max(widest, w);
  }
  g_object_unref(layout);
  gtk_tree_view_column_set_fixed_width(column_, std::max(widest + 12, Px(228)));
}

void GtkPlayerWindow::ShowStatus(const std::string& text) {
  std::string shown = DisplayText(text);
  // The status line goes to the log too: what played when, and why a song was refused.
  if (shown != gtk_label_get_text(GTK_LABEL(status_))) Log("%s", shown.c_str());
  gtk_label_set_text(GTK_LABEL(status_), shown.c_str());
  // And on the window, where the kiosk's status reads it.
  SetWindowText(window_, kPlayerStatusProperty, shown);
}

void GtkPlayerWindow::SelectOnly(std::optional<size_t> position) {
  GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(list_));
  gtk_tree_selection_unselect_all(selection);
  if (!position) return;
  GtkTreePath* path = gtk_tree_path_new_from_indices(static_cast<gint>(*position), -1);
  gtk_tree_selection_select_path(selection, path);
  if (gtk_widget_get_realized(list_)) gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(list_), path, nullptr, FALSE, 0, 0);
  gtk_tree_path_free(path);
}

std::optional<size_t> GtkPlayerWindow::FirstSelected() {
  GList* rows = gtk_tree_selection_get_selected_rows(gtk_tree_view_get_selection(GTK_TREE_VIEW(list_)), nullptr);
  std::optional<size_t> first;
  for (GList* r = rows; r; r = r->next) {
    auto index = static_cast<size_t>(gtk_tree_path_get_indices(static_cast<GtkTreePath*>(r->data))[0]);
    if (!first || index < *first) first = index;
  }
  g_list_free_full(rows, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
  return first;
}

void GtkPlayerWindow::RemoveSong(size_t position) {
  GtkTreeIter iter;
  if (gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(store_), &iter, nullptr, static_cast<gint>(position)))
    gtk_list_store_remove(store_, &iter);
}

void GtkPlayerWindow::ShowError(const std::string& text, const std::string& caption, bool owned) {
  ShowMessageBox(owned ? GTK_WINDOW(window_) : nullptr, text, caption, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK);
}

void GtkPlayerWindow::ShowAbout() {
  ShowCompanionAbout(GTK_WINDOW(window_), Tr("About Sonavelle"), icon_,
                     {Tr("Sonavelle version 4.3"),
                      Tr("The background music player of the Panelia touch-screen browser"), Tr("Made by Quorvex")},
                     Px(235), Px(81));
}

gboolean GtkPlayerWindow::OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer p) {
  auto* self = static_cast<GtkPlayerWindow*>(p);
  if (event->type != GDK_BUTTON_PRESS || event->button != 3) return FALSE;
  // The window's menu, on its free area: the window commands, a separator, the about entry.
  PopupMenu(self->window_, event,
            {{Tr("Mi_nimise"), [self] { gtk_window_iconify(GTK_WINDOW(self->window_)); }},
             {Tr("_Close"),
              [self] {
                if (self->hooks_.close) self->hooks_.close();
              }},
             {"", {}},
             {Tr("_About Sonavelle..."), [self] { self->ShowAbout(); }}});
  return TRUE;
}

gboolean GtkPlayerWindow::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer p) {
  auto* self = static_cast<GtkPlayerWindow*>(p);
  if (event->keyval != GDK_KEY_Escape) return FALSE;
  if (self->hooks_.close) self->hooks_.close();
  return TRUE;
}

}  // namespace panelia
