// The start-up picture: picture 140 for 1.5 s, centred, not dismissed by touch.
#pragma once

namespace panelia {

class SplashPlatform {
 public:
  virtual ~SplashPlatform() = default;
  // Shows picture 140 centred on the screen and arranges one OnTimer call after `milliseconds`.
  // False when the picture is missing or unreadable, or the window cannot be made.
  virtual bool ShowPicture(int milliseconds) = 0;
  virtual void ClosePicture() = 0;
  virtual void RepaintMainWindow() = 0;
};

class CSplashWindow {
 public:
  static constexpr int kShowMilliseconds = 1500;

  explicit CSplashWindow(SplashPlatform& platform) : platform_(platform) {}
  void EnableSplash(bool enable) { enabled_ = enable; }
  bool Enabled() const { return enabled_; }
  bool Showing() const { return showing_; }

  void ShowSplash() {
    if (!enabled_ || showing_) return;
    showing_ = platform_.ShowPicture(kShowMilliseconds);
  }
  // The picture's only timer tick: it goes, and the kiosk behind it is painted again.
  void OnTimer() {
    if (!showing_) return;
    platform_.ClosePicture();
    showing_ = false;
    platform_.RepaintMainWindow();
  }

 private:
  SplashPlatform& platform_;
  bool enabled_ = false;
  bool showing_ = false;
};

}  // namespace panelia
