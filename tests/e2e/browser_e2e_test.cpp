// The kiosk browser as a visitor and an operator see it: window title, pop-ups, window.close(),
// the first-start settings and bad settings files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <thread>

#include "common/settings.h"
#include "harness.h"

namespace panelia::e2e {
namespace {

const std::string kSuffix = " - Panelia触摸屏浏览器";
const std::string kClass = "PaneliaClass4.0";

class BrowserE2E : public DisplayTest {
 protected:
  void Seed(std::string home, bool with_browser_key = true) {
    std::vector<RegChange> changes = {
        {RegChange::Kind::CreateKey, Hive::LocalMachine, std::string(kSuiteRootKey), "", {}},
        {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General), "SoftHomeUrl",
         RegValue::Text(home)},
        {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Advance), "IsScriptDebug",
         RegValue::Dword(1)},
    };
    if (with_browser_key)
      changes.push_back({RegChange::Kind::SetValue, Hive::CurrentUser, std::string(kBrowserMainKey), "Start Page",
                         RegValue::Text("about:blank")});
    ASSERT_TRUE(env_.Store().Apply(changes));
  }
  std::string Page(const std::string& name) { return "file://" + kPagesDir + name; }
  std::optional<std::string> Text(Hive hive, std::string_view key, std::string_view name) {
    auto v = env_.Store().QueryValue(hive, key, name);
    return v ? std::optional<std::string>(v->AsText()) : std::nullopt;
  }
  void CloseKiosk(Process& kiosk) {
    auto windows = FindWindowsByClass(display_.X(), kClass);
    ASSERT_EQ(windows.size(), 1u);
    SendCloseRequest(display_.X(), windows[0]);
    EXPECT_EQ(kiosk.Wait(15s), 0) << env_.Log();
  }
};

TEST_F(BrowserE2E, HomePageTitleShowsAndFirstStartWritesOnce) {
  Seed(Page("home.html"));
  Process kiosk = env_.StartPanelia();
  EXPECT_EQ(WaitForTitle(display_.X(), kClass, "E2E Home" + kSuffix), "E2E Home" + kSuffix) << env_.Log();
  auto initiated = env_.Store().QueryValue(Hive::LocalMachine, kSuiteRootKey, "Initiated");
  ASSERT_TRUE(initiated);
  EXPECT_EQ(initiated->AsDword(), 1u);
  EXPECT_EQ(Text(Hive::LocalMachine, kSuiteRootKey, "AppPath"), kBinDir + "panelia");
  EXPECT_EQ(Text(Hive::CurrentUser, kBrowserMainKey, "Enable_MyPics_Hoverbar"), "no");
  EXPECT_EQ(Text(Hive::CurrentUser, kBrowserMainKey, "DisableScriptDebuggerIE"), "yes");
  CloseKiosk(kiosk);

  // An operator's own value survives the second start: the first-start settings are not applied again.
  ASSERT_TRUE(
      env_.Store().SetValue(Hive::CurrentUser, kBrowserMainKey, "Enable_MyPics_Hoverbar", RegValue::Text("operator")));
  Process again = env_.StartPanelia();
  EXPECT_EQ(WaitForTitle(display_.X(), kClass, "E2E Home" + kSuffix), "E2E Home" + kSuffix);
  EXPECT_EQ(Text(Hive::CurrentUser, kBrowserMainKey, "Enable_MyPics_Hoverbar"), "operator");
  CloseKiosk(again);
}

TEST_F(BrowserE2E, PopUpsStayInTheKioskWindow) {
  for (const char* scenario : {"blank", "open", "openlate"}) {
    SCOPED_TRACE(scenario);
    Seed(Page("home.html?scenario=") + scenario);
    Process kiosk = env_.StartPanelia();
    EXPECT_EQ(WaitForTitle(display_.X(), kClass, "E2E Target" + kSuffix), "E2E Target" + kSuffix) << env_.Log();
    EXPECT_EQ(FindWindowsByClass(display_.X(), kClass).size(), 1u);
    EXPECT_EQ(ClientList(display_.X()).size(), 1u) << "no second top-level window";
    CloseKiosk(kiosk);
  }
}

