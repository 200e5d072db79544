#include "harness.h"

#include <gst/gst.h>

#include "platform/x11/messages.h"
#include "platform/x11/window_lookup.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <poll.h>
#include <sys/prctl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace panelia::e2e {

Process::Process(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                 const std::string& cwd, const std::string& log_file, int inherit_fd) {
  pid_t parent = getpid();
  pid_ = fork();
  if (pid_ != 0) return;
  setpgid(0, 0);
  // A test process that dies (a crash, a timeout's kill) takes its children with it.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(125);
  if (inherit_fd >= 0) fcntl(inherit_fd, F_SETFD, 0);
  for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
  if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
  int fd = open(log_file.empty() ? "/dev/null" : log_file.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd >= 0) {
    dup2(fd, 1);
    dup2(fd, 2);
    close(fd);
  }
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

Process::Process(Process&& other) noexcept {
  *this = std::move(other);
}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Stop();
    pid_ = std::exchange(other.pid_, -1);
    status_ = std::exchange(other.status_, std::nullopt);
  }
  return *this;
}

bool Process::Running() {
  if (pid_ <= 0 || status_) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return true;
}

std::optional<int> Process::Wait(std::chrono::milliseconds timeout) {
  WaitUntil([&] { return !Running(); }, timeout);
  return status_;
}

void Process::Stop() {
  if (pid_ <= 0) return;
  if (Running()) {
    kill(-pid_, SIGTERM);
    kill(pid_, SIGTERM);
    if (!Wait(3s)) {
      kill(-pid_, SIGKILL);
      kill(pid_, SIGKILL);
      int status;
      waitpid(pid_, &status, 0);
    }
  }
  // Whatever the program left in its process group (web processes) goes with it.
  kill(-pid_, SIGKILL);
  pid_ = -1;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return condition();
}

namespace {

// The display number Xvfb writes to its -displayfd once it accepts connections; "" after `timeout`.
std::string ReadDisplayNumber(int fd, std::chrono::milliseconds timeout) {
  std::string number;
  auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return "";
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return "";
    char c;
    if (read(fd, &c, 1) != 1) return "";
    if (c == '\n') return number;
    number += c;
  }
}

}  // namespace

