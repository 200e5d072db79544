#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <random>

#include "browse/page_lists.h"
#include "browse/signage.h"
#include "browse/view.h"
#include "config/try_address.h"
#include "common/settings.h"
#include "fakes.h"
#include "common/text.h"
#include "temp_dir.h"

namespace panelia {
namespace {

using test::CallLog;
using Calls = std::vector<std::string>;

TEST(PageListTest, FileFormat) {
  struct Case {
    const char* what;
    std::string text;
    PageList entries;
  } cases[] = {
      {"LF", "a\nb\n", {"a", "b"}},
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"last line without a line end", "a\nb", {"a", "b"}},
      {"empty line ends the list", "a\n\nb\n", {"a"}},
      {"empty CR LF line ends it too", "a\r\n\r\nb\r\n", {"a"}},
      {"blank first line: nothing", "\na\n", {}},
      {"entries exactly as written", " a b \t\n# not a comment\n", {" a b \t", "# not a comment"}},
      {"empty file", "", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParsePageList(c.text), c.entries) << c.what;
  PageList copy = ParsePageList("a\nb");
  PageList moved = std::move(copy);
  PageList copied = moved;
  EXPECT_EQ(copied[1], "b") << "entries survive copies and moves";
}

TEST(PageListTest, LowerAsciiLeavesEveryOtherByteAlone) {
  // UTF-8 lead bytes such as 0xD0 look like capital letters in their low seven bits.
  const std::string text = "MENU/Menu@[`{ZAza\xD0\xA0\xD0\x9C\xC3\x89 展览 GB2312 \xDA\xC1";
  PageList list{text, "A", "@Z["};
  list.LowerAscii();
  EXPECT_EQ(list[0], AsciiLower(text));
  EXPECT_EQ(list[1], "a");
  EXPECT_EQ(list[2], "@z[");
}

TEST(PageListTest, FilesAreDecodedAndReadOnlyUpToTheFirstEmptyLine) {
  test::TempDir dir;
  auto write = [&](const char* name, const std::string& bytes) {
    std::ofstream(dir.path() / name, std::ios::binary) << bytes;
    return (dir.path() / name).string();
  };
  EXPECT_EQ(ReadPageListFile(write("utf8", "展览\n")), (PageList{"展览"}));
  EXPECT_EQ(ReadPageListFile(write("bom", "\xEF\xBB\xBF展览\r\nb\r\n")), (PageList{"展览", "b"}));
  EXPECT_EQ(ReadPageListFile(write("gb18030", "\xD5\xB9\xC0\xC0\n")), (PageList{"展览"}));
  // Whatever follows the list may be huge or binary: it is never read.
  std::string tail(4 << 20, '\0');
  EXPECT_EQ(ReadPageListFile(write("huge", "a\n\n" + tail)), (PageList{"a"}));
  EXPECT_EQ(ReadPageListFile(write("empty", "")), (PageList{}));
  EXPECT_FALSE(ReadPageListFile((dir.path() / "missing").string()));
  EXPECT_FALSE(ReadPageListFile(dir.path().string())) << "a directory is no list";
  EXPECT_FALSE(ReadPageListFile(write("utf16", std::string("\xFF\xFE"
                                                           "a\0\n\0",
                                                           6))))
      << "UTF-16 is no list here";
  EXPECT_FALSE(ReadPageListFile(write("nul", std::string("a\0b\n", 4)))) << "nor are NUL bytes";
  // A blank line that falls on the boundary between two reads still ends the list.
  std::string first(65535, 'a');
  EXPECT_EQ(ReadPageListFile(write("split", first + "\n\r\nb\n"))->size(), 1u);
  EXPECT_EQ(ReadPageListFile(write("split2", first.substr(1) + "\n\r\nb\n"))->size(), 1u);
  // A huge list with long lines is read whole, without a limit of its own.
  std::string long_line(1 << 20, 'x');
  std::string huge;
  for (int i = 0; i < 8; ++i) huge += long_line + "\n";
  auto read = ReadPageListFile(write("long", huge));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->size(), 8u);
  EXPECT_EQ((*read)[7].size(), size_t{1} << 20);
}

class PageListsTest : public ::testing::Test {
 protected:
  PageListsTest() : files_(log_), lists_(files_) {}
  CallLog log_;
  test::FakeLists files_;
  CPageLists lists_;
};

TEST_F(PageListsTest, AddressLimit) {
  struct Case {
    const char* what;
    std::optional<PageList> limit;  // nullopt: the file is missing
    int32_t is_limit, forbit_method;
    const char* address;
    bool blocked;
  } cases[] = {
      {"off: never read", PageList{"games"}, 0, 0, "http://games/", false},
      {"forbid list: substring anywhere", PageList{"games"}, 1, 0, "http://minigames.example/", true},
      {"forbid list: capital letters never match", PageList{"Games"}, 1, 0, "http://games/", false},
      {"forbid list: other addresses pass", PageList{"games"}, 1, 2, "http://news/", false},
      {"forbid list missing: everything passes", std::nullopt, 1, 0, "http://games/", false},
      {"allow list: listed passes", PageList{"kiosk.local"}, 1, 1, "http://kiosk.local/a", false},
      {"allow list: unlisted blocked", PageList{"kiosk.local"}, 1, 1, "http://other/", true},
      {"allow list empty: even home blocked", PageList{}, 1, 1, "file:///srv/index.html", true},
      {"allow list missing: everything blocked", std::nullopt, 1, 1, "file:///srv/index.html", true},
      {"escaped UTF-8 matches the written folder", PageList{"file:///srv/展览/"}, 1, 1,
       "file:///srv/%e5%b1%95%e8%a7%88/a.html", false},
      {"entry slash dropped", PageList{"http://site/news/"}, 1, 0, "http://site/news", true},
  };
  for (const auto& c : cases) {
    files_.files.clear();
    if (c.limit) files_.files["limit.dat"] = *c.limit;
    log_.Clear();
    EXPECT_EQ(lists_.IsAddressBlocked(c.address, c.is_limit, c.forbit_method), c.blocked) << c.what;
    if (c.is_limit == 0) {
      EXPECT_TRUE(log_.Calls().empty()) << c.what;
    } else if (!c.limit) {
      EXPECT_EQ(log_.Calls().back(), "list-error 文件打开错误，无法读取限制访问网站列表") << c.what;
    }
  }
}

TEST_F(PageListsTest, ShowAndStopListsCompareDifferently) {
  files_.files["Show.dat"] = {"MENU"};
  EXPECT_TRUE(lists_.MatchesShowList("file:///srv/menu/a.html")) << "both sides lower-cased";
  EXPECT_FALSE(lists_.MatchesShowList("file:///srv/news/a.html"));
  files_.files["stop.dat"] = {"file:///srv/quiet.html/", "file:///srv/site"};
  EXPECT_TRUE(lists_.MatchesStopList("file:///srv/quiet.html")) << "a slash added at the end still matches";
  EXPECT_FALSE(lists_.MatchesStopList("file:///srv/site/page.html")) << "exact, not a prefix";
  files_.files["stop.dat"] = {"File:///srv/quiet.html"};
  EXPECT_FALSE(lists_.MatchesStopList("file:///srv/quiet.html")) << "capital letters never match";
  // The address loses one final "/" per question, whatever the entries before: the answer does not
  // depend on the order of the list.
  files_.files["stop.dat"] = {"x", "y", "http://a"};
  EXPECT_FALSE(lists_.MatchesStopList("http://a//"));
  EXPECT_TRUE(lists_.MatchesStopList("http://a/"));
  files_.files.clear();
  log_.Clear();
  EXPECT_FALSE(lists_.MatchesShowList("x"));
  EXPECT_FALSE(lists_.MatchesStopList("x"));
  EXPECT_EQ(log_.Calls(), (Calls{"read Show.dat", "list-error 文件打开错误，无法读取显示导航条页面列表",
                                 "read stop.dat", "list-error 文件打开错误，无法读取停止音乐播放页面列表"}));
}

TEST_F(PageListsTest, MissingListIsReportedOnceUntilItHasBeenReadableAgain) {
  for (int i = 0; i < 3; ++i) lists_.MatchesShowList("x");
  files_.files["Show.dat"] = {"y"};
  lists_.MatchesShowList("x");
  files_.files.clear();
  lists_.MatchesShowList("x");
  lists_.MatchesShowList("x");
  int errors = 0;
  for (const auto& call : log_.Calls()) errors += call.rfind("list-error", 0) == 0;
  EXPECT_EQ(errors, 2) << "at the first miss, and after the file came and went";
  EXPECT_EQ(std::count(log_.Calls().begin(), log_.Calls().end(), "read Show.dat"), 6) << "read afresh every time";
}

// The idle return and the loop presentation, driven tick by tick.
// The index answers exactly as a walk over every entry would: "does any entry (without its one
// final "/") occur in the address".
// A monitor's own loop: each page for its seconds, the list read afresh at every step, refused pages
// and an emptied list.
TEST(SignageTest, PagesInTurnForTheirSecondsFromTheListAsItIsNow) {
  CallLog log;
  test::FakeTimers timers(log);
  test::FakeBrowser browser(log);
  std::optional<PageList> list = ParsePageList("http://a/ 12\n  http://b/x y.html\nhttp://c/\t2\n");
  CSignage signage(
      1, timers, [&] { return list; },
      [](const std::string& lower) { return lower.find("evil") != std::string::npos; });
  EXPECT_EQ(SignageListName(1), "Signage1.dat");
  signage.Start(browser);
  signage.OnTimer(CSignage::kNextTimer);
  signage.OnTimer(CSignage::kNextTimer);
  signage.OnTimer(CSignage::kNextTimer);
  EXPECT_EQ(log.Calls(),
            (std::vector<std::string>{"navigate http://a/", "set-timer 1 12000", "navigate http://b/x y.html",
                                      "set-timer 1 30000", "navigate http://c/", "set-timer 1 5000",
                                      "navigate http://a/", "set-timer 1 12000"}));
  EXPECT_EQ(signage.Showing(), "http://a/");
  bool cancel = false;
  signage.OnBeforeNavigate("http://EVIL/", cancel, {});
  EXPECT_TRUE(cancel) << "the kiosk's address lists hold here too";
  EXPECT_EQ(signage.Showing(), "");
  log.Clear();
  list = std::nullopt;  // the file is gone: black, and looked at again later
  signage.OnTimer(CSignage::kNextTimer);
  signage.OnRecoveryDue();
  EXPECT_EQ(log.Calls(), (std::vector<std::string>{"navigate about:blank", "set-timer 1 30000"}));
}

TEST(EntryIndexTest, AnswersAsAWalkOverEveryEntry) {
  const struct {
    PageList entries;
    const char* address;
    bool lower;
    bool found;
  } cases[] = {
      {{"games"}, "http://x/games/a", false, true},
      {{"GAMES"}, "http://x/games/a", false, false},  // as written
      {{"GAMES"}, "http://x/games/a", true, true},
      {{"/"}, "http://x/", false, true},      // "" after the final "/": in every address
      {{"ab"}, "http://x/cab", false, true},  // shorter than an index key
      {{"http://x/a/"}, "http://x/a", false, true},
      {{"http://x/abc/def/"}, "http://x/abc", false, false},  // longer than the address
      {{"aaab"}, "aaaab", false, true},                       // overlapping starts
      {{"xxxx", "zzzz"}, "http://x/", false, false},
      {{}, "http://x/", false, false},
  };
  for (const auto& c : cases) EXPECT_EQ(EntryIndex(c.entries, c.lower).AnyIn(c.address), c.found) << c.address;
  // Many entries against many addresses, against the plain rule.
  std::mt19937 random(7);
  auto word = [&](size_t n) {
    std::string w;
    for (size_t i = 0; i < n; ++i) w += "ab/c"[random() % 4];
    return w;
  };
  std::vector<std::string> entries;
  for (int i = 0; i < 300; ++i) entries.push_back(word(1 + random() % 8));
  PageList list = ParsePageList([&] {
    std::string text;
    for (const auto& e : entries) text += e + "\n";
    return text;
  }());
  EntryIndex index(list, false);
  for (int i = 0; i < 300; ++i) {
    std::string address = word(random() % 12);
    bool plain = false;
    for (std::string_view e : list) {
      if (!e.empty() && e.back() == '/') e.remove_suffix(1);
      plain = plain || address.find(e) != std::string::npos;
    }
    EXPECT_EQ(index.AnyIn(address), plain) << address;
  }
}

// A list file is parsed again only when it changed: another file in its place, another size or change
// time, or one written so lately that a second write in the same clock tick could go unseen.
TEST(CachedListsTest, AListIsReadAgainOnlyWhenItsFileChanged) {
  struct StampedLists : PageListSource {
    std::optional<PageList> Read(std::string_view) override {
      ++reads;
      return exists ? std::optional<PageList>(list) : std::nullopt;
    }
    std::optional<FileStamp> Stamp(std::string_view) override {
      return exists ? std::optional<FileStamp>(stamp) : std::nullopt;
    }
    void ShowListError(const std::string&) override { ++errors; }
    PageList list{"blocked"};
    FileStamp stamp{1, 10, 8, 1'000'000'000, 1'000'000'000, 100'000'000'000};
    bool exists = true;
    int reads = 0, errors = 0;
  } files;
  CPageLists lists(files);
  auto blocked = [&] { return lists.IsAddressBlocked("http://blocked/", 1, 0); };
  const struct {
    const char* what;
    std::function<void()> change;
    bool reads;
    bool blocked;
  } steps[] = {
      {"first question", [] {}, true, true},
      {"unchanged", [] {}, false, true},
      {"unchanged again", [] {}, false, true},
      {"another size",
       [&] {
         files.stamp.size = 9;
         files.list = {"other"};
       },
       true, false},
      {"a file put in its place",
       [&] {
         files.stamp.inode = 11;
         files.list = {"blocked"};
       },
       true, true},
      {"written again, same size and time, its change time tells",
       [&] {
         files.stamp.changed_ns += 1;
         files.list = {"other"};
       },
       true, false},
      {"written a moment ago",
       [&] {
         files.stamp.modified_ns = files.stamp.changed_ns = files.stamp.seen_ns - 500'000'000;
         files.list = {"blocked"};
       },
       true, true},
      {"still unsettled: read again", [] {}, true, true},
      {"settled now", [&] { files.stamp.seen_ns += 3'000'000'000; }, true, true},
      {"and kept", [&] { files.stamp.seen_ns += 1'000'000'000; }, false, true},
      {"gone", [&] { files.exists = false; }, true, false},
      {"back", [&] { files.exists = true; }, true, true},
  };
  for (const auto& s : steps) {
    s.change();
    int before = files.reads;
    EXPECT_EQ(blocked(), s.blocked) << s.what;
    EXPECT_EQ(files.reads > before, s.reads) << s.what;
  }
  EXPECT_EQ(files.errors, 1) << "the missing list is told once";
}

// On real files: an edit counts at the next question, however soon it comes.
TEST(CachedListsTest, AnEditCountsAtTheNextQuestion) {
  test::TempDir dir;
  DirectoryLists files(dir.path().string());
  CPageLists lists(files);
  std::string path = (dir.path() / "Show.dat").string();
  for (const char* entry : {"/menu/", "/help/", "/menu/", "/maps/"}) {
    std::ofstream(path, std::ios::trunc) << entry << "\n";  // same size every time
    EXPECT_TRUE(lists.MatchesShowList(std::string("http://kiosk") + entry + "a.html")) << entry;
    EXPECT_FALSE(lists.MatchesShowList("http://kiosk/none/a.html")) << entry;
  }
}

class IdleTest : public ::testing::Test {
 protected:
  IdleTest() : browser_(log_), timers_(log_), host_(log_), page_(log_), files_(log_), lists_(files_) {
    Set(Section::General, "SoftHomeUrl", RegValue::Text("file:///home.html"));
    // The return itself; the notice before it is the view test's.
    Set(Section::Advance, "WarnTime", RegValue::Dword(0));
  }
  void Set(Section section, std::string_view name, RegValue value) {
    store_.Put(Hive::LocalMachine, SectionPath(section), name, std::move(value));
  }
  CPaneliaView& View() {
    if (!view_) view_ = std::make_unique<CPaneliaView>(store_, browser_, timers_, host_, partners_, page_, lists_);
    return *view_;
  }
  // Ticks until something navigates; the number of ticks it took.
  int TicksUntilNavigation(int limit) {
    for (int tick = 1; tick <= limit; ++tick) {
      log_.Clear();
      View().OnTimer(CPaneliaView::kIdleTimer);
      for (const auto& call : log_.Calls())
        if (call.rfind("navigate", 0) == 0) return tick;
    }
    return 0;
  }
  CallLog log_;
  test::MemoryRegistry store_;
  test::FakeBrowser browser_;
  test::FakeTimers timers_;
  test::RecordingHost host_;
  test::NullPartners partners_;
  test::RecordingPage page_;
  test::FakeLists files_;
  CPageLists lists_;
  std::unique_ptr<CPaneliaView> view_;
};

// A visitor counts as there, for what must not change under them, within the idle wait only.
TEST(VisitorStillThereTest, WithinTheIdleWaitAMinuteAtLeast) {
  const struct {
    int64_t since;
    uint32_t wait;
    bool there;
  } cases[] = {{-1, 3, false}, {0, 3, true}, {179, 3, true}, {180, 3, false}, {59, 0, true}, {60, 0, false}};
  for (const auto& c : cases) EXPECT_EQ(VisitorStillThere(c.since, c.wait), c.there) << c.since << " s, " << c.wait;
}

TEST_F(IdleTest, HomeReturnsOnceAfterTwelveTicksAMinute) {
  Set(Section::Advance, "IsAutoHome", RegValue::Dword(1));
  Set(Section::Advance, "WaitTime", RegValue::Dword(3));
  EXPECT_EQ(TicksUntilNavigation(100), 36);
  EXPECT_EQ(TicksUntilNavigation(100), 0) << "once per idle period";
  host_.cursor = {5, 5};  // a touch elsewhere starts a new period
  EXPECT_EQ(TicksUntilNavigation(100), 37);
  host_.input = true;  // a touch on the same point counts too
  EXPECT_EQ(TicksUntilNavigation(100), 37);
}

TEST_F(IdleTest, ZeroTimesNeverFire) {
  Set(Section::Advance, "IsAutoHome", RegValue::Dword(1));
  EXPECT_EQ(TicksUntilNavigation(500), 0);
  Set(Section::Advance, "WaitTime", RegValue::Dword(0xFFFFFFFF));  // the product wraps: far away, no crash
  view_.reset();
  EXPECT_EQ(TicksUntilNavigation(500), 0);
  Set(Section::Loop, "IsLoop", RegValue::Dword(1));
  view_.reset();
  EXPECT_EQ(TicksUntilNavigation(500), 0);
}

TEST_F(IdleTest, SequentialLoopTakesPrecedenceAndWrapsWhenTheListShrinks) {
  Set(Section::Advance, "IsAutoHome", RegValue::Dword(1));
  Set(Section::Advance, "WaitTime", RegValue::Dword(1));
  Set(Section::Loop, "IsLoop", RegValue::Dword(1));
  Set(Section::Loop, "IntervalTime", RegValue::Dword(3));
  files_.files["Loop.dat"] = {"file:///1", "file:///2", "file:///3"};
  Calls shown;
  for (int step = 0; step < 4; ++step) {
    EXPECT_EQ(TicksUntilNavigation(100), 6);
    shown.emplace_back();
    for (const auto& call : log_.Calls())
      if (call.rfind("navigate", 0) == 0) shown.back() = call;
  }
  EXPECT_EQ(shown, (Calls{"navigate file:///1", "navigate file:///2", "navigate file:///3", "navigate file:///1"}));
  EXPECT_EQ(TicksUntilNavigation(6), 6);  // position 1 now: file:///2
  files_.files["Loop.dat"] = {"file:///1"};
  TicksUntilNavigation(6);
  EXPECT_EQ(log_.Calls().back(), "navigate file:///1") << "a position past the end restarts at the first entry";
}

TEST_F(IdleTest, LoopWithoutUsableListOpensTheHomeAddressSilently) {
  Set(Section::Loop, "IsLoop", RegValue::Dword(1));
  Set(Section::Loop, "IntervalTime", RegValue::Dword(1));
  Set(Section::General, "IsPaneliaHome", RegValue::Dword(1));  // still SoftHomeUrl
  struct Case {
    const char* what;
    std::optional<PageList> list;
    uint32_t mode;
  } cases[] = {
      {"missing", std::nullopt, 0},
      {"empty", PageList{}, 0},
      {"unknown mode", PageList{"file:///1"}, 7},
  };
  for (const auto& c : cases) {
    files_.files.clear();
    if (c.list) files_.files["Loop.dat"] = *c.list;
    Set(Section::Loop, "LoopMode", RegValue::Dword(c.mode));
    view_.reset();
    EXPECT_EQ(TicksUntilNavigation(10), 2) << c.what;
    EXPECT_EQ(log_.Calls().back(), "navigate file:///home.html") << c.what;
    for (const auto& call : log_.Calls()) EXPECT_EQ(call.find("list-error"), std::string::npos) << c.what;
  }
}

// Who starts clean: the idle return always, a loop step only when a visitor was there since the
// last step, and nothing while IsClearSession is 0. The page opens only once the traces are gone.
TEST_F(IdleTest, NextVisitorStartsClean) {
  struct Case {
    const char* what;
    uint32_t loop, clear;
    Calls first, after_visitor;
  } cases[] = {
      {"idle return wipes, then goes home",
       0,
       1,
       {"new-visitor", "forget-visitor", "navigate file:///home.html"},
       {"new-visitor", "forget-visitor", "navigate file:///home.html"}},
      {"idle return without IsClearSession: the page's scale only",
       0,
       0,
       {"new-visitor", "reset-scale", "navigate file:///home.html"},
       {"new-visitor", "reset-scale", "navigate file:///home.html"}},
      {"loop: only the step after a visitor wipes",
       1,
       1,
       {"navigate file:///1"},
       {"new-visitor", "forget-visitor", "navigate file:///1"}},
      {"loop without IsClearSession",
       1,
       0,
       {"navigate file:///1"},
       {"new-visitor", "reset-scale", "navigate file:///1"}},
  };
  files_.files["Loop.dat"] = {"file:///1"};
  Set(Section::Advance, "IsAutoHome", RegValue::Dword(1));
  Set(Section::Advance, "WaitTime", RegValue::Dword(1));
  Set(Section::Loop, "IntervalTime", RegValue::Dword(1));
  for (const auto& c : cases) {
    Set(Section::Loop, "IsLoop", RegValue::Dword(c.loop));
    Set(Section::Advance, "IsClearSession", RegValue::Dword(c.clear));
    view_.reset();
    host_.cursor = {0, 0};
    ASSERT_GT(TicksUntilNavigation(20), 0) << c.what;
    Calls first;
    for (const auto& call : log_.Calls())
      if (call != "read Loop.dat") first.push_back(call);
    EXPECT_EQ(first, c.first) << c.what;
    host_.cursor = {9, 9};  // a visitor
    ASSERT_GT(TicksUntilNavigation(20), 0) << c.what;
    Calls after;
    for (const auto& call : log_.Calls())
      if (call != "read Loop.dat") after.push_back(call);
    EXPECT_EQ(after, c.after_visitor) << c.what;
  }
  // The page waits for the wipe to finish.
  Set(Section::Loop, "IsLoop", RegValue::Dword(0));
  Set(Section::Advance, "IsClearSession", RegValue::Dword(1));
  view_.reset();
  page_.hold = true;
  EXPECT_EQ(TicksUntilNavigation(13), 0);
  EXPECT_EQ(log_.Calls(), (Calls{"new-visitor", "forget-visitor"}));
  log_.Clear();
  page_.pending();
  EXPECT_EQ(log_.Calls(), (Calls{"navigate file:///home.html"}));
}

TEST_F(IdleTest, RandomLoopPicksByTheGivenNumber) {
  Set(Section::Loop, "LoopMode", RegValue::Dword(1));
  files_.files["Loop.dat"] = {"a", "b", "c"};
  EXPECT_EQ(View().NextLoopPage([] { return 7u; }), "b");
  EXPECT_EQ(View().LoopPosition(), 1);
}

}  // namespace
}  // namespace panelia
