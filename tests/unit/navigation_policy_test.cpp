// The main view's navigation policy: the local-file fence, the own-load latch and the origin told
// to the command-link rule.
#include <gtest/gtest.h>

#include <map>
#include <set>

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
      {"a local page's link beside it", false, K::LinkClicked, "file:///srv/kiosk/i.htm", "file:///srv/kiosk/a.htm", false},
      {"into the program folder", false, K::LinkClicked, "file:///srv/kiosk/i.htm", "file:///opt/panelia/help/h.htm", false},
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
  EXPECT_FALSE(policy.MayOpenPopUp("file:///etc/hosts", "file:///srv/kiosk/i.htm", refusal)) << "a pop-up is a page's";
  EXPECT_TRUE(policy.MayOpenPopUp("file:///srv/kiosk/a.htm", "file:///srv/kiosk/i.htm", refusal));
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
  } origins[] = {{K::LinkClicked, true, true},   {K::LinkClicked, false, false}, {K::FormSubmitted, true, false},
                 {K::Other, true, false},        {K::BackForward, true, false},  {K::Reload, true, false}};
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
