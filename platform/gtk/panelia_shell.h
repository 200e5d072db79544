// Panelia on GTK: the top-level window of class PaneliaClass4.0 with the main browser view, the
// splash picture and the about box. The decisions live in CPaneliaApp and CPaneliaView; this
// class only connects them to GTK and WebKitGTK.
#pragma once

#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <vector>
#include <string>

#include "browse/bottom_view.h"
#include "browse/view.h"
#include "common/registry.h"
#include "platform/gtk/glib_launcher.h"
#include "platform/gtk/glib_timers.h"
#include "platform/gtk/webkit_browser.h"
#include "platform/x11_messages.h"
#include "shell/app.h"
#include "shell/companions.h"
#include "shell/exit_dialog.h"
#include "shell/main_frame.h"
#include "shell/menus.h"
#include "shell/splash.h"

namespace panelia {

class GtkPaneliaShell final : public AppPlatform,
                              public ViewHost,
                              public ViewPartners,
                              public SplashPlatform,
                              public FramePort,
                              public FrameServices,
                              public CompanionPort,
                              public ExitServices,
                              public BarActions {
 public:
  GtkPaneliaShell(RegistryStore& store, std::string module_directory);
  ~GtkPaneliaShell() override;

  void SetSplash(CSplashWindow* splash) { splash_ = splash; }
  // Destroys the frame and its views in the platform's order; called once the loop has ended.
  void DestroyFrame();
  // Runs the power-off request once Panelia's windows are gone.
  bool PowerOffRequested() const { return power_off_requested_; }
  static void RunPowerOffCommand();

  // AppPlatform
  void UseControlSite(ControlSite site, const CPageExternal* external) override;
  void ResetViewPointers() override { view_.reset(); }
  bool CreateMainFrame() override;
  void ShowMainFrame() override;

  // ViewHost
  void SetMainWindowTitle(const std::string& title) override;
  bool IsNavigatorFixed() const override { return frame_ ? frame_->IsNavigatorFixed() : true; }
  void ShowBottomBar(bool show) override {
    if (frame_) frame_->ShowBottomBar(show);
  }
  void ShowAbout() override;
  void OpenHelp() override;
  void OpenProjectSite() override;
  void ShowPageProperties() override;
  std::string ModuleDirectory() const override { return module_directory_; }

  // ViewPartners
  bool DispatchCommandLink(const std::string& url) override { return bar_ && bar_->DispatchCommandLink(url); }
  void StartBackgroundMusic(bool is_music) override { companions_->StartBackgroundMusic(is_music); }
  void ShowKeyboard(bool activate, int32_t board_type) override { companions_->ShowKeyboard(activate, board_type); }
  void RequestMusicOn() override { companions_->RequestMusicOn(); }
  void RequestMusicOff() override { companions_->RequestMusicOff(); }
  void CloseCompanions() override { companions_->CloseCompanions(); }
  void RequestExit() override { DispatchCommandLink("paneliaexit"); }
  void ScrollBy(int dx, int dy) override;
  void ScrollStepwise(int dx, int dy) override;
  void HideScrollBars() override;
  void MarkBarRedirect() override {
    if (bar_) bar_->SetRedirectMark();
  }

  // CompanionPort
  void Pause(int milliseconds) override;
  void FocusMainFrame() override;
  void ShowNotice(const std::string& text, const std::string& caption) override {
    MessageBox(text, caption, MessageIcon::Information);
  }

  // ExitServices
  int RunExitPasswordDialog() override;
  bool AskToQuit() override;
  void CloseSuite() override { companions_->CloseSuite(); }

  // BarActions
  void RequestExit(bool with_password) override { panelia::RequestExit(*this, with_password); }
  void PrintMainPage() override { ExecBrowserCommand(6); }
  // The bar is a child of the frame: no page script can move it, so there is nothing to put back.
  void PlaceBar(int /*left*/, int /*top*/) override {}

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
  void MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;

  // FrameServices
  bool StartNewCopy() override;
  void StartProgram(const std::string& path) override;
  void OpenWithDefaultHandler(const std::string& path) override;
  std::optional<std::string> RunOpenDialog() override;
  void ExecBrowserCommand(int olecmdid) override;
  void PageSetup() override;
  std::optional<std::string> MailHandlerCommandLine() override;
  void StartMailProgram(const std::string& program, const std::string& parameters) override;
  LocalTime Now() override;
  int RunPowerOffDialog(const LocalTime& today) override;
  bool ShutdownAllowed() override;
  void CloseFrame() override;
  void RequestPowerOff() override { power_off_requested_ = true; }
  KeyboardLayoutList CurrentKeyboardLayouts() override;
  void ActivateKeyboardLayout(const KeyboardLayout& layout) override;

  // SplashPlatform
  bool ShowPicture(int milliseconds) override;
  void ClosePicture() override;
  void RepaintMainWindow() override;

 private:
  class MainViewEvents;
  class BarEvents;
  class LazyBarBrowser;
  WebKitBrowser& BarBrowser();
  void LoadBarPage();
  std::string ResourcePath(int number) const;
  void ShowContextMenu(GdkEvent* event);
  GtkWidget* BuildMenuBar();
  void AppendMenuItems(GtkWidget* menu, const std::vector<MenuItem>& items);
  GtkWidget* BuildStatusBar();
  bool WindowManagerDoesFullScreen() const;
  static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self);
  static gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer self);
  static GdkFilterReturn OnX11Event(GdkXEvent* xevent, GdkEvent* event, gpointer self);
  void UpdateLockIndicators();

  RegistryStore& store_;
  std::string module_directory_;
  CSplashWindow* splash_ = nullptr;
  ControlSite site_ = ControlSite::Ordinary;
  std::string external_script_;

  GtkWidget* window_ = nullptr;
  GtkWidget* menu_bar_ = nullptr;
  GtkWidget* status_bar_ = nullptr;
  GtkWidget* status_text_ = nullptr;
  GtkWidget* lock_labels_[3] = {nullptr, nullptr, nullptr};
  GtkWidget* bar_line_ = nullptr;
  GtkWidget* bar_row_ = nullptr;  // holds the bar's web view once it exists
  std::map<int, GtkWidget*> menu_items_;
  bool updating_checks_ = false;
  int saved_width_ = 0, saved_height_ = 0, saved_x_ = 0, saved_y_ = 0;
  bool power_off_requested_ = false;
  ScopedSignal keymap_signal_;
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<GlibTimers> frame_timers_;
  std::unique_ptr<BarEvents> bar_events_;
  std::unique_ptr<WebKitBrowser> bar_browser_;
  std::unique_ptr<LazyBarBrowser> lazy_bar_browser_;
  std::unique_ptr<CBottomView> bar_;
  bool bar_page_requested_ = false;
  guint bar_load_ = 0;
  GlibLauncher launcher_;
  std::unique_ptr<X11WindowSystem> windows_;
  std::unique_ptr<CCompanions> companions_;
  GtkWidget* splash_window_ = nullptr;
  guint splash_timer_ = 0;
  std::unique_ptr<MainViewEvents> main_events_;
  std::unique_ptr<WebKitBrowser> main_browser_;
  std::unique_ptr<GlibTimers> view_timers_;
  std::unique_ptr<CPaneliaView> view_;
};

}  // namespace panelia
