// The real on-screen keyboard over the real kiosk: typing, Chinese through IBus, the exit password,
// every way of closing, and one keyboard only beside Panelia.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>

#include <signal.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "common/settings.h"
#include "common/text.h"
#include "harness.h"
#include "suite_fixture.h"
#include "keyboard/key_table.h"

namespace panelia::e2e {
namespace {

class KeyboardE2E : public SuiteE2E {
 protected:
  void StartOnTypingPage(std::map<std::string, std::string> extra_env = {}) {
    MakeModule(false, false, /*real_keyboard=*/true);
    Seed(false);
    ASSERT_TRUE(env_.Store().Apply({{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General),
                                     "SoftHomeUrl", RegValue::Text("file://" + kPagesDir + "type.html")},
                                    {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Navigator),
                                     "BoardMode", RegValue::Dword(1)}}));
    kiosk_ = Start(std::move(extra_env));
    ASSERT_TRUE(TitleBecomes("V:")) << env_.Log();
  }
  // A touch on the page's input: with BoardMode the kiosk starts the keyboard.
  void TouchInput() { Xdotool({"mousemove", "200", "40", "click", "1"}); }
  Window Keyboard() {
    Window found = 0;
    WaitUntil(
        [&] {
          auto w = FindWindowsByClass(display_.X(), "GlyphdeckClass4.0");
          found = w.empty() ? 0 : w[0];
          return found != 0;
        },
        10s);
    return found;
  }
  // The keyboard once it is shown where it stays and has drawn its keys, ready for touches; 0 when
  // it did not come.
  Window ReadyKeyboard() {
    Window keyboard = Keyboard();
    if (keyboard == 0 || !WaitUntil(
                             [&] {
                               XWindowAttributes a{};
                               return XGetWindowAttributes(display_.X(), keyboard, &a) && a.map_state == IsViewable;
                             },
                             10s))
      return 0;
    return WindowManagerCaughtUp(display_.X()) && Ping(display_.X(), keyboard) ? keyboard : 0;
  }
  // The centre of a key on the screen.
  std::pair<int, int> KeyCentre(Window keyboard, int id) {
    const KeyDef* key = FindKey(id);
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(display_.X(), keyboard, DefaultRootWindow(display_.X()), 0, 0, &x, &y, &child);
    auto px = [](int units) { return static_cast<int>(std::lround(units * 1.5)); };
    return {x + px(key->rect.x) + px(key->rect.w) / 2, y + 26 + px(key->rect.y) + px(key->rect.h) / 2};
  }
  void Keys(Window keyboard, std::initializer_list<int> ids) {
    for (int id : ids) {
      auto [x, y] = KeyCentre(keyboard, id);
      Xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"});
    }
  }
  bool CapsLockOn() {
    XkbStateRec state{};
    XkbGetState(display_.X(), XkbUseCoreKbd, &state);
    return (state.locked_mods & LockMask) != 0;
  }
  Process kiosk_;
};

