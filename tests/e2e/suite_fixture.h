// The suite's own module directory with stand-in partners, and what a visitor does with the bar:
// shared by the suite's scenarios and the containment scenarios.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "common/settings.h"
#include "harness.h"

namespace panelia::e2e {

namespace fs = std::filesystem;
inline const std::string kClass = "PaneliaClass4.0";
inline const std::string kSuffix = " - Panelia触摸屏浏览器";
enum BarButton {
  kHome,
  kScrollDown,
  kOrdinarySite,
  kUserUrl3,
  kExit,
  kShutdown,
  kKeyboard,
  kLargeText,
  kContrast,
  kReader
};

class SuiteE2E : public DisplayTest {
 protected:
  explicit SuiteE2E(const std::vector<std::string>& screens = {"1280x800x24"},
                    const std::vector<std::string>& monitors = {}, bool with_window_manager = true,
                    bool with_authority = false)
      : DisplayTest(with_window_manager, screens, monitors, with_authority) {}
  // A module directory of its own: Panelia, its data, a test bar page and stand-in partners that
  // log what they receive.
  void MakeModule(bool hung_player = false, bool real_player = false, bool real_keyboard = false) {
    module_ = env_.Root() / "module";
    fs::create_directories(module_);
    fs::copy(kBinDir + "panelia", module_ / "panelia");
    for (const char* dir : {"res", "Style", "BottomBtn", "demo", "help", "reader", "locale"})
      fs::copy(kBinDir + dir, module_ / dir, fs::copy_options::recursive);
    fs::copy_file(kPagesDir + "bar.htm", module_ / "Style/User/1024x768.htm", fs::copy_options::overwrite_existing);
    // The kiosk directory's lists: the bar on every page, music on every page.
    for (const char* list : {"Show.dat", "stop.dat"}) fs::copy_file(kBinDir + list, module_ / list);
    std::ofstream(module_ / "OpenURL.ini") << "[TargetURL]\n3=file://" << kPagesDir << "target.html\n";
    if (real_player)
      fs::copy(kBinDir + "sonavelle", module_ / "sonavelle");
    else
      Partner("sonavelle", "SonavelleClass4.0", hung_player);
    if (real_keyboard)
      fs::copy(kBinDir + "glyphdeck", module_ / "glyphdeck");
    else
      Partner("glyphdeck", "GlyphdeckClass4.0", false);
  }
  void Partner(const std::string& program, const std::string& klass, bool hang) {
    fs::path script = module_ / program;
    std::ofstream(script) << "#!/bin/sh\nexec " << kBinDir << "partner_stub " << klass << " " << Log()
                          << (hang ? " --hang" : "") << "\n";
    fs::permissions(script, fs::perms::owner_all);
  }
  std::string Log() const { return (env_.Root() / "partners.log").string(); }
  std::vector<std::string> LogLines() const {
    std::ifstream in(Log());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  void Seed(bool music) {
    auto dword = [](Section s, const char* name, uint32_t v) {
      return RegChange{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(s), name, RegValue::Dword(v)};
    };
    ASSERT_TRUE(env_.Store().Apply({
        {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General), "SoftHomeUrl",
         RegValue::Text("file://" + kPagesDir + "scroll.html")},
        {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General), "Password",
         RegValue::Text("Secret")},
        dword(Section::Root, "Initiated", 1),
        dword(Section::Style, "Style", 3),
        dword(Section::Style, "ScrollMode", 0),
        dword(Section::Style, "ScrollStep", 200),
        dword(Section::Navigator, "IsNavigator", 1),
        dword(Section::Music, "IsMusic", music ? 1 : 0),
        dword(Section::Advance, "IsScriptDebug", 1),
    }));
  }
  Process Start(std::map<std::string, std::string> extra_env = {}) {
    auto env = env_.Env();
    env.insert(extra_env.begin(), extra_env.end());
    // The real player, when there is one, plays into nothing at the pace of real time.
    env["PANELIA_AUDIO_SINK"] = "fakesink sync=true";
    return Process({(module_ / "panelia").string(), "--embedding"}, env, module_.string(),
                   (env_.Root() / "panelia.log").string());
  }
  void Xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    Process p(argv, env_.Env(), "", "");
    p.Wait(10s);
  }
  // The bar's page follows the home page: its first button (grey #ddd) shows when it is there.
  void WaitForBar() {
    ASSERT_TRUE(WaitUntil([&] { return PixelAt(display_.X(), 50, 760) == 0xdddddd; }, 15s))
        << "bar pixel " << std::hex << PixelAt(display_.X(), 50, 760);
  }
  // The bar row is the bottom 80 pixels of the 1280 x 800 screen; the test bar's buttons are 100 wide.
  void Touch(BarButton button) { Xdotool({"mousemove", std::to_string(50 + 100 * button), "760", "click", "1"}); }
  std::string Title() {
    auto windows = FindWindowsByClass(display_.X(), kClass);
    return windows.empty() ? "" : WindowTitle(display_.X(), windows[0]);
  }
  // A test page's figure in the kiosk's title: the number after `label` ("S " : the scroll position,
  // " t" : how often the page has reported), or -1 when the title has none.
  int TitleFigure(const std::string& label) {
    std::string title = Title();
    size_t at = title.find(label);
    return at == std::string::npos ? -1 : std::atoi(title.c_str() + at + label.size());
  }
  // Waits until the page has reported `reports` more times: a while has gone by on the page itself.
  bool PageReports(int reports, std::chrono::milliseconds timeout = 15s) {
    const int from = TitleFigure(" t");
    return WaitUntil([&] { return TitleFigure(" t") >= from + reports; }, timeout);
  }
  bool TitleBecomes(const std::string& title, std::chrono::milliseconds timeout = 15s) {
    return WaitUntil([&] { return Title() == title + kSuffix; }, timeout);
  }
  int Send(const std::vector<std::string>& args) { return env_.Send(args); }
  // The kiosk on its own module, without music, on `home` as its home page.
  Process StartWithHome(const std::string& home) {
    if (module_.empty()) {  // once a test: a table's next row starts the same kiosk on another page
      MakeModule();
      Seed(false);
    }
    EXPECT_TRUE(env_.Store().Apply({{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General),
                                     "SoftHomeUrl", RegValue::Text(home)}}));
    return Start();
  }
  Window WindowWithTitle(const std::string& title) { return e2e::WindowWithTitle(display_.X(), title); }
  bool WindowTitled(const std::string& title) { return WindowWithTitle(title) != 0; }
  // The exit password dialog (or another box), ready for the keys a visitor types.
  bool Focused(const std::string& title) { return WaitForFocusedWindow(display_.X(), title) != 0; }
  // The functions a window asks its window manager for (_MOTIF_WM_HINTS), or -1 when it asks none.
  long MwmFunctions(Window w) {
    auto hints = PropertyItems(display_.X(), w, "_MOTIF_WM_HINTS", XInternAtom(display_.X(), "_MOTIF_WM_HINTS", False));
    return hints.size() >= 2 ? static_cast<long>(hints[1]) : -1;
  }

  fs::path module_;
};

// Mapped override-redirect windows (menus, pop-ups) on the screen.
inline size_t PopUps(Display* x) {
  Window root, parent;
  Window* children = nullptr;
  unsigned int count = 0;
  size_t found = 0;
  if (XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count)) {
    for (unsigned int i = 0; i < count; ++i) {
      XWindowAttributes a;
      if (XGetWindowAttributes(x, children[i], &a) && a.override_redirect && a.map_state == IsViewable) ++found;
    }
  }
  if (children) XFree(children);
  return found;
}

}  // namespace panelia::e2e