VirtualDisplay::VirtualDisplay(bool with_window_manager, const std::vector<std::string>& screens,
                               const std::vector<std::string>& monitors, bool with_authority) {
  // Xvfb chooses a free display number itself: no race with other tests for one.
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    error_ = "no pipe for Xvfb";
    return;
  }
  std::vector<std::string> argv = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-noreset", "-nolisten", "tcp"};
  for (size_t i = 0; i < screens.size(); ++i) argv.insert(argv.end(), {"-screen", std::to_string(i), screens[i]});
  // Several screens are one desktop, side by side, each a monitor.
  if (screens.size() > 1) argv.push_back("+xinerama");
  if (with_authority) {
    // One cookie for whatever number Xvfb picks: an entry of the "any address, any display" family.
    std::string pattern = (std::filesystem::temp_directory_path() / "panelia-e2e-auth-XXXXXX").string();
    int fd = mkstemp(pattern.data());
    std::string cookie(16, '\0');
    std::ifstream("/dev/urandom", std::ios::binary).read(cookie.data(), 16);
    const std::string method = "MIT-MAGIC-COOKIE-1";
    std::string entry = {'\xff', '\xff', 0, 0, 0, 0, 0, static_cast<char>(method.size())};
    entry += method + std::string{0, 16} + cookie;
    bool written = fd >= 0 && write(fd, entry.data(), entry.size()) == static_cast<ssize_t>(entry.size());
    if (fd >= 0) close(fd);
    if (!written) {
      error_ = "the display's authority file could not be written";
      return;
    }
    authority_ = pattern;
    setenv("XAUTHORITY", authority_.c_str(), 1);
    argv.insert(argv.end(), {"-auth", authority_});
  }
  xvfb_ = Process(argv, {}, "", "", fds[1]);
  close(fds[1]);
  std::string number = ReadDisplayNumber(fds[0], 15s);
  close(fds[0]);
  if (number.empty()) {
    error_ = "Xvfb did not report a display within 15 seconds";
    return;
  }
  name_ = ":" + number;
  // The tests look at windows that come and go under them (menus, boxes closing by themselves): a
  // window gone between the listing and the question is no failure of the kiosk, and Xlib's default
  // would end the whole test program for it.
  XSetErrorHandler(+[](Display*, XErrorEvent* e) {
    if (e->error_code != BadWindow && e->error_code != BadDrawable && e->error_code != BadMatch)
      std::fprintf(stderr, "e2e: X error %d (request %d)\n", e->error_code, e->request_code);
    return 0;
  });
  x_ = XOpenDisplay(name_.c_str());
  if (!x_) {
    error_ = "cannot connect to Xvfb on " + name_;
    return;
  }
  for (const std::string& monitor : monitors) {
    std::vector<std::string> xrandr = {"xrandr", "--setmonitor"};
    std::istringstream words(monitor);
    for (std::string word; words >> word;) xrandr.push_back(word);
    if (Process(xrandr, {{"DISPLAY", name_}}, "", "").Wait(10s) != 0) {
      error_ = "xrandr could not set the monitor " + monitor;
      return;
    }
  }
  if (with_window_manager) {
    std::map<std::string, std::string> wm_env = {{"DISPLAY", name_}};
    if (!authority_.empty()) wm_env["XAUTHORITY"] = authority_;
    wm_ = Process({"openbox"}, wm_env, "", "");
    // openbox announces itself through _NET_SUPPORTING_WM_CHECK on the root window.
    if (!WaitUntil(
            [&] { return PropertyItems(x_, DefaultRootWindow(x_), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).size() == 1; },
            10s)) {
      error_ = "openbox did not start on " + name_;
      return;
    }
    // It names itself before it manages windows: wait until it has framed a window of ours.
    // A map request made while it still starts may go unanswered: a fresh window each round.
    Window probe = 0;
    if (!WaitUntil(
            [&] {
              if (probe) XDestroyWindow(x_, probe);
              probe = XCreateSimpleWindow(x_, DefaultRootWindow(x_), 0, 0, 10, 10, 0, 0, 0);
              XMapWindow(x_, probe);
              XSync(x_, False);
              return WaitUntil([&] { return PropertyItems(x_, probe, "_NET_FRAME_EXTENTS", XA_CARDINAL).size() == 4; },
                               300ms);
            },
            10s))
      error_ = "openbox does not manage windows on " + name_;
    XDestroyWindow(x_, probe);
    XSync(x_, False);
  }
}

VirtualDisplay::~VirtualDisplay() {
  wm_.Stop();
  if (x_) XCloseDisplay(x_);
  xvfb_.Stop();
  if (!authority_.empty()) {
    unsetenv("XAUTHORITY");
    std::filesystem::remove(authority_);
  }
}

KioskEnvironment::KioskEnvironment(const VirtualDisplay& display) {
  std::string pattern = (std::filesystem::temp_directory_path() / "panelia-e2e-XXXXXX").string();
  root_ = mkdtemp(pattern.data());
  for (const char* sub : {"home", "data", "config", "cache", "runtime", "registry"})
    std::filesystem::create_directories(root_ / sub);
  std::filesystem::permissions(root_ / "runtime", std::filesystem::perms::owner_all);
  env_ = {
      {"DISPLAY", display.Name()},
      {"HOME", (root_ / "home").string()},
      {"XDG_DATA_HOME", (root_ / "data").string()},
      {"XDG_CONFIG_HOME", (root_ / "config").string()},
      {"XDG_CACHE_HOME", (root_ / "cache").string()},
      {"XDG_RUNTIME_DIR", (root_ / "runtime").string()},
      {"PANELIA_REGISTRY_DIR", (root_ / "registry").string()},
      {"PANELIA_AUDIO_SINK", "fakesink sync=true"},
      {"PANELIA_POWEROFF_COMMAND", "true"},
      // The toolkit and the engine keep caches alive until exit; only our own leaks matter, and
      // the unit tests catch those.
      {"ASAN_OPTIONS", "detect_leaks=0"},
      {"NO_AT_BRIDGE", "1"},
  };
  if (!display.Authority().empty()) env_["XAUTHORITY"] = display.Authority();
  store_ = std::make_unique<SqliteRegistry>(Files());
}

