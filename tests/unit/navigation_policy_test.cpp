// The main view's navigation policy: the local-file fence, the own-load latch and the origin told
// to the command-link rule.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "browse/browser_controller.h"
#include "browse/navigation_policy.h"

namespace panelia {
namespace {

// A file system of a few folders; links resolve through `links`.
struct FakeFiles : LocalFileSystem {
  bool IsFolder(const std::string& uri) override { return folders.count(LocalPathOf(uri)) != 0; }
  std::string ResolvedPath(const std::string& path) override {
    for (const auto& [link, target] : links)
      if (path.rfind(link, 0) == 0) return target + path.substr(link.size());
    return path;
  }
  std::string ResolvedPathOf(const std::string& uri) override {
    std::string path = LocalPathOf(uri);
    return path.empty() ? "" : ResolvedPath(path);
  }
  std::set<std::string> folders{"/srv/kiosk", "/srv/kiosk/", "/etc", "/etc/"};
  std::map<std::string, std::string> links{{"/srv/kiosk/out", "/etc"}};
};

TEST(NavigationPolicyTest, LocalFilesKeepToTheKioskFolders) {
  FakeFiles files;
  NavigationPolicy policy(files, [] { return std::vector<std::string>{"/opt/panelia/", "/srv/kiosk"}; });
  using K = NavigationKind;
  const struct {
    const char* what;
    bool kiosk_load;
    K kind;
    const char* from;
    const char* uri;
    bool refused;
  } cases[] = {
      {"a web page's link to the web", false, K::LinkClicked, "http://a/", "http://b/", false},
      {"a web page's link to a local file", false, K::LinkClicked, "http://a/", "file:///srv/kiosk/a.htm", true},
      {"a local page's link beside it", false, K::LinkClicked, "file:///srv/kiosk/i.htm", "file:///srv/kiosk/a.htm",
       false},
      {"into the program folder", false, K::LinkClicked, "file:///srv/kiosk/i.htm", "file:///opt/panelia/help/h.htm",
       false},
      {"out of the kiosk folders", false, K::LinkClicked, "file:///srv/kiosk/i.htm", "file:///etc/passwd", true},
      {"out by ..", false, K::Other, "file:///srv/kiosk/i.htm", "file:///srv/kiosk/../../etc/passwd", true},
      {"out through a link", false, K::LinkClicked, "file:///srv/kiosk/i.htm", "file:///srv/kiosk/out/passwd", true},
      {"a folder is never listed", false, K::LinkClicked, "file:///srv/kiosk/i.htm", "file:///srv/kiosk/", true},
      {"the kiosk's own load goes anywhere", true, K::Other, "http://a/", "file:///etc/hosts", false},
      {"but not into a folder", true, K::Other, "", "file:///etc/", true},
      {"Back counts as where the view has been", false, K::BackForward, "http://a/", "file:///etc/hosts", false},
      {"Reload too", false, K::Reload, "http://a/", "file:///etc/hosts", false},
      {"a form sent to a local file from the web", false, K::FormSubmitted, "http://a/", "file:///srv/kiosk/a", true},
      {"FILE: in capitals is local too", false, K::LinkClicked, "http://a/", "FILE:///srv/kiosk/a.htm", true},
  };
  for (const auto& c : cases) {
    if (c.kiosk_load) policy.OnKioskLoad();
    NavigationVerdict v = policy.Decide({c.uri, c.kind, true, c.from});
    EXPECT_TRUE(v.checked) << c.what;
    EXPECT_EQ(v.refused, c.refused) << c.what;
    if (c.refused) {
      EXPECT_EQ(v.refusal, std::string("refused to open ") + c.uri + " from " + (*c.from ? c.from : "(no page)"));
    }
  }
  std::string refusal;
  using W = NavigationPolicy::NewWindow;
  EXPECT_EQ(policy.DecideNewWindow("file:///etc/hosts", true, "file:///srv/kiosk/i.htm", 0, false, refusal), W::Refused)
      << "a pop-up is the page's, never the kiosk's own load";
  EXPECT_EQ(policy.DecideNewWindow("file:///srv/kiosk/a.htm", true, "file:///srv/kiosk/i.htm", 0, false, refusal),
            W::InTheView);
  // Without folders set, a local page reaches any local file (but no folder).
  NavigationPolicy open(files, nullptr);
  EXPECT_FALSE(open.Decide({"file:///etc/hosts", K::LinkClicked, true, "file:///srv/kiosk/i.htm"}).refused);
  EXPECT_TRUE(open.Decide({"file:///etc/", K::LinkClicked, true, "file:///srv/kiosk/i.htm"}).refused);
}

// The latches: the kiosk's own load counts once; the out-of-service page is asked about nowhere;
// a link on the kiosk's "cannot be shown" page is the kiosk's, for that page only.
TEST(NavigationPolicyTest, LatchesAndTheOriginOfEachNavigation) {
  FakeFiles files;
  NavigationPolicy policy(files, nullptr);
  using K = NavigationKind;
  auto decide = [&](K kind, bool gesture) { return policy.Decide({"http://b/", kind, gesture, "http://a/"}); };
  policy.OnKioskLoad();
  EXPECT_TRUE(decide(K::Other, false).origin.kiosk_page);
  EXPECT_FALSE(decide(K::Other, false).origin.kiosk_page) << "once only";
  policy.OnKioskLoad();
  policy.OnPageLoad();  // a page's pop-up opened here instead
  EXPECT_FALSE(decide(K::Other, false).origin.kiosk_page);
  policy.OnQuietLoad();
  EXPECT_FALSE(decide(K::Other, false).checked);
  EXPECT_TRUE(decide(K::Other, false).checked);
  const struct {
    K kind;
    bool gesture, touched;
  } origins[] = {{K::LinkClicked, true, true}, {K::LinkClicked, false, false}, {K::FormSubmitted, true, false},
                 {K::Other, true, false},      {K::BackForward, true, false},  {K::Reload, true, false}};
  for (const auto& o : origins) {
    NavigationVerdict v = decide(o.kind, o.gesture);
    EXPECT_EQ(v.origin.touched_link, o.touched) << static_cast<int>(o.kind) << o.gesture;
    EXPECT_EQ(v.origin.from_page, "http://a/");
    EXPECT_FALSE(v.origin.kiosk_page);
  }
  policy.OnErrorPageShown();
  policy.OnCommitted();
  EXPECT_TRUE(decide(K::LinkClicked, true).origin.kiosk_page) << "the way home on the kiosk's own page";
  EXPECT_FALSE(decide(K::Other, true).origin.kiosk_page) << "but not a script there";
  policy.OnCommitted();
  EXPECT_FALSE(decide(K::LinkClicked, true).origin.kiosk_page) << "the next page is a page again";
}

TEST(NavigationPolicyTest, TheKioskFoldersAreTheProgramsAndTheHomePages) {
  const struct {
    const char* home;
    std::vector<std::string> folders;
  } cases[] = {
      {"file:///srv/kiosk/index.html", {"/opt/panelia/", "/srv/kiosk"}},
      {"file:///srv/%E5%B1%95%E8%A7%88/index.html?x=1", {"/opt/panelia/", "/srv/展览"}},
      {"/srv/kiosk/index.html", {"/opt/panelia/", "/srv/kiosk"}},
      {"http://kiosk.example/index.html", {"/opt/panelia/"}},
      {"", {"/opt/panelia/"}},
  };
  for (const auto& c : cases) EXPECT_EQ(KioskFolders("/opt/panelia/", c.home), c.folders) << c.home;
}

}  // namespace
}  // namespace panelia

