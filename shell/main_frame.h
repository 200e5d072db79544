// CMainFrame: the kiosk's only top-level window. It goes full screen over the task bar, keeps the
// page above an 80-pixel bar row, carries a desktop browser's menus for the times an operator
// leaves full screen, and runs the scheduled power-off check.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/event_link.h"
#include "common/keyboard_layouts.h"
#include "common/names.h"
#include "common/registry.h"
#include "shell/kiosk_splitter.h"
#include "shell/power_off.h"
#include "shell/screen_schedule.h"

namespace panelia {

class CSplashWindow;
class CPaneliaView;

enum class MessageIcon { Error, Information, Question };

// The window-system side of the frame.
class FramePort : public SplitterPort {
 public:
  virtual ~FramePort() = default;
  // Task bar (every dock window of the display).
  virtual void HideTaskBar() = 0;
  virtual void ShowTaskBar() = 0;
  virtual void SetStatusBarVisible(bool visible) = 0;
  // Caption off + maximised is the window manager's full-screen state.
  virtual void SetCaption(bool present) = 0;
  virtual void DetachMenu() = 0;
  virtual void AttachMenu() = 0;
  virtual void SavePlacement() = 0;
  virtual void RestorePlacement() = 0;
  virtual void ShowMaximized() = 0;
  virtual void ShowNormal() = 0;
  virtual void SetTopMost() = 0;
  virtual int ClientHeight() const = 0;
  virtual int StatusPaneHeight() const = 0;
  virtual void SetRowHeights(int top, int bottom) = 0;
  virtual void SetMenuCheck(int command, bool checked) = 0;
  virtual void SetFrameTimer(int id, int milliseconds) = 0;
  // A modal box over the frame; `closed` runs once it has been dismissed. The kiosk runs on meanwhile.
  virtual void MessageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                          std::function<void()> closed = {}) = 0;
};

// Programs, dialogs and the system behind the frame's commands.
class FrameServices {
 public:
  virtual ~FrameServices() = default;
  virtual void StartProgram(const std::string& path) = 0;            // result not examined
  virtual void OpenWithDefaultHandler(const std::string& path) = 0;  // result not examined
  // The address, on OK; nullopt on Cancel. Answered later, through `done`.
  virtual void RunOpenDialog(std::function<void(std::optional<std::string>)> done) = 0;
  virtual void ExecBrowserCommand(BrowserCommand command) = 0;
  virtual void PageSetup() = 0;
  virtual void ShowAbout() = 0;
  // The desktop's mail handler: nullopt when there is none, "" when it has no command line.
  virtual std::optional<std::string> MailHandlerCommandLine() = 0;
  virtual void StartMailProgram(const std::string& program, const std::string& parameters) = 0;
  virtual LocalTime Now() = 0;
  // The 15-second notice; `done` gets CPowerOffDlg::kOk or kCancel.
  virtual void RunPowerOffDialog(const LocalTime& today, std::function<void(int)> done) = 0;
  // Asks the login manager whether this session may power the machine off; answered later, or never
  // once the services are gone.
  virtual void ShutdownAllowed(std::function<void(bool)> answer) = 0;
  virtual void CloseFrame() = 0;  // the whole shutdown, companions included, done on return
  virtual void RequestPowerOff() = 0;
  // Panelia ends to be started again by its session (the exit status kRestartExitStatus).
  virtual void RequestRestart() = 0;
  // A line of the kiosk's log.
  virtual void Log(const std::string& line) = 0;
  // The display's keyboard layouts, listed afresh, and switching Panelia's input to one of them.
  virtual KeyboardLayoutList CurrentKeyboardLayouts() = 0;
  virtual void ActivateKeyboardLayout(const KeyboardLayout& layout) = 0;
  // The exit password dialog, as the bar's exit button shows it: `granted` gets true for the right
  // password, false for Cancel or the dialog's time-out.
  virtual void AskExitPassword(std::function<void(bool)> granted) = 0;
  // What a visitor leaves outside the page: the clipboard and the selection, and the on-screen
  // keyboard with its state.
  virtual void ClearSelections() = 0;
  virtual void CloseKeyboard() = 0;
  // The input method forgets the phrases and choices it learned.
  virtual void ForgetLearnedInput() = 0;
};

class CMainFrame {
 public:
  static constexpr int kBarHeight = 80;
  static constexpr int kBarRow = 1;
  static constexpr int kPowerOffTimer = 2;
  static constexpr int kPowerOffTimerMs = 30000;

  CMainFrame(RegistryStore& store, FramePort& port, FrameServices& services, std::string module_directory);

  // The main view takes this frame's host first; it is joined once it exists.
  EventLink<CPaneliaView>& MainViewLink() { return view_; }
  // The opening hours take the operator's screen commands.
  EventLink<CScreenSchedule>& ScheduleLink() { return schedule_; }
  void OnCreateClientDone() { splitter_created_ = true; }
  // The creation handler's own steps, after the client area exists.
  void OnCreate(CSplashWindow* splash);
  void OnDestroy() { port_.ShowTaskBar(); }
  void OnTimer(int id);

  void ToggleFullScreen();
  // A new visitor: the kiosk full screen again (an operator may have left it windowed), the
  // clipboard and selection empty, the keyboard closed and the input back to the first language.
  void OnNewVisitor();
  void LayoutPanes();
  void ShowBottomBar(bool show);
  void SendMailTo(const std::string& address);
  void PowerOffCheck();
  // A registered message sent to the frame: its result, or nullopt for one it does not handle.
  // An operator's command (panelia-send): 0 when carried out or (restart-when-idle) noted, -1 for
  // a command this Panelia does not know.
  std::optional<int32_t> OnRemoteCommand(RemoteCommand command);
  std::optional<int32_t> OnSuiteMessage(std::string_view name, int32_t wparam, int32_t lparam);

  // Menu commands; false for an id the frame does not handle. While full screen, the commands that
  // leave the kiosk or start another program first ask for the exit password.
  bool OnCommand(int id);
  static bool IsGuardedCommand(int id);
  bool IsCommandHandled(int id) const;
  bool IsChecked(int id) const;

  bool IsFullScreen() const { return full_screen_; }
  bool IsNavigatorFixed() const { return navigator_fixed_; }
  bool BottomBarShown() const { return bottom_bar_shown_; }
  bool StatusBarShown() const { return status_bar_shown_; }
  const PowerOffSettings& PowerOff() const { return power_off_; }

  // The check marks of the text sizes and of automatic encoding detection, as they stand now.
  void UpdatePageChecks();
  // Whether a guarded command is waiting for its password (a second one is then ignored).
  bool AwaitingPassword() const { return awaiting_password_; }
  static const std::string kSiteAddressPage;  // below the program directory
  static const std::string kAuthorAddress;

 private:
  bool RunCommand(int id);

  RegistryStore& store_;
  FramePort& port_;
  FrameServices& services_;
  std::string module_directory_;
  EventLink<CPaneliaView> view_;
  EventLink<CScreenSchedule> schedule_;

  bool navigator_fixed_ = false;
  bool splitter_created_ = false;
  int status_pane_height_ = 0;
  PowerOffSettings power_off_;
  bool status_bar_setting_ = false;
  bool status_bar_shown_ = true;
  bool bottom_bar_shown_ = true;
  bool full_screen_ = false;
  bool restart_when_idle_ = false;
  bool power_off_notice_open_ = false;
  bool awaiting_password_ = false;
  CKioskSplitter splitter_;
};

}  // namespace panelia
