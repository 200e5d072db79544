// Sonavelle's window on GTK: the song list, the status line, four buttons, the two hint lines, the
// menu of the free area with the about box. Sizes are the dialog's units at 1.5 px each.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "music/player.h"

namespace panelia {

struct PlayerWindowHooks {
  std::function<void()> play, pause, stop, replay;
  // The close box, Escape and the menu's close: the program ends.
  std::function<void()> close;
};

class GtkPlayerWindow final : public PlayerWindow {
 public:
  // `icon` is the program's picture 128.
  GtkPlayerWindow(const std::string& icon, PlayerWindowHooks hooks);
  ~GtkPlayerWindow() override;
  GtkPlayerWindow(const GtkPlayerWindow&) = delete;
  GtkPlayerWindow& operator=(const GtkPlayerWindow&) = delete;

  GtkWidget* Widget() const { return window_; }
  // The first showing, as the show command the program was started with asks.
  void Present();

  void ShowSongs(const std::vector<std::string>& paths) override;
  void ShowStatus(const std::string& text) override;
  void SelectOnly(std::optional<size_t> position) override;
  std::optional<size_t> FirstSelected() override;
  void RemoveSong(size_t position) override;
  void ShowError(const std::string& text, const std::string& caption, bool owned) override;

  void ShowAbout();

 private:
  static gboolean OnButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self);

  PlayerWindowHooks hooks_;
  GdkPixbuf* icon_ = nullptr;
  GtkWidget* window_ = nullptr;
  GtkWidget* list_ = nullptr;
  GtkListStore* store_ = nullptr;
  GtkTreeViewColumn* column_ = nullptr;
  GtkWidget* status_ = nullptr;
};

// A text a person can read: UTF-8 as it is, a name from an older kiosk (GB18030) decoded.
std::string DisplayText(const std::string& bytes);

}  // namespace panelia
