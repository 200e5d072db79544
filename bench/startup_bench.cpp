// Start-up to home page shown, for Panelia and for a bare WebKitGTK window in the same run, and the
// memory (PSS) of Panelia's whole process tree on its home page.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>
#include <sstream>
#include <thread>

#include "bench_util.h"
#include "common/settings.h"
#include "harness.h"

using namespace panelia;
using namespace panelia::e2e;
namespace bench = panelia::bench;

namespace {

std::vector<pid_t> ProcessTree(pid_t root) {
  std::map<pid_t, pid_t> parent;
  if (DIR* d = opendir("/proc")) {
    while (dirent* e = readdir(d)) {
      pid_t pid = atoi(e->d_name);
      if (pid <= 0) continue;
      std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
      std::string line;
      std::getline(stat, line);
      auto close = line.rfind(')');
      if (close == std::string::npos) continue;
      std::istringstream rest(line.substr(close + 2));
      char state;
      pid_t ppid;
      rest >> state >> ppid;
      parent[pid] = ppid;
    }
    closedir(d);
  }
  std::vector<pid_t> tree = {root};
  for (size_t i = 0; i < tree.size(); ++i)
    for (auto& [pid, ppid] : parent)
      if (ppid == tree[i]) tree.push_back(pid);
  return tree;
}

// `title` is the window's whole title, or its end when `title_end` is set (surf puts its state first).
// The start-up's phases as Panelia marks them (PANELIA_STARTUP_TRACE), in ms from the spawn.
using Phases = std::map<std::string, double>;

double TimeToTitle(KioskEnvironment& env, VirtualDisplay& display, const std::vector<std::string>& argv,
                   const std::string& klass, const std::string& title, long* pss_kb = nullptr, bool title_end = false,
                   Phases* phases = nullptr) {
  auto vars = env.Env();
  const std::string trace = (env.Root() / "startup.trace").string();
  if (phases) {
    std::remove(trace.c_str());
    vars["PANELIA_STARTUP_TRACE"] = trace;
  }
  auto start = std::chrono::steady_clock::now();
  Process p(argv, vars, kBinDir, (env.Root() / "bench.log").string());
  bool shown = WaitUntil(
      [&] {
        for (Window w : FindWindowsByClass(display.X(), klass)) {
          std::string shown_title = WindowTitle(display.X(), w);
          if (title_end ? shown_title.ends_with(title) : shown_title == title) return true;
        }
        return false;
      },
      60s);
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (phases) {
    // steady_clock is the monotonic clock the marks are taken on.
    const double start_us =
        static_cast<double>(std::chrono::duration_cast<std::chrono::microseconds>(start.time_since_epoch()).count());
    std::this_thread::sleep_for(300ms);  // a paint after the title
    std::ifstream in(trace);
    std::string phase;
    long long at = 0;
    while (in >> phase >> at) (*phases)[phase] = (static_cast<double>(at) - start_us) / 1000.0;
  }
  if (pss_kb) {
    std::this_thread::sleep_for(2s);  // let the splash go and the page settle
    *pss_kb = 0;
    for (pid_t pid : ProcessTree(p.pid())) {
      const long own = std::max(0L, bench::PssKiB(pid));  // a process gone meanwhile counts nothing
      *pss_kb += own;
      std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
      std::string name;
      std::getline(comm, name);
      // Each web process on its own: the page's and the bar's.
      if (name.starts_with("WebKitWebProces"))
        std::printf("  %s %d: PSS %.1f MiB\n", name.c_str(), static_cast<int>(pid), static_cast<double>(own) / 1024.0);
    }
  }
  p.Stop();
  return shown ? ms : -1;
}

}  // namespace

int main() {
  VirtualDisplay display;
  KioskEnvironment env(display);
  std::string home = "file://" + kBinDir + "demo/index.html";
  env.Store().Apply({
      {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General), "SoftHomeUrl",
       RegValue::Text(home)},
      {RegChange::Kind::SetValue, Hive::LocalMachine, std::string(kSuiteRootKey), "Initiated", RegValue::Dword(1)},
      {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Advance), "IsScriptDebug",
       RegValue::Dword(1)},
  });
  const std::string title = "欢迎 · 城市信息亭";
  std::vector<double> panelia, bare;
  std::map<std::string, std::vector<double>> phase_runs;
  long pss = 0;
  const int runs = 7;
  TimeToTitle(env, display, {kBinDir + "bare_webkit", home}, "BareWebKit", title);  // warm the caches once
  for (int i = 0; i < runs; ++i) {
    bare.push_back(TimeToTitle(env, display, {kBinDir + "bare_webkit", home}, "BareWebKit", title));
    Phases phases;
    panelia.push_back(TimeToTitle(env, display, {kBinDir + "panelia"}, "PaneliaClass4.0",
                                  title + " - Panelia触摸屏浏览器", i == runs - 1 ? &pss : nullptr, false, &phases));
    for (const auto& [phase, at] : phases) phase_runs[phase].push_back(at);
  }
  double p = bench::Median(panelia), b = bench::Median(bare);
  std::printf(
      "start-up to home page shown (median of %d): panelia %.0f ms, bare WebKitGTK window %.0f ms, ratio %.2f\n", runs,
      p, b, p / b);
  std::printf("memory on the home page: PSS of panelia's process tree %.1f MiB\n", static_cast<double>(pss) / 1024.0);
  // Each phase's end (median), in the order they came, with its share of the start-up.
  std::vector<std::pair<double, std::string>> ends;
  for (const auto& [phase, at] : phase_runs) ends.emplace_back(bench::Median(at), phase);
  std::ranges::sort(ends);
  double before = 0;
  std::printf("start-up phases of panelia (median end after the spawn, the phase's own time, its share):\n");
  for (const auto& [at, phase] : ends) {
    std::printf("  %-10s %6.0f ms  %+6.0f ms  %3.0f %%\n", phase.c_str(), at, at - before, 100.0 * (at - before) / p);
    before = at;
  }
  // The same page in surf, a small browser on the same engine, in the same run (installed by run.sh).
  if (access("/usr/bin/surf", X_OK) == 0) {
    long surf_pss = 0;
    if (TimeToTitle(env, display, {"/usr/bin/surf", home}, "Surf", " | " + title, &surf_pss, true) > 0)
      std::printf("memory on the home page: PSS of surf's process tree %.1f MiB (panelia x%.2f of it)\n",
                  static_cast<double>(surf_pss) / 1024.0, static_cast<double>(pss) / static_cast<double>(surf_pss));
  }
  return 0;
}
