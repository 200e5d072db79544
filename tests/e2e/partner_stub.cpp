// A stand-in partner program for the end-to-end tests: a top-level window of the class given on the
// command line that records every registered message and close request it receives, in a file.
//   partner_stub CLASS LOG [--hang]
// With --hang it never answers, like a partner that is stuck.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/names.h"
#include "platform/x11/message_receiver.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string klass = argv[1];
  bool hang = argc > 3 && std::strcmp(argv[3], "--hang") == 0;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 3;
  Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 200, 100, 0, 0, 0xdddddd);
  XClassHint hint{const_cast<char*>("partner"), klass.data()};
  XSetClassHint(display, window, &hint);
  XStoreName(display, window, klass.c_str());
  Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &delete_window, 1);
  XMapWindow(display, window);
  XFlush(display);

  auto log = [&](const std::string& line) {
    if (FILE* f = std::fopen(argv[2], "a")) {
      std::fprintf(f, "%s\n", line.c_str());
      std::fclose(f);
    }
  };
  log("started " + klass);
  const std::vector<std::string_view> known = {panelia::kMusicPlayMessage, panelia::kMusicStopMessage,
                                               panelia::kMusicVolumeMessage, panelia::kInputMethodMessage,
                                               panelia::kOpenUrlMessage};
  for (;;) {
    XEvent e;
    XNextEvent(display, &e);
    if (e.type != ClientMessage) continue;
    if (e.xclient.message_type == protocols && static_cast<Atom>(e.xclient.data.l[0]) == delete_window) {
      log("close " + klass);
      break;
    }
    if (auto m = panelia::x11::DecodeMessage(display, e.xclient, known)) {
      log(m->name.substr(0, m->name.find('-', m->name.find('-') + 1)) + " " + std::to_string(m->wparam));
      if (!hang) panelia::x11::SendReply(display, *m, 0);
    }
  }
  XCloseDisplay(display);
  return 0;
}
