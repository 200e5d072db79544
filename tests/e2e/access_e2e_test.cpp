// Every visitor: the notice before the idle return, large text and high contrast from the bar, and
// all of it back to the operator's choice for the next visitor.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "harness.h"
#include "suite_fixture.h"
#include "touch_fixture.h"

namespace panelia::e2e {
namespace {

const std::string kNotice = "还在使用吗？请触摸屏幕继续 · Still there? Touch the screen to continue";

class AccessE2E : public TouchE2E {
 protected:
  // The word after `label` in the page's title ("b": the body's background, as rrggbb).
  std::string TitleWord(const std::string& label) {
    std::string title = Title();
    size_t at = title.find(" " + label);
    if (at == std::string::npos) return "";
    at += label.size() + 1;
    return title.substr(at, title.find(' ', at) - at);
  }
  bool NoticeShown() { return e2e::WindowWithTitle(display_.X(), kNotice) != 0; }
  // With PANELIA_E2E_SHOTS naming a folder, a picture of the screen there, to be looked at.
  void Shot(const std::string& name) {
    const char* folder = std::getenv("PANELIA_E2E_SHOTS");
    if (!folder) return;
    Process({"import", "-window", "root", std::string(folder) + "/" + name + ".png"}, env_.Env(), "", "").Wait(20s);
  }
};

// On a clock ten times as fast: two minutes' wait is twelve seconds, the notice a minute ahead six.
TEST_F(AccessE2E, AVisitorIsAskedBeforeTheIdleReturnAndATouchKeepsTheSession) {
  if (std::system("command -v faketime >/dev/null") != 0) GTEST_SKIP() << "faketime is not installed";
  Process kiosk = StartTouch({{Section::Advance, "IsAutoHome", 1},
                              {Section::Advance, "WaitTime", 2},
                              {Section::Advance, "WarnTime", 60},
                              {Section::Advance, "IsClearSession", 0}},
                             true);
  // Nobody has touched it yet: its idle return (the page loaded afresh) comes without a notice.
  ASSERT_TRUE(PageReports(10)) << Title();
  bool noticed = false;
  int before = TitleFigure(" t");
  ASSERT_TRUE(WaitUntil(
      [&] {
        noticed |= NoticeShown();
        int now = TitleFigure(" t");
        bool reloaded = now >= 0 && now < before;
        before = std::max(before, now);
        return reloaded;
      },
      30s))
      << Title();
  EXPECT_FALSE(noticed) << "an untouched kiosk was warned";

  // A visitor touches the page, then leaves it alone: the notice comes, over the whole screen.
  int fingers = Figure("d");
  ASSERT_TRUE(fingers_.Tap(900, 500));
  ASSERT_TRUE(PageSawFinger(fingers));
  ASSERT_TRUE(WaitUntil([&] { return NoticeShown(); }, 20s)) << Title();
  Window notice = e2e::WindowWithTitle(display_.X(), kNotice);
  EXPECT_EQ(OnScreen(notice), (panelia::ScreenRect{0, 0, 1280, 800}));
  Shot("idle-notice");
  // A touch on it, over the page's link: the notice goes, the page sees nothing of it.
  fingers = Figure("d");
  int ticks = TitleFigure(" t");
  ASSERT_TRUE(fingers_.Tap(100, 320));
  EXPECT_TRUE(WaitUntil([&] { return !NoticeShown(); }, 5s));
  // The session goes on: the page is not loaded afresh, and the notice comes again a wait later.
  ASSERT_TRUE(WaitUntil([&] { return NoticeShown(); }, 20s)) << Title();
  EXPECT_GE(TitleFigure(" t"), ticks) << "the page was loaded afresh: the session ended";
  EXPECT_EQ(Figure("d"), fingers) << "the touch on the notice reached the page";
  EXPECT_EQ(Title().rfind("T ", 0), 0u) << "the touch on the notice followed the link: " << Title();
  // Nobody answers: the idle return, and the notice goes with it.
  ticks = TitleFigure(" t");
  ASSERT_TRUE(WaitUntil([&] { return TitleFigure(" t") >= 0 && TitleFigure(" t") < ticks; }, 20s)) << Title();
  EXPECT_TRUE(WaitUntil([&] { return !NoticeShown(); }, 5s));
}

TEST_F(AccessE2E, LargeTextAndHighContrastFromTheBarUntilTheNextVisitor) {
  if (std::system("command -v faketime >/dev/null") != 0) GTEST_SKIP() << "faketime is not installed";
  Process kiosk = StartTouch({{Section::Advance, "IsAutoHome", 1},
                              {Section::Advance, "WaitTime", 2},
                              {Section::Advance, "WarnTime", 0},
                              {Section::Advance, "IsClearSession", 0}},
                             true, false, "access.html");
  WaitForBar();
  ASSERT_TRUE(PageReports(3)) << Title();
  const int base = TitleFigure(" h");
  const std::string page_ground = TitleWord("b");
  ASSERT_GT(base, 0) << Title();
  std::cout << "[ page ] " << Title() << "\n";
  // Each touch of the large-text button a larger text, the largest last, then the operator's again.
  int last = base;
  for (int step = 0; step < 3; ++step) {
    ASSERT_TRUE(fingers_.Tap(50 + 100 * kLargeText, 760));
    EXPECT_TRUE(WaitUntil([&] { return TitleFigure(" h") > last; }, 10s)) << "step " << step << ": " << Title();
    last = TitleFigure(" h");
  }
  EXPECT_GE(last, base * 3 / 2) << "the largest text is not much larger";
  Shot("large-text");
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kLargeText, 760));
  EXPECT_TRUE(WaitUntil([&] { return TitleFigure(" h") == base; }, 10s)) << Title();
  // High contrast: black on white, strong links; and back.
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kContrast, 760));
  EXPECT_TRUE(WaitUntil([&] { return TitleWord("b") == "ffffff" && TitleWord("c") == "000000"; }, 10s)) << Title();
  EXPECT_EQ(TitleWord("l"), "0000c8") << Title();
  Shot("high-contrast");
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kContrast, 760));
  EXPECT_TRUE(WaitUntil([&] { return TitleWord("b") == page_ground; }, 10s)) << Title();
  // Both on, then the visitor leaves: the next one finds the operator's page as it is.
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kLargeText, 760));
  ASSERT_TRUE(fingers_.Tap(50 + 100 * kContrast, 760));
  ASSERT_TRUE(WaitUntil([&] { return TitleWord("b") == "ffffff" && TitleFigure(" h") > base; }, 10s)) << Title();
  int ticks = TitleFigure(" t");
  ASSERT_TRUE(WaitUntil([&] { return TitleFigure(" t") >= 0 && TitleFigure(" t") < ticks; }, 30s)) << Title();
  EXPECT_TRUE(PageReports(3));
  EXPECT_EQ(TitleFigure(" h"), base) << Title();
  EXPECT_EQ(TitleWord("b"), page_ground) << Title();
}

}  // namespace
}  // namespace panelia::e2e
