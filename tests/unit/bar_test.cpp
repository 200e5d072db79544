#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "browse/bottom_view.h"
#include "browse/view.h"
#include "common/settings.h"
#include "fakes.h"

namespace panelia {
namespace {

using test::CallLog;
using test::FakeBrowser;
using test::FakeTimers;
using test::MemoryRegistry;
using Calls = std::vector<std::string>;

class RecordingBarPartners : public ViewPartners, public BarActions {
 public:
  explicit RecordingBarPartners(CallLog& log) : log_(log) {}
  bool DispatchCommandLink(const std::string&) override { return false; }
  void StartBackgroundMusic(bool) override {}
  void ShowKeyboard(bool, int32_t) override { log_.Add("keyboard"); }
  void CloseKeyboard() override { log_.Add("close-keyboard"); }
  void KeepFieldVisible(const ScreenRect&, int, std::function<void(int)>) override {}
  void RequestMusicOn() override {}
  void RequestMusicOff() override {}
  void RequestExit() override { RequestExit(true); }
  void MarkBarRedirect() override {}
  void RequestExit(bool with_password) override { log_.Add(with_password ? "exit password" : "exit question"); }
  void PrintMainPage() override { log_.Add("print"); }
  void PlaceBar(int left, int top) override { log_.Add("place " + std::to_string(left) + "," + std::to_string(top)); }
  void CloseCompanions() override { log_.Add("close-companions"); }
  bool StartReader() override {
    log_.Add("reader-start");
    return true;
  }
  void StopReader() override { log_.Add("reader-stop"); }

