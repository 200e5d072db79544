// End-to-end test support: a private Xvfb + openbox display per test, an isolated home and settings
// store, the programs as child processes, and what a visitor or partner program can see on X.
#pragma once

// gtest first: Xlib defines None, Bool and Status as macros.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/store/sqlite_registry.h"

namespace panelia::e2e {

using namespace std::chrono_literals;

// A child in a process group of its own, killed with everything in that group when the object goes,
// and killed by the kernel when the test process dies first.
class Process {
 public:
  Process() = default;
  // `inherit_fd` stays open in the child (for Xvfb's -displayfd).
  Process(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env, const std::string& cwd,
          const std::string& log_file, int inherit_fd = -1);
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  ~Process() { Stop(); }
  pid_t pid() const { return pid_; }
  bool Running();
  // Waits for the exit; nullopt when it did not end in time.
  std::optional<int> Wait(std::chrono::milliseconds timeout);
  void Stop();  // SIGTERM, then SIGKILL after 3 s

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// A private Xvfb (it picks its own free display number and reports it) with openbox on it.
class VirtualDisplay {
 public:
  // Each of `screens` (WIDTHxHEIGHTxDEPTH) a screen; `monitors` ("NAME W/MMxH/MM+X+Y OUTPUTS", as
  // xrandr --setmonitor takes them) divide the first into monitors before the window manager starts.
  // (Xvfb puts several screens joined by Xinerama all at 0,0, and has one output: monitors defined
  // this way are how it shows monitors side by side.)
  // `with_authority`: only clients with its cookie (Authority(), also set as this process's XAUTHORITY)
  // or whom the server's access list admits may connect, as on a display manager's display.
  explicit VirtualDisplay(bool with_window_manager = true, const std::vector<std::string>& screens = {"1280x800x24"},
                          const std::vector<std::string>& monitors = {}, bool with_authority = false);
  ~VirtualDisplay();
  const std::string& Name() const { return name_; }
  const std::string& Authority() const { return authority_; }
  Display* X() const { return x_; }
  // Empty when the display and its window manager run; otherwise what went wrong.
  const std::string& Error() const { return error_; }

 private:
  std::string name_;
  std::string error_;
  std::string authority_;
  Process xvfb_;
  Process wm_;
  Display* x_ = nullptr;
};

// A temporary home with its own XDG folders and settings store.
class KioskEnvironment {
 public:
  explicit KioskEnvironment(const VirtualDisplay& display);
  ~KioskEnvironment();
  std::map<std::string, std::string> Env() const { return env_; }
  const std::filesystem::path& Root() const { return root_; }
  SqliteRegistry& Store() { return *store_; }
  RegistryFiles Files() const;
  Process StartPanelia(const std::vector<std::string>& args = {});
  std::string Log() const;
  // panelia-send with these arguments: its exit code (-1 when it did not end in 20 seconds).
  int Send(const std::vector<std::string>& args) const;

 private:
  std::filesystem::path root_;
  std::map<std::string, std::string> env_;
  std::unique_ptr<SqliteRegistry> store_;
  int runs_ = 0;
};

// Every end-to-end fixture: a display of its own and a kiosk environment on it. A display that does
// not start fails the test that needed it, and only that one.
class DisplayTest : public ::testing::Test {
 protected:
  explicit DisplayTest(bool with_window_manager = true, const std::vector<std::string>& screens = {"1280x800x24"},
                       const std::vector<std::string>& monitors = {}, bool with_authority = false)
      : display_(with_window_manager, screens, monitors, with_authority), env_(display_) {}
  void SetUp() override { ASSERT_TRUE(display_.Error().empty()) << display_.Error(); }
  VirtualDisplay display_;
  KioskEnvironment env_;
};

// A touch screen for the kiosk: the test touch module (a GTK module the program loads through the
// environment this gives) reads gestures from a pipe and hands GTK real touch event sequences.
// Coordinates are the screen's. Each gesture returns once the program has handed over all of it, or
// false when it did not within ten seconds.
class Fingers {
 public:
  explicit Fingers(const std::filesystem::path& dir);
  ~Fingers();
  Fingers(const Fingers&) = delete;
  Fingers& operator=(const Fingers&) = delete;
  // For the program that takes the fingers (PANELIA_TOUCH_PROGRAM, "panelia" by default).
  std::map<std::string, std::string> Env(const std::string& program = "panelia") const;
  bool Tap(int x, int y);
  bool Press(int x, int y, int ms);
  bool Drag(int x1, int y1, int x2, int y2, int ms);
  bool Pinch(int cx, int cy, int from, int to, int ms);
  // When the last gesture's first event was handed to GTK (wall clock, microseconds).
  long long LastStartUs() const { return last_start_us_; }
  // When its first move was (drags and pinches).
  long long LastMoveUs() const { return last_move_us_; }

