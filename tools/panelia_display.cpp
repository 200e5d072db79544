// panelia-display: turns the kiosk's monitor as the Rotation setting says and maps every touch
// screen onto it, so that a touch lands where the finger is; the kiosk session runs it at start.
//   panelia-display           once
//   panelia-display --watch   once, then again whenever an input device is plugged in or the
//                             screen changes, until the display goes
// Exit codes: 0 done, 1 bad usage, 2 the monitor could not be turned, 4 no display.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/Xrandr.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/monitors.h"
#include "common/settings.h"
#include "platform/store/sqlite_registry.h"
#include "platform/x11/monitors.h"

extern char** environ;

namespace panelia {
namespace {

constexpr int kDone = 0, kUsage = 1, kNotTurned = 2, kNoDisplay = 4;

std::string Joined(const std::vector<std::string>& argv) {
  std::string line;
  for (const auto& a : argv)
    line += (line.empty() ? "" : " ") + (a.find(' ') == std::string::npos ? a : "\"" + a + "\"");
  return line;
}

// Runs a command (xrandr, xinput) and waits for it: true when it succeeded.
bool Run(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) {
    std::fprintf(stderr, "panelia-display: cannot run %s (is it installed?)\n", args[0]);
    return false;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The touch screens among the input devices: XInput devices with a direct-touch class.
std::vector<int> TouchScreens(Display* display) {
  std::vector<int> ids;
  int count = 0;
  XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
  for (int i = 0; devices && i < count; ++i) {
    if (devices[i].use != XISlavePointer && devices[i].use != XIFloatingSlave) continue;
    for (int c = 0; c < devices[i].num_classes; ++c) {
      auto* touch = reinterpret_cast<XITouchClassInfo*>(devices[i].classes[c]);
      if (touch->type == XITouchClass && touch->mode == XIDirectTouch) {
        ids.push_back(devices[i].deviceid);
        break;
      }
    }
  }
  if (devices) XIFreeDeviceInfo(devices);
  return ids;
}

struct Choice {
  std::string wanted;
  uint32_t rotation;
};

Choice ReadSettings() {
  SqliteRegistry store(RegistryFilesFromEnvironment());
  SettingsReader s(store);
  return {s.Text(setting::Monitor), CleanRotation(s.Dword(setting::Rotation))};
}

// Turns the monitor (when the server names its output) and maps the touch screens onto it.
int Apply(Display* display, const Choice& choice, bool turn) {
  auto monitors = x11::ListMonitors(display);
  if (monitors.empty()) {
    int w = DisplayWidth(display, DefaultScreen(display)), h = DisplayHeight(display, DefaultScreen(display));
    monitors.push_back({"", {0, 0, w, h}, true});
  }
  size_t kiosk = ChooseMonitor(choice.wanted, monitors);
  std::string name = monitors[kiosk].name;
  int result = kDone;
  if (turn) {
    if (name.empty()) {
      std::fprintf(stderr, "panelia-display: the X server names no monitor to turn\n");
      if (choice.rotation != 0) result = kNotTurned;
    } else if (Run(RotateCommand(name, choice.rotation))) {
      std::fprintf(stderr, "panelia-display: %s turned %s\n", name.c_str(),
                   std::string(RandrRotation(choice.rotation)).c_str());
    } else {
      std::fprintf(stderr, "panelia-display: %s cannot be turned %s on this X server\n", name.c_str(),
                   std::string(RandrRotation(choice.rotation)).c_str());
      result = kNotTurned;
    }
    // Turned, the monitor has its new place and size.
    auto again = x11::ListMonitors(display);
    for (const auto& m : again)
      if (!name.empty() && m.name == name) monitors[kiosk] = m;
  }
  Window root = DefaultRootWindow(display);
  Window unused_root = 0;
  int x = 0, y = 0;
  unsigned int screen_w = 0, screen_h = 0, border = 0, depth = 0;
  XGetGeometry(display, root, &unused_root, &x, &y, &screen_w, &screen_h, &border, &depth);
  auto matrix =
      TouchMatrix(choice.rotation, monitors[kiosk].area, static_cast<int>(screen_w), static_cast<int>(screen_h));
  int mapped = 0;
  for (int id : TouchScreens(display)) {
    auto argv = MapTouchCommand(id, matrix);
    if (Run(argv))
      ++mapped;
    else
      std::fprintf(stderr, "panelia-display: failed: %s\n", Joined(argv).c_str());
  }
  std::fprintf(stderr, "panelia-display: %d touch screen%s mapped to %s\n", mapped, mapped == 1 ? "" : "s",
               name.empty() ? "the kiosk's monitor" : name.c_str());
  return result;
}

int Watch(Display* display, const Choice& choice) {
  Window root = DefaultRootWindow(display);
  XIEventMask mask{};
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(bits, XI_HierarchyChanged);
  mask.deviceid = XIAllDevices;
  mask.mask_len = sizeof bits;
  mask.mask = bits;
  XISelectEvents(display, root, &mask, 1);
  int randr_event = 0, randr_error = 0;
  bool randr = XRRQueryExtension(display, &randr_event, &randr_error);
  if (randr) XRRSelectInput(display, root, RRScreenChangeNotifyMask);
  int xi_opcode = 0, event = 0, error = 0;
  XQueryExtension(display, "XInputExtension", &xi_opcode, &event, &error);
  XSync(display, False);
  std::fprintf(stderr, "panelia-display: watching for touch screens\n");
  for (;;) {
    XEvent e;
    XNextEvent(display, &e);  // ends the program with the display (the session's end)
    bool again = false;
    if (e.type == GenericEvent && e.xcookie.extension == xi_opcode && XGetEventData(display, &e.xcookie)) {
      auto* change = static_cast<XIHierarchyEvent*>(e.xcookie.data);
      again = change->evtype == XI_HierarchyChanged &&
              (change->flags & (XISlaveAdded | XISlaveAttached | XIDeviceEnabled | XIMasterAdded)) != 0;
      XFreeEventData(display, &e.xcookie);
    } else if (randr && e.type == randr_event + RRScreenChangeNotify) {
      XRRUpdateConfiguration(&e);
      again = true;
    }
    if (again) {
      std::fprintf(stderr, "panelia-display: the devices or the screen changed\n");
      Apply(display, choice, /*turn=*/false);
    }
  }
}

}  // namespace
}  // namespace panelia

int main(int argc, char** argv) {
  using namespace panelia;
  bool watch = argc == 2 && std::strcmp(argv[1], "--watch") == 0;
  if (argc > 2 || (argc == 2 && !watch)) {
    std::fprintf(stderr, "usage: panelia-display [--watch]\n");
    return kUsage;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "panelia-display: cannot open the X display (is DISPLAY set?)\n");
    return kNoDisplay;
  }
  Choice choice = ReadSettings();
  int result = Apply(display, choice, /*turn=*/true);
  if (watch) return Watch(display, choice);
  XCloseDisplay(display);
  return result;
}
