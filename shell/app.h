// CPaneliaApp: everything from process start until the kiosk stands on the screen, and the
// one-time browser settings of a first start on a machine.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/registry.h"
#include "shell/page_external.h"
#include "shell/splash.h"

namespace panelia {

struct CommandLineInfo {
  bool show_splash = true;  // false under the embedding or automation switch
};
CommandLineInfo ParseCommandLine(const std::vector<std::string>& args);

// Which browser host the main view's control is created under.
enum class ControlSite { Kiosk, Ordinary };

class AppPlatform {
 public:
  virtual ~AppPlatform() = default;
  virtual void UseControlSite(ControlSite site, const CPageExternal* external) = 0;
  virtual void ResetViewPointers() = 0;
  // Builds the frame with both views, runs its creation handler and the views' initial update.
  virtual bool CreateMainFrame() = 0;
  virtual void ShowMainFrame() = 0;
};

// The two power time-outs a first start sets to 0 (screen saver and display power management).
class PowerSettings {
 public:
  virtual ~PowerSettings() = default;
  virtual void SetLowPowerTimeout(int seconds) = 0;
  virtual void SetPowerOffTimeout(int seconds) = 0;
};

class CPaneliaApp {
 public:
  CPaneliaApp(RegistryStore& store, AppPlatform& platform, PowerSettings& power, CSplashWindow& splash)
      : store_(store), platform_(platform), power_(power), splash_(splash) {}

  bool InitInstance(const std::vector<std::string>& args);
  int ExitInstance();
  void ApplyFirstStartSettings();

  const CPageExternal* External() const { return external_.get(); }

 private:
  RegistryStore& store_;
  AppPlatform& platform_;
  PowerSettings& power_;
  CSplashWindow& splash_;
  std::unique_ptr<CPageExternal> external_;
};

}  // namespace panelia
