#include <gtest/gtest.h>

#include <cstdint>

#include "common/settings.h"
#include "fakes.h"
#include "shell/app.h"

namespace panelia {
namespace {

using test::CallLog;
using test::MemoryRegistry;

class RecordingPlatform : public AppPlatform, public PowerSettings, public SplashPlatform {
 public:
  explicit RecordingPlatform(CallLog& log) : log_(log) {}
  void UseControlSite(ControlSite site, const CPageExternal* external) override {
    log_.Add(std::string(site == ControlSite::Kiosk ? "kiosk-site" : "ordinary-site") + (external ? " +external" : ""));
  }
  void ResetViewPointers() override { log_.Add("reset-views"); }
  bool CreateMainFrame() override {
    log_.Add("create-frame");
    if (splash) splash->ShowSplash();
    return frame_ok;
  }
  void ShowMainFrame() override { log_.Add("show-frame"); }
  void SetLowPowerTimeout(int s) override { log_.Add("low-power " + std::to_string(s)); }
  void SetPowerOffTimeout(int s) override { log_.Add("power-off " + std::to_string(s)); }
  bool ShowPicture(int ms) override {
    log_.Add("splash " + std::to_string(ms));
    return picture_exists;
  }
  void ClosePicture() override { log_.Add("splash-close"); }
  void RepaintMainWindow() override { log_.Add("repaint"); }

  bool frame_ok = true;
  bool picture_exists = true;
  CSplashWindow* splash = nullptr;

 private:
  CallLog& log_;
};

class AppTest : public ::testing::Test {
 protected:
  AppTest() : platform_(log_), splash_(platform_), app_(store_, platform_, platform_, splash_) {
    platform_.splash = &splash_;
    store_.CreateKey(Hive::LocalMachine, kSuiteRootKey);
    store_.CreateKey(Hive::CurrentUser, kBrowserMainKey);
  }
  void SetDword(Section section, std::string_view name, uint32_t v) {
    store_.Put(Hive::LocalMachine, SectionPath(section), name, RegValue::Dword(v));
  }

  CallLog log_;
  MemoryRegistry store_;
  RecordingPlatform platform_;
  CSplashWindow splash_;
  CPaneliaApp app_;
};

using Calls = std::vector<std::string>;

TEST_F(AppTest, FirstStartRunsInOrderAndWritesTheBrowserValuesOnce) {
  ASSERT_TRUE(app_.InitInstance({}));
  EXPECT_EQ(log_.Calls(), (Calls{"ordinary-site", "reset-views", "create-frame", "splash 1500", "show-frame",
                                 "low-power 0", "power-off 0"}));
  EXPECT_EQ(store_.writes,
            (Calls{
                "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main|Enable_MyPics_Hoverbar",
                "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main|Enable AutoImageResize",
                "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main|Disable Script Debugger",
                "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main|DisableScriptDebuggerIE",
                "HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvex\\Panelia4.0|Initiated",
            }));
  EXPECT_EQ(store_.QueryValue(Hive::CurrentUser, kBrowserMainKey, "Disable Script Debugger")->AsText(), "yes");

  // The next start on the same machine writes nothing.
  log_.Clear();
  store_.writes.clear();
  app_.ApplyFirstStartSettings();
  EXPECT_TRUE(log_.Calls().empty());
  EXPECT_TRUE(store_.writes.empty());
}

TEST_F(AppTest, BrowserValuesOnlyWhereTheBrowserKeyExists) {
  MemoryRegistry bare;  // no browser key, no suite key
  CPaneliaApp app(bare, platform_, platform_, splash_);
  app.ApplyFirstStartSettings();
  EXPECT_TRUE(bare.writes.empty());
  EXPECT_FALSE(bare.KeyExists(Hive::CurrentUser, kBrowserMainKey));
}

TEST_F(AppTest, InitiatedThatCannotBeWrittenAppliesAtEveryStart) {
  store_.fail_writes = true;
  for (int start = 0; start < 3; ++start) {
    log_.Clear();
    app_.ApplyFirstStartSettings();
    EXPECT_EQ(log_.Calls(), (Calls{"low-power 0", "power-off 0"})) << "start " << start;
  }
}

TEST_F(AppTest, ScriptDebugChoosesKioskSiteWithExternalObject) {
  SetDword(Section::Advance, "IsScriptDebug", 1);
  ASSERT_TRUE(app_.InitInstance({}));
  EXPECT_EQ(log_.Calls().front(), "kiosk-site +external");
  ASSERT_NE(app_.External(), nullptr);
  app_.ExitInstance();
  EXPECT_EQ(app_.External(), nullptr);
}

TEST_F(AppTest, NoScriptDebugMeansNoExternalObject) {
  SetDword(Section::Advance, "IsScriptDebug", 0);
  ASSERT_TRUE(app_.InitInstance({}));
  EXPECT_EQ(app_.External(), nullptr);
}

TEST_F(AppTest, FailedFrameEndsStartUpBeforeShowingOrFirstStart) {
  platform_.frame_ok = false;
  EXPECT_FALSE(app_.InitInstance({}));
  EXPECT_EQ(log_.Calls().back(), "splash 1500");
  EXPECT_TRUE(store_.writes.empty());
}

TEST(CommandLineTest, EmbeddingOrAutomationTurnsTheSplashOff) {
  struct Case {
    std::vector<std::string> args;
    bool splash;
  } cases[] = {
      {{}, true},
      {{"/Embedding"}, false},
      {{"-embedding"}, false},
      {{"/AUTOMATION"}, false},
      {{"--automation"}, false},
      {{"embedding"}, true},
      {{"/Embed"}, true},
      {{"file.html", "/dde"}, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParseCommandLine(c.args).show_splash, c.splash) << ::testing::PrintToString(c.args);
}

TEST(SplashTest, ShowsOnceAndOnlyWhenEnabledAndPresent) {
  CallLog log;
  RecordingPlatform platform(log);
  CSplashWindow splash(platform);
  splash.ShowSplash();
  EXPECT_TRUE(log.Calls().empty()) << "disabled by default";

  splash.EnableSplash(true);
  splash.ShowSplash();
  splash.ShowSplash();  // a second request while shown does nothing
  EXPECT_EQ(log.Calls(), (Calls{"splash 1500"}));
  splash.OnTimer();
  EXPECT_EQ(log.Calls(), (Calls{"splash 1500", "splash-close", "repaint"}));

  log.Clear();
  platform.picture_exists = false;
  splash.ShowSplash();
  EXPECT_FALSE(splash.Showing());
  splash.OnTimer();
  EXPECT_EQ(log.Calls(), (Calls{"splash 1500"})) << "a missing picture: no splash, nothing to close";
}

TEST(PageExternalTest, OneReadablePropertyNamedByItsFirstThreeLetters) {
  struct Case {
    const char* name;
    int id;
  } cases[] = {{"xxyyzz", 12345}, {"xxy", 12345}, {"xxyAnything", 12345}, {"xx", -1}, {"XXYYZZ", -1}, {"abc", -1}};
  for (const auto& c : cases) EXPECT_EQ(CPageExternal::GetIdOfName(c.name), c.id) << c.name;
  EXPECT_EQ(CPageExternal::Invoke(12345, true), "Wibble");
  EXPECT_EQ(CPageExternal::Invoke(12345, false), std::nullopt);
  EXPECT_EQ(CPageExternal::Invoke(-1, true), std::nullopt);
}

}  // namespace
}  // namespace panelia