KioskEnvironment::~KioskEnvironment() {
  std::error_code ec;
  if (!getenv("PANELIA_KEEP_E2E")) std::filesystem::remove_all(root_, ec);
}

RegistryFiles KioskEnvironment::Files() const {
  return {root_ / "registry" / "HKEY_LOCAL_MACHINE.db", root_ / "registry" / "HKEY_CURRENT_USER.db"};
}

Process KioskEnvironment::StartPanelia(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {kBinDir + "panelia"};
  argv.insert(argv.end(), args.begin(), args.end());
  ++runs_;
  return Process(argv, env_, kBinDir, (root_ / "panelia.log").string());
}

int KioskEnvironment::Send(const std::vector<std::string>& args) const {
  std::vector<std::string> argv = {kBinDir + "panelia-send"};
  argv.insert(argv.end(), args.begin(), args.end());
  Process p(argv, env_, "", "");
  return p.Wait(20s).value_or(-1);
}

std::string KioskEnvironment::Log() const {
  std::ifstream in(root_ / "panelia.log");
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<Window> FindWindowsByClass(Display* x, const std::string& klass) {
  return x11::FindClientWindowsByClass(x, klass);
}

unsigned long PixelAt(Display* x, int px, int py) {
  XImage* image = XGetImage(x, DefaultRootWindow(x), px, py, 1, 1, AllPlanes, ZPixmap);
  if (!image) return 0;
  unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
  XDestroyImage(image);
  return pixel;
}

std::vector<unsigned long> PropertyItems(Display* x, Window w, const char* property, Atom type) {
  return x11::PropertyItems(x, w, property, type);
}

std::string WindowTitle(Display* x, Window w) {
  return x11::WindowTitle(x, w);
}

std::vector<Window> ClientList(Display* x) {
  auto items = PropertyItems(x, DefaultRootWindow(x), "_NET_CLIENT_LIST", XA_WINDOW);
  return std::vector<Window>(items.begin(), items.end());
}

void SendCloseRequest(Display* x, Window w) {
  XEvent e = x11::ClientMessageTo(w, x11::AtomOf(x, "WM_PROTOCOLS"),
                                  {static_cast<long>(x11::AtomOf(x, "WM_DELETE_WINDOW")), CurrentTime});
  XSendEvent(x, w, False, NoEventMask, &e);
  XFlush(x);
}

void RequestWindowState(Display* x, Window w, int action, const char* state) {
  XEvent e = x11::ClientMessageTo(w, x11::AtomOf(x, "_NET_WM_STATE"),
                                  {action, static_cast<long>(x11::AtomOf(x, state)), 0, 1});
  XSendEvent(x, DefaultRootWindow(x), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  XFlush(x);
}

PropertyWatch::PropertyWatch(Display* x, Window w, const char* property)
    : x_(x), w_(w), property_(XInternAtom(x, property, False)) {
  XWindowAttributes a{};
  XGetWindowAttributes(x, w, &a);
  XSelectInput(x, w, a.your_event_mask | PropertyChangeMask);
  XSync(x, False);
}

int PropertyWatch::Changes() {
  XSync(x_, False);
  XEvent e;
  while (XCheckTypedWindowEvent(x_, w_, PropertyNotify, &e))
    if (e.xproperty.atom == property_) ++changes_;
  return changes_;
}

Fingers::Fingers(const std::filesystem::path& dir) : fifo_(dir / "touch.fifo"), log_(dir / "touch.log") {
  mkfifo(fifo_.c_str(), 0600);
  // Read and write, so opening never waits for the program, and its reads never see an end.
  fd_ = open(fifo_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

Fingers::~Fingers() {
  if (fd_ >= 0) close(fd_);
}

std::map<std::string, std::string> Fingers::Env(const std::string& program) const {
  return {{"GTK_MODULES", kTouchModule},
          {"PANELIA_TOUCH_FIFO", fifo_.string()},
          {"PANELIA_TOUCH_LOG", log_.string()},
          {"PANELIA_TOUCH_PROGRAM", program}};
}

bool Fingers::Gesture(const std::string& line) {
  if (fd_ < 0) return false;
  // The program reports each gesture it finished on a line of its own; a program started again
  // counts afresh, so the test waits for a line more, not for a number.
  auto lines = [&] {
    std::ifstream in(log_);
    std::vector<std::string> all;
    for (std::string l; std::getline(in, l);) all.push_back(l);
    return all;
  };
  const size_t before = lines().size();
  std::string text = line + "\n";
  if (write(fd_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return false;
  return WaitUntil(
      [&] {
        auto all = lines();
        if (all.size() <= before) return false;
        std::istringstream done(all[before]);
        std::string word;
        int number = 0;
        done >> word >> number >> last_start_us_ >> last_move_us_;
        return true;
      },
      10s);
}

bool Fingers::Tap(int x, int y) {
  return Gesture("tap " + std::to_string(x) + " " + std::to_string(y));
}
bool Fingers::Press(int x, int y, int ms) {
  return Gesture("press " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(ms));
}
bool Fingers::Drag(int x1, int y1, int x2, int y2, int ms) {
  return Gesture("drag " + std::to_string(x1) + " " + std::to_string(y1) + " " + std::to_string(x2) + " " +
                 std::to_string(y2) + " " + std::to_string(ms));
}
bool Fingers::Pinch(int cx, int cy, int from, int to, int ms) {
  return Gesture("pinch " + std::to_string(cx) + " " + std::to_string(cy) + " " + std::to_string(from) + " " +
                 std::to_string(to) + " " + std::to_string(ms));
}

bool Ping(Display* x, Window w, std::chrono::milliseconds timeout) {
  // A connection of its own: the answer comes to the root window, whose other events the caller's
  // connection should not collect.
  Display* own = XOpenDisplay(XDisplayString(x));
  if (!own) return false;
  Window root = DefaultRootWindow(own);
  XSelectInput(own, root, SubstructureNotifyMask);
  static unsigned long serial = 1;
  const unsigned long stamp = ++serial;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(own, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(own, "_NET_WM_PING", False));
  e.xclient.data.l[1] = static_cast<long>(stamp);
  e.xclient.data.l[2] = static_cast<long>(w);
  XSendEvent(own, w, False, NoEventMask, &e);
  XFlush(own);
  bool answered = WaitUntil(
      [&] {
        XEvent reply;
        while (XCheckTypedWindowEvent(own, root, ClientMessage, &reply))
          if (static_cast<unsigned long>(reply.xclient.data.l[1]) == stamp &&
              static_cast<Window>(reply.xclient.data.l[2]) == w)
            return true;
        return false;
      },
      timeout);
  XCloseDisplay(own);
  return answered;
}

bool AnswersThroughout(Display* x, Window w, std::chrono::milliseconds span) {
  const auto end = std::chrono::steady_clock::now() + span;
  do {
    if (!Ping(x, w)) return false;
    std::this_thread::sleep_for(50ms);  // the pace of the questions, not a wait for anything
  } while (std::chrono::steady_clock::now() < end);
  return true;
}

bool WindowManagerCaughtUp(Display* x, std::chrono::milliseconds timeout) {
  // A window manager takes its events in order: once it has framed a window mapped now, it has
  // handled every key and request that came before.
  Display* own = XOpenDisplay(XDisplayString(x));
  if (!own) return false;
  Window probe = XCreateSimpleWindow(own, DefaultRootWindow(own), 0, 0, 10, 10, 0, 0, 0);
  XMapWindow(own, probe);
  XFlush(own);
  Atom wm_state = XInternAtom(own, "WM_STATE", False);
  bool framed = WaitUntil([&] { return !PropertyItems(own, probe, "WM_STATE", wm_state).empty(); }, timeout);
  XDestroyWindow(own, probe);
  XSync(own, False);
  XCloseDisplay(own);
  // Gone from the window manager's list again before the caller counts windows.
  return framed && WaitUntil(
                       [&] {
                         auto list = ClientList(x);
                         return std::find(list.begin(), list.end(), probe) == list.end();
                       },
                       timeout);
}

Window WindowWithTitle(Display* x, const std::string& title) {
  for (Window w : ClientList(x))
    if (WindowTitle(x, w) == title) return w;
  return 0;
}

bool HasInputFocus(Display* x, Window w) {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(x, &focus, &revert);
  // The focus may sit on a child of the top-level window; walk up to the root.
  while (focus != 0 && focus != PointerRoot && focus != DefaultRootWindow(x)) {
    if (focus == w) return true;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(x, focus, &root, &parent, &children, &count)) return false;
    if (children) XFree(children);
    focus = parent;
  }
  return false;
}

Window WaitForFocusedWindow(Display* x, const std::string& title, std::chrono::milliseconds timeout) {
  Window w = 0;
  WaitUntil([&] { return (w = WindowWithTitle(x, title)) != 0 && HasInputFocus(x, w); }, timeout);
  return w != 0 && HasInputFocus(x, w) ? w : 0;
}

std::string WaitForTitle(Display* x, const std::string& klass, const std::string& title,
                         std::chrono::milliseconds timeout) {
  std::string last;
  WaitUntil(
      [&] {
        for (Window w : FindWindowsByClass(x, klass)) {
          last = WindowTitle(x, w);
          if (last == title) return true;
        }
        return false;
      },
      timeout);
  return last;
}

}  // namespace panelia::e2e

namespace panelia::e2e {

PageServer::PageServer() {
  Open();
}

void PageServer::Open() {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int yes = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port_));
  socklen_t length = sizeof address;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 16) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return;
  port_ = ntohs(address.sin_port);
  stop_ = false;
  thread_ = std::thread([this] { Serve(); });
}

void PageServer::Close() {
  stop_ = true;
  shutdown(listener_, SHUT_RDWR);
  close(listener_);
  if (thread_.joinable()) thread_.join();
}

PageServer::~PageServer() {
  Close();
}

void PageServer::Pause() {
  Close();
}

void PageServer::Resume() {
  Open();
}

std::vector<std::string> PageServer::Requests() {
  std::lock_guard<std::mutex> hold(requests_lock_);
  return requests_;
}

std::string PageServer::Url(const std::string& page) const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/" + page;
}

void PageServer::Serve() {
  while (!stop_) {
    int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      ssize_t got = recv(client, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      request.append(buffer, static_cast<size_t>(got));
    }
    {
      std::lock_guard<std::mutex> hold(requests_lock_);
      requests_.push_back(request.substr(0, request.find("\r\n")));
    }
    // "GET /page.html?query HTTP/1.1": the page's name, nothing above the pages folder. A proxy's
    // request names the whole address: its host is left out.
    std::string path;
    size_t start = request.find(' ');
    if (start != std::string::npos) path = request.substr(start + 1, request.find(' ', start + 1) - start - 1);
    if (path.rfind("http://", 0) == 0)
      path.erase(0, path.find('/', 7) == std::string::npos ? path.size() : path.find('/', 7));
    if (!path.empty()) path.erase(0, 1);
    path = path.substr(0, path.find_first_of("?#"));
    std::string body, status = "200 OK", extra;
    // "auth/probe" answers whether the browser sent credentials of its own accord; any other page
    // under "auth/" wants them (Basic), as a site behind a login box does.
    bool authorized = request.find("\r\nAuthorization: Basic ") != std::string::npos;
    // Any page under "save/" comes as a file to save, as a site's download link does.
    if (path.rfind("save/", 0) == 0) {
      path.erase(0, 5);
      extra = "Content-Disposition: attachment; filename=\"page.html\"\r\n";
    }
    if (path.rfind("auth/", 0) == 0) {
      path.erase(0, 5);
      if (path == "probe") {
        body = authorized ? "remembered" : "forgotten";
        path.clear();
      } else if (!authorized) {
        status = "401 Unauthorized";
        extra = "WWW-Authenticate: Basic realm=\"kiosk\"\r\n";
        path.clear();
      }
    }
    if (path.empty()) {
      if (body.empty() && status == "200 OK") status = "404 Not Found";
    } else if (path.find("..") != std::string::npos) {
      status = "404 Not Found";
    } else {
      std::ifstream in(kPagesDir + path, std::ios::binary);
      if (in)
        body.assign(std::istreambuf_iterator<char>(in), {});
      else
        status = "404 Not Found";
    }
    std::string head = "HTTP/1.1 " + status +
                       "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) +
                       "\r\n" + extra + "Connection: close\r\n\r\n";
    std::string reply = head + body;
    send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
    close(client);
  }
}

}  // namespace panelia::e2e