TEST_F(KeyboardE2E, TypesIntoTheFullScreenKioskAndLeavesCapsLockOff) {
  StartOnTypingPage();
  TouchInput();
  Window keyboard = Keyboard();
  ASSERT_NE(keyboard, 0u) << env_.Log();
  auto [cx, cy] = KeyCentre(keyboard, 1056);  // the space bar, away from its legend
  constexpr unsigned long kKeyFace = 0x3d7fd1;
  EXPECT_TRUE(WaitUntil([&] { return PixelAt(display_.X(), cx - 120, cy) == kKeyFace; }, 5s))
      << "the keyboard shows over the kiosk: " << std::hex << PixelAt(display_.X(), cx - 120, cy);
  TouchInput();  // a touch on the page: the keyboard stays above it
  // "Hello, World!": Shift latch for H, Caps for W, the latch again for "!".
  Keys(keyboard, {1053, 1035, 1053, 1016, 1038, 1038, 1022, 1048, 1056, 1030, 1015, 1030, 1022, 1017, 1038, 1032, 1053,
                  1001, 1053});
  EXPECT_TRUE(TitleBecomes("V:Hello, World!")) << Title();
  // The touch was handled long before what was typed after it shows.
  EXPECT_EQ(PixelAt(display_.X(), cx - 120, cy), kKeyFace) << "the keyboard stayed above the touched page";
  EXPECT_FALSE(CapsLockOn());
  // A finger that slides off a key still types it once; a quick double touch types twice.
  auto [x_x, x_y] = KeyCentre(keyboard, 1042);
  Xdotool({"mousemove", std::to_string(x_x), std::to_string(x_y), "mousedown", "1", "mousemove",
           std::to_string(x_x + 200), std::to_string(x_y - 100), "mouseup", "1"});
  auto [y_x, y_y] = KeyCentre(keyboard, 1019);
  Xdotool({"mousemove", std::to_string(y_x), std::to_string(y_y), "click", "--repeat", "2", "--delay", "40", "1"});
  EXPECT_TRUE(TitleBecomes("V:Hello, World!xyy")) << Title();
  // Dragged by a free area (the movable-window picture), it follows the finger.
  int before_x = 0, before_y = 0, after_x = 0, after_y = 0;
  Window child;
  XTranslateCoordinates(display_.X(), keyboard, DefaultRootWindow(display_.X()), 0, 0, &before_x, &before_y, &child);
  Xdotool({"mousemove", std::to_string(before_x + 702), std::to_string(before_y + 26 + 320), "mousedown", "1",
           "mousemove", std::to_string(before_x + 602), std::to_string(before_y + 26 + 220), "mouseup", "1"});
  WaitUntil(
      [&] {
        XTranslateCoordinates(display_.X(), keyboard, DefaultRootWindow(display_.X()), 0, 0, &after_x, &after_y,
                              &child);
        return after_x != before_x;
      },
      3s);
  EXPECT_EQ(std::make_pair(after_x, after_y), std::make_pair(before_x - 100, before_y - 100));
  Keys(keyboard, {1026});
  EXPECT_TRUE(TitleBecomes("V:Hello, World!xyya")) << "the page keeps the caret after a drag";
  Keys(keyboard, {1030});  // Caps Lock on, and the kiosk closes meanwhile
  EXPECT_TRUE(WaitUntil([&] { return CapsLockOn(); }, 2s));
  SendCloseRequest(display_.X(), FindWindowsByClass(display_.X(), kClass)[0]);
  EXPECT_EQ(kiosk_.Wait(15s), 0) << env_.Log();
  EXPECT_TRUE(WaitUntil([&] { return FindWindowsByClass(display_.X(), "GlyphdeckClass4.0").empty(); }, 10s));
  EXPECT_TRUE(WaitUntil([&] { return !CapsLockOn(); }, 5s)) << "the keyboard's Caps Lock goes with it" << env_.Log();
}

TEST_F(KeyboardE2E, ItsSoftKeyboardButtonTypesTheExitPassword) {
  StartOnTypingPage();
  WaitForBar();
  Touch(kExit);
  ASSERT_TRUE(WaitUntil([&] { return WindowTitled("退出Panelia程序"); }, 10s));
  Window dialog = 0;
  for (Window w : ClientList(display_.X()))
    if (WindowTitle(display_.X(), w) == "退出Panelia程序") dialog = w;
  XWindowAttributes a;
  XGetWindowAttributes(display_.X(), dialog, &a);
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(display_.X(), dialog, DefaultRootWindow(display_.X()), a.width - 40, a.height - 22, &x, &y,
                        &child);
  Xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"});  // 软键盘
  Window keyboard = ReadyKeyboard();
  ASSERT_NE(keyboard, 0u) << env_.Log();
  Keys(keyboard, {1031, 1016, 1043, 1017, 1016, 1018});  // "secret": case does not count
  Keys(keyboard, {1055});
  EXPECT_EQ(kiosk_.Wait(15s), 0) << env_.Log();
}

