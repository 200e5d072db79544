// The kiosk under fingers: a module of its own, settings for the test, the test touch module, and
// looks at what the page and the keyboard show.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/window_system.h"
#include "harness.h"
#include "suite_fixture.h"

namespace panelia::e2e {

class TouchE2E : public SuiteE2E {
 protected:
  explicit TouchE2E(const std::vector<std::string>& screens = {"1280x800x24"},
                    const std::vector<std::string>& monitors = {})
      : SuiteE2E(screens, monitors) {}
  struct Value {
    Section section;
    const char* name;
    uint32_t value;
  };
  // The kiosk on `page` (the touch page), with these settings, and fingers; `faster` runs its clock
  // ten times as fast (the idle return in six seconds); `real_keyboard` gives it Glyphdeck.
  Process StartTouch(const std::vector<Value>& values = {}, bool faster = false, bool real_keyboard = false,
                     const std::string& page = "touch.html", const std::map<std::string, std::string>& extra_env = {}) {
    if (module_.empty()) {
      MakeModule(false, false, real_keyboard);
      Seed(false);
    }
    std::vector<RegChange> changes = {{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General),
                                       "SoftHomeUrl", RegValue::Text("file://" + kPagesDir + page)}};
    for (const Value& v : values)
      changes.push_back(
          {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(v.section), v.name, RegValue::Dword(v.value)});
    EXPECT_TRUE(env_.Store().Apply(changes));
    auto env = env_.Env();
    for (const auto& [k, v] : fingers_.Env()) env[k] = v;
    // An empty value takes the variable away.
    for (const auto& [k, v] : extra_env)
      if (v.empty())
        env.erase(k);
      else
        env[k] = v;
    std::vector<std::string> argv = {(module_ / "panelia").string(), "--embedding"};
    if (faster) {
      argv.insert(argv.begin(), {"faketime", "-f", "+0 x10"});
      env["ASAN_OPTIONS"] = "detect_leaks=0:verify_asan_link_order=0";
    }
    Process kiosk(argv, env, module_.string(), (env_.Root() / "panelia.log").string());
    EXPECT_TRUE(WaitUntil([&] { return !Title().empty() && Title() != "Panelia触摸屏浏览器"; }, 20s)) << env_.Log();
    return kiosk;
  }
  int Figure(const char* label) { return TitleFigure(std::string(" ") + label); }
  int Scale() { return TitleFigure("T z"); }
  // Something a finger did has reached the page: its next finger count.
  bool PageSawFinger(int before) {
    return WaitUntil([&] { return Figure("d") > before; }, 10s);
  }
  // The keyboard's window once it shows, or 0 when it did not within 15 seconds.
  Window ShownKeyboard() {
    Window keyboard = 0;
    WaitUntil(
        [&] {
          auto found = FindWindowsByClass(display_.X(), "GlyphdeckClass4.0");
          keyboard = found.empty() ? 0 : found[0];
          XWindowAttributes a{};
          return keyboard && XGetWindowAttributes(display_.X(), keyboard, &a) && a.map_state == IsViewable;
        },
        15s);
    return keyboard;
  }
  // Where a window is on the screen.
  panelia::ScreenRect OnScreen(Window w) {
    XWindowAttributes a{};
    XGetWindowAttributes(display_.X(), w, &a);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display_.X(), w, DefaultRootWindow(display_.X()), 0, 0, &x, &y, &child);
    return panelia::ScreenRect{x, y, a.width, a.height};
  }
  Fingers fingers_{env_.Root()};
};

}  // namespace panelia::e2e
