#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>

#include "fakes.h"
#include "keyboard/key_table.h"
#include "keyboard/keyboard.h"

namespace panelia {
namespace {

using test::CallLog;
using Calls = std::vector<std::string>;

TEST(KeyTable, EveryKeyOnceWithItsActionAndPicture) {
  std::set<int> ids;
  std::set<int> pictures;
  for (const auto& key : kKeyTable) {
    EXPECT_TRUE(ids.insert(key.id).second) << key.id;
    EXPECT_TRUE(pictures.insert(key.picture).second) << "picture " << key.picture << " of " << key.id;
    // Every picture fits its key, centred.
    PictureSize size = PictureSizeOf(key.picture);
    EXPECT_LE(size.w, key.rect.w * 3 / 2) << key.id;
    EXPECT_LE(size.h, key.rect.h * 3 / 2) << key.id;
    EXPECT_LE(key.rect.x + key.rect.w, kDialogWidth) << key.id;
    EXPECT_LE(key.rect.y + key.rect.h, kDialogHeight) << key.id;
    if (key.action == KeyAction::Letter) {
      EXPECT_TRUE(key.character >= 'a' && key.character <= 'z') << key.id;
    }
  }
  EXPECT_EQ(ids.size(), 62u);
  EXPECT_EQ(*ids.begin(), 1001);
  EXPECT_EQ(*ids.rbegin(), 1065);
  EXPECT_EQ(AllPictures().size(), 65u) << "62 keys, two lit pictures, the movable-window picture";
  const struct {
    int picture;
    PictureSize size;
  } sizes[] = {{143, {58, 58}},  {190, {88, 58}},  {212, {88, 58}}, {195, {101, 58}},
               {209, {101, 58}}, {196, {300, 58}}, {213, {69, 25}}, {208, {28, 28}}};
  for (const auto& s : sizes) {
    EXPECT_EQ(PictureSizeOf(s.picture).w, s.size.w) << s.picture;
    EXPECT_EQ(PictureSizeOf(s.picture).h, s.size.h) << s.picture;
  }
}

// Keys by name, the server's key state, and every event in one log.
class FakeKeys : public KeyInjector, public KeyboardView, public KeyboardDesktop {
 public:
  explicit FakeKeys(CallLog& log) : log_(log) {}
  std::set<std::string> held;  // keys down now
  bool caps = false;
  std::optional<WindowHandle> active;
  std::set<WindowHandle> gone;
  std::map<int, int> pictures;
  std::string label = "美国英语";

  std::optional<KeyCode> KeyForChar(char c) override {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '\t') return Code("Tab");
    if (c == '\r') return Code("Return");
    return Code(std::string(1, c));
  }
  std::optional<KeyCode> KeyFor(SpecialKey key) override {
    switch (key) {
      case SpecialKey::Shift: return Code("Shift");
      case SpecialKey::Control: return Code("Ctrl");
      case SpecialKey::CapsLock: return Code("Caps");
      case SpecialKey::BackSpace: return Code("BackSpace");
    }
    return std::nullopt;
  }
  void Send(KeyCode key, bool down) override {
    const std::string& name = names_[key];
    log_.Add(name + (down ? " down" : " up"));
    if (down)
      held.insert(name);
    else
      held.erase(name);
    if (name == "Caps" && down) caps = !caps;
  }
  bool IsDown(KeyCode key) override { return held.count(names_[key]) != 0; }
  bool CapsLockOn() override { return caps; }
  void SetPicture(int id, int picture) override { pictures[id] = picture; }
  void SetLanguageLabel(const std::string& text) override { label = text; }
  void AnnounceLayout(int32_t position) override { log_.Add("announce " + std::to_string(position)); }
  void PostLayout(int32_t position) override { log_.Add("post " + std::to_string(position)); }
  std::optional<WindowHandle> ActiveWindow() override { return active; }
  bool Exists(WindowHandle w) override { return !gone.count(w); }
  void Activate(WindowHandle w) override {
    log_.Add("activate " + std::to_string(w));
    active = w;
  }

