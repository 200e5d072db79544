// Start-up to home page shown, for Panelia and for a bare WebKitGTK window in the same run (and other
// browsers with --peers), the memory (PSS) of each whole process tree on that page, Panelia's
// start-up phases, and with --peers what each spends idle.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
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

// The program's processes: its descendants, and what it started detached in its process group
// (Panelia's companions), which the harness made the program's own.
std::vector<pid_t> ProcessTree(pid_t root) {
  std::map<pid_t, std::pair<pid_t, pid_t>> parent_and_group;
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
      pid_t ppid = 0, group = 0;
      rest >> state >> ppid >> group;
      parent_and_group[pid] = {ppid, group};
    }
    closedir(d);
  }
  std::vector<pid_t> tree = {root};
  for (size_t i = 0; i < tree.size(); ++i)
    for (auto& [pid, about] : parent_and_group)
      if (about.first == tree[i]) tree.push_back(pid);
  for (auto& [pid, about] : parent_and_group)
    if (about.second == root && std::ranges::find(tree, pid) == tree.end()) tree.push_back(pid);
  return tree;
}

// The start-up's phases as Panelia marks them (PANELIA_STARTUP_TRACE), in ms from the spawn.
using Phases = std::map<std::string, double>;

// A program that shows the same page in a window of its own.
struct Peer {
  std::string name;
  std::vector<std::string> argv;
  std::string klass;                               // its windows' WM_CLASS
  std::function<bool(const std::string&)> titled;  // its window's title once the page is there
  bool traced = false;                             // marks its start-up's phases
};

struct Run {
  double ms = -1;      // spawn to the page's title on a window; -1: never
  double pss_mib = 0;  // PSS of its whole process tree, 3 s later
  double idle_cpu_ms = -1;
  std::vector<std::pair<std::string, double>> processes;  // each process's PSS (MiB), by name
  Phases phases;
};

