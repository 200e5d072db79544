// The start-up picture and the about box on GTK: picture 140, centred, borderless.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "common/event_link.h"
#include "shell/splash.h"

namespace panelia {

class GtkSplash final : public SplashPlatform {
 public:
  // `picture` is picture 140; `repaint` paints the frame again once the picture has gone.
  GtkSplash(std::string picture, std::function<void()> repaint)
      : picture_(std::move(picture)), repaint_(std::move(repaint)) {}
  ~GtkSplash() override { ClosePicture(); }
  // The picture's logic (its timer goes there), joined once it exists: it takes this as its platform.
  EventLink<CSplashWindow>& LogicLink() { return splash_; }
  // Keeps the picture above a frame that has just been shown.
  void Raise();

  bool ShowPicture(int milliseconds) override;
  void ClosePicture() override;
  void RepaintMainWindow() override { repaint_(); }

 private:
  std::string picture_;
  std::function<void()> repaint_;
  EventLink<CSplashWindow> splash_;
  GtkWidget* window_ = nullptr;
  guint timer_ = 0;
};

// Picture 140 at 400 x 200 dialog units over `parent`; a left-button release anywhere closes it.
void ShowAboutBox(GtkWindow* parent, const std::string& picture);

}  // namespace panelia
