// The opening hours on a faked clock ten times as fast as the real one: the screen goes dark at the
// period's end, a touch wakes it without reaching the page, the volume follows the clock, the home
// page changes at the next idle return and not before, and a holiday stays dark.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <utility>

#include "suite_fixture.h"

namespace panelia::e2e {
namespace {

class ScheduleE2E : public SuiteE2E {
 protected:
  static constexpr int kSpeed = 10;
  void SetUp() override {
    SuiteE2E::SetUp();
    if (!fs::exists("/usr/bin/faketime")) GTEST_SKIP() << "faketime is not installed";
    MakeModule();
    Seed(true);
    auto dword = [](Section s, const char* name, uint32_t v) {
      return RegChange{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(s), name, RegValue::Dword(v)};
    };
    ASSERT_TRUE(env_.Store().Apply({{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General),
                                     "SoftHomeUrl", RegValue::Text(Page("short.html"))},
                                    dword(Section::Advance, "IsAutoHome", 1),
                                    dword(Section::Advance, "WaitTime", 1),
                                    dword(Section::Advance, "WarnTime", 0)}));
  }
  static std::string Page(const std::string& name) { return "file://" + kPagesDir + name; }
  void WriteSchedule(const std::string& text) { std::ofstream(module_ / "Schedule.ini") << text; }
  // The kiosk at a faked local time; the sped-up clock drives its timers too.
  Process StartAt(const std::string& when) {
    auto env = env_.Env();
    env["PANELIA_AUDIO_SINK"] = "fakesink sync=true";
    env["TZ"] = "UTC";
    // libfaketime is preloaded before the sanitizer's runtime.
    env["ASAN_OPTIONS"] = "detect_leaks=0:verify_asan_link_order=0";
    return Process({"faketime", "-f", "@" + when + " x" + std::to_string(kSpeed), (module_ / "panelia").string()}, env,
                   module_.string(), (env_.Root() / "panelia.log").string());
  }
  std::string KioskStatus() {
    std::ifstream in(env_.Root() / "runtime" / "panelia" / "status.json");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool StatusSays(const std::string& text, std::chrono::milliseconds timeout = 20s) {
    return WaitUntil([&] { return KioskStatus().find(text) != std::string::npos; }, timeout);
  }
  // Black wherever a visitor looks: the corners, the middle, the bar.
  bool Dark() {
    for (auto [x, y] : {std::pair{5, 5}, {640, 400}, {1270, 790}, {50, 760}})
      if (PixelAt(display_.X(), x, y) != 0) return false;
    return true;
  }
  bool PartnersGot(const std::string& line) {
    return WaitUntil(
        [&] {
          for (const auto& l : LogLines())
            if (l == line) return true;
          return false;
        },
        20s);
  }
};

TEST_F(ScheduleE2E, DarkAtClosingWokenByATouchThatReachesNothing) {
  WriteSchedule(
      "[Screen]\nMon-Sun = 07:00-22:00\n"
      "[Volume]\nMon-Sun 07:00 = 60\nMon-Sun 22:00 = 25\n"
      "[Home]\nMon-Sun 07:00 = " +
      Page("hours.html") + "\n");
  // A Wednesday, two minutes (twelve real seconds) before closing.
  Process kiosk = StartAt("2026-12-09 21:58:00");
  ASSERT_TRUE(TitleBecomes("E2E Hours", 30s)) << env_.Log();
  EXPECT_TRUE(StatusSays("\"screen_schedule\": \"on\"")) << KioskStatus();
  EXPECT_FALSE(Dark());
  EXPECT_TRUE(PartnersGot("MUSIC-VOLUME 60")) << env_.Log();

  ASSERT_TRUE(StatusSays("\"screen_schedule\": \"off\"", 30s)) << KioskStatus() << env_.Log();
  EXPECT_TRUE(WaitUntil([&] { return Dark(); }, 5s)) << std::hex << PixelAt(display_.X(), 640, 400);
  EXPECT_TRUE(PartnersGot("MUSIC-VOLUME 25"));
  EXPECT_TRUE(PartnersGot("MUSIC-STOP 0")) << "no music while dark";
  EXPECT_NE(KioskStatus().find("\"schedule_next\": \"screen on, volume 60\""), std::string::npos) << KioskStatus();

  // A touch (the pointer's click, as a touch screen's first finger gives it) where the page's link is.
  Xdotool({"mousemove", "640", "400", "click", "1"});
  EXPECT_TRUE(StatusSays("\"screen_schedule\": \"woken\"")) << KioskStatus();
  EXPECT_TRUE(WaitUntil([&] { return PixelAt(display_.X(), 640, 400) == 0x336699; }, 5s)) << "the page in sight";
  EXPECT_FALSE(TitleBecomes("E2E Target", 2s)) << "the waking touch followed the link";
  // A minute without input (six real seconds): dark again.
  EXPECT_TRUE(StatusSays("\"screen_schedule\": \"off\"", 20s)) << KioskStatus();
  EXPECT_TRUE(WaitUntil([&] { return Dark(); }, 5s));

  // The operator's word holds until the hours change.
  EXPECT_EQ(Send({"screen", "on"}), 0);
  EXPECT_TRUE(StatusSays("\"screen_schedule\": \"override\"")) << KioskStatus();
  EXPECT_TRUE(WaitUntil([&] { return !Dark(); }, 5s));
  EXPECT_EQ(Send({"screen", "auto"}), 0);
  EXPECT_TRUE(StatusSays("\"screen_schedule\": \"off\"")) << KioskStatus();
  EXPECT_TRUE(WaitUntil([&] { return Dark(); }, 5s));
  SendCloseRequest(display_.X(), FindWindowsByClass(display_.X(), kClass).at(0));
  EXPECT_EQ(kiosk.Wait(15s), 0) << env_.Log();
}

TEST_F(ScheduleE2E, HomePageChangesAtTheNextIdleReturnAndAHolidayStaysDark) {
  WriteSchedule("[Home]\nMon-Sun 07:00 = " + Page("hours.html") + "\nMon-Sun 12:00 = " + Page("target.html") + "\n");
  Process kiosk = StartAt("2026-12-09 11:58:00");
  ASSERT_TRUE(TitleBecomes("E2E Hours", 30s)) << "the schedule's home page from the start: " << env_.Log();
  // A visitor keeps using the kiosk past noon (the pointer moving, away from the link).
  int x = 0;
  auto visitor = [&] {
    Xdotool({"mousemove", std::to_string(100 + (x++ % 2) * 50), "30"});
    return KioskStatus().find("target.html") != std::string::npos;
  };
  ASSERT_TRUE(WaitUntil(visitor, 30s)) << KioskStatus();
  for (int i = 0; i < 4; ++i) {
    visitor();
    std::this_thread::sleep_for(400ms);
  }
  EXPECT_EQ(Title(), "E2E Hours" + kSuffix) << "not while a visitor is there";
  // Nobody: the idle return a minute later (six real seconds) goes to the new home page.
  EXPECT_TRUE(TitleBecomes("E2E Target", 30s)) << Title();
  SendCloseRequest(display_.X(), FindWindowsByClass(display_.X(), kClass).at(0));
  EXPECT_EQ(kiosk.Wait(15s), 0) << env_.Log();

  // Today closed: dark in the middle of the opening hours, from the start.
  WriteSchedule("[Screen]\nMon-Sun = 07:00-22:00\n[Closed]\n2026-12-24..2026-12-26, 2026-12-09\n");
  Process holiday = StartAt("2026-12-09 12:00:00");
  EXPECT_TRUE(StatusSays("\"screen_schedule\": \"off\"", 30s)) << KioskStatus() << env_.Log();
  EXPECT_TRUE(WaitUntil([&] { return Dark(); }, 10s));
  EXPECT_NE(KioskStatus().find("\"schedule_next_change\": \"2026-12-10T07:00:00Z\""), std::string::npos)
      << KioskStatus();
  SendCloseRequest(display_.X(), FindWindowsByClass(display_.X(), kClass).at(0));
  EXPECT_EQ(holiday.Wait(15s), 0) << env_.Log();
}

}  // namespace
}  // namespace panelia::e2e
