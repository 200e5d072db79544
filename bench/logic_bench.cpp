// Cost of the settings reads that start-up makes (each opens and closes the store), and of the
// bar's command-link dispatch that every navigation of both views runs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <thread>

#include "browse/bottom_view.h"
#include "browse/view.h"
#include "common/settings.h"
#include "fakes.h"
#include "platform/store/sqlite_registry.h"

namespace {

using namespace panelia;

struct Fixture {
  Fixture() {
    dir = std::filesystem::temp_directory_path() / ("panelia-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    store =
        std::make_unique<SqliteRegistry>(RegistryFiles{dir / "HKEY_LOCAL_MACHINE.db", dir / "HKEY_CURRENT_USER.db"});
    std::vector<RegChange> all;
    for (const SettingInfo* s : kAllSettings)
      all.push_back(
          {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(s->section), std::string(s->name),
           s->type == ValueType::Dword ? RegValue::Dword(1) : RegValue::Text("file:///srv/kiosk/index.html")});
    store->Apply(all);
  }
  ~Fixture() { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
  std::unique_ptr<SqliteRegistry> store;
};

void BM_ReadDword(benchmark::State& state) {
  Fixture f;
  CRegistryKey key(*f.store);
  key.SetSubKey(SectionPath(Section::Advance));
  for (auto _ : state) {
    uint32_t v = 0;
    bool found = key.ReadDword("IsScriptDebug", v);
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_ReadDword);

void BM_WriteString(benchmark::State& state) {
  Fixture f;
  CRegistryKey key(*f.store);
  key.SetSubKey(kSuiteRootKey);
  for (auto _ : state) {
    bool written = key.WriteString("AppPath", "/opt/panelia/panelia");
    benchmark::DoNotOptimize(written);
  }
}
BENCHMARK(BM_WriteString);

struct NullBrowser : BrowserControl {
  void Navigate(const std::string&) override {}
  void GoHome() override {}
  void GoBack() override {}
  void GoForward() override {}
  void Stop() override {}
  void Refresh() override {}
  std::string LocationUrl() const override { return {}; }
  std::string LocationName() const override { return {}; }
};
struct NullTimers : TimerService {
  void SetTimer(int, int) override {}
  void KillTimer(int) override {}
};
struct NullHost : ViewHost {
  void SetMainWindowTitle(const std::string&) override {}
  bool IsNavigatorFixed() const override { return false; }
  void ShowBottomBar(bool) override {}
  void ShowAbout() override {}
  void OpenHelp() override {}
  void ShowPageProperties() override {}
  std::string ModuleDirectory() const override { return "/nonexistent/"; }
  std::string KioskDirectory() const override { return "/nonexistent/"; }
  void OnNewVisitor() override {}
  std::pair<int, int> CursorPosition() override { return {0, 0}; }
  bool InputSinceLastAsked() override { return false; }
  void WarnIdle(int) override {}
  void Tell(const std::string&) override {}
};
struct NullPage : PageActions {
  void ScrollBy(int, int) override {}
  void ScrollStepwise(int, int) override {}
  void HideScrollBars() override {}
  void RetargetForms() override {}
  void ForgetVisitor(std::function<void()> then) override { then(); }
  void ResetScale() override {}
  void EditCommand(Edit) override {}
  void ShowFindBar() override {}
  void ShowSource() override {}
  void SetTextZoom(double) override {}
  void SetHighContrast(bool) override {}
  void ReadFromStart() override {}
  void SetCharset(std::string_view) override {}
};
struct FileLists : PageListSource {
  explicit FileLists(std::filesystem::path dir) : dir_(std::move(dir)) {}
  std::optional<PageList> Read(std::string_view name) override { return ReadPageListFile(dir_ / std::string(name)); }
  std::optional<FileStamp> Stamp(std::string_view name) override { return StampOfFile(dir_ / std::string(name)); }
  void ShowListError(const std::string&) override {}
  std::filesystem::path dir_;
};

// Everything a main view talks to, doing nothing; the lists are files in the fixture's folder.
struct ViewRig {
  explicit ViewRig(Fixture& f) : files(f.dir), lists(files) {}
  CPaneliaView MakeView(Fixture& f) { return CPaneliaView(*f.store, browser, timers, host, partners, page, lists); }
  NullBrowser browser;
  NullTimers timers;
  NullHost host;
  test::NullPartners partners;
  NullPage page;
  FileLists files;
  CPageLists lists;
};

// The main view reads its thirteen settings at construction.
void BM_ViewConstruction(benchmark::State& state) {
  Fixture f;
  ViewRig rig(f);
  for (auto _ : state) {
    CPaneliaView view = rig.MakeView(f);
    const std::string* home = &view.HomeAddress();
    benchmark::DoNotOptimize(home);
  }
}
BENCHMARK(BM_ViewConstruction);

struct NullBar : BarActions {
  void RequestExit(bool) override {}
  void PrintMainPage() override {}
  void PlaceBar(int, int) override {}
  void CloseCompanions() override {}
};

// An ordinary address (no keyword: the common case on every page navigation) and a command link.
void BM_DispatchCommandLink(benchmark::State& state) {
  Fixture f;
  ViewRig rig(f);
  CPaneliaView view = rig.MakeView(f);
  NullBar actions;
  CBottomView bar(rig.browser, view, actions);
  const std::string url = state.range(0) == 0
                              ? "https://www.example.org/city/museum/exhibitions/2026/winter/index.html?lang=zh"
                              : "file:///opt/panelia/Style/Flowery/paneliascrolldown";
  for (auto _ : state) {
    auto handled = bar.DispatchCommandLink(url);
    benchmark::DoNotOptimize(handled);
  }
}
BENCHMARK(BM_DispatchCommandLink)->Arg(0)->Arg(1);

// The whole navigation check of the main view as a visitor's touch runs it: "limit.dat" and
// "Show.dat" before the page, "stop.dat" after it, N entries each, each file looked at on disk at
// every navigation as the kiosk does. The address matches no entry.
void BM_NavigationCheck(benchmark::State& state) {
  Fixture f;
  for (const char* name : {"limit.dat", "Show.dat", "stop.dat"}) {
    std::ofstream out(f.dir / name);
    for (int64_t i = 0; i < state.range(0); ++i) out << "http://site-" << i << ".example.org/exhibition/\n";
  }
  // Lists an operator wrote more than two seconds ago, as on a running kiosk: a file written just
  // now is read again at every question until its stamp can be trusted.
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  ViewRig rig(f);
  CPaneliaView view = rig.MakeView(f);
  const std::string url = "https://www.example.org/city/museum/exhibitions/2026/winter/index.html?lang=zh";
  std::vector<double> us;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    bool cancel = false;
    // A visitor's touch on a local kiosk page: the command-link rule runs in full too.
    view.OnBeforeNavigate2(url, cancel, {true, "file:///srv/kiosk/%E5%B1%95%E8%A7%88/menu/index.html", false});
    view.OnNavigateComplete2(url);
    benchmark::DoNotOptimize(cancel);
    us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  std::nth_element(us.begin(), us.begin() + static_cast<long>(us.size() / 2), us.end());
  state.counters["median_us"] = us[us.size() / 2];
  state.SetItemsProcessed(state.iterations() * state.range(0) * 3);
}
// Whether a touched link may run a command: a web page checked against 20 operator sites (no match,
// every entry compared) and a local page against the kiosk and program folders.
void BM_CommandLinkRule(benchmark::State& state) {
  std::vector<std::string> sites;
  for (int i = 0; i < 20; ++i) sites.push_back("https://kiosk-" + std::to_string(i) + ".example.org/pages/");
  const std::vector<std::string> folders = {"/var/lib/panelia/kiosk/", "/usr/lib/panelia/"};
  NavigationOrigin origin{true,
                          state.range(0) == 0 ? "https://www.example.org/city/museum/exhibitions/index.html"
                                              : "file:///var/lib/panelia/kiosk/%E5%B1%95%E8%A7%88/../menu/index.html",
                          false};
  const std::string url = "https://www.example.org/city/paneliagohome?lang=zh";
  for (auto _ : state) {
    auto part = CommandLinkPart(url, origin, folders, sites);
    benchmark::DoNotOptimize(part);
  }
}
BENCHMARK(BM_CommandLinkRule)->Arg(0)->Arg(1);

// One idle tick of timer 6 with the idle return on (the cursor read is the host's; here it costs
// nothing, on X it is one pointer query).
void BM_IdleTick(benchmark::State& state) {
  Fixture f;
  ViewRig rig(f);
  CPaneliaView view = rig.MakeView(f);
  for (auto _ : state) view.OnTimer(CPaneliaView::kIdleTimer);
}
BENCHMARK(BM_IdleTick);

BENCHMARK(BM_NavigationCheck)->Arg(10)->Arg(10000)->Iterations(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NavigationCheck)->Arg(100000)->Iterations(20)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