 private:
  bool Gesture(const std::string& line);
  std::filesystem::path fifo_, log_;
  int fd_ = -1;
  long long last_start_us_ = 0;
  long long last_move_us_ = 0;
};

// A file of /proc, whole; "" once its process is gone (a stream would throw when the process ends
// between the open and the read).
std::string ReadProcFile(const std::filesystem::path& path);
// Every process of the machine by pid: its parent, and its name as the kernel shortens it.
struct ProcessInfo {
  pid_t parent;
  std::string name;
};
std::map<pid_t, ProcessInfo> ProcessTable();
// The processes below `root`: its children, theirs, and so on.
std::map<pid_t, ProcessInfo> ProcessesBelow(pid_t root);

// Counts the changes of one property of a window from now on (a window manager's WM_STATE as it
// minimises and restores, say), so that a change that came and went is not missed.
class PropertyWatch {
 public:
  PropertyWatch(Display* x, Window w, const char* property);
  int Changes();  // so far

 private:
  Display* x_;
  Window w_;
  Atom property_;
  int changes_ = 0;
};

// The colour (0xRRGGBB) a visitor sees at a point of the screen.
unsigned long PixelAt(Display* x, int px, int py);

std::vector<Window> FindWindowsByClass(Display* x, const std::string& klass);
// The 32-bit items of a window property (atoms, windows, numbers); empty when it is absent.
std::vector<unsigned long> PropertyItems(Display* x, Window w, const char* property, Atom type);
std::string WindowTitle(Display* x, Window w);
std::vector<Window> ClientList(Display* x);
void SendCloseRequest(Display* x, Window w);  // WM_DELETE_WINDOW, as a window manager sends it
// A _NET_WM_STATE request to the window manager, as a pager or another program sends one:
// `action` 0 removes, 1 adds, 2 toggles the state named `state`.
void RequestWindowState(Display* x, Window w, int action, const char* state);
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
// Sends the window a _NET_WM_PING and waits for its answer: the program's main loop has handled
// everything that came to it before.
bool Ping(Display* x, Window w, std::chrono::milliseconds timeout = 5s);
// Pings the window again and again for `span`: whether its program answered every time (it ran its
// main loop all along, where a timer or a song's end would have been handled).
bool AnswersThroughout(Display* x, Window w, std::chrono::milliseconds span);
// Waits until the window manager has handled every event that came before (keys it grabs, requests).
bool WindowManagerCaughtUp(Display* x, std::chrono::milliseconds timeout = 10s);
// The top-level window with this title, or 0.
Window WindowWithTitle(Display* x, const std::string& title);
// Whether the keyboard's input goes to `w` or one of its children: keys typed now reach it.
bool HasInputFocus(Display* x, Window w);
// Waits until a window with this title is there and holds the input focus (a dialog that keys may
// be typed into); returns it, or 0 when that did not happen in time.
Window WaitForFocusedWindow(Display* x, const std::string& title, std::chrono::milliseconds timeout = 10s);
// Waits until a window of the class shows exactly this title; returns the last title seen.
std::string WaitForTitle(Display* x, const std::string& klass, const std::string& title,
                         std::chrono::milliseconds timeout = 30s);

// Writes an MP3 of a sine tone (with an ID3v2 tag, as music files have) of about `seconds`.
bool WriteTone(const std::string& path, double seconds, int frequency = 440);

// The test touch module, where the program using the harness was built with it (the end-to-end
// tests and the touch bench); empty elsewhere, where Fingers cannot be used.
#ifndef PANELIA_TOUCH_MODULE
#define PANELIA_TOUCH_MODULE ""
#endif
inline const std::string kTouchModule = PANELIA_TOUCH_MODULE;

inline const std::string kBinDir = PANELIA_BIN_DIR;
inline const std::string kPagesDir = PANELIA_E2E_PAGES;

}  // namespace panelia::e2e

namespace panelia::e2e {

// The test pages over HTTP on 127.0.0.1 (cookies and storage behave as on a real site, which they do
// not for file addresses), served from a thread of the test process.
class PageServer {
 public:
  PageServer();
  ~PageServer();
  PageServer(const PageServer&) = delete;
  PageServer& operator=(const PageServer&) = delete;
  // "http://127.0.0.1:PORT/" + page
  std::string Url(const std::string& page) const;
  int Port() const { return port_; }
  // The server goes away (connections refused) and comes back on the same port.
  void Pause();
  void Resume();
  // The first line of every request so far: "GET /page.html HTTP/1.1", or with a whole address
  // ("GET http://host/page.html HTTP/1.1") when a browser takes the server for its proxy, which it
  // then is: it serves the page named whatever the host.
  std::vector<std::string> Requests();

 private:
  void Open();
  void Close();
  void Serve();
  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex requests_lock_;
  std::vector<std::string> requests_;
};

}  // namespace panelia::e2e