#include "browse/page_messages.h"

namespace panelia {
namespace {

// Any page can post any text: only the exact forms count, a close only with the top frame's token.
TEST(PageMessagesTest, OnlyTheExactFormsCount) {
  using K = PageMessage::Kind;
  const struct {
    const char* text;
    K kind;
    std::vector<int> values;
  } cases[] = {
      {"close:t0k3n", K::Close, {}},
      {"close:", K::Unknown, {}},
      {"close:other", K::Unknown, {}},
      {"close:t0k3nX", K::Unknown, {}},
      {"touch", K::Touch, {}},
      {"touch-text", K::TouchText, {}},
      {"touch-text:20,700,400,40", K::TouchText, {20, 700, 400, 40}},
      {"touch-text:-5,-9,1,1", K::TouchText, {-5, -9, 1, 1}},  // a field partly above the window
      {"touch-text:1,2,-3,4", K::Unknown, {}},
      {"touch-text:1,2,3", K::Unknown, {}},
      {"touch-text:", K::Unknown, {}},
      {"touchy", K::Unknown, {}},
      {"input", K::Input, {}},
      {"size:1280,3000,1280,720", K::Size, {1280, 3000, 1280, 720}},
      {"size:-1,0,0,0", K::Size, {-1, 0, 0, 0}},
      {"size:1,2,3", K::Unknown, {}},
      {"size:1,2,3,4,5", K::Unknown, {}},
      {"size:1,2,3,4x", K::Unknown, {}},
      {"size:99999999999,1,1,1", K::Unknown, {}},  // beyond an int
      {"size: 1,2,3,4", K::Unknown, {}},
      {"pos:10,20", K::Position, {10, 20}},
      {"pos:10", K::Unknown, {}},
      {"pos:,", K::Unknown, {}},
      {"", K::Unknown, {}},
  };
  for (const auto& c : cases) {
    PageMessage m = ParsePageMessage(c.text, "t0k3n");
    EXPECT_EQ(m.kind, c.kind) << c.text;
    EXPECT_EQ(m.has_box, c.kind == K::TouchText && !c.values.empty()) << c.text;
    for (size_t i = 0; i < c.values.size(); ++i) EXPECT_EQ(m.values[i], c.values[i]) << c.text;
  }
  EXPECT_EQ(ParsePageMessage("close:", "").kind, K::Unknown) << "no token, no close";
}

// Asked every heartbeat; an answer clears the question; ten seconds without one end the process.
TEST(PageMessagesTest, TheHangWatchEndsAProcessThatStoppedAnswering) {
  using S = HangWatch::Step;
  HangWatch watch;
  const struct {
    uint64_t at;
    bool answered_before;
    S step;
  } ticks[] = {
      {0, false, S::Ask},      {5000, true, S::Ask},          {10000, false, S::Wait},  // asked at 5 s, no answer
      {14999, false, S::Wait}, {15000, false, S::EndProcess}, {20000, false, S::Ask},
  };
  for (const auto& t : ticks) {
    if (t.answered_before) watch.OnAnswer();
    EXPECT_EQ(watch.OnTick(t.at), t.step) << t.at;
  }
  watch.Reset();
  EXPECT_EQ(watch.OnTick(21000), S::Ask) << "a new process: a new question";
}

// Leaving a page: a process that answered before and is silent for half a second is ended then; a
// process that answers, or one still starting, is left alone.
TEST(PageMessagesTest, LeavingAPageEndsItsSilentProcessAtOnce) {
  const struct {
    bool answered_earlier, committed_a_page;
    bool answers_in_time;
    bool asks, ended;
  } cases[] = {
      {true, false, false, true, true},
      {false, true, false, true, true},  // busy from its page's first moment
      {true, false, true, true, false},
      {false, false, false, false, false},  // a new process, still starting
  };
  for (const auto& c : cases) {
    HangWatch watch;
    if (c.answered_earlier) watch.OnAnswer();
    if (c.committed_a_page) watch.OnSignOfLife();
    EXPECT_EQ(watch.OnLeave(1000), c.asks);
    EXPECT_FALSE(watch.LeaveOverdue(1000 + HangWatch::kLeaveMs - 1));
    if (c.answers_in_time) watch.OnAnswer();
    EXPECT_EQ(watch.LeaveOverdue(1000 + HangWatch::kLeaveMs), c.ended) << c.answered_earlier << c.answers_in_time;
    EXPECT_FALSE(watch.LeaveOverdue(9000)) << "judged once";
  }
}

}  // namespace
}  // namespace panelia

