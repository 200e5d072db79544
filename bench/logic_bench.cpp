// Cost of the settings reads that start-up makes (each opens and closes the store), and of the
// bar's command-link dispatch that every navigation of both views runs.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "browse/bottom_view.h"
#include "browse/view.h"
#include "common/settings.h"
#include "platform/sqlite_registry.h"

namespace {

using namespace panelia;

struct Fixture {
  Fixture() {
    dir = std::filesystem::temp_directory_path() / ("panelia-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    store = std::make_unique<SqliteRegistry>(RegistryFiles{dir / "HKEY_LOCAL_MACHINE.db", dir / "HKEY_CURRENT_USER.db"});
    std::vector<RegChange> all;
    for (const SettingInfo* s : kAllSettings)
      all.push_back({RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(s->section), std::string(s->name),
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
    benchmark::DoNotOptimize(key.ReadDword("IsScriptDebug", v));
  }
}
BENCHMARK(BM_ReadDword);

void BM_WriteString(benchmark::State& state) {
  Fixture f;
  CRegistryKey key(*f.store);
  key.SetSubKey(kSuiteRootKey);
  for (auto _ : state) benchmark::DoNotOptimize(key.WriteString("AppPath", "/opt/panelia/panelia"));
}
BENCHMARK(BM_WriteString);

struct NullBrowser : BrowserControl {
  void Navigate(const std::string&) override {}
  void GoHome() override {}
  void GoBack() override {}
  void GoForward() override {}
  void Stop() override {}
  void Refresh() override {}
};
struct NullTimers : TimerService {
  void SetTimer(int, int) override {}
  void KillTimer(int) override {}
};
struct NullHost : ViewHost {
  void SetMainWindowTitle(const std::string&) override {}
};

// The main view reads its thirteen settings at construction.
void BM_ViewConstruction(benchmark::State& state) {
  Fixture f;
  NullBrowser browser;
  NullTimers timers;
  NullHost host;
  ViewPartners partners;
  for (auto _ : state) {
    CPaneliaView view(*f.store, browser, timers, host, partners);
    benchmark::DoNotOptimize(view.HomeAddress());
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
  NullBrowser browser;
  NullTimers timers;
  NullHost host;
  ViewPartners partners;
  CPaneliaView view(*f.store, browser, timers, host, partners);
  NullBar actions;
  CBottomView bar(browser, view, actions);
  const std::string url = state.range(0) == 0
                              ? "https://www.example.org/city/museum/exhibitions/2026/winter/index.html?lang=zh"
                              : "file:///opt/panelia/Style/Flowery/paneliascrolldown";
  for (auto _ : state) benchmark::DoNotOptimize(bar.DispatchCommandLink(url));
}
BENCHMARK(BM_DispatchCommandLink)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