 private:
  CallLog& log_;
};

class BarTest : public ::testing::Test {
 protected:
  BarTest()
      : main_browser_(log_),
        bar_browser_(bar_log_),
        timers_(log_),
        host_(log_),
        partners_(log_),
        page_(log_),
        files_(log_),
        lists_(files_) {
    host_.module_directory = "/nonexistent/";
    store_.Put(Hive::LocalMachine, SectionPath(Section::General), "SoftHomeUrl", RegValue::Text("file:///home.html"));
    store_.Put(Hive::LocalMachine, SectionPath(Section::Style), "ScrollStep", RegValue::Dword(100));
    view_ = std::make_unique<CPaneliaView>(store_, main_browser_, timers_, host_, partners_, page_, lists_);
    bar_ = std::make_unique<CBottomView>(bar_browser_, *view_, partners_);
  }
  CallLog log_, bar_log_;
  MemoryRegistry store_;
  FakeBrowser main_browser_, bar_browser_;
  FakeTimers timers_;
  test::RecordingHost host_;
  RecordingBarPartners partners_;
  test::RecordingPage page_;
  test::FakeLists files_;
  CPageLists lists_;
  std::unique_ptr<CPaneliaView> view_;
  std::unique_ptr<CBottomView> bar_;
};

TEST_F(BarTest, CommandLinksRunEveryKeywordInTableOrder) {
  struct Case {
    std::string url;
    bool found;
    Calls calls;
  } cases[] = {
      {"file:///k/Style/Flowery/paneliagoback", true, {"back"}},
      {"paneliagoforward", true, {"forward"}},
      {"x:paneliastop", true, {"stop"}},
      {"x:paneliarefresh", true, {"refresh"}},
      {"x:paneliagohome", true, {"navigate file:///home.html"}},
      {"x:paneliakeyboard", true, {"keyboard"}},
      {"x:paneliascrollup", true, {"scroll 0,-100"}},
      {"x:paneliascrollright", true, {"scroll 100,0"}},
      {"x:paneliascrolldown", true, {"scroll 0,100"}},
      {"x:paneliascrollleft", true, {"scroll -100,0"}},
      {"x:paneliaexit", true, {"exit password"}},
      {"x:paneliashutdown", true, {"exit question"}},
      {"x:paneliaprint", true, {"print"}},
      {"x:paneliauserurl=news", true, {"navigate file:///home.html"}},
      {"x:panelialargetext", true, {"zoom 1.25"}},
      {"x:paneliacontrast", true, {"contrast on"}},
      {"x:paneliareader", true, {"reader-start", "read-from-start", "set-timer 9 5000"}},
      {"x:paneliaprint-paneliascrollup", true, {"scroll 0,-100", "print"}},
      {"x:paneliagohome/paneliagoback", true, {"back", "navigate file:///home.html"}},
      {"x:PaneliaGoBack", false, {}},
      {"http://example.com/", false, {}},
      {"", false, {}},
  };
  for (const auto& c : cases) {
    log_.Clear();
    EXPECT_EQ(bar_->DispatchCommandLink(c.url), c.found) << c.url;
    EXPECT_EQ(log_.Calls(), c.calls) << c.url;
  }
}

TEST_F(BarTest, OwnPageRuleAcceptsBothSeparators) {
  struct Case {
    const char* url;
    bool own;
  } cases[] = {
      {"file:///opt/k/style/flowery/1024x768.htm", true},
      {"file:///opt/k/bottombtn/800x600.htm", true},
      {"c:\\k\\style\\user\\800x600.htm", true},
      {"file:///opt/k/my1024x768.htm", false},
      {"http://example.com/", false},
      {"file:///opt/k/1024x768.html", true},  // the name only has to appear
  };
  for (const auto& c : cases) EXPECT_EQ(CBottomView::IsOwnPage(c.url), c.own) << c.url;
}

TEST_F(BarTest, BarNavigationStaysOnItsOwnPage) {
  struct Case {
    const char* what;
    std::string url;
    bool cancel;
    Calls main_calls;
  } cases[] = {
      {"its own page", "file:///k/Style/Flowery/1024x768.htm", false, {}},
      {"a command link in any case", "file:///k/Style/Flowery/PaneliaGoBack", true, {"back"}},
      {"an ordinary site does nothing at all", "http://example.com/", true, {}},
  };
  for (const auto& c : cases) {
    log_.Clear();
    bool cancel = false;
    bar_->OnBeforeNavigate2(c.url, cancel);
    EXPECT_EQ(cancel, c.cancel) << c.what;
    EXPECT_EQ(log_.Calls(), c.main_calls) << c.what;
  }
}

TEST_F(BarTest, RedirectMarkSendsOneNavigationToTheMainView) {
  bar_->SetRedirectMark();
  bool cancel = false;
  bar_->OnBeforeNavigate2("file:///Pop.html", cancel);
  EXPECT_TRUE(cancel);
  EXPECT_FALSE(bar_->RedirectMark());
  bar_->OnBeforeNavigate2("file:///Again.html", cancel);
  EXPECT_EQ(log_.Calls(), (Calls{"navigate file:///Pop.html"}));
}

TEST_F(BarTest, MovedBarIsPutBackAtEveryLaterNavigation) {
  bar_->OnNavigateComplete2({0, 688, 1024, 80});
  bar_->OnNavigateComplete2({5, 5, 5, 5});  // recorded once
  EXPECT_EQ(bar_->OnClientToHostWindow(10, 10), (std::pair<int, int>{1024, 80}));
  bar_->OnWindowSetLeft(0);  // the same place is no move
  bool cancel = false;
  bar_->OnBeforeNavigate2("file:///k/1024x768.htm", cancel);
  bar_->OnWindowSetTop(10);
  bar_->OnBeforeNavigate2("file:///k/1024x768.htm", cancel);
  bar_->OnBeforeNavigate2("file:///k/1024x768.htm", cancel);
  EXPECT_EQ(log_.Calls(), (Calls{"place 0,688", "place 0,688"}));
}

TEST_F(BarTest, MissingPagesLeaveTheBarEmpty) {
  bar_->OnInitialUpdate(store_, "/k/", 1024, [](const std::string&) { return false; });
  EXPECT_TRUE(bar_log_.Calls().empty());
  bar_->OnInitialUpdate(store_, "/k/", 1024, [](const std::string& p) { return p == "/k/BottomBtn/1024x768.htm"; });
  EXPECT_EQ(bar_log_.Calls(), (Calls{"navigate /k/BottomBtn/1024x768.htm"}));
}

TEST(BarPagePathTest, StyleAndWidthChooseThePage) {
  struct Case {
    std::optional<RegValue> style;
    int width;
    bool style_file_exists;
    const char* expected;
  } cases[] = {
      {std::nullopt, 1024, true, "/k/Style/Flowery/1024x768.htm"},
      {RegValue::Dword(0), 800, true, "/k/Style/Flowery/800x600.htm"},
      {RegValue::Dword(1), 1366, true, "/k/Style/BlueCrystal/1024x768.htm"},
      {RegValue::Dword(2), 640, true, "/k/Style/FreshGreen/1024x768.htm"},
      {RegValue::Dword(3), 800, true, "/k/Style/User/800x600.htm"},
      {RegValue::Dword(4), 1024, true, "/k/Style/Flowery/1024x768.htm"},
      {RegValue::Dword(7), 1024, true, "/k/Style/Flowery/1024x768.htm"},
      {RegValue::Text("1"), 1024, true, "/k/Style/Flowery/1024x768.htm"},
      {RegValue::Dword(3), 800, false, "/k/BottomBtn/800x600.htm"},
      {RegValue::Dword(1), 1920, false, "/k/BottomBtn/1024x768.htm"},
  };
  for (const auto& c : cases) {
    MemoryRegistry store;
    if (c.style) store.Put(Hive::LocalMachine, SectionPath(Section::Style), "Style", *c.style);
    std::string checked;
    std::string path = CBottomView::BarPagePath(store, "/k/", c.width, [&](const std::string& p) {
      checked = p;
      return c.style_file_exists;
    });
    EXPECT_EQ(path, c.expected) << c.width << " " << checked;
  }
}

}  // namespace
}  // namespace panelia