TEST_F(BrowserE2E, WindowCloseReturnsHome) {
  Seed(Page("home.html?scenario=close"));
  Process kiosk = env_.StartPanelia();
  EXPECT_EQ(WaitForTitle(display_.X(), kClass, "E2E Closer" + kSuffix), "E2E Closer" + kSuffix) << env_.Log();
  EXPECT_EQ(WaitForTitle(display_.X(), kClass, "E2E Home" + kSuffix), "E2E Home" + kSuffix);
  EXPECT_TRUE(kiosk.Running());
  CloseKiosk(kiosk);
}

TEST_F(BrowserE2E, OnlyThePageItselfClosesNotAFrameInIt) {
  Seed(Page("home.html?scenario=framed"));
  Process kiosk = env_.StartPanelia();
  // The frame posts "close" every 100 ms and tells the page, which counts its tries in the title and
  // closes itself after the twentieth. Ten tries have been unheard once the title says so (the
  // frame's messages reach the kiosk before the page's title does).
  auto tries = [&] {
    auto windows = FindWindowsByClass(display_.X(), kClass);
    std::string title = windows.empty() ? "" : WindowTitle(display_.X(), windows[0]);
    return title.rfind("E2E Framed ", 0) == 0 ? std::atoi(title.c_str() + 11) : 0;
  };
  EXPECT_TRUE(WaitUntil([&] { return tries() >= 10; }, 30s)) << env_.Log();
  EXPECT_EQ(WaitForTitle(display_.X(), kClass, "E2E Home" + kSuffix), "E2E Home" + kSuffix);
  CloseKiosk(kiosk);
}

TEST_F(BrowserE2E, UnloadableHomeKeepsTheKioskRunning) {
  Seed("http://127.0.0.1:9/nothing-listens-here");
  Process kiosk = env_.StartPanelia();
  EXPECT_TRUE(WaitUntil([&] { return !FindWindowsByClass(display_.X(), kClass).empty(); }, 20s)) << env_.Log();
  // An answer needs the kiosk's user-interface thread: it runs, past the failed load.
  EXPECT_EQ(env_.Send({"input-method", "0"}), 0);
  EXPECT_TRUE(kiosk.Running()) << env_.Log();
  CloseKiosk(kiosk);
}

TEST_F(BrowserE2E, CorruptSettingsFileStartsOnDefaultsAndStaysUntouched) {
  const std::string garbage = "this is not a settings database\x01\x02\x03";
  auto files = env_.Files();
  std::ofstream(files.local_machine, std::ios::binary) << garbage;
  Process kiosk = env_.StartPanelia({"--embedding"});
  EXPECT_TRUE(WaitUntil([&] { return !FindWindowsByClass(display_.X(), kClass).empty(); }, 20s)) << env_.Log();
  EXPECT_EQ(env_.Send({"input-method", "0"}), 0);
  EXPECT_TRUE(kiosk.Running()) << env_.Log();
  CloseKiosk(kiosk);
  std::ifstream in(files.local_machine, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), garbage);
}

// A kiosk whose settings cannot be read, or that has no home page yet, shows a neutral page, never a
// blank white one, and says why on standard error.
TEST_F(BrowserE2E, UnreadableSettingsShowTheOutOfServicePage) {
  // An English kiosk (UiLanguage en) says the same in English.
  const struct {
    const char* what;
    bool corrupt;
    const char* language;
    std::string title;
  } cases[] = {{"a store that is not a settings database", true, "", "暂停服务 - Panelia触摸屏浏览器"},
               {"no home page set", false, "", "暂停服务 - Panelia触摸屏浏览器"},
               {"no home page set, in English", false, "en", "Out of service - Panelia touch-screen browser"}};
  for (const auto& c : cases) {
    if (c.corrupt) {
      std::filesystem::create_directories(env_.Files().local_machine.parent_path());
      std::ofstream(env_.Files().local_machine, std::ios::trunc) << std::string(4096, 'x');
    } else {
      std::filesystem::remove(env_.Files().local_machine);
      Seed("");
      ASSERT_TRUE(env_.Store().Apply({{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General),
                                       "UiLanguage", RegValue::Text(c.language)}}));
    }
    Process kiosk = env_.StartPanelia();
    EXPECT_EQ(WaitForTitle(display_.X(), kClass, c.title, 20s), c.title) << c.what << env_.Log();
    EXPECT_NE(env_.Log().find("panelia: no address to show"), std::string::npos) << c.what;
    CloseKiosk(kiosk);
  }
}

}  // namespace
}  // namespace panelia::e2e