 private:
  KeyCode Code(const std::string& name) {
    for (auto& [code, n] : names_)
      if (n == name) return code;
    KeyCode code = static_cast<KeyCode>(names_.size() + 8);
    names_[code] = name;
    return code;
  }
  CallLog& log_;
  std::map<KeyCode, std::string> names_;
};

KeyboardLayoutList ThreeLayouts() {
  return {{"xkb:us::eng", "English (US)", 0}, {"libpinyin", "Chinese - Intelligent Pinyin", 0}, {"de", "German", 1}};
}

struct Board {
  CallLog log;
  FakeKeys fake{log};
  CKeyboardDlg dlg{fake, fake, fake, ThreeLayouts()};
  explicit Board(bool caps = false, bool latch = false) {
    fake.caps = caps;
    dlg.OnInitDialog(99);
    if (latch) dlg.OnKey(1053);
    log.Clear();
  }
  Calls Touch(std::initializer_list<int> ids) {
    log.Clear();
    for (int id : ids) dlg.OnKey(id);
    return log.Calls();
  }
};

// Every key has a name a reader can say, and no two keys the same (a visitor who cannot see tells
// them apart by it).
TEST(KeyTable, EveryKeyHasItsOwnSpokenName) {
  std::set<std::string> names;
  for (const auto& key : kKeyTable) {
    std::string name = SpokenName(key);
    EXPECT_FALSE(TrimSpaces(name).empty()) << key.id;
    names.insert(name);
  }
  EXPECT_EQ(names.size(), kKeyTable.size());
  const struct {
    std::string_view legend, spoken;
  } cases[] = {
      {"←", "退格 Backspace"}, {" ", "空格 Space"}, {"Q", "Q"}, {"1 !", "1 !"}, {"Chinese input", "中文输入法"}};
  for (const auto& c : cases) {
    auto key = std::find_if(kKeyTable.begin(), kKeyTable.end(), [&](const KeyDef& k) { return k.legend == c.legend; });
    ASSERT_NE(key, kKeyTable.end()) << c.legend;
    EXPECT_EQ(SpokenName(*key), c.spoken);
  }
}

TEST(KeyStrokes, ActionKindsAsEvents) {
  const struct {
    const char* what;
    bool caps, latch;
    std::initializer_list<int> keys;
    Calls events;
  } cases[] = {
      {"1", false, false, {1001}, {"1 down", "1 up"}},
      {"1 with the latch", false, true, {1001}, {"Shift down", "1 down", "1 up", "Shift up", "Shift up"}},
      {"a", false, false, {1026}, {"a down", "a up"}},
      {"A with Caps (the lock makes it upper case)", true, false, {1026}, {"a down", "a up"}},
      {"A with the latch", false, true, {1026}, {"Shift down", "a down", "a up", "Shift up", "Shift up"}},
      {"latch and Caps: Shift over Caps Lock",
       true,
       true,
       {1026},
       {"Shift down", "a down", "a up", "Shift up", "Shift up"}},
      {"@ whatever the latch", false, false, {1052}, {"Shift down", "2 down", "2 up", "Shift up", "Shift up"}},
      {"@ with the latch", false, true, {1052}, {"Shift down", "2 down", "2 up", "Shift up", "Shift up"}},
      {"bottom-row - never _", false, true, {1054}, {"- down", "- up"}},
      {"bottom-row = never +", false, true, {1057}, {"= down", "= up"}},
      {"? with the latch sends its second character",
       false,
       true,
       {1050},
       {"Shift down", "? down", "? up", "Shift up", "Shift up"}},
      {"space", false, false, {1056}, {"  down", "  up"}},
      {"Tab, Backspace, Enter",
       false,
       false,
       {1028, 1029, 1055},
       {"Tab down", "Tab up", "BackSpace down", "BackSpace up", "Return down", "Return up"}},
      {"Http://", false, false, {1063}, {"h down", "h up",       "t down", "t up",   "t down",   "t up",     "p down",
                                         "p up",   "Shift down", "; down", "; up",   "Shift up", "Shift up", "/ down",
                                         "/ up",   "/ down",     "/ up",   "w down", "w up",     "w down",   "w up",
                                         "w down", "w up",       ". down", ". up"}},
      {"Shift sends nothing", false, false, {1053}, {}},
      {"the latch stays on",
       false,
       true,
       {1001, 1002},
       {"Shift down", "1 down", "1 up", "Shift up", "Shift up", "Shift down", "2 down", "2 up", "Shift up",
        "Shift up"}},
  };
  for (const auto& c : cases) {
    Board board(c.caps, c.latch);
    EXPECT_EQ(board.Touch(c.keys), c.events) << c.what;
  }
}

TEST(KeyStrokes, AShiftOrCtrlHeldOnAPhysicalKeyboardIsReleasedAfterACharacter) {
  Board board;
  board.fake.held = {"Shift", "Ctrl"};
  board.fake.KeyFor(SpecialKey::Shift);
  board.fake.KeyFor(SpecialKey::Control);
  EXPECT_EQ(board.Touch({1001}), (Calls{"1 down", "1 up", "Shift up", "Ctrl up"}));
  board.fake.held = {"Shift"};
  EXPECT_EQ(board.Touch({1028}), (Calls{"Tab down", "Tab up"})) << "not after a control code";
}

TEST(KeyStrokes, CapsAndShiftPictures) {
  Board off(false);
  EXPECT_EQ(off.fake.pictures[1030], 210);
  EXPECT_EQ(off.fake.pictures[1053], 212);
  Board on(true);
  EXPECT_EQ(on.fake.pictures[1030], 209) << "lit at once when Caps Lock is on at start";
  EXPECT_TRUE(on.dlg.CapsOn());
  EXPECT_EQ(off.Touch({1030}), (Calls{"Caps down", "Caps up"}));
  EXPECT_EQ(off.fake.pictures[1030], 209);
  off.Touch({1053});
  EXPECT_EQ(off.fake.pictures[1053], 211);
  off.Touch({1053});
  EXPECT_EQ(off.fake.pictures[1053], 212);
  EXPECT_EQ(off.fake.pictures.size(), 62u);
}

TEST(KeyStrokes, CapsLockTheKeyboardTurnedOnGoesOffWithIt) {
  const struct {
    const char* what;
    bool caps_at_start;
    int caps_touches;
    bool caps_after;
  } cases[] = {
      {"turned on here", false, 1, false},
      {"on before, left on", true, 0, true},
      {"turned off and on again here: was on before", true, 2, true},
      {"off, on, off", false, 2, false},
  };
  for (const auto& c : cases) {
    Board board(c.caps_at_start);
    for (int i = 0; i < c.caps_touches; ++i) board.dlg.OnKey(1030);
    board.dlg.OnDestroy();
    EXPECT_EQ(board.fake.caps, c.caps_after) << c.what;
    EXPECT_TRUE(board.fake.held.empty()) << c.what;
  }
}

TEST(Layouts, CyclingAndAnnouncing) {
  const struct {
    const char* what;
    std::initializer_list<int> keys;
    Calls announced;
    std::string label;
  } cases[] = {
      {"four touches of the Chinese key",
       {1065, 1065, 1065, 1065},
       {"announce 0", "announce 1", "announce 2", "announce 0"},
       "English (US)"},
      {"the first touch announces 0", {1065}, {"announce 0"}, "English (US)"},
      {"English then Chinese: 0 twice", {1064, 1065}, {"announce 0", "announce 0"}, "English (US)"},
      {"back to the first",
       {1065, 1065, 1064, 1065},
       {"announce 0", "announce 1", "announce 0", "announce 0"},
       "English (US)"},
      {"the label names what was sent", {1065, 1065}, {"announce 0", "announce 1"}, "Chinese - Intelligent Pinyin"},
  };
  for (const auto& c : cases) {
    Board board;
    EXPECT_EQ(board.fake.label, "美国英语");
    EXPECT_EQ(board.Touch(c.keys), c.announced) << c.what;
    EXPECT_EQ(board.fake.label, c.label) << c.what;
  }
  Board closing;
  closing.Touch({1065, 1065});
  closing.log.Clear();
  closing.dlg.OnDestroy();
  EXPECT_EQ(closing.log.Calls(), Calls{"post 0"})
      << "closing puts Panelia back on the first layout without waiting for a Panelia that may be closing too";

  CallLog log;
  FakeKeys fake(log);
  CKeyboardDlg empty(fake, fake, fake, {});
  empty.OnInitDialog(99);
  empty.OnKey(1065);
  empty.OnKey(1064);
  empty.OnDestroy();
  EXPECT_TRUE(log.Calls().empty()) << "no layout: nothing named, nothing sent";
  EXPECT_EQ(fake.label, "美国英语");
}

TEST(Target, FollowsTheActiveWindowButNeverTheKeyboard) {
  Board board;
  board.dlg.TrackTarget();
  EXPECT_FALSE(board.dlg.Target());
  board.fake.active = 5;
  board.dlg.TrackTarget();
  board.fake.active = 99;  // the keyboard itself
  board.dlg.TrackTarget();
  EXPECT_EQ(board.dlg.Target(), std::optional<WindowHandle>(5));
  board.dlg.RestoreTarget();
  EXPECT_EQ(board.log.Calls(), Calls{"activate 5"});
  board.log.Clear();
  board.dlg.RestoreTarget();
  EXPECT_TRUE(board.log.Calls().empty()) << "already active";
  board.fake.active = 7;
  board.fake.gone = {5};
  board.dlg.RestoreTarget();
  EXPECT_TRUE(board.log.Calls().empty()) << "a target that is gone is not restored";
  board.dlg.TrackTarget();
  EXPECT_EQ(board.dlg.Target(), std::optional<WindowHandle>(7));
}

TEST(Placement, Arithmetic) {
  const struct {
    const char* what;
    int monitor_w, monitor_h, w, h;
    int32_t x_pos, y_pos;
    int x, y;
  } cases[] = {
      {"1024 x 768, no values", 1024, 768, 826, 373, 0, 0, 173, 313},
      {"both values", 1024, 768, 826, 373, 100, 50, 98, 345},
      {"one value 0: both defaults", 1024, 768, 826, 373, 100, 0, 173, 313},
      {"negative: kept on the monitor", 1024, 768, 826, 373, -500, -500, 198, 395},
      {"larger than the screen", 1024, 768, 826, 373, 5000, 5000, 0, 0},
      {"near 2^31", 1024, 768, 826, 373, 2147483647, -2147483647, 0, 395},
      {"a monitor smaller than the keyboard", 640, 300, 826, 373, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    ScreenPoint p = PlaceKeyboard(c.monitor_w, c.monitor_h, c.w, c.h, c.x_pos, c.y_pos);
    EXPECT_EQ(p.x, c.x) << c.what;
    EXPECT_EQ(p.y, c.y) << c.what;
  }
}

}  // namespace
}  // namespace panelia

