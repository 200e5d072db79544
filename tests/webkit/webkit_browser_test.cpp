// The web view adapter in this very process, with a real WebKitWebView on a private display: does
// it tell the browsing logic what the engine does, and carry out what the logic answers?
#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "../e2e/harness.h"
#include "platform/webkit/webkit_browser.h"

namespace panelia {
namespace {

using namespace std::chrono_literals;
const std::string kPages = PANELIA_E2E_PAGES;

// Every engine event, as the browsing logic would get it; `cancel_if` refuses navigations.
struct RecordingEvents : BrowserEvents {
  void OnBeforeNavigate(const std::string& url, bool& cancel, const NavigationOrigin& origin) override {
    navigations.push_back({url, cancel, origin});
    if (cancel_if && cancel_if(url)) cancel = true;
  }
  void OnNavigateComplete(const std::string&) override {}
  void OnDocumentComplete(const std::string& url) override { documents.push_back(url); }
  void OnTitleChange(const std::string& t) override { title = t; }
  void OnNewWindowKnown(const std::string& url, bool& cancel) override {
    pop_ups.push_back(url);
    cancel = true;
  }
  void OnNewWindowUnknown(bool& cancel) override { cancel = true; }
  bool OnRedirectedNavigation(const std::string&) override { return true; }
  void OnWindowClosing(bool& cancel) override {
    ++closes;
    cancel = true;
  }
  void OnTouch(bool, std::optional<ScreenRect>) override {}
  void OnInput() override { ++inputs; }
  void OnPageSize(int w, int h, int, int) override { size = {w, h}; }
  void OnScrollPosition(int, int) override {}
  bool OnContextMenu() override { return true; }
  void OnRecoveryDue() override {}

  int inputs = 0;
  struct Navigation {
    std::string url;
    bool refused_by_fence;
    NavigationOrigin origin;
  };
  std::vector<Navigation> navigations;
  std::vector<std::string> documents, pop_ups;
  std::string title;
  int closes = 0;
  std::pair<int, int> size{0, 0};
  std::function<bool(const std::string&)> cancel_if;
};

class WebKitBrowserTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    display_ = new e2e::VirtualDisplay(false);
    ASSERT_TRUE(display_->Error().empty()) << display_->Error();
    setenv("DISPLAY", display_->Name().c_str(), 1);
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr));
  }
  static void TearDownTestSuite() { delete display_; }

  // Runs the main loop until `done`, at most `timeout`.
  static bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
    auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      g_main_context_iteration(nullptr, FALSE);
      g_usleep(2000);
    }
    return true;
  }
  std::unique_ptr<WebKitBrowser> Browser(BrowserOptions options = {}) {
    auto browser = std::make_unique<WebKitBrowser>(events_, std::move(options));
    window_ = gtk_offscreen_window_new();
    gtk_container_add(GTK_CONTAINER(window_), browser->Widget());
    gtk_widget_show_all(window_);
    return browser;
  }
  void TearDown() override {
    if (window_) gtk_widget_destroy(window_);
  }
  bool Loaded(const std::string& page) {
    return RunUntil(
        [&] { return !events_.documents.empty() && events_.documents.back().find(page) != std::string::npos; });
  }

  static e2e::VirtualDisplay* display_;
  RecordingEvents events_;
  GtkWidget* window_ = nullptr;
};
e2e::VirtualDisplay* WebKitBrowserTest::display_ = nullptr;

// The kiosk's own load is told as such; a page's script navigation is not, and the local-file
// fence refuses what lies outside the kiosk's folders before the logic is asked.
TEST_F(WebKitBrowserTest, OwnLoadsScriptsAndTheLocalFileFence) {
  BrowserOptions options;
  options.rules.local_folders = [] { return std::vector<std::string>{kPages}; };
  auto browser = Browser(std::move(options));
  browser->Navigate("file://" + kPages + "target.html");
  ASSERT_TRUE(Loaded("target.html"));
  ASSERT_FALSE(events_.navigations.empty());
  EXPECT_TRUE(events_.navigations.front().origin.kiosk_page);
  EXPECT_FALSE(events_.navigations.front().refused_by_fence);
  EXPECT_TRUE(RunUntil([&] { return events_.title == "E2E Target"; }));

  events_.navigations.clear();
  browser->RunScript("location.href = 'file:///etc/hostname';");
  ASSERT_TRUE(RunUntil([&] { return !events_.navigations.empty(); }));
  EXPECT_TRUE(events_.navigations.back().refused_by_fence) << "outside the kiosk's folders";
  EXPECT_FALSE(events_.navigations.back().origin.kiosk_page);
  EXPECT_FALSE(events_.navigations.back().origin.touched_link) << "a script is no touch";

  events_.navigations.clear();
  browser->RunScript("location.href = 'scroll.html';");
  ASSERT_TRUE(Loaded("scroll.html"));
  EXPECT_FALSE(events_.navigations.front().refused_by_fence);
  EXPECT_EQ(events_.navigations.front().origin.from_page, "file://" + kPages + "target.html");
}

