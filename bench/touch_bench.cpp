// A finger on the kiosk's page against the mouse: a touch to the page's touchstart against a click to
// its mousedown, and a finger's first move against a wheel turn to the first scrolled frame (each
// once the page stands still); medians over 100 of each. The finger's time starts when its event is
// handed to GTK (inside the kiosk: the test touch module); the mouse's when the bench sends it to the
// X server. The page's clock (the engine's, coarsened) and the wall clock differ by up to a
// millisecond: compare the finger with the mouse, not with zero.
#include "harness.h"  // first: gtest before Xlib

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench_util.h"
#include "common/names.h"
#include "common/settings.h"

using namespace panelia;
using namespace panelia::e2e;
using panelia::bench::Median;

namespace {

double WallMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::string Title(Display* x) {
  auto windows = FindWindowsByClass(x, std::string(kPaneliaClass));
  return windows.empty() ? "" : WindowTitle(x, windows[0]);
}

// The page's figure after `label` in the title ("n", "d", "m", "s").
double Figure(Display* x, const char* label) {
  std::string title = Title(x);
  size_t at = title.find(std::string(" ") + label);
  return at == std::string::npos ? -1 : std::strtod(title.c_str() + at + 2, nullptr);
}

// A glide (a flick's momentum, the wheel's animation) has ended: the position holds for 300 ms.
void Settled(Display* x) {
  double last = -1;
  for (int still = 0; still < 15;) {
    double y = Figure(x, "y");
    still = y == last ? still + 1 : 0;
    last = y;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool Counted(Display* x, double count) {
  return WaitUntil([&] { return Figure(x, "n") >= count; }, 10s);
}

}  // namespace

int main() {
  VirtualDisplay display;
  if (!display.Error().empty()) {
    std::fprintf(stderr, "touch_bench: %s\n", display.Error().c_str());
    return 1;
  }
  Display* x = display.X();
  KioskEnvironment env(display);
  Fingers fingers(env.Root());
  env.Store().Apply(
      {{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General), "SoftHomeUrl",
        RegValue::Text("file://" + kPagesDir + "touchbench.html")},
       {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Root), "Initiated", RegValue::Dword(1)}});
  auto environment = env.Env();
  for (const auto& [k, v] : fingers.Env()) environment[k] = v;
  Process kiosk({kBinDir + "panelia", "--embedding"}, environment, kBinDir, (env.Root() / "panelia.log").string());
  if (!WaitUntil([&] { return Figure(x, "n") >= 0 || Title(x).rfind("B", 0) == 0; }, 30s)) {
    std::fprintf(stderr, "touch_bench: the kiosk did not show its page\n");
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::seconds(2));  // the splash goes, the bar loads
  constexpr int kRounds = 100;
  std::vector<double> touch, click, drag, wheel;
  double count = 0;
  for (int i = 0; i < kRounds; ++i) {
    if (!fingers.Tap(640, 300) || !Counted(x, ++count)) break;
    touch.push_back(Figure(x, "d") - fingers.LastStartUs() / 1000.0);
    double sent = WallMs();
    XTestFakeMotionEvent(x, -1, 640, 300, CurrentTime);
    XTestFakeButtonEvent(x, 1, True, CurrentTime);
    XTestFakeButtonEvent(x, 1, False, CurrentTime);
    XFlush(x);
    if (!Counted(x, ++count)) break;
    click.push_back(Figure(x, "m") - sent);
  }
  for (int i = 0; i < kRounds; ++i) {
    // A finger drags up (the page scrolls down); then the wheel turns once.
    Settled(x);
    double before = Figure(x, "n");
    // Up and down in turn, so the page never reaches an end.
    const bool down = i % 2 == 0;
    if (!fingers.Drag(640, down ? 500 : 300, 640, down ? 300 : 500, 96)) break;
    if (!WaitUntil([&] { return Figure(x, "n") >= before + 2; }, 10s)) break;
    drag.push_back(Figure(x, "s") - fingers.LastMoveUs() / 1000.0);
    Settled(x);
    before = Figure(x, "n");
    // The wheel alone sends no press the page sees: a click first marks the start, then the turn.
    XTestFakeButtonEvent(x, 1, True, CurrentTime);
    XTestFakeButtonEvent(x, 1, False, CurrentTime);
    XFlush(x);
    if (!WaitUntil([&] { return Figure(x, "n") >= before + 1; }, 10s)) break;
    double sent = WallMs();
    XTestFakeButtonEvent(x, down ? 5 : 4, True, CurrentTime);
    XTestFakeButtonEvent(x, down ? 5 : 4, False, CurrentTime);
    XFlush(x);
    if (!WaitUntil([&] { return Figure(x, "n") >= before + 2; }, 10s)) break;
    wheel.push_back(Figure(x, "s") - sent);
  }
  std::printf("touch to touchstart: median %.2f ms over %zu; mouse click to mousedown: median %.2f ms over %zu\n",
              Median(touch), touch.size(), Median(click), click.size());
  std::printf("finger drag to the first scrolled frame: median %.2f ms over %zu; wheel turn: median %.2f ms over %zu\n",
              Median(drag), drag.size(), Median(wheel), wheel.size());
  return touch.size() == kRounds && drag.size() == kRounds ? 0 : 1;
}
