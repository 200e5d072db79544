// In-memory stand-ins for the platform ports, shared by the unit tests.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "browse/page_lists.h"
#include "browse/ports.h"
#include "common/registry.h"
#include "common/text.h"

namespace panelia::test {

// A settings store in memory that remembers every read, to pin the order settings are read in.
class MemoryRegistry : public RegistryStore {
 public:
  std::vector<std::string> reads;  // "key|name"
  std::vector<std::string> writes;
  bool fail_writes = false;
  bool fail_reads = false;  // a locked or corrupt store: every read is an error

  void Put(Hive hive, std::string_view key, std::string_view name, RegValue value) {
    CreateKey(hive, key);
    values_[Id(hive, key)][AsciiLower(name)] = {std::string(name), std::move(value)};
  }
  ValueRead QueryValue(Hive hive, std::string_view key, std::string_view name) override {
    reads.push_back(std::string(NormalizeKeyPath(key)) + "|" + std::string(name));
    if (fail_reads) return ValueRead::Error();
    auto k = values_.find(Id(hive, key));
    if (k == values_.end()) return std::nullopt;
    auto v = k->second.find(AsciiLower(name));
    if (v == k->second.end()) return std::nullopt;
    return v->second.second;
  }
  bool SetValue(Hive hive, std::string_view key, std::string_view name, const RegValue& value) override {
    if (fail_writes || !KeyExists(hive, key)) return false;
    writes.push_back(std::string(HiveName(hive)) + "\\" + NormalizeKeyPath(key) + "|" + std::string(name));
    values_[Id(hive, key)][AsciiLower(name)] = {std::string(name), value};
    return true;
  }
  bool KeyExists(Hive hive, std::string_view key) override { return keys_.count(Id(hive, key)) != 0; }
  bool CreateKey(Hive hive, std::string_view key) override {
    keys_.insert(Id(hive, key));
    return true;
  }
  bool DeleteKey(Hive hive, std::string_view key) override { return keys_.erase(Id(hive, key)) != 0; }
  bool DeleteValue(Hive hive, std::string_view key, std::string_view name) override {
    return values_[Id(hive, key)].erase(AsciiLower(name)) != 0;
  }
  std::optional<std::vector<std::pair<std::string, RegValue>>> ListValues(Hive hive, std::string_view key) override {
    if (!KeyExists(hive, key)) return std::nullopt;
    std::vector<std::pair<std::string, RegValue>> out;
    for (auto& [lower, entry] : values_[Id(hive, key)]) out.push_back(entry);
    return out;
  }
  std::optional<std::vector<std::string>> ListSubkeys(Hive, std::string_view) override {
    return std::vector<std::string>{};
  }
  bool Apply(const std::vector<RegChange>& changes) override {
    for (const auto& c : changes) {
      if (c.kind == RegChange::Kind::SetValue)
        Put(c.hive, c.key, c.name, c.value);
      else if (c.kind == RegChange::Kind::CreateKey)
        CreateKey(c.hive, c.key);
    }
    return true;
  }

 private:
  static std::string Id(Hive hive, std::string_view key) {
    return std::string(HiveName(hive)) + "\\" + AsciiLower(NormalizeKeyPath(key));
  }
  std::set<std::string> keys_;
  std::map<std::string, std::map<std::string, std::pair<std::string, RegValue>>> values_;
};

// Records every call as a line of text, so tests compare what happened, in order.
class CallLog {
 public:
  void Add(std::string call) { calls_.push_back(std::move(call)); }
  const std::vector<std::string>& Calls() const { return calls_; }
  void Clear() { calls_.clear(); }

 private:
  std::vector<std::string> calls_;
};

class FakeBrowser : public BrowserControl {
 public:
  explicit FakeBrowser(CallLog& log) : log_(log) {}
  void Navigate(const std::string& url) override { log_.Add("navigate " + url); }
  void GoHome() override { log_.Add("go-home"); }
  void GoBack() override { log_.Add("back"); }
  void GoForward() override { log_.Add("forward"); }
  void Stop() override { log_.Add("stop"); }
  void Refresh() override { log_.Add("refresh"); }
  std::string LocationUrl() const override { return location_url; }
  std::string LocationName() const override { return location_name; }
  std::string location_url, location_name;

