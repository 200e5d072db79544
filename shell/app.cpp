#include "shell/app.h"

#include "common/settings.h"
#include "common/text.h"

namespace panelia {

CommandLineInfo ParseCommandLine(const std::vector<std::string>& args) {
  CommandLineInfo info;
  for (const auto& arg : args) {
    std::string a = AsciiLower(arg);
    // The framework's switches start with "/" or "-"; "--" is this platform's habit.
    if (a.starts_with("--"))
      a = a.substr(2);
    else if (!a.empty() && (a[0] == '/' || a[0] == '-'))
      a = a.substr(1);
    else
      continue;
    if (a == "embedding" || a == "automation") info.show_splash = false;
  }
  return info;
}

bool CPaneliaApp::InitInstance(const std::vector<std::string>& args) {
  CommandLineInfo command_line = ParseCommandLine(args);
  splash_.EnableSplash(command_line.show_splash);

  SettingsReader settings(store_);
  if (settings.Flag(setting::IsScriptDebug)) {
    external_ = std::make_unique<CPageExternal>();
    platform_.UseControlSite(ControlSite::Kiosk, external_.get());
  } else {
    platform_.UseControlSite(ControlSite::Ordinary, nullptr);
  }
  platform_.ResetViewPointers();
  if (!platform_.CreateMainFrame()) return false;
  platform_.ShowMainFrame();
  ApplyFirstStartSettings();
  return true;
}

int CPaneliaApp::ExitInstance() {
  external_.reset();
  return 0;
}

void CPaneliaApp::ApplyFirstStartSettings() {
  if (SettingsReader(store_).Flag(setting::Initiated)) return;

  power_.SetLowPowerTimeout(0);
  power_.SetPowerOffTimeout(0);

  // Written only where the browser's key already exists; a failure is of no consequence.
  CRegistryKey key(store_);
  key.SetRootKey(Hive::CurrentUser);
  key.SetSubKey(kBrowserMainKey);
  key.WriteString("Enable_MyPics_Hoverbar", "no");
  key.WriteString("Enable AutoImageResize", "no");
  key.WriteString("Disable Script Debugger", "yes");
  key.WriteString("DisableScriptDebuggerIE", "yes");

  key.SetRootKey(Hive::LocalMachine);
  key.SetSubKey(kSuiteRootKey);
  key.WriteDword(setting::Initiated.name, 1);
}

}  // namespace panelia
