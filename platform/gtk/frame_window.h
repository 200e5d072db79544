// The kiosk frame's window on GTK: the top-level window of class PaneliaClass4.0 with its menu bar,
// the page row above the 80-pixel bar row, the status line, full screen and the task bar. CMainFrame
// decides; this class draws and reports.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/event_link.h"
#include "platform/gtk/glib_timers.h"
#include "platform/gtk/gobject_ptr.h"
#include "shell/companions.h"
#include "shell/full_screen_guard.h"
#include "shell/main_frame.h"
#include "shell/menus.h"

namespace panelia {

class GtkFrameWindow final : public FramePort, public CompanionPort {
 public:
  // `icon_path` is picture 128.
  explicit GtkFrameWindow(const std::string& icon_path);
  ~GtkFrameWindow() override;
  GtkFrameWindow(const GtkFrameWindow&) = delete;
  GtkFrameWindow& operator=(const GtkFrameWindow&) = delete;

  GtkWindow* Window() const { return GTK_WINDOW(window_); }
  // The frame's logic, joined once it exists; menus, keys and state changes go there.
  EventLink<CMainFrame>& FrameLink() { return frame_; }
  // The page's view fills the page row; the bar's view arrives in the bar row when it is made.
  void SetPageView(GtkWidget* page);
  void SetBarView(GtkWidget* bar);
  void SetBarViewLookup(std::function<GtkWidget*()> bar) { bar_view_ = std::move(bar); }
  // Any close request ends Panelia at once, without the password.
  void OnCloseRequest(std::function<void()> close) { close_request_ = std::move(close); }
  void Show();
  void SetTitle(const std::string& title);

  // FramePort
  void HideTaskBar() override;
  void ShowTaskBar() override;
  void SetStatusBarVisible(bool visible) override;
  void SetCaption(bool present) override;
  void DetachMenu() override;
  void AttachMenu() override;
  void SavePlacement() override;
  void RestorePlacement() override;
  void ShowMaximized() override;
  void ShowNormal() override;
  void SetTopMost() override;
  int ClientHeight() const override;
  int StatusPaneHeight() const override;
  void SetRowHeights(int top, int bottom) override;
  void SetRowVisible(int row, bool visible) override;
  void ActivatePane(int row) override;
  void SetMenuCheck(int command, bool checked) override;
  void SetFrameTimer(int id, int milliseconds) override;
  void MessageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                  std::function<void()> closed) override;

  // CompanionPort
  void FocusMainFrame() override;
  void ShowNotice(const std::string& text, const std::string& caption) override {
    MessageBox(text, caption, MessageIcon::Information, {});
  }

 private:
  GtkWidget* BuildMenuBar();
  void AppendMenuItems(GtkWidget* menu, const std::vector<MenuItem>& items);
  GtkWidget* BuildStatusBar();
  void UpdateLockIndicators();
  bool WindowManagerDoesFullScreen() const;
  void PutPlacementBack();
  void OnMonitorsChanged();
  ScopedSignal monitors_changed_;
  static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self);
  static gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer self);

  void UpdateMenuSensitivity();
  EventLink<CMainFrame> frame_{[this] { UpdateMenuSensitivity(); }};
  std::function<void()> close_request_;
  std::function<GtkWidget*()> bar_view_;
  GtkWidget* window_ = nullptr;
  GtkWidget* menu_bar_ = nullptr;
  GtkWidget* page_row_ = nullptr;
  GtkWidget* status_bar_ = nullptr;
  GtkWidget* status_text_ = nullptr;
  GtkWidget* lock_labels_[3] = {nullptr, nullptr, nullptr};
  GtkWidget* bar_line_ = nullptr;
  GtkWidget* bar_row_ = nullptr;
  std::map<int, GtkWidget*> menu_items_;
  bool updating_checks_ = false;
  int saved_width_ = 0, saved_height_ = 0, saved_x_ = 0, saved_y_ = 0;
  // Carries out a guard's step on the next turn of the loop.
  void Defer(FullScreenGuard::Do what);
  FullScreenGuard guard_;
  guint restore_end_ = 0;  // the guard's settle timer
  GlibTimers timers_;
  ScopedSignal keymap_signal_;
};

}  // namespace panelia