namespace panelia::e2e {

bool WriteTone(const std::string& path, double seconds, int frequency) {
  static const bool started = gst_init_check(nullptr, nullptr, nullptr);
  if (!started) return false;
  int buffers = static_cast<int>(seconds * 44100 / 1024);
  std::string line = "audiotestsrc num-buffers=" + std::to_string(buffers) +
                     " samplesperbuffer=1024 freq=" + std::to_string(frequency) +
                     " ! audio/x-raw,rate=44100,channels=2 ! audioconvert ! lamemp3enc ! "
                     "id3v2mux ! filesink name=out";
  GstElement* pipeline = gst_parse_launch(line.c_str(), nullptr);
  if (!pipeline) return false;
  GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
  g_object_set(out, "location", path.c_str(), nullptr);
  gst_object_unref(out);
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* end =
      gst_bus_timed_pop_filtered(bus, 30 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  bool ok = end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS;
  if (end) gst_message_unref(end);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return ok;
}

}  // namespace panelia::e2e

namespace panelia::e2e {

std::string ReadProcFile(const std::filesystem::path& path) {
  std::string text;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[4096];
  for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(got));
  close(fd);
  return text;
}

std::map<pid_t, ProcessInfo> ProcessTable() {
  std::map<pid_t, ProcessInfo> all;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    pid_t pid = std::atoi(entry.path().filename().c_str());
    if (pid <= 0) continue;
    const std::string text = ReadProcFile(entry.path() / "stat");
    size_t name = text.find('('), end = text.rfind(')');
    if (name == std::string::npos || end == std::string::npos) continue;
    all[pid] = {std::atoi(text.c_str() + end + 4), text.substr(name + 1, end - name - 1)};  // ") S PPID"
  }
  return all;
}

std::map<pid_t, ProcessInfo> ProcessesBelow(pid_t root) {
  auto all = ProcessTable();
  std::map<pid_t, ProcessInfo> below;
  std::vector<pid_t> queue = {root};
  while (!queue.empty()) {
    pid_t parent = queue.back();
    queue.pop_back();
    for (const auto& [pid, info] : all)
      if (info.parent == parent) {
        below[pid] = info;
        queue.push_back(pid);
      }
  }
  return below;
}

}  // namespace panelia::e2e
