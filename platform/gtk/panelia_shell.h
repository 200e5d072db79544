// Panelia on GTK: the top-level window of class PaneliaClass4.0 with the main browser view, the
// splash picture and the about box. The decisions live in CPaneliaApp and CPaneliaView; this
// class only connects them to GTK and WebKitGTK.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "browse/view.h"
#include "common/registry.h"
#include "platform/gtk/glib_timers.h"
#include "platform/gtk/webkit_browser.h"
#include "shell/app.h"
#include "shell/splash.h"

namespace panelia {

class GtkPaneliaShell final : public AppPlatform, public ViewHost, public ViewPartners, public SplashPlatform {
 public:
  GtkPaneliaShell(RegistryStore& store, std::string module_directory);
  ~GtkPaneliaShell() override;

  void SetSplash(CSplashWindow* splash) { splash_ = splash; }
  // Destroys the frame and its views in the platform's order; called once the loop has ended.
  void DestroyFrame();

  // AppPlatform
  void UseControlSite(ControlSite site, const CPageExternal* external) override;
  void ResetViewPointers() override { view_.reset(); }
  bool CreateMainFrame() override;
  void ShowMainFrame() override;

  // ViewHost
  void SetMainWindowTitle(const std::string& title) override;
  void ShowAbout() override;
  void OpenHelp() override;
  void OpenProjectSite() override;
  void ShowPageProperties() override;

  // SplashPlatform
  bool ShowPicture(int milliseconds) override;
  void ClosePicture() override;
  void RepaintMainWindow() override;

 private:
  class MainViewEvents;
  std::string ResourcePath(int number) const;
  void ShowContextMenu(GdkEvent* event);

  RegistryStore& store_;
  std::string module_directory_;
  CSplashWindow* splash_ = nullptr;
  ControlSite site_ = ControlSite::Ordinary;
  std::string external_script_;

  GtkWidget* window_ = nullptr;
  GtkWidget* splash_window_ = nullptr;
  guint splash_timer_ = 0;
  std::unique_ptr<MainViewEvents> main_events_;
  std::unique_ptr<WebKitBrowser> main_browser_;
  std::unique_ptr<GlibTimers> view_timers_;
  std::unique_ptr<CPaneliaView> view_;
};

}  // namespace panelia
