// panelia-send: sends the suite's messages from a terminal or an outside program and waits for the
// answer (at most 5 seconds).
//   panelia-send open-url N       Panelia opens entry N of OpenURL.ini's TargetURL section
//   panelia-send input-method N   Panelia switches to keyboard layout N
//   panelia-send music-play       Sonavelle plays its next song
//   panelia-send music-stop       Sonavelle stops
//   panelia-send close CLASS      the window of that class is asked to close
// Exit codes: 0 answered (or, for close, sent), 1 bad usage, 2 no such window, 3 no answer in time,
// 4 no display.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/names.h"
#include "platform/x11/messages.h"

namespace {

constexpr int kSent = 0, kUsage = 1, kNoWindow = 2, kNoAnswer = 3, kNoDisplay = 4;

int Usage() {
  std::fprintf(stderr, "usage: panelia-send open-url N | input-method N | music-play | music-stop | close CLASS\n");
  return kUsage;
}

bool ParseNumber(const char* text, int32_t& out) {
  std::string_view s(text);
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string_view command = argv[1];
  std::string_view target_class = panelia::kPaneliaClass;
  std::string_view message;
  int32_t wparam = 0;
  if ((command == "open-url" || command == "input-method") && argc == 3) {
    if (!ParseNumber(argv[2], wparam)) {
      std::fprintf(stderr, "panelia-send: \"%s\" is not a whole number\n", argv[2]);
      return kUsage;
    }
    message = command == "open-url" ? panelia::kOpenUrlMessage : panelia::kInputMethodMessage;
  } else if ((command == "music-play" || command == "music-stop") && argc == 2) {
    target_class = panelia::kSonavelleClass;
    message = command == "music-play" ? panelia::kMusicPlayMessage : panelia::kMusicStopMessage;
  } else if (command == "close" && argc == 3) {
    target_class = argv[2];
  } else {
    return Usage();
  }

  panelia::x11::X11WindowSystem windows;
  if (!windows.Connected()) {
    std::fprintf(stderr, "panelia-send: cannot open the X display (is DISPLAY set?)\n");
    return kNoDisplay;
  }
  auto window = windows.FindWindowByClass(target_class);
  if (!window) {
    std::fprintf(stderr, "panelia-send: no window of class %.*s\n", static_cast<int>(target_class.size()),
                 target_class.data());
    return kNoWindow;
  }
  if (message.empty()) {
    windows.SendClose(*window);
    return kSent;
  }
  auto result = windows.SendMessage(*window, message, wparam, 0);
  if (!result) {
    std::fprintf(stderr, "panelia-send: no answer within 5 seconds\n");
    return kNoAnswer;
  }
  std::printf("%d\n", *result);
  return kSent;
}