#include "browse/crash_backoff.h"

namespace panelia {
namespace {

// Where a window a page asks for opens; a visitor's touch always, a script's own a few a minute.
TEST(NavigationPolicyTest, NewWindowsAndPrints) {
  FakeFiles files;
  NavigationPolicy policy(files, [] { return std::vector<std::string>{"/srv/kiosk"}; });
  using W = NavigationPolicy::NewWindow;
  const struct {
    const char* uri;
    bool gesture, own_windows;
    W where;
    bool logs;
  } cases[] = {
      {"http://b/", false, true, W::OwnWindow, false},  // the bar's page: its own windows
      {"http://b/", true, false, W::InTheView, false},
      {"", true, false, W::StandIn, false},
      {"about:blank", true, false, W::StandIn, false},
      {"file:///etc/hosts", true, false, W::Refused, true},  // the fence, as for the page's links
      {"http://b/1", false, false, W::InTheView, false},     // a script's own: three a minute
      {"http://b/2", false, false, W::InTheView, false},
      {"http://b/3", false, false, W::InTheView, false},
      {"http://b/4", false, false, W::Refused, true},
      {"http://b/5", false, false, W::Refused, false},   // said once
      {"http://b/6", true, false, W::InTheView, false},  // a touch still opens
  };
  uint64_t now = 1000;
  for (const auto& c : cases) {
    std::string log;
    EXPECT_EQ(policy.DecideNewWindow(c.uri, c.gesture, "file:///srv/kiosk/a.htm", now += 10, c.own_windows, log),
              c.where)
        << c.uri;
    EXPECT_EQ(!log.empty(), c.logs) << c.uri << ": " << log;
  }
  std::string log;
  EXPECT_TRUE(policy.MayPrint(now, log));
  EXPECT_TRUE(policy.MayPrint(now + 300, log));
  EXPECT_FALSE(policy.MayPrint(now + 600, log));
  EXPECT_EQ(log, "a page keeps asking to print; refused until the next visitor");
  EXPECT_FALSE(policy.MayPrint(now + 120000, log)) << "not after a minute either";
  policy.OnNewVisitor();
  EXPECT_TRUE(policy.MayPrint(now + 120001, log));
  EXPECT_EQ(policy.DecideNewWindow("http://b/7", false, "", now + 120002, false, log), W::InTheView);
}

// One view's controller with an engine and a kiosk that write down what they are asked and told.
struct Rig : WebEngine, BrowserEvents {
  explicit Rig(BrowsingRules rules = {}) : controller(*this, *this, files, std::move(rules), [this] { return now; }) {}
  void Load(const std::string& a) override { Say("load " + a); }
  void ShowOwnPage(OwnPage page) override { Say(page == OwnPage::Waiting ? "waiting page" : "out-of-service page"); }
  void ShowCannotShow(const std::string& a) override { Say("cannot-show page for " + a); }
  void ShowOffline(const std::string& a, NetworkProblem why, uint64_t next_ms) override {
    Say("offline page for " + a + " (" + std::string(ProblemName(why)) + ") next in " + std::to_string(next_ms));
  }
  void ProbeNetwork(const std::string& a) override { Say("probe " + a); }
  void Back() override { Say("back"); }
  void Forward() override { Say("forward"); }
  void StopLoading() override {}
  void Reload() override {}
  void AskProcess() override { Say("ask"); }
  void EndProcess() override { Say("end process"); }
  void AnswerPageBoxes() override {}
  void StartTimer(BrowserTimer t, int ms) override {
    Say((t == BrowserTimer::Leave      ? "leave timer "
         : t == BrowserTimer::Recovery ? "recovery timer "
                                       : "network timer ") +
        std::to_string(ms));
  }
  std::string Address() const override { return address; }
  std::string Title() const override { return ""; }
  void OnBeforeNavigate(const std::string& url, bool& cancel, const NavigationOrigin& o) override {
    Say("asks the kiosk about " + url + (o.kiosk_page ? " (own)" : "") + (o.touched_link ? " (touched)" : "") +
        (cancel ? " (refused)" : ""));
  }
  void OnNavigateComplete(const std::string& url) override { Say("committed " + url); }
  void OnDocumentComplete(const std::string&) override {}
  void OnTitleChange(const std::string&) override {}
  void OnNewWindowKnown(const std::string& url, bool&) override { Say("pop-up in the view " + url); }
  void OnNewWindowUnknown(bool&) override {}
  bool OnRedirectedNavigation(const std::string& url) override {
    Say("pop-up of the bar " + url);
    return false;
  }
  void OnWindowClosing(bool&) override { Say("window.close"); }
  void OnTouch(bool text, std::optional<ScreenRect> f) override {
    Say(std::string("touch") + (text ? " text" : "") + (f ? " at " + std::to_string(f->x) : ""));
  }
  void OnInput() override {}
  void OnPageSize(int, int, int, int) override {}
  void OnScrollPosition(int, int) override {}
  bool OnContextMenu() override {
    Say("kiosk menu");
    return true;
  }
  void OnRecoveryDue() override { Say("pages back"); }
  void Say(std::string line) { said.push_back(std::move(line)); }
  bool Asked(const std::string& uri, NavigationKind kind = NavigationKind::Other, bool gesture = false) {
    return controller.OnNavigationAsked({uri, kind, gesture, address});
  }