namespace panelia {
namespace {

TEST(Placement, SmallScreensGetTheWholeKeyboardSmaller) {
  const struct {
    const char* what;
    int monitor_w, monitor_h;
    double scale;
  } cases[] = {
      {"1024 x 768: its own size", 1024, 768, 1.0},
      {"exactly as wide", 815, 768, 1.0},
      {"800 x 600: narrower", 800, 600, 800.0 / 815},
      {"640 x 480: narrower still", 640, 480, 640.0 / 815},
      {"wide but low: the height decides", 1920, 300, 300.0 / 358},
      {"a 4K screen: never larger", 3840, 2160, 1.0},
      {"no monitor size: left alone", 0, 0, 1.0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(KeyboardScale(c.monitor_w, c.monitor_h, 815, 358), c.scale) << c.what;
}

TEST(Placement, ShownAgainItComesBackWhole) {
  const struct {
    const char* what;
    int x, y;
    int at_x, at_y;
  } cases[] = {
      {"wholly on the monitor: stays", 100, 200, 100, 200},
      {"dragged off the right: a 14-pixel sliver", 1010, 300, 209, 300},
      {"dragged off the bottom", 50, 760, 50, 410},
      {"off the top-left corner", -700, -300, 0, 0},
      {"off the bottom-right corner", 5000, 5000, 209, 410},
  };
  for (const auto& c : cases) {
    ScreenPoint p = BringWhole(0, 0, 1024, 768, c.x, c.y, 815, 358);
    EXPECT_EQ(std::make_pair(p.x, p.y), std::make_pair(c.at_x, c.at_y)) << c.what;
  }
  ScreenPoint second = BringWhole(1280, 0, 1024, 768, 2300, 700, 815, 358);
  EXPECT_EQ(std::make_pair(second.x, second.y), std::make_pair(1489, 410)) << "a monitor right of the first";
  ScreenPoint big = BringWhole(0, 0, 640, 300, 50, 50, 815, 358);
  EXPECT_EQ(std::make_pair(big.x, big.y), std::make_pair(0, 0)) << "larger than the monitor: its top-left shows";
}

TEST(Stacking, AboveEveryWindowButTheBoxes) {
  using Move = KeyboardStacking::Move;
  struct Step {
    enum { Shown, ShownBox, Changed, Hidden } event;
    WindowHandle window;
    Move move;
  };
  const struct {
    const char* what;
    std::vector<Step> steps;
  } cases[] = {
      {"the exit dialog shows and moves: the keyboard rises over it",
       {{Step::Shown, 10, Move::Raise}, {Step::Changed, 10, Move::Raise}}},
      {"a box shows: the keyboard goes below it and stays there while the kiosk restacks",
       {{Step::ShownBox, 20, Move::BelowShown}, {Step::Changed, 1, Move::Stay}, {Step::Shown, 10, Move::Stay}}},
      {"the box answered: the keyboard rises again",
       {{Step::ShownBox, 20, Move::BelowShown}, {Step::Hidden, 20, Move::Raise}, {Step::Changed, 1, Move::Raise}}},
      {"two boxes: on top again only when both are gone",
       {{Step::ShownBox, 20, Move::BelowShown},
        {Step::ShownBox, 21, Move::BelowShown},
        {Step::Hidden, 20, Move::Stay},
        {Step::Hidden, 21, Move::Raise}}},
      {"another window going changes nothing", {{Step::Hidden, 30, Move::Stay}}},
  };
  for (const auto& c : cases) {
    KeyboardStacking stacking;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      const Step& s = c.steps[i];
      Move got = s.event == Step::Shown      ? stacking.OnOtherShown(s.window, false)
                 : s.event == Step::ShownBox ? stacking.OnOtherShown(s.window, true)
                 : s.event == Step::Changed  ? stacking.OnOtherChanged()
                                             : stacking.OnOtherHidden(s.window);
      EXPECT_EQ(got, s.move) << c.what << ", step " << i;
    }
  }
}

}  // namespace
}  // namespace panelia
