// The acknowledged round trip of a registered message between two programs on one display:
// send, the partner handles it on its loop and answers, the sender sees the answer.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/names.h"
#include "harness.h"
#include "platform/x11/messages.h"

using namespace panelia;
using namespace panelia::e2e;

int main() {
  VirtualDisplay display(false);
  KioskEnvironment env(display);
  Process partner({kBinDir + "partner_stub", std::string(kSonavelleClass), "/dev/null"}, env.Env(), "", "");
  x11::X11WindowSystem windows(display.Name().c_str());
  std::optional<WindowHandle> target;
  WaitUntil([&] { return (target = windows.FindWindowByClass(kSonavelleClass)).has_value(); }, 10s);
  if (!target) {
    std::fprintf(stderr, "message_bench: the partner did not start\n");
    return 1;
  }
  const int runs = 2000;
  std::vector<double> micros;
  int lost = 0;
  for (int i = 0; i < runs + 100; ++i) {
    auto start = std::chrono::steady_clock::now();
    auto answer = windows.SendMessage(*target, kMusicStopMessage, i, 0);
    double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    if (!answer) ++lost;
    if (i >= 100) micros.push_back(us);  // the first ones warm the server and the partner
  }
  std::sort(micros.begin(), micros.end());
  auto find_start = std::chrono::steady_clock::now();
  for (int i = 0; i < 100; ++i) windows.FindWindowByClass(kSonavelleClass);
  double find_us =
      std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - find_start).count() / 100;
  std::printf("acknowledged round trip (%d sends): median %.0f us, 99th percentile %.0f us, unanswered %d\n", runs,
              micros[micros.size() / 2], micros[micros.size() * 99 / 100], lost);
  std::printf("finding a window by class (tree walk): %.0f us\n", find_us);
  return 0;
}