 private:
  CallLog& log_;
};

class FakeTimers : public TimerService {
 public:
  explicit FakeTimers(CallLog& log) : log_(log) {}
  void SetTimer(int id, int ms) override { log_.Add("set-timer " + std::to_string(id) + " " + std::to_string(ms)); }
  void KillTimer(int id) override { log_.Add("kill-timer " + std::to_string(id)); }

 private:
  CallLog& log_;
};

// Page lists in memory by file name; a name without an entry cannot be opened.
class FakeLists : public PageListSource {
 public:
  explicit FakeLists(CallLog& log) : log_(log) {}
  std::optional<PageList> Read(std::string_view name) override {
    log_.Add("read " + std::string(name));
    auto it = files.find(std::string(name));
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  void ShowListError(const std::string& text) override { log_.Add("list-error " + text); }
  std::map<std::string, PageList> files;

 private:
  CallLog& log_;
};

class RecordingPage : public PageActions {
 public:
  explicit RecordingPage(CallLog& log) : log_(log) {}
  void ScrollBy(int dx, int dy) override { log_.Add("scroll-by " + std::to_string(dx) + "," + std::to_string(dy)); }
  void ScrollStepwise(int dx, int dy) override { log_.Add("scroll " + std::to_string(dx) + "," + std::to_string(dy)); }
  void HideScrollBars() override { log_.Add("hide-scroll-bars"); }
  void RetargetForms() override { log_.Add("retarget-forms"); }
  void ResetScale() override { log_.Add("reset-scale"); }
  // Answers at once unless the test holds the answer back.
  void ForgetVisitor(std::function<void()> then) override {
    log_.Add("forget-visitor");
    if (hold)
      pending = std::move(then);
    else
      then();
  }
  bool hold = false;
  std::function<void()> pending;
  void EditCommand(Edit edit) override { log_.Add("edit " + std::to_string(static_cast<int>(edit))); }
  void ShowFindBar() override { log_.Add("find-bar"); }
  void ShowSource() override { log_.Add("source"); }
  void SetTextZoom(double zoom) override { log_.Add("zoom " + std::to_string(zoom).substr(0, 4)); }
  void SetCharset(std::string_view label) override { log_.Add("charset " + std::string(label)); }
  void SetHighContrast(bool on) override { log_.Add(on ? "contrast on" : "contrast off"); }
  void ReadFromStart() override { log_.Add("read-from-start"); }

 private:
  CallLog& log_;
};

// Partners that do nothing and dispatch no command link.
struct NullPartners : ViewPartners {
  bool DispatchCommandLink(const std::string&) override { return false; }
  void StartBackgroundMusic(bool) override {}
  void ShowKeyboard(bool, int32_t) override {}
  void CloseKeyboard() override {}
  void KeepFieldVisible(const ScreenRect&, int, std::function<void(int)>) override {}
  void RequestMusicOn() override {}
  void RequestMusicOff() override {}
  void CloseCompanions() override {}
  void RequestExit() override {}
  void MarkBarRedirect() override {}
  bool StartReader() override { return false; }
  void StopReader() override {}
};

class RecordingHost : public ViewHost {
 public:
  explicit RecordingHost(CallLog& log) : log_(log) {}
  void SetMainWindowTitle(const std::string& title) override { log_.Add("title " + title); }
  bool IsNavigatorFixed() const override { return navigator_fixed; }
  void ShowBottomBar(bool show) override { log_.Add(show ? "bar-show" : "bar-hide"); }
  void ShowAbout() override { log_.Add("about"); }
  void OpenHelp() override { log_.Add("help"); }
  void ShowPageProperties() override { log_.Add("properties"); }
  std::string ModuleDirectory() const override { return module_directory; }
  std::string KioskDirectory() const override { return "/srv/kiosk/"; }
  void OnNewVisitor() override { log_.Add("new-visitor"); }
  std::pair<int, int> CursorPosition() override { return cursor; }
  bool InputSinceLastAsked() override { return std::exchange(input, false); }
  void WarnIdle(int seconds_left) override { log_.Add("warn " + std::to_string(seconds_left)); }
  void Tell(const std::string& text) override { log_.Add("tell " + text.substr(0, text.find('\n'))); }
  bool navigator_fixed = false;
  std::string module_directory = "/opt/panelia/";
  std::pair<int, int> cursor{0, 0};
  bool input = false;

 private:
  CallLog& log_;
};

}  // namespace panelia::test