TEST_F(KeyboardE2E, ChineseThroughIBus) {
  // IBus for this display alone: its settings in a key file of the test's own configuration folder.
  fs::path settings = env_.Root() / "config" / "glib-2.0" / "settings";
  fs::create_directories(settings);
  std::ofstream(settings / "keyfile") << "[desktop/ibus/general]\npreload-engines=['xkb:us::eng', 'libpinyin']\n";
  auto env = env_.Env();
  env["GSETTINGS_BACKEND"] = "keyfile";
  Process ibus({"ibus-daemon", "-r", "--emoji-extension=disable"}, env, "", (env_.Root() / "ibus.log").string());
  ASSERT_TRUE(WaitUntil(
      [&] {
        std::error_code error;
        return fs::exists(env_.Root() / "config" / "ibus" / "bus", error) &&
               !fs::is_empty(env_.Root() / "config" / "ibus" / "bus", error);
      },
      10s))
      << "ibus-daemon did not start";
  // The input method's engine now, as `ibus engine` names it ("" while the daemon cannot answer).
  auto engine = [&] {
    fs::path out = env_.Root() / "engine.txt";
    fs::remove(out);
    Process({"ibus", "engine"}, env, "", out.string()).Wait(10s);
    std::ifstream in(out);
    std::string name;
    std::getline(in, name);
    return name;
  };
  ASSERT_TRUE(WaitUntil([&] { return engine().rfind("xkb:", 0) == 0; }, 10s)) << "ibus-daemon does not answer";
  StartOnTypingPage({{"GSETTINGS_BACKEND", "keyfile"}, {"GTK_IM_MODULE", "ibus"}});
  TouchInput();
  Window keyboard = ReadyKeyboard();
  ASSERT_NE(keyboard, 0u) << env_.Log();
  Keys(keyboard, {1065, 1065});  // the first touch names the first language, the second the next
  EXPECT_TRUE(WaitUntil([&] { return engine() == "libpinyin"; }, 10s)) << engine();
  Keys(keyboard, {1046, 1021, 1035, 1026, 1022, 1056});  // n i h a o, space
  EXPECT_TRUE(TitleBecomes("V:你好")) << Title() << env_.Log();
  Keys(keyboard, {1064});
  EXPECT_TRUE(WaitUntil([&] { return engine().rfind("xkb:", 0) == 0; }, 10s)) << engine();
  Keys(keyboard, {1026});
  EXPECT_TRUE(TitleBecomes("V:你好a")) << Title();
}