  FakeFiles files;
  uint64_t now = 100000;
  std::string address = "http://a/";
  std::vector<std::string> said;
  BrowserController controller;
};

// Sequences of engine facts, in the orders the engine delivers them, and what the controller makes
// of them: the latches the local-file fence and the command links depend on, leaving a page whose
// process went silent, and bringing the pages back after the process died.
TEST(BrowserControllerTest, EventSequences) {
  using K = NavigationKind;
  BrowsingRules bar;
  bar.recovery_first_ms = 0;
  bar.waiting_page = false;
  const struct {
    const char* name;
    BrowsingRules rules;
    std::function<void(Rig&)> run;
    std::vector<std::string> said;
  } cases[] = {
      {"the kiosk's load is its own, the next navigation is the page's",
       {},
       [](Rig& r) {
         r.controller.Navigate(" http://b/ ");
         r.Asked("http://b/");
         r.Asked("http://c/");
       },
       {"load http://b/", "asks the kiosk about http://b/ (own)", "asks the kiosk about http://c/"}},
      {"no address: the out-of-service page, asked about nowhere, and only that one",
       {},
       [](Rig& r) {
         r.controller.Navigate("  ");
         EXPECT_TRUE(r.Asked("about:blank"));
         r.Asked("http://c/");
       },
       {"out-of-service page", "asks the kiosk about http://c/"}},
      {"a page's link to a local file is refused before the kiosk hears of it as a page",
       {},
       [](Rig& r) { EXPECT_FALSE(r.Asked("file:///etc/passwd", K::LinkClicked, true)); },
       {"asks the kiosk about file:///etc/passwd (touched) (refused)"}},
      {"the cannot-show page's link is the kiosk's own, until the next page commits",
       {},
       [](Rig& r) {
         EXPECT_FALSE(r.controller.OnLoadFailed(LoadFailure::Cancelled, "http://x/", ""));
         EXPECT_TRUE(r.controller.OnLoadFailed(LoadFailure::Other, "http://x/", "no route"));
         r.controller.OnCommitted();
         r.Asked("http://home/", K::LinkClicked, true);
         r.controller.OnCommitted();
         r.Asked("http://home/", K::LinkClicked, true);
       },
       {"cannot-show page for http://x/", "committed http://a/", "asks the kiosk about http://home/ (own) (touched)",
        "committed http://a/", "asks the kiosk about http://home/ (touched)"}},
      {"a silent process is ended as the kiosk leaves, and its load is redone at once",
       {},
       [](Rig& r) {
         r.controller.OnCommitted();  // it has shown a page: it may be judged
         r.said.clear();
         r.controller.Navigate("http://b/");
         r.now += HangWatch::kLeaveMs;
         r.controller.OnTimer(BrowserTimer::Leave);
         r.controller.OnProcessEnded(ProcessEnd::EndedByKiosk);
         EXPECT_EQ(r.controller.ProcessHangs(), 1);
       },
       {"load http://b/", "ask", "leave timer 250", "end process", "load http://b/"}},
      {"a process that answers in time is kept",
       {},
       [](Rig& r) {
         r.controller.OnCommitted();
         r.said.clear();
         r.controller.GoBack();
         r.controller.OnProcessAnswered();
         r.now += HangWatch::kLeaveMs;
         r.controller.OnTimer(BrowserTimer::Leave);
       },
       {"back", "ask", "leave timer 250"}},
      {"a process still starting is never judged as the kiosk leaves it",
       {},
       [](Rig& r) { r.controller.Navigate("http://b/"); },
       {"load http://b/"}},
      {"a crash: the waiting page, quiet navigations meanwhile, one recovery for two reports",
       {},
       [](Rig& r) {
         r.controller.OnProcessEnded(ProcessEnd::Crashed);
         r.Asked("about:blank");
         r.controller.OnCommitted();
         r.controller.OnProcessEnded(ProcessEnd::Crashed);
         r.controller.OnTimer(BrowserTimer::Recovery);
         r.controller.OnCommitted();
         r.now += 5000;
         r.controller.OnProcessEnded(ProcessEnd::OutOfMemory);
         EXPECT_EQ(r.controller.LastProcessEnd(), "out of memory");
       },
       {"waiting page", "recovery timer 1000", "pages back", "committed http://a/", "waiting page",
        "recovery timer 2000"}},
      {"the bar's page comes back at once, without a waiting page",
       bar,
       [](Rig& r) {
         r.controller.OnProcessEnded(ProcessEnd::Crashed);
         r.controller.OnTimer(BrowserTimer::Recovery);
       },
       {"recovery timer 0", "pages back"}},
      {"a hidden pop-up's first real navigation is the bar's; its blank start is none",
       {},
       [](Rig& r) {
         EXPECT_EQ(r.controller.OnNewWindow("", false), NavigationPolicy::NewWindow::StandIn);
         EXPECT_EQ(r.controller.OnStandInNavigation("about:blank"), BrowserController::StandInStep::NotYet);
         EXPECT_EQ(r.controller.OnStandInNavigation("http://b/"), BrowserController::StandInStep::Let);
         EXPECT_EQ(r.controller.OnNewWindow("http://c/", true), NavigationPolicy::NewWindow::InTheView);
       },
       {"pop-up of the bar http://b/", "pop-up in the view http://c/"}},
      {"the page script's messages, with a touched field put on the screen",
       {},
       [](Rig& r) {
         r.controller.OnPageMessage("touch-text:10,20,30,40", "t0k", 100, 200);
         r.controller.OnPageMessage("close:wrong", "t0k", 0, 0);
         r.controller.OnPageMessage("close:t0k", "t0k", 0, 0);
       },
       {"touch text at 110", "window.close"}},
      {"the network fails: the offline page, tries after a growing wait, the page back with nobody there",
       {},
       [](Rig& r) {
         EXPECT_TRUE(r.controller.OnLoadFailed(LoadFailure::Network, "http://x/", "refused", NetworkProblem::Refused));
         r.controller.OnCommitted();  // the offline page's own
         r.controller.OnTimer(BrowserTimer::NetworkTry);
         r.controller.OnNetworkProbed(NetworkProblem::NameNotFound);
         r.controller.OnCommitted();
         r.now += 3000;
         r.controller.OnNetworkAvailable();
         r.controller.OnNetworkAvailable();  // one probe at a time
         r.controller.OnNetworkProbed(NetworkProblem::NoProblem);
         EXPECT_TRUE(r.controller.Offline().Offline()) << "until the page is shown";
         r.controller.OnCommitted();
         EXPECT_FALSE(r.controller.Offline().Offline());
         EXPECT_EQ(r.controller.Offline().OfflineMs(r.now), 3000u);
         EXPECT_EQ(r.controller.Offline().LastProblem(), NetworkProblem::NameNotFound);
         r.controller.OnTimer(BrowserTimer::NetworkTry);  // a try due after the page came: nothing
       },
       {"offline page for http://x/ (connection refused) next in 5000", "network timer 5000", "committed http://a/",
        "probe http://x/", "offline page for http://x/ (name not found) next in 10000", "network timer 10000",
        "committed http://a/", "probe http://x/", "load http://x/", "committed http://a/"}},
      {"the network is back while a visitor is there: the page stays until they go",
       [] {
         BrowsingRules visited;
         visited.visitor_present = [] { return true; };
         return visited;
       }(),
       [](Rig& r) {
         r.controller.OnLoadFailed(LoadFailure::Network, "https://y/", "bad certificate", NetworkProblem::Tls);
         r.controller.OnTimer(BrowserTimer::NetworkTry);
         r.controller.OnNetworkProbed(NetworkProblem::NoProblem);
       },
       {"offline page for https://y/ (certificate not trusted) next in 5000", "network timer 5000", "probe https://y/",
        "network timer 5000"}},
      {"a menu asked for under the kiosk's site is the kiosk's own",
       [] {
         BrowsingRules site;
         site.kiosk_site = true;
         return site;
       }(),
       [](Rig& r) { EXPECT_EQ(r.controller.OnMenuAsked(), MenuAnswer::Kiosk); },
       {"kiosk menu"}},
  };
  for (const auto& c : cases) {
    Rig rig(c.rules);
    c.run(rig);
    EXPECT_EQ(rig.said, c.said) << c.name;
  }
}

// The offline page's waits, and the camera and microphone for the operator's media sites only.
TEST(BrowserControllerTest, OfflineWaitsAndMediaSites) {
  OfflineWatch watch;
  std::vector<uint64_t> waits;
  for (int i = 0; i < 8; ++i) waits.push_back(watch.OnFailure("http://x/", NetworkProblem::Refused, 1000));
  EXPECT_EQ(waits, (std::vector<uint64_t>{5000, 10000, 20000, 40000, 80000, 160000, 300000, 300000}));
  watch.OnPageShown(4000);
  EXPECT_EQ(watch.OnFailure("http://x/", NetworkProblem::Refused, 10000), 5000u) << "a new time offline";
  EXPECT_EQ(watch.OfflineMs(12000), 5000u);
  EXPECT_EQ(watch.Episodes(), 2);

  BrowsingRules rules;
  rules.media_sites = MediaSites(" https://call.example ; file:///srv/kiosk/id/ ;");
  Rig rig(rules);
  const struct {
    const char* page;
    bool screen, may;
  } asks[] = {
      {"https://call.example/room/7", false, true},     {"https://call.example", false, true},
      {"https://call.example.evil/", false, false},     {"http://call.example/", false, false},
      {"file:///srv/kiosk/id/check.html", false, true}, {"file:///srv/kiosk/id/../other.html", false, false},
      {"https://call.example/room/7", true, false},     {"", false, false},
  };
  for (const auto& a : asks) EXPECT_EQ(rig.controller.MayCapture(a.page, a.screen), a.may) << a.page;
  Rig nobody;
  EXPECT_FALSE(nobody.controller.MayCapture("https://call.example/", false));
}

// A page's dialogs: a few are shown, then answered unseen until the next page commits; leaving a
// page is never asked.
TEST(BrowserControllerTest, DialogsPerPage) {
  Rig rig;
  using D = ScriptDialogKind;
  EXPECT_TRUE(rig.controller.OnScriptDialog(D::BeforeUnload).unseen.has_value());
  EXPECT_TRUE(rig.controller.OnScriptDialog(D::Confirm).question);
  EXPECT_FALSE(rig.controller.OnScriptDialog(D::Alert).question);
  EXPECT_FALSE(rig.controller.OnScriptDialog(D::Alert).unseen.has_value());
  EXPECT_TRUE(rig.controller.OnScriptDialog(D::Alert).unseen.has_value()) << "the fourth in a minute";
  rig.controller.OnCommitted();
  EXPECT_FALSE(rig.controller.OnScriptDialog(D::Alert).unseen.has_value()) << "a new page";
  EXPECT_EQ(PageMemoryLimitMiB(24 * 1024), 1536u);
  EXPECT_EQ(PageMemoryLimitMiB(1024), 512u);
  EXPECT_EQ(PageMemoryLimitMiB(256), 256u);
}

}  // namespace
}  // namespace panelia
