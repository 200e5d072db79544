#include "shell/main_frame.h"

#include <cstdint>

#include "browse/page_commands.h"
#include "browse/view.h"
#include "common/module_directory.h"
#include "common/names.h"
#include "common/settings.h"
#include "shell/mail.h"
#include "shell/menus.h"
#include "shell/splash.h"
#include "common/texts.h"

namespace panelia {

const std::string CMainFrame::kSiteAddressPage = "help/about.html";
const std::string CMainFrame::kAuthorAddress = "mailto:kiosk-support@example.org";

CMainFrame::CMainFrame(RegistryStore& store, FramePort& port, FrameServices& services, std::string module_directory)
    : store_(store), port_(port), services_(services), module_directory_(std::move(module_directory)), splitter_(port) {
  SettingsReader s(store_);
  power_off_.auto_shut = s.Flag(setting::IsAutoShut);
  power_off_.close_weekend = s.Flag(setting::IsCloseWeekend);
  power_off_.time = ParseTimeOfDay(s.Text(setting::PowerOffTime));
  navigator_fixed_ = s.Flag(setting::IsNavigator);
  status_bar_setting_ = s.Flag(setting::IsStatusBar);
}

void CMainFrame::OnCreate(CSplashWindow* splash) {
  status_pane_height_ = port_.StatusPaneHeight();
  if (splash) splash->ShowSplash();
  port_.SetFrameTimer(kPowerOffTimer, kPowerOffTimerMs);
  CRegistryKey key(store_);
  key.SetSubKey(kSuiteRootKey);
  key.WriteString(setting::AppPath.name, AppPathFor(module_directory_));
  if (!status_bar_setting_) {
    port_.SetStatusBarVisible(false);
    status_bar_shown_ = false;
  }
  ToggleFullScreen();
  port_.SetMenuCheck(command::kToolbar, bottom_bar_shown_);
  port_.SetMenuCheck(command::kStatusBar, status_bar_shown_);
  UpdatePageChecks();
}

void CMainFrame::OnTimer(int id) {
  if (id == kPowerOffTimer && power_off_.auto_shut) PowerOffCheck();
}

void CMainFrame::ToggleFullScreen() {
  if (!full_screen_) {
    port_.HideTaskBar();
    port_.SetStatusBarVisible(false);
    port_.SetCaption(false);
    port_.DetachMenu();
    port_.SavePlacement();
    port_.ShowMaximized();
    full_screen_ = true;
  } else {
    port_.ShowTaskBar();
    port_.AttachMenu();
    // Leaving full screen always brings the status bar back, whatever its setting says.
    port_.SetStatusBarVisible(true);
    port_.SetCaption(true);
    port_.RestorePlacement();
    port_.ShowNormal();
    full_screen_ = false;
  }
  LayoutPanes();
  // Read at every change; 0 never takes an earlier top-most state away.
  if (SettingsReader(store_).Flag(setting::IsAlwaysTop)) port_.SetTopMost();
}

std::optional<int32_t> CMainFrame::OnRemoteCommand(RemoteCommand command) {
  switch (command) {
    case RemoteCommand::Home:
      if (view_) view_->NavigateHome();
      return 0;
    case RemoteCommand::Reload:
      if (view_) view_->Browser().Refresh();
      return 0;
    case RemoteCommand::Wipe:
      if (view_) view_->ReturnHomeForNextVisitor();
      return 0;
    case RemoteCommand::RestartWhenIdle: restart_when_idle_ = true; return 0;
    case RemoteCommand::Quit:
      services_.Log("closing: an operator's quit (panelia-send)");
      services_.CloseFrame();
      return 0;
    case RemoteCommand::ScreenOn:
    case RemoteCommand::ScreenOff:
    case RemoteCommand::ScreenAuto:
      if (!schedule_) return -1;
      return schedule_->OnScreenCommand(command == RemoteCommand::ScreenOn    ? ScreenCommand::On
                                        : command == RemoteCommand::ScreenOff ? ScreenCommand::Off
                                                                              : ScreenCommand::Auto);
  }
  return -1;  // not a command this Panelia knows
}

void CMainFrame::OnNewVisitor() {
  // Between two visitors, the restart an operator asked for: the session starts Panelia again.
  if (restart_when_idle_) {
    services_.Log("closing between visitors to start again (an operator's restart-when-idle)");
    services_.RequestRestart();
    services_.CloseFrame();
    return;
  }
  if (!full_screen_) ToggleFullScreen();
  services_.ClearSelections();
  services_.CloseKeyboard();
  services_.ForgetLearnedInput();
  if (auto first = LayoutAtPosition(services_.CurrentKeyboardLayouts(), 0)) services_.ActivateKeyboardLayout(*first);
}

void CMainFrame::LayoutPanes() {
  if (!splitter_created_) return;
  int height = port_.ClientHeight();
  if (height <= 0) return;
  int top = full_screen_ ? height - kBarHeight : height - status_pane_height_ - kBarHeight;
  port_.SetRowHeights(top, kBarHeight);
}

void CMainFrame::ShowBottomBar(bool show) {
  if (show && !bottom_bar_shown_) {
    splitter_.ShowRow();
    bottom_bar_shown_ = true;
  } else if (!show && bottom_bar_shown_) {
    splitter_.HideRow(kBarRow);
    bottom_bar_shown_ = false;
  } else {
    return;
  }
  port_.SetMenuCheck(command::kToolbar, bottom_bar_shown_);
}

void CMainFrame::SendMailTo(const std::string& address) {
  auto command_line = services_.MailHandlerCommandLine();
  if (!command_line) {
    port_.MessageBox(Tr("No e-mail program was found"), TrText(kErrorCaption), MessageIcon::Error);
    return;
  }
  if (command_line->empty()) {
    port_.MessageBox(Tr("The e-mail program cannot be started"), TrText(kErrorCaption), MessageIcon::Information);
    return;
  }
  MailCommand mail = SplitMailCommand(*command_line, address);
  services_.StartMailProgram(mail.program, mail.parameters);
}

void CMainFrame::PowerOffCheck() {
  LocalTime now = services_.Now();
  // A check while the notice is up is the same power-off, not a second one.
  if (power_off_notice_open_ || !PowerOffDue(power_off_, now)) return;
  power_off_notice_open_ = true;
  services_.RunPowerOffDialog(now, [this](int result) {
    power_off_notice_open_ = false;
    if (result != CPowerOffDlg::kOk) return;
    // The frame, the views and the companions are gone before the machine is asked to power off;
    // nothing of the frame is touched after this.
    auto power_off = [this] {
      services_.CloseFrame();
      services_.RequestPowerOff();
    };
    services_.ShutdownAllowed([this, power_off](bool allowed) {
      if (allowed)
        power_off();
      else
        port_.MessageBox(Tr("The right to power off could not be obtained!"), "ERROR", MessageIcon::Error, power_off);
    });
  });
}

std::optional<int32_t> CMainFrame::OnSuiteMessage(std::string_view name, int32_t wparam, int32_t /*lparam*/) {
  if (name == kOpenUrlMessage) {
    // The page number is the key of "OpenURL.ini"'s TargetURL section.
    if (view_) view_->OpenTargetAddress(std::to_string(wparam));
    return 0;
  }
  if (name == kRemoteMessage) return OnRemoteCommand(static_cast<RemoteCommand>(wparam));
  if (name == kInputMethodMessage) {
    // Position 0 or below is the first layout; a position beyond the list changes nothing.
    if (auto layout = LayoutAtPosition(services_.CurrentKeyboardLayouts(), wparam))
      services_.ActivateKeyboardLayout(*layout);
    return 0;
  }
  return std::nullopt;
}

bool CMainFrame::IsCommandHandled(int id) const {
  switch (id) {
    case command::kNewWindow:
    case command::kOpen:
    case command::kSaveAs:
    case command::kPageSetup:
    case command::kPrint:
    case command::kPrintPreview:
    case command::kToolbar:
    case command::kStatusBar:
    case command::kFullScreen:
    case command::kOptions:
    case command::kHelp:
    case command::kVisitSite:
    case command::kWriteAuthor:
    case command::kAbout:
    case command::kExit:
    case command::kMailLink:
    case command::kInternetOptions: return true;
    default:
      // The page commands go to the main view, as the framework routed them.
      return CPaneliaView::HandlesPageCommand(id);
  }
}

bool CMainFrame::IsChecked(int id) const {
  if (id == command::kToolbar) return bottom_bar_shown_;
  if (id == command::kStatusBar) return status_bar_shown_;
  return view_ && view_->IsPageCommandChecked(id);
}

void CMainFrame::UpdatePageChecks() {
  for (int id = command::kTextSizeFirst; id <= command::kEncodingFirst; ++id) port_.SetMenuCheck(id, IsChecked(id));
}

bool CMainFrame::IsGuardedCommand(int id) {
  switch (id) {
    case command::kFullScreen:
    case command::kNewWindow:
    case command::kOpen:
    case command::kSaveAs:
    case command::kPrintPreview:
    case command::kOptions:
    case command::kHelp:
    case command::kWriteAuthor:
    case command::kMailLink:
    case command::kInternetOptions: return true;
    default: return false;
  }
}

bool CMainFrame::OnCommand(int id) {
  // A visitor with a keyboard plugged in reaches these through their keys; the operator who knows
  // the exit password gets each one as before.
  if (full_screen_ && IsGuardedCommand(id)) {
    if (awaiting_password_) return true;
    awaiting_password_ = true;
    services_.AskExitPassword([this, id](bool granted) {
      awaiting_password_ = false;
      if (granted) RunCommand(id);
    });
    return true;
  }
  return RunCommand(id);
}

bool CMainFrame::RunCommand(int id) {
  switch (id) {
    case command::kNewWindow:
      // Inside the kiosk: a second Panelia would be a window nobody supervises.
      if (view_) view_->NavigateHome();
      return true;
    case command::kOpen:
      services_.RunOpenDialog([this](std::optional<std::string> address) {
        if (address && !address->empty() && view_) view_->Navigate(*address);
      });
      return true;
    case command::kSaveAs: services_.ExecBrowserCommand(BrowserCommand::SaveAs); return true;
    case command::kPrint: services_.ExecBrowserCommand(BrowserCommand::Print); return true;
    case command::kPrintPreview: services_.ExecBrowserCommand(BrowserCommand::PrintPreview); return true;
    case command::kPageSetup: services_.PageSetup(); return true;
    case command::kToolbar: ShowBottomBar(!bottom_bar_shown_); return true;
    case command::kStatusBar:
      status_bar_shown_ = !status_bar_shown_;
      port_.SetStatusBarVisible(status_bar_shown_);
      port_.SetMenuCheck(command::kStatusBar, status_bar_shown_);
      return true;
    case command::kFullScreen: ToggleFullScreen(); return true;
    case command::kOptions: services_.StartProgram(module_directory_ + std::string(kConfigProgram)); return true;
    case command::kHelp:
      // In the kiosk the help opens inside it: a visitor never reaches an outside program. The help
      // lives beside the programs, not in the kiosk directory.
      if (full_screen_) {
        if (view_) view_->Navigate("file://" + module_directory_ + std::string(kHelpPage));
      } else {
        services_.OpenWithDefaultHandler(module_directory_ + std::string(kHelpPage));
      }
      return true;
    case command::kVisitSite:
      if (view_) view_->Navigate("file://" + module_directory_ + kSiteAddressPage);
      return true;
    case command::kWriteAuthor: SendMailTo(kAuthorAddress); return true;
    case command::kAbout: services_.ShowAbout(); return true;
    case command::kExit: services_.CloseFrame(); return true;
    case command::kMailLink:
      if (view_) SendMailTo(MailLinkAddress(view_->Browser().LocationUrl(), view_->Browser().LocationName()));
      return true;
    // Its nearest counterpart here is the kiosk's own settings program.
    case command::kInternetOptions:
      services_.StartProgram(module_directory_ + std::string(kConfigProgram));
      return true;
    default:
      if (!view_ || !view_->OnPageCommand(id)) return false;
      UpdatePageChecks();
      return true;
  }
}

}  // namespace panelia
