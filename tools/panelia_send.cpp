// panelia-send: sends the suite's messages from a terminal or an outside program and waits for the
// answer (at most 5 seconds).
//   panelia-send open-url N          Panelia opens entry N of OpenURL.ini's TargetURL section
//   panelia-send input-method N      Panelia switches to keyboard layout N
//   panelia-send music-play          Sonavelle plays its next song
//   panelia-send music-stop          Sonavelle stops
//   panelia-send close CLASS         the window of that class is asked to close
//   panelia-send home                Panelia goes to its home page
//   panelia-send reload              Panelia loads its page again
//   panelia-send wipe                a fresh visitor session now (the idle return's wipe), then home
//   panelia-send restart-when-idle   Panelia ends at its next idle return; its session starts it again
//   panelia-send quit                Panelia ends (and with it the kiosk session)
//   panelia-send screen on|off|auto  the screen on or dark until the opening hours next change; auto:
//                                    as the opening hours say
//   panelia-send screenshot FILE     a PNG picture of what the kiosk's monitor shows
//   panelia-send status              the kiosk's status document (JSON)
// Without DISPLAY (an operator over SSH), the display, X authority and runtime folder are those of the
// running Panelia where root may read them; an operator in the panelia group, whom the kiosk session
// lets onto its display, finds the display holding the kiosk and reads the status from its window.
// Exit codes: 0 answered (or, for close, sent; for screenshot, written), 1 bad usage, 2 no such window,
// 3 no answer in time, 4 no display, 5 the picture could not be written, 6 the command was refused.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <xcb/xcb.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "common/monitors.h"
#include "common/names.h"
#include "common/settings.h"
#include "platform/store/sqlite_registry.h"
#include "platform/x11/messages.h"
#include "platform/x11/monitors.h"
#include "platform/x11/window_lookup.h"

