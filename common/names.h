// Names the three programs and outside programs agree on: window classes, registered messages,
// program files and fixed window texts.
#pragma once

#include <cstdint>
#include <string_view>

namespace panelia {

inline constexpr std::string_view kPaneliaClass = "PaneliaClass4.0";
// Older kiosks' classes, which the keyboard still runs beside.
inline constexpr std::string_view kOlderPaneliaClasses[] = {"PaneliaClass3.0", "PaneliaClass"};
inline constexpr std::string_view kGlyphdeckClass = "GlyphdeckClass4.0";
inline constexpr std::string_view kSonavelleClass = "SonavelleClass4.0";

inline constexpr std::string_view kOpenUrlMessage = "OPEN-URL-CC667211-7CE9-40c5-809A-1DA48E4014C4";
inline constexpr std::string_view kInputMethodMessage = "INPUT-METHOD-EDITOR-CC667211-7CE9-40c5-809A-1DA48E4014C4";
inline constexpr std::string_view kMusicPlayMessage = "MUSIC-PLAY-CC667211-7CE9-40c5-809A-1DA48E4014C4";
inline constexpr std::string_view kMusicStopMessage = "MUSIC-STOP-CC667211-7CE9-40c5-809A-1DA48E4014C4";
// The music's volume from now on: wparam 0-100 (percent of full). The player plays at full volume
// until told.
inline constexpr std::string_view kMusicVolumeMessage = "MUSIC-VOLUME-CC667211-7CE9-40c5-809A-1DA48E4014C4";
// The player's status line (the song it plays, or why it plays none), on its window for the kiosk's
// status to read.
inline constexpr std::string_view kPlayerStatusProperty = "_PANELIA_PLAYER_STATUS";
// The kiosk's status document, also on the kiosk's window: an operator who may reach the display but
// not the kiosk account's runtime folder reads it there.
inline constexpr std::string_view kKioskStatusProperty = "_PANELIA_STATUS";
// An operator's command to the running kiosk (panelia-send); wparam is one of RemoteCommand.
inline constexpr std::string_view kRemoteMessage = "REMOTE-CC667211-7CE9-40c5-809A-1DA48E4014C4";
enum class RemoteCommand : int32_t {
  Home = 1,
  Reload = 2,
  Wipe = 3,
  RestartWhenIdle = 4,
  Quit = 5,
  ScreenOn = 6,
  ScreenOff = 7,
  ScreenAuto = 8
};
// Panelia's exit status when it ended to be started again (restart-when-idle): the session starts it
// at once.
inline constexpr int kRestartExitStatus = 75;
// What the kiosk tells the programs it starts, in their environment: the show command of their first
// showing, and "1" while the kiosk's screen reader speaks (they then show themselves to it).
inline constexpr const char* kShowEnvironment = "PANELIA_SHOW";
inline constexpr const char* kReaderEnvironment = "PANELIA_READER";

inline constexpr std::string_view kPaneliaProgram = "panelia";
inline constexpr std::string_view kGlyphdeckProgram = "glyphdeck";
inline constexpr std::string_view kSonavelleProgram = "sonavelle";
// The help, beside the programs.
inline constexpr std::string_view kHelpPage = "help/PaneliaHelp.html";
inline constexpr std::string_view kTallypaneProgram = "tallypane";
inline constexpr std::string_view kConfigProgram = "panelia-config";

inline constexpr std::string_view kTitleSuffix = " - Panelia touch-screen browser";
inline constexpr std::string_view kErrorCaption = "Panelia error";
inline constexpr std::string_view kNoticeCaption = "Panelia notice";
inline constexpr std::string_view kOptionsWindowTitle = "Panelia options";
// The browser commands of the page (the old engine's ExecWB numbers, which the menus' routing kept).
enum class BrowserCommand : int { SaveAs = 4, Print = 6, PrintPreview = 7 };

// WM_WINDOW_ROLE of the suite's message boxes: the on-screen keyboard stays below them.
inline constexpr std::string_view kMessageBoxRole = "panelia-message-box";

}  // namespace panelia
