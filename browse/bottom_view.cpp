#include "browse/bottom_view.h"

#include <vector>

#include "common/texts.h"

#include <array>
#include <cstdint>

#include "browse/view.h"
#include "common/settings.h"
#include "common/text.h"

namespace panelia {
namespace {

enum class BarCommand {
  GoBack,
  GoForward,
  Stop,
  Refresh,
  GoHome,
  Keyboard,
  ScrollUp,
  ScrollRight,
  ScrollDown,
  ScrollLeft,
  Exit,
  Shutdown,
  UserUrl,
  Print,
  LargeText,
  Contrast,
  Reader
};

struct Keyword {
  std::string_view text;
  BarCommand command;
};

// Tested in this order; every keyword found runs.
constexpr std::array<Keyword, 17> kKeywords = {{
    {"paneliagoback", BarCommand::GoBack},
    {"paneliagoforward", BarCommand::GoForward},
    {"paneliastop", BarCommand::Stop},
    {"paneliarefresh", BarCommand::Refresh},
    {"paneliagohome", BarCommand::GoHome},
    {"paneliakeyboard", BarCommand::Keyboard},
    {"paneliascrollup", BarCommand::ScrollUp},
    {"paneliascrollright", BarCommand::ScrollRight},
    {"paneliascrolldown", BarCommand::ScrollDown},
    {"paneliascrollleft", BarCommand::ScrollLeft},
    {"paneliaexit", BarCommand::Exit},
    {"paneliashutdown", BarCommand::Shutdown},
    {"paneliauserurl", BarCommand::UserUrl},
    {"paneliaprint", BarCommand::Print},
    {"panelialargetext", BarCommand::LargeText},
    {"paneliacontrast", BarCommand::Contrast},
    {"paneliareader", BarCommand::Reader},
}};

}  // namespace

std::string_view CBottomView::StyleName(uint32_t style) {
  switch (style) {
    case 1: return "BlueCrystal";
    case 2: return "FreshGreen";
    case 3: return "User";
    default: return "Flowery";
  }
}

std::string CBottomView::BarPagePath(RegistryStore& store, const std::string& module_directory, int screen_width,
                                     const std::function<bool(const std::string&)>& exists) {
  const std::string page = screen_width == 800 ? "800x600.htm" : "1024x768.htm";
  const std::string styled =
      module_directory + "Style/" + std::string(StyleName(SettingsReader(store).Dword(setting::Style))) + "/";
  // A kiosk in another language than the pages' own shows the style's page in that language, where
  // the style has one.
  const std::string& language = ShownLanguage();
  const bool translated = language != kDefaultUiLanguage;
  std::vector<std::string> pages;
  if (translated) pages.push_back(styled + language + "/" + page);
  pages.push_back(styled + page);
  if (translated) pages.push_back(module_directory + "BottomBtn/" + language + "/" + page);
  for (const std::string& candidate : pages)
    if (exists(candidate)) return candidate;
  return module_directory + "BottomBtn/" + page;
}

void CBottomView::OnInitialUpdate(RegistryStore& store, const std::string& module_directory, int screen_width,
                                  const std::function<bool(const std::string&)>& exists) {
  std::string page = BarPagePath(store, module_directory, screen_width, exists);
  if (exists(page)) bar_.Navigate(page);
}

bool CBottomView::IsOwnPage(std::string_view lower_url) {
  for (std::string_view page : {"800x600.htm", "1024x768.htm"}) {
    for (char separator : {'\\', '/'}) {
      std::string needle = std::string(1, separator) + std::string(page);
      if (lower_url.find(needle) != std::string_view::npos) return true;
    }
  }
  return false;
}

void CBottomView::OnBeforeNavigate2(const std::string& url, bool& cancel) {
  const std::string lower = AsciiLower(url);
  if (redirect_mark_) {
    // The main view's pop-up, not a bar button: its address is a page's, keywords and all.
    main_.Browser().NavigateForPage(url);
    redirect_mark_ = false;
    cancel = true;
  } else if (DispatchCommandLink(lower)) {
    cancel = true;
  }
  // Whatever the steps above decided, the bar only ever shows its own page.
  cancel = !IsOwnPage(lower);
  if (position_changed_) actions_.PlaceBar(recorded_.left, recorded_.top);
}

bool CBottomView::DispatchCommandLink(const std::string& url) {
  bool found = false;
  for (const auto& keyword : kKeywords) {
    if (url.find(keyword.text) == std::string::npos) continue;
    found = true;
    switch (keyword.command) {
      case BarCommand::GoBack: main_.Browser().GoBack(); break;
      case BarCommand::GoForward: main_.Browser().GoForward(); break;
      case BarCommand::Stop: main_.Browser().Stop(); break;
      case BarCommand::Refresh: main_.Browser().Refresh(); break;
      case BarCommand::GoHome: main_.NavigateHome(); break;
      case BarCommand::Keyboard: main_.ShowKeyboard(true); break;
      case BarCommand::ScrollUp: main_.ScrollPage(ScrollDirection::Up); break;
      case BarCommand::ScrollRight: main_.ScrollPage(ScrollDirection::Right); break;
      case BarCommand::ScrollDown: main_.ScrollPage(ScrollDirection::Down); break;
      case BarCommand::ScrollLeft: main_.ScrollPage(ScrollDirection::Left); break;
      case BarCommand::Exit: actions_.RequestExit(true); break;
      case BarCommand::Shutdown: actions_.RequestExit(false); break;
      case BarCommand::UserUrl: {
        size_t equals = url.find('=');
        main_.OpenTargetAddress(equals == std::string::npos ? url : url.substr(equals + 1));
        break;
      }
      case BarCommand::Print: actions_.PrintMainPage(); break;
      case BarCommand::LargeText: main_.StepLargeText(); break;
      case BarCommand::Contrast: main_.ToggleContrast(); break;
      case BarCommand::Reader: main_.ToggleReader(); break;
    }
  }
  return found;
}

void CBottomView::OnNavigateComplete2(const BarBounds& bounds) {
  if (size_recorded_) return;
  recorded_ = bounds;
  size_recorded_ = true;
}

void CBottomView::OnWindowSetLeft(int left) {
  if (left != recorded_.left) position_changed_ = true;
}

void CBottomView::OnWindowSetTop(int top) {
  if (top != recorded_.top) position_changed_ = true;
}

std::pair<int, int> CBottomView::OnClientToHostWindow(int client_width, int client_height) const {
  if (size_recorded_) return {recorded_.width, recorded_.height};
  return {client_width, client_height};
}

}  // namespace panelia