namespace {

constexpr int kSent = 0, kUsage = 1, kNoWindow = 2, kNoAnswer = 3, kNoDisplay = 4, kNotWritten = 5, kRefused = 6;

int Usage() {
  std::fprintf(stderr,
               "usage: panelia-send open-url N | input-method N | music-play | music-stop | close CLASS |\n"
               "                    home | reload | wipe | restart-when-idle | quit | screen on|off|auto |\n"
               "                    screenshot FILE.png | status\n");
  return kUsage;
}

bool ParseNumber(const char* text, int32_t& out) {
  std::string_view s(text);
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && end == s.data() + s.size();
}

// The local displays this account may open (the kiosk session lets the panelia group onto its own),
// the first that holds a kiosk window. Probed without Xlib, which would complain of each refusal.
void UseADisplayShowingTheKiosk() {
  DIR* sockets = opendir("/tmp/.X11-unix");
  if (!sockets) return;
  std::vector<std::string> displays;
  while (dirent* entry = readdir(sockets)) {
    std::string_view name(entry->d_name);
    int32_t number = 0;
    if (name.size() > 1 && name[0] == 'X' && ParseNumber(entry->d_name + 1, number) && number >= 0)
      displays.push_back(":" + std::to_string(number));
  }
  closedir(sockets);
  for (const std::string& name : displays) {
    xcb_connection_t* probe = xcb_connect(name.c_str(), nullptr);
    bool reachable = xcb_connection_has_error(probe) == 0;
    xcb_disconnect(probe);
    if (!reachable) continue;
    Display* display = XOpenDisplay(name.c_str());
    if (!display) continue;
    bool kiosk = panelia::x11::FindClientWindowByClass(display, panelia::kPaneliaClass).has_value();
    XCloseDisplay(display);
    if (kiosk) {
      setenv("DISPLAY", name.c_str(), 1);
      return;
    }
  }
}

// Without a display of its own (a shell over SSH), the one the running kiosk uses: its DISPLAY,
// XAUTHORITY and XDG_RUNTIME_DIR, read from the environment of a running panelia (root may read
// every process's; another account only its own).
void UseTheKiosksDisplay() {
  const char* display = std::getenv("DISPLAY");
  if (display && *display) return;
  DIR* proc = opendir("/proc");
  if (!proc) return;
  while (dirent* entry = readdir(proc)) {
    if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
    std::string dir = std::string("/proc/") + entry->d_name;
    char exe[4096];
    ssize_t n = readlink((dir + "/exe").c_str(), exe, sizeof exe - 1);
    if (n <= 0) continue;
    exe[n] = '\0';
    std::string_view path(exe);
    if (path.size() < 8 || path.substr(path.size() - 8) != "/panelia") continue;
    std::ifstream in(dir + "/environ", std::ios::binary);
    std::string environ((std::istreambuf_iterator<char>(in)), {});
    bool found = false;
    for (size_t at = 0; at < environ.size();) {
      size_t end = environ.find('\0', at);
      if (end == std::string::npos) end = environ.size();
      std::string_view item(environ.data() + at, end - at);
      for (const char* name : {"DISPLAY", "XAUTHORITY", "XDG_RUNTIME_DIR"}) {
        size_t len = std::strlen(name);
        if (item.size() > len && item.substr(0, len) == name && item[len] == '=') {
          setenv(name, std::string(item.substr(len + 1)).c_str(), 1);
          found |= std::strcmp(name, "DISPLAY") == 0;
        }
      }
      at = end + 1;
    }
    if (found) break;
  }
  closedir(proc);
  if (!std::getenv("DISPLAY")) UseADisplayShowingTheKiosk();
}

// The status from the kiosk's window: kNoDisplay when no display can be reached, kNoWindow when
// it shows no kiosk, else kSent with `text`.
int StatusFromTheKiosksWindow(std::string& text) {
  panelia::x11::X11WindowSystem windows;
  if (!windows.Connected()) return kNoDisplay;
  auto kiosk = windows.FindWindowByClass(panelia::kPaneliaClass);
  if (kiosk) text = windows.WindowText(*kiosk, panelia::kKioskStatusProperty);
  return text.empty() ? kNoWindow : kSent;
}

// The kiosk's monitor as the screen shows it now, into a PNG file.
int Screenshot(const char* file) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "panelia-send: cannot open the X display (is a kiosk running?)\n");
    return kNoDisplay;
  }
  auto monitors = panelia::x11::ListMonitors(display);
  Window root = DefaultRootWindow(display);
  XWindowAttributes screen{};
  XGetWindowAttributes(display, root, &screen);
  if (monitors.empty()) monitors.push_back({"", {0, 0, screen.width, screen.height}, true});
  std::string wanted;
  {
    panelia::SqliteRegistry store(panelia::RegistryFilesFromEnvironment());
    wanted = panelia::SettingsReader(store).Text(panelia::setting::Monitor);
  }
  panelia::ScreenRect area = monitors[panelia::ChooseMonitor(wanted, monitors)].area;
  XImage* image = XGetImage(display, root, area.x, area.y, static_cast<unsigned>(area.w), static_cast<unsigned>(area.h),
                            AllPlanes, ZPixmap);
  if (!image) {
    XCloseDisplay(display);
    std::fprintf(stderr, "panelia-send: the screen could not be read\n");
    return kNotWritten;
  }
  GdkPixbuf* picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, area.w, area.h);
  guchar* pixels = gdk_pixbuf_get_pixels(picture);
  int stride = gdk_pixbuf_get_rowstride(picture);
  for (int y = 0; y < area.h; ++y)
    for (int x = 0; x < area.w; ++x) {
      unsigned long p = XGetPixel(image, x, y);
      guchar* out = pixels + static_cast<ptrdiff_t>(y) * stride + static_cast<ptrdiff_t>(x) * 3;
      out[0] = static_cast<guchar>((p >> 16) & 0xff);
      out[1] = static_cast<guchar>((p >> 8) & 0xff);
      out[2] = static_cast<guchar>(p & 0xff);
    }
  XDestroyImage(image);
  XCloseDisplay(display);
  GError* error = nullptr;
  bool saved = gdk_pixbuf_save(picture, file, "png", &error, nullptr) != FALSE;
  g_object_unref(picture);
  if (!saved) {
    std::fprintf(stderr, "panelia-send: %s could not be written: %s\n", file, error ? error->message : "unknown");
    g_clear_error(&error);
    return kNotWritten;
  }
  std::printf("%s: %dx%d, the kiosk's monitor at %d,%d\n", file, area.w, area.h, area.x, area.y);
  return kSent;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string_view command = argv[1];
  std::string_view target_class = panelia::kPaneliaClass;
  std::string_view message;
  int32_t wparam = 0;
  const struct {
    const char* name;
    panelia::RemoteCommand command;
  } remote[] = {{"home", panelia::RemoteCommand::Home},
                {"reload", panelia::RemoteCommand::Reload},
                {"wipe", panelia::RemoteCommand::Wipe},
                {"restart-when-idle", panelia::RemoteCommand::RestartWhenIdle},
                {"quit", panelia::RemoteCommand::Quit}};
  UseTheKiosksDisplay();
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
  } else if (command == "screen" && argc == 3) {
    const std::string_view how = argv[2];
    message = panelia::kRemoteMessage;
    wparam = static_cast<int32_t>(how == "on"    ? panelia::RemoteCommand::ScreenOn
                                  : how == "off" ? panelia::RemoteCommand::ScreenOff
                                                 : panelia::RemoteCommand::ScreenAuto);
    if (how != "on" && how != "off" && how != "auto") return Usage();
  } else if (command == "screenshot" && argc == 3) {
    return Screenshot(argv[2]);
  } else if (command == "status" && argc == 2) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string path = std::string(runtime ? runtime : "") + "/panelia/status.json";
    std::ifstream in(path, std::ios::binary);
    std::string text;
    if (runtime && in) text.assign(std::istreambuf_iterator<char>(in), {});
    // Not this account's to read: the same document, from the kiosk's window.
    if (int found = text.empty() ? StatusFromTheKiosksWindow(text) : kSent; found == kNoDisplay) {
      std::fprintf(stderr, "panelia-send: no status at %s, and no display to ask the kiosk on\n", path.c_str());
      return kNoDisplay;
    } else if (found == kNoWindow) {
      std::fprintf(stderr, "panelia-send: no status at %s nor on a kiosk window (is a kiosk running?)\n", path.c_str());
      return kNoWindow;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kSent;
  } else {
    for (const auto& r : remote)
      if (command == r.name && argc == 2) {
        message = panelia::kRemoteMessage;
        wparam = static_cast<int32_t>(r.command);
      }
    if (message.empty()) return Usage();
  }

  panelia::x11::X11WindowSystem windows;
  if (!windows.Connected()) {
    std::fprintf(stderr, "panelia-send: cannot open the X display (is DISPLAY set, or a kiosk running?)\n");
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
  return *result < 0 ? kRefused : kSent;
}
