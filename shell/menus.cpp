#include "shell/menus.h"
#include "common/texts.h"

#include <string>

namespace panelia {

using namespace command;

const std::vector<MenuItem>& MainMenu() {
  static const std::vector<MenuItem> menu = {
      {0,
       Tr("&File"),
       {{kNewWindow, Tr("&New window\tCtrl+N"), {}},
        {kOpen, Tr("&Open...\tCtrl+O"), {}},
        {kSaveAs, Tr("Save &as..."), {}},
        {},
        {kPageSetup, Tr("Page set&up..."), {}},
        {kPrint, Tr("&Print...\tCtrl+P"), {}},
        {kPrintPreview, Tr("Print pre&view..."), {}},
        {},
        {0, Tr("S&end"), {{kMailPage, Tr("Page by e-mail..."), {}}, {kMailLink, Tr("Link by e-mail..."), {}}}},
        {kProperties, Tr("Properties..."), {}},
        {kOffline, Tr("&Work offline"), {}},
        {},
        {kExit, Tr("E&xit"), {}}}},
      {0,
       Tr("&Edit"),
       {{kCut, Tr("Cu&t\tCtrl+X"), {}},
        {kCopy, Tr("&Copy\tCtrl+C"), {}},
        {kPaste, Tr("&Paste\tCtrl+V"), {}},
        {},
        {kSelectAll, Tr("Select &all\tCtrl+A"), {}},
        {},
        {kFind, Tr("&Find on this page...\tCtrl+F"), {}}}},
      {0,
       Tr("&View"),
       {{kToolbar, Tr("&Toolbar"), {}},
        {kStatusBar, Tr("&Status bar"), {}},
        {},
        {0,
         Tr("Te&xt size"),
         {{kTextSizeFirst, Tr("Lar&gest"), {}},
          {kTextSizeFirst + 1, Tr("&Larger"), {}},
          {kTextSizeFirst + 2, Tr("&Medium"), {}},
          {kTextSizeFirst + 3, Tr("&Smaller"), {}},
          {kTextSizeLast, Tr("Sm&allest"), {}}}},
        {0,
         Tr("Enco&ding"),
         {{kAutoSelect, Tr("Auto-select"), {}},
          {},
          {kCharsetFirst, Tr("Chinese Simplified (GB2312)"), {}},
          {kCharsetFirst + 1, Tr("Chinese Traditional (Big5)"), {}},
          {kCharsetFirst + 2, Tr("Japanese (Shift-JIS)"), {}},
          {kCharsetFirst + 3, Tr("Korean"), {}},
          {kCharsetFirst + 4, Tr("Western European (Windows)"), {}},
          {kCharsetLast, "Unicode(UTF-8)", {}}}},
        {0,
         Tr("G&o to"),
         {{kBack, Tr("&Back\tAlt+Left"), {}},
          {kForward, Tr("&Forward\tAlt+Right"), {}},
          {},
          {kHome, Tr("&Home page"), {}}}},
        {kStop, Tr("Sto&p\tEsc"), {}},
        {kRefresh, Tr("&Refresh\tF5"), {}},
        {},
        {kSource, Tr("Sour&ce"), {}},
        {kFullScreen, Tr("&Full screen\tF11"), {}}}},
      {0,
       Tr("F&avourites"),
       {{kFavouritesFirst, Tr("&Add to favourites..."), {}},
        {kFavouritesFirst + 1, Tr("&Organise favourites..."), {}},
        {},
        {kFavouritesFirst + 2, Tr("Links"), {}},
        {kFavouritesLast, Tr("Media"), {}}}},
      {0,
       Tr("&Options"),
       {{kInternetOptions, Tr("Internet options..."), {}}, {kOptions, Tr("Panelia options..."), {}}}},
      {0,
       Tr("&Help"),
       {{kAbout, Tr("&About Panelia..."), {}},
        {kHelp, Tr("Panelia &help"), {}},
        {},
        {kVisitSite, Tr("Visit the Panelia &website"), {}},
        {kWriteAuthor, Tr("Write to the authors"), {}}}},
  };
  return menu;
}

const std::vector<Accelerator>& MainAccelerators() {
  constexpr unsigned C = static_cast<unsigned>(KeyModifier::Ctrl), S = static_cast<unsigned>(KeyModifier::Shift),
                     A = static_cast<unsigned>(KeyModifier::Alt), N = 0;
  static const std::vector<Accelerator> table = {
      {C, "a", kSelectAll},   {C, "c", kCopy},         {C, "Insert", kCopy},    {C, "f", kFind},
      {C, "n", kNewWindow},   {C, "o", kOpen},         {C, "p", kPrint},        {C, "s", kSave},
      {C, "v", kPaste},       {S, "Insert", kPaste},   {C, "x", kCut},          {S, "Delete", kCut},
      {C, "z", kUndo},        {A, "BackSpace", kUndo}, {N, "Escape", kStop},    {N, "F5", kRefresh},
      {N, "F6", kNextPane},   {S, "F6", kPrevPane},    {N, "F11", kFullScreen}, {A, "Left", kBack},
      {A, "Right", kForward},
  };
  return table;
}

std::string_view CommandPrompt(int id) {
  switch (id) {
    case kOptions: return Tr("Lets you change the settings of Panelia");
    case kNewWindow: return Tr("Opens a new Panelia browser window");
    case kOpen: return Tr("Opens a web page or a file");
    case kFullScreen: return Tr("Shows the page full screen, or leaves full screen");
    case kToolbar: return Tr("Shows or hides the bottom button bar");
    case kStatusBar: return Tr("Shows or hides the status bar");
    case kExit: return Tr("Exits Panelia");
    default: return Tr(kReadyText);
  }
}

std::string_view ShortcutOf(std::string_view text) {
  size_t tab = text.find('\t');
  return tab == std::string_view::npos ? std::string_view() : text.substr(tab + 1);
}

bool IsCheckItem(int id) {
  return id == command::kToolbar || id == command::kStatusBar ||
         (id >= command::kTextSizeFirst && id <= command::kEncodingFirst);
}

std::string MnemonicLabel(std::string_view text) {
  text = text.substr(0, text.find('\t'));
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_') {
      out += "__";
    } else if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out += '&';
        ++i;
      } else {
        out += '_';
      }
    } else {
      out += text[i];
    }
  }
  return out;
}

std::optional<int> AcceleratorCommand(unsigned modifiers, std::string_view key) {
  for (const auto& accel : MainAccelerators())
    if (accel.modifiers == modifiers && accel.key == key) return accel.command;
  return std::nullopt;
}

}  // namespace panelia
