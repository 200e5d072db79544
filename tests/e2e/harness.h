// End-to-end test support: a private Xvfb + openbox display per test, an isolated home and settings
// store, the programs as child processes, and what a visitor or partner program can see on X.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/store/sqlite_registry.h"

namespace panelia::e2e {

using namespace std::chrono_literals;

class Process {
 public:
  Process() = default;
  Process(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
          const std::string& cwd, const std::string& log_file);
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

class VirtualDisplay {
 public:
  explicit VirtualDisplay(bool with_window_manager = true, const std::string& screen = "1280x800x24");
  ~VirtualDisplay();
  const std::string& Name() const { return name_; }
  Display* X() const { return x_; }

 private:
  std::string name_;
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

 private:
  std::filesystem::path root_;
  std::map<std::string, std::string> env_;
  std::unique_ptr<SqliteRegistry> store_;
  int runs_ = 0;
};

std::vector<Window> FindWindowsByClass(Display* x, const std::string& klass);
// The 32-bit items of a window property (atoms, windows, numbers); empty when it is absent.
std::vector<unsigned long> PropertyItems(Display* x, Window w, const char* property, Atom type);
std::string WindowTitle(Display* x, Window w);
std::vector<Window> ClientList(Display* x);
void SendCloseRequest(Display* x, Window w);  // WM_DELETE_WINDOW, as a window manager sends it
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
// Waits until a window of the class shows exactly this title; returns the last title seen.
std::string WaitForTitle(Display* x, const std::string& klass, const std::string& title,
                         std::chrono::milliseconds timeout = 30s);

inline const std::string kBinDir = PANELIA_BIN_DIR;
inline const std::string kPagesDir = PANELIA_E2E_PAGES;

}  // namespace panelia::e2e