// CPU time (user + system) of a process, in ms; 0 when it is gone.
double CpuMs(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  auto close = line.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(line.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return static_cast<double>(utime + stime) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double TreeCpuMs(pid_t root) {
  double ms = 0;
  for (pid_t pid : ProcessTree(root)) ms += CpuMs(pid);
  return ms;
}

Run RunOnce(KioskEnvironment& env, VirtualDisplay& display, const Peer& peer, bool memory, bool idle) {
  Run run;
  auto vars = env.Env();
  const std::string trace = (env.Root() / "startup.trace").string();
  if (peer.traced) {
    std::remove(trace.c_str());
    vars["PANELIA_STARTUP_TRACE"] = trace;
  }
  auto start = std::chrono::steady_clock::now();
  Process p(peer.argv, vars, kBinDir, (env.Root() / "bench.log").string());
  bool shown = WaitUntil(
      [&] {
        for (Window w : FindWindowsByClass(display.X(), peer.klass))
          if (peer.titled(WindowTitle(display.X(), w))) return true;
        return false;
      },
      60s);
  if (shown) run.ms = bench::Ms(std::chrono::steady_clock::now() - start);
  if (peer.traced) {
    // steady_clock is the monotonic clock the marks are taken on.
    const double start_us =
        static_cast<double>(std::chrono::duration_cast<std::chrono::microseconds>(start.time_since_epoch()).count());
    std::this_thread::sleep_for(300ms);  // a paint after the title
    std::ifstream in(trace);
    std::string phase;
    long long at = 0;
    while (in >> phase >> at) run.phases[phase] = (static_cast<double>(at) - start_us) / 1000.0;
  }
  if (memory) {
    std::this_thread::sleep_for(3s);  // the splash gone, the page settled
    long kib = 0;
    for (pid_t pid : ProcessTree(p.pid())) {
      const long own = std::max(0L, bench::PssKiB(pid));  // a process gone meanwhile counts nothing
      kib += own;
      std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
      std::string name;
      std::getline(comm, name);
      run.processes.emplace_back(name, static_cast<double>(own) / 1024.0);
    }
    run.pss_mib = static_cast<double>(kib) / 1024.0;
  }
  if (idle && shown) {
    // Nobody touches it: what it spends on its own over half a minute, once it has settled.
    std::this_thread::sleep_for(10s);
    const double before = TreeCpuMs(p.pid());
    std::this_thread::sleep_for(30s);
    run.idle_cpu_ms = TreeCpuMs(p.pid()) - before;
  }
  p.Stop();
  return run;
}

void PrintPhases(const std::vector<Run>& runs, double total) {
  std::map<std::string, std::vector<double>> phase_runs;
  for (const Run& run : runs)
    for (const auto& [phase, at] : run.phases) phase_runs[phase].push_back(at);
  // Each phase's end (median), in the order they came, with its share of the start-up.
  std::vector<std::pair<double, std::string>> ends;
  for (const auto& [phase, at] : phase_runs) ends.emplace_back(bench::Median(at), phase);
  std::ranges::sort(ends);
  double before = 0;
  std::printf("start-up phases of panelia (median end after the spawn, the phase's own time, its share):\n");
  for (const auto& [at, phase] : ends) {
    std::printf("  %-10s %6.0f ms  %+6.0f ms  %3.0f %%\n", phase.c_str(), at, at - before,
                100.0 * (at - before) / total);
    before = at;
  }
}

}  // namespace

// startup_bench [--rounds N] [--peers]: Panelia against a bare WebKitGTK window, and with --peers
// against surf and Chromium where installed, and the idle cost of each.
int main(int argc, char** argv) {
  int rounds = 7;
  bool peers_too = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--peers") peers_too = true;
    if (arg == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
  }
  VirtualDisplay display(true, {"1024x768x24"});
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
  std::vector<Peer> peers = {
      {"panelia",
       {kBinDir + "panelia"},
       "PaneliaClass4.0",
       [&](const std::string& t) { return t == title + " - Panelia触摸屏浏览器"; },
       true},
      {"bare WebKitGTK",
       {kBinDir + "bare_webkit", home},
       "BareWebKit",
       [&](const std::string& t) { return t == title; }},
  };
  if (peers_too && access("/usr/bin/surf", X_OK) == 0)
    peers.push_back({"surf", {"/usr/bin/surf", home}, "Surf", [&](const std::string& t) {
                       return t.ends_with(" | " + title);  // surf puts its state first
                     }});
  if (peers_too && access("/usr/bin/chromium", X_OK) == 0) {
    const std::string profile = (env.Root() / "chromium").string();
    peers.push_back({"chromium --kiosk",
                     {"/usr/bin/chromium", "--kiosk", "--no-sandbox", "--no-first-run", "--noerrdialogs",
                      "--password-store=basic", "--user-data-dir=" + profile, home},
                     "Chromium",
                     [&](const std::string& t) { return t.starts_with(title); }});
  }
  for (const Peer& peer : peers) RunOnce(env, display, peer, false, false);  // warm the caches once
  std::vector<std::vector<Run>> runs(peers.size());
  for (int round = 0; round < rounds; ++round)
    for (size_t k = 0; k < peers.size(); ++k) {
      // Interleaved, and each round starting with another program, so no one always follows another.
      const size_t i = (k + static_cast<size_t>(round)) % peers.size();
      runs[i].push_back(RunOnce(env, display, peers[i], true, false));
    }
  std::vector<double> start_ms, pss, idle;
  for (size_t i = 0; i < peers.size(); ++i) {
    std::vector<double> ms, mib;
    for (const Run& run : runs[i]) {
      if (run.ms > 0) ms.push_back(run.ms);
      mib.push_back(run.pss_mib);
    }
    start_ms.push_back(bench::Median(ms));
    pss.push_back(bench::Median(mib));
    idle.push_back(peers_too ? RunOnce(env, display, peers[i], false, true).idle_cpu_ms : -1);
  }
  std::printf("the demo home page at 1024x768, medians of %d interleaved rounds:\n", rounds);
  std::printf("  %-16s %9s %7s %9s %7s", "program", "start ms", "ratio", "PSS MiB", "ratio");
  if (peers_too) std::printf(" %13s %7s", "idle CPU/30 s", "ratio");
  std::printf("\n");
  for (size_t i = 0; i < peers.size(); ++i) {
    // Each ratio is Panelia's figure over this program's: below 1, Panelia does better.
    std::printf("  %-16s %9.0f %7.2f %9.1f %7.2f", peers[i].name.c_str(), start_ms[i], start_ms[0] / start_ms[i],
                pss[i], pss[0] / pss[i]);
    if (peers_too) std::printf(" %10.0f ms %7.2f", idle[i], idle[i] > 0 ? idle[0] / idle[i] : 0.0);
    std::printf("\n");
  }
  // Panelia's processes, from its last round: the kiosk, its page's and its bar's web processes, the
  // network process and the companions.
  std::printf("panelia's processes on the home page (PSS):\n");
  for (const auto& [name, mib] : runs[0].back().processes) std::printf("  %-18s %6.1f MiB\n", name.c_str(), mib);
  PrintPhases(runs[0], start_ms[0]);
  return 0;
}
