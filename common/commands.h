// The main frame's command ids (menu 128), shared by the frame, its menus and the main view, which
// carries the page commands the frame forwards to it.
#pragma once

namespace panelia {

namespace command {
inline constexpr int kNewWindow = 57600, kOpen = 57601, kClose = 57602, kSave = 57603, kSaveAs = 57604,
                     kPageSetup = 57606, kPrint = 57607, kPrintPreview = 57609, kAbout = 57664, kExit = 57665;
inline constexpr int kCut = 57635, kCopy = 57634, kPaste = 57637, kSelectAll = 57642, kUndo = 57643;
inline constexpr int kNextPane = 57680, kPrevPane = 57681;
inline constexpr int kToolbar = 59392, kStatusBar = 59393;
inline constexpr int kInternetOptions = 32771, kFullScreen = 32772, kMailPage = 32773, kMailLink = 32774,
                     kProperties = 32775, kOffline = 32776, kOptions = 32777, kFind = 32778, kSource = 32779,
                     kHelp = 32780, kVisitSite = 32781, kWriteAuthor = 32782, kStop = 32784, kRefresh = 32785,
                     kBack = 32786, kForward = 32787, kHome = 32788;
inline constexpr int kTextSizeFirst = 32789, kTextSizeLast = 32793;
// The first encoding command is "auto-select"; the character sets follow it.
inline constexpr int kEncodingFirst = 32794, kEncodingLast = 32800;
inline constexpr int kAutoSelect = kEncodingFirst, kCharsetFirst = 32795, kCharsetLast = kEncodingLast;
inline constexpr int kFavouritesFirst = 32802, kFavouritesLast = 32805;
}  // namespace command

}  // namespace panelia