// A close ends the kiosk and takes the keyboard with it at once, in every way a kiosk is closed, also
// while one of its boxes waits for an answer: nothing waits for a partner that is going away.
// PANELIA_CLOSE_ROUNDS repeats the table (bench/close.sh takes the medians of the printed times).
TEST_F(KeyboardE2E, EveryCloseEndsTheKioskAndItsKeyboardAtOnce) {
  enum class Way { CloseBox, SendClose, BarExit, QuitQuestion };
  const struct {
    const char* what;
    Way way;
    bool box_open;
  } cases[] = {
      {"close-box-with-a-box-open", Way::CloseBox, true},
      {"panelia-send-close-with-a-box-open", Way::SendClose, true},
      {"bar-exit-password", Way::BarExit, false},
      {"quit-question", Way::QuitQuestion, false},
  };
  const char* rounds_text = std::getenv("PANELIA_CLOSE_ROUNDS");
  int rounds = rounds_text ? std::max(1, std::atoi(rounds_text)) : 1;
  auto frame = [&] {
    auto w = FindWindowsByClass(display_.X(), kClass);
    return w.empty() ? Window(0) : w[0];
  };
  auto keyboard_gone = [&] { return FindWindowsByClass(display_.X(), "GlyphdeckClass4.0").empty(); };
  StartOnTypingPage();
  for (int round = 0; round < rounds; ++round) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      // Each case ends the kiosk it closes; the next starts a fresh one.
      if (!kiosk_.Running()) {
        kiosk_ = Start();
        ASSERT_TRUE(TitleBecomes("V:")) << env_.Log();
      }
      WaitForBar();
      Touch(kKeyboard);
      ASSERT_NE(Keyboard(), 0u) << env_.Log();
      if (c.box_open || c.way == Way::BarExit) {
        Touch(kExit);
        ASSERT_TRUE(Focused("退出Panelia程序"));
        Xdotool({"type", "--delay", "30", c.box_open ? "wrong" : "secret"});
      }
      if (c.box_open) {
        Xdotool({"key", "Return"});
        ASSERT_TRUE(WaitUntil([&] { return WindowTitled("Panelia提示"); }, 10s)) << "the wrong-password box";
        // The box opens where the keyboard, which stays above every other window, leaves it in view.
        auto on_screen = [&](Window w) {
          XWindowAttributes a{};
          int x = 0, y = 0;
          Window child;
          XGetWindowAttributes(display_.X(), w, &a);
          XTranslateCoordinates(display_.X(), w, DefaultRootWindow(display_.X()), 0, 0, &x, &y, &child);
          return std::array<int, 4>{x, y, x + a.width, y + a.height};
        };
        std::array<int, 4> box{}, keys{};
        EXPECT_TRUE(WaitUntil(
            [&] {
              box = on_screen(WindowWithTitle("Panelia提示"));
              keys = on_screen(Keyboard());
              return box[2] <= keys[0] || keys[2] <= box[0] || box[3] <= keys[1] || keys[3] <= box[1];
            },
            3s))
            << "box " << ::testing::PrintToString(box) << " under the keyboard " << ::testing::PrintToString(keys);
      }
      if (c.way == Way::QuitQuestion) {
        // Full screen, the question comes after the exit password.
        Touch(kShutdown);
        ASSERT_TRUE(Focused("退出Panelia程序"));
        Xdotool({"type", "--delay", "30", "secret"});
        Xdotool({"key", "Return"});
        ASSERT_TRUE(Focused("Panelia提示")) << "the quit question";
      }
      auto t0 = std::chrono::steady_clock::now();
      switch (c.way) {
        case Way::CloseBox: SendCloseRequest(display_.X(), frame()); break;
        case Way::SendClose: EXPECT_EQ(Send({"close", kClass}), 0); break;
        case Way::BarExit:
        case Way::QuitQuestion: Xdotool({"key", "Return"}); break;  // the password's OK; 是, the first button
      }
      auto ended = kiosk_.Wait(15s);
      auto t1 = std::chrono::steady_clock::now();
      ASSERT_TRUE(ended.has_value()) << "the kiosk did not end\n" << env_.Log();
      EXPECT_EQ(*ended, 0);
      EXPECT_TRUE(WaitUntil(keyboard_gone, 15s));
      auto t2 = std::chrono::steady_clock::now();
      auto ms = [&](auto t) { return std::chrono::duration_cast<std::chrono::milliseconds>(t - t0).count(); };
      std::printf("close-time %s kiosk_ms=%lld keyboard_ms=%lld\n", c.what, static_cast<long long>(ms(t1)),
                  static_cast<long long>(ms(t2)));
      // Well before the five-second bound of a reply that never comes.
      EXPECT_LT(ms(t1), 2500) << env_.Log();
      EXPECT_LT(ms(t2), 2500) << env_.Log();
      EXPECT_EQ(env_.Log().find("no answer to"), std::string::npos) << env_.Log();
    }
  }
}

// Only one keyboard, and only beside Panelia (any of its three class names).
TEST_F(SuiteE2E, KeyboardRunsOnceAndOnlyBesidePanelia) {
  auto start = [&] {
    return Process({kBinDir + "glyphdeck"}, env_.Env(), "", (env_.Root() / "glyphdeck.log").string());
  };
  Process alone = start();
  EXPECT_EQ(alone.Wait(10s), 0);
  EXPECT_TRUE(FindWindowsByClass(display_.X(), "GlyphdeckClass4.0").empty());
  Process old_kiosk({kBinDir + "partner_stub", "PaneliaClass3.0", Log()}, env_.Env(), "", "");
  ASSERT_TRUE(WaitUntil([&] { return !FindWindowsByClass(display_.X(), "PaneliaClass3.0").empty(); }, 5s));
  Process first = start();
  ASSERT_TRUE(WaitUntil([&] { return !FindWindowsByClass(display_.X(), "GlyphdeckClass4.0").empty(); }, 10s));
  Process second = start();
  EXPECT_EQ(second.Wait(10s), 0);
  EXPECT_EQ(FindWindowsByClass(display_.X(), "GlyphdeckClass4.0").size(), 1u);
  EXPECT_TRUE(first.Running());
}

// Every process of the machine: its parent and its name.

}  // namespace
}  // namespace panelia::e2e