// The logic's refusal stops the load; the page's messages arrive parsed; its window.close() and
// its pop-ups reach the logic, a script's own pop-ups only a few times.
TEST_F(WebKitBrowserTest, RefusalsMessagesCloseAndPopUps) {
  auto browser = Browser();
  events_.cancel_if = [](const std::string& url) { return url.find("target.html") != std::string::npos; };
  browser->Navigate("file://" + kPages + "scroll.html");
  ASSERT_TRUE(Loaded("scroll.html"));
  EXPECT_TRUE(RunUntil([&] { return events_.size.second >= 3000; })) << "the page's size message";
  browser->RunScript("location.href = 'target.html';");
  ASSERT_TRUE(RunUntil([&] { return events_.navigations.back().url.find("target.html") != std::string::npos; }));
  browser->RunScript("document.title = 'still here';");
  ASSERT_TRUE(RunUntil([&] { return events_.title == "still here"; }));
  EXPECT_EQ(events_.documents.back().find("target.html"), std::string::npos) << "the refused page never loaded";

  browser->RunScript("window.close();", WebKitBrowser::ScriptWorld::Page);
  EXPECT_TRUE(RunUntil([&] { return events_.closes == 1; })) << "the top frame's close reaches the logic";

  // A page's own script is no visitor: it cannot reach the kiosk's handler, and the input events it
  // makes up are not input.
  browser->RunScript(
      "document.title = (window.webkit && window.webkit.messageHandlers && window.webkit.messageHandlers.panelia)"
      " ? 'reachable' : 'unreachable';"
      "document.dispatchEvent(new KeyboardEvent('keydown'));"
      "document.dispatchEvent(new MouseEvent('mousedown', {button: 0}));"
      "document.dispatchEvent(new WheelEvent('wheel'));"
      "window.dispatchEvent(new Event('panelia-close-guess'));",
      WebKitBrowser::ScriptWorld::Page);
  ASSERT_TRUE(RunUntil([&] { return events_.title == "unreachable"; })) << events_.title;
  browser->RunScript("document.title = 'kiosk world';");
  ASSERT_TRUE(RunUntil([&] { return events_.title == "kiosk world"; }));
  EXPECT_EQ(events_.inputs, 0);
  EXPECT_EQ(events_.closes, 1);

  // (A script the embedder runs counts as the visitor's doing; a page's own does not.)
  events_.cancel_if = nullptr;
  browser->Navigate("file://" + kPages + "opensix.html");
  ASSERT_TRUE(RunUntil([&] { return events_.title == "opened"; }));
  ASSERT_TRUE(Loaded("opensix.html"));
  EXPECT_EQ(events_.pop_ups.size(), 3u) << "three a minute for a page's own pop-ups, then none";
}

// The bundled pages against the accessibility rules of axe-core, run in the engine the kiosk shows
// them with: no critical or serious violation in any bar style, the demo or the help pages.
TEST_F(WebKitBrowserTest, BundledPagesMeetTheAccessibilityRules) {
  gchar* axe = nullptr;
  ASSERT_TRUE(g_file_get_contents(PANELIA_AXE_SCRIPT, &axe, nullptr, nullptr))
      << PANELIA_AXE_SCRIPT << " is missing: the build fetches it from the npm registry when it is configured";
  const std::string rules(axe);
  g_free(axe);
  const std::string runtime = PANELIA_RUNTIME_DIR;
  std::vector<std::string> pages = {"BottomBtn/800x600.htm", "BottomBtn/1024x768.htm"};
  for (const char* style : {"Flowery", "BlueCrystal", "FreshGreen", "User"})
    for (const char* size : {"800x600", "1024x768"})
      pages.push_back(std::string("Style/") + style + "/" + size + ".htm");
  for (const char* page : {"index", "en", "events", "map", "museum"})
    pages.push_back(std::string("demo/") + page + ".html");
  for (const char* page : {"PaneliaHelp", "about", "forum"}) pages.push_back(std::string("help/") + page + ".html");
  auto browser = Browser();
  gtk_window_resize(GTK_WINDOW(window_), 1024, 768);
  for (const std::string& page : pages) {
    browser->Navigate("file://" + runtime + page);
    ASSERT_TRUE(Loaded(page)) << page;
    webkit_web_view_evaluate_javascript(browser->View(), rules.c_str(), -1, nullptr, nullptr, nullptr, nullptr,
                                        nullptr);
    struct Answer {
      bool done = false;
      std::string text;
    } answer;
    webkit_web_view_call_async_javascript_function(
        browser->View(),
        "return axe.run(document, {resultTypes: ['violations']}).then(r => JSON.stringify(r.violations"
        ".filter(v => v.impact === 'critical' || v.impact === 'serious')"
        ".map(v => v.id + ' (' + v.impact + '): ' + v.nodes.map(n => n.target.join(' ')).join(', '))));",
        -1, nullptr, nullptr, nullptr, nullptr,
        [](GObject* view, GAsyncResult* result, gpointer p) {
          auto* a = static_cast<Answer*>(p);
          GError* error = nullptr;
          JSCValue* value =
              webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(view), result, &error);
          if (value) {
            gchar* text = jsc_value_to_string(value);
            a->text = text ? text : "";
            g_free(text);
            g_object_unref(value);
          } else {
            a->text = std::string("the rules did not run: ") + (error ? error->message : "?");
            g_clear_error(&error);
          }
          a->done = true;
        },
        &answer);
    ASSERT_TRUE(RunUntil([&] { return answer.done; }, 30s)) << page;
    EXPECT_EQ(answer.text, "[]") << page;
  }
}

}  // namespace
}  // namespace panelia
