#include "harness.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <thread>

namespace panelia::e2e {

Process::Process(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                 const std::string& cwd, const std::string& log_file) {
  pid_ = fork();
  if (pid_ != 0) return;
  setpgid(0, 0);
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

Process::Process(Process&& other) noexcept { *this = std::move(other); }

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

VirtualDisplay::VirtualDisplay(bool with_window_manager, const std::string& screen) {
  int n = 150 + static_cast<int>(getpid() % 200);
  for (;; ++n) {
    // Built with append: GCC 12 mistakes "literal" + std::string for an overlapping copy.
    std::string number = std::to_string(n);
    std::string socket = std::string("/tmp/.X11-unix/X").append(number);
    std::string lock = std::string("/tmp/.X").append(number).append("-lock");
    if (access(socket.c_str(), F_OK) != 0 && access(lock.c_str(), F_OK) != 0) break;
  }
  name_ = std::string(":").append(std::to_string(n));
  xvfb_ = Process({"Xvfb", name_, "-screen", "0", screen, "-noreset", "-nolisten", "tcp"}, {}, "", "");
  WaitUntil([&] { return (x_ = XOpenDisplay(name_.c_str())) != nullptr; }, 10s);
  if (with_window_manager && x_) {
    wm_ = Process({"openbox"}, {{"DISPLAY", name_}}, "", "");
    // openbox announces itself through _NET_SUPPORTING_WM_CHECK on the root window.
    WaitUntil([&] { return PropertyItems(x_, DefaultRootWindow(x_), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).size() == 1; },
              10s);
  }
}

VirtualDisplay::~VirtualDisplay() {
  wm_.Stop();
  if (x_) XCloseDisplay(x_);
  xvfb_.Stop();
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

std::string KioskEnvironment::Log() const {
  std::ifstream in(root_ / "panelia.log");
  return std::string(std::istreambuf_iterator<char>(in), {});
}

namespace {

void Walk(Display* x, Window w, const std::string& klass, std::vector<Window>& out) {
  XClassHint hint{};
  if (XGetClassHint(x, w, &hint)) {
    if (hint.res_class && klass == hint.res_class) out.push_back(w);
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
  }
  Window root, parent;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(x, w, &root, &parent, &children, &count)) return;
  for (unsigned int i = 0; i < count; ++i) Walk(x, children[i], klass, out);
  if (children) XFree(children);
}

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

std::vector<Window> FindWindowsByClass(Display* x, const std::string& klass) {
  // Windows come and go while we walk; a vanished one is no error.
  auto old = XSetErrorHandler(IgnoreErrors);
  std::vector<Window> out;
  Walk(x, DefaultRootWindow(x), klass, out);
  XSync(x, False);
  XSetErrorHandler(old);
  return out;
}

namespace {

// One property read; a window that vanished meanwhile reads as having no such property.
template <typename Use>
void ReadProperty(Display* x, Window w, const char* property, Atom type, Use use) {
  auto old = XSetErrorHandler(IgnoreErrors);
  Atom actual;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(x, w, XInternAtom(x, property, False), 0, 4096, False, type, &actual, &format, &count, &after,
                         &data) == Success &&
      data) {
    use(data, count);
  }
  if (data) XFree(data);
  XSync(x, False);
  XSetErrorHandler(old);
}

}  // namespace

std::vector<unsigned long> PropertyItems(Display* x, Window w, const char* property, Atom type) {
  std::vector<unsigned long> items;
  ReadProperty(x, w, property, type, [&](unsigned char* data, unsigned long count) {
    auto* words = reinterpret_cast<unsigned long*>(data);  // format 32 arrives as longs
    items.assign(words, words + count);
  });
  return items;
}

std::string WindowTitle(Display* x, Window w) {
  std::string title;
  ReadProperty(x, w, "_NET_WM_NAME", XInternAtom(x, "UTF8_STRING", False),
               [&](unsigned char* data, unsigned long count) { title.assign(reinterpret_cast<char*>(data), count); });
  return title;
}

std::vector<Window> ClientList(Display* x) {
  auto items = PropertyItems(x, DefaultRootWindow(x), "_NET_CLIENT_LIST", XA_WINDOW);
  return std::vector<Window>(items.begin(), items.end());
}

void SendCloseRequest(Display* x, Window w) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(x, w, False, NoEventMask, &e);
  XFlush(x);
}

std::string WaitForTitle(Display* x, const std::string& klass, const std::string& title,
                         std::chrono::milliseconds timeout) {
  std::string last;
  WaitUntil([&] {
    for (Window w : FindWindowsByClass(x, klass)) {
      last = WindowTitle(x, w);
      if (last == title) return true;
    }
    return false;
  }, timeout);
  return last;
}

}  // namespace panelia::e2e
