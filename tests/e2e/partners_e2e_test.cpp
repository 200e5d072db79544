// Partners and the settings store misbehaving: a partner stopped or killed mid-message, the settings
// file deleted while the kiosk runs, writers killed mid-write.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>

#include <signal.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "common/names.h"
#include "common/settings.h"
#include "common/text.h"
#include "harness.h"
#include "suite_fixture.h"
#include "keyboard/key_table.h"

namespace panelia::e2e {
namespace {

pid_t ProcessWith(const std::string& program, const std::string& argument) {
  for (const auto& entry : fs::directory_iterator("/proc")) {
    pid_t pid = std::atoi(entry.path().filename().c_str());
    if (pid <= 0) continue;
    const std::string line = ReadProcFile(entry.path() / "cmdline");
    std::vector<std::string> words;
    for (size_t start = 0; start < line.size();) {
      size_t end = line.find('\0', start);
      if (end == std::string::npos) end = line.size();
      words.push_back(line.substr(start, end - start));
      start = end + 1;
    }
    if (!words.empty() && words[0].ends_with(program) && std::find(words.begin(), words.end(), argument) != words.end())
      return pid;
  }
  return 0;
}

// A partner stopped or killed while the kiosk talks to it costs the visitor one reply wait at
// most; the kiosk answers again afterwards and the bar works.
TEST_F(SuiteE2E, APartnerStoppedOrKilledMidMessageCostsAtMostOneWait) {
  const struct {
    const char* klass;
    int signal;
  } cases[] = {{"SonavelleClass4.0", SIGSTOP},
               {"SonavelleClass4.0", SIGKILL},
               {"GlyphdeckClass4.0", SIGSTOP},
               {"GlyphdeckClass4.0", SIGKILL}};
  MakeModule();
  // Silence on the target page: going there and back asks the player twice.
  std::ofstream(module_ / "stop.dat") << AsciiLower("file://" + kPagesDir + "target.html") << "\n";
  Seed(true);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.klass) + " signal " + std::to_string(c.signal));
    Process kiosk = Start();
    ASSERT_TRUE(TitleBecomes("S 0")) << env_.Log();
    WaitForBar();
    if (std::string(c.klass) == "GlyphdeckClass4.0") Touch(kKeyboard);
    ASSERT_TRUE(WaitUntil([&] { return !FindWindowsByClass(display_.X(), c.klass).empty(); }, 10s));
    pid_t partner = ProcessWith("partner_stub", c.klass);
    ASSERT_GT(partner, 0);
    kill(partner, c.signal);
    // Each navigation asks the player for music or silence; the keyboard is raised or closed.
    auto start = std::chrono::steady_clock::now();
    Touch(kUserUrl3);
    EXPECT_TRUE(TitleBecomes("E2E Target", 10s));
    Touch(kKeyboard);
    EXPECT_TRUE(WaitUntil([&] { return Send({"input-method", "0"}) == 0; }, 15s));
    auto first = std::chrono::steady_clock::now() - start;
    EXPECT_LT(first, 8s) << "one wait of five seconds at most, then the kiosk answers";
    std::cout << "[ info ] " << c.klass << " signal " << c.signal << ": the kiosk answered after "
              << std::chrono::duration_cast<std::chrono::milliseconds>(first).count() << " ms\n";
    start = std::chrono::steady_clock::now();
    Touch(kHome);
    EXPECT_TRUE(TitleBecomes("S 0", 10s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);
    EXPECT_TRUE(kiosk.Running());
    if (c.signal == SIGSTOP) kill(partner, SIGCONT);
    SendCloseRequest(display_.X(), FindWindowsByClass(display_.X(), kClass).at(0));
    EXPECT_EQ(kiosk.Wait(20s), 0) << env_.Log();
    for (const char* klass : {"SonavelleClass4.0", "GlyphdeckClass4.0"})
      if (pid_t left = ProcessWith("partner_stub", klass)) kill(left, SIGKILL);
    ASSERT_TRUE(WaitUntil([&] { return FindWindowsByClass(display_.X(), "SonavelleClass4.0").empty(); }, 5s));
  }
}

// The settings file taken away under a running kiosk: it runs on with what it read and the
// defaults, and writes no new store.
TEST_F(SuiteE2E, TheSettingsFileDeletedWhileRunning) {
  MakeModule();
  Seed(false);
  Process kiosk = Start();
  ASSERT_TRUE(TitleBecomes("S 0")) << env_.Log();
  WaitForBar();
  auto files = env_.Files();
  for (const auto& file : {files.local_machine, files.current_user})
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(file.string() + suffix);
  Touch(kUserUrl3);
  EXPECT_TRUE(TitleBecomes("E2E Target"));
  Touch(kHome);
  EXPECT_TRUE(TitleBecomes("S 0"));
  EXPECT_EQ(Send({"open-url", "3"}), 0);
  EXPECT_TRUE(TitleBecomes("E2E Target"));
  EXPECT_TRUE(kiosk.Running());
  EXPECT_FALSE(fs::exists(files.local_machine)) << "no empty store is made in its place";
  SendCloseRequest(display_.X(), FindWindowsByClass(display_.X(), kClass).at(0));
  EXPECT_EQ(kiosk.Wait(20s), 0) << env_.Log();
}

// panelia-reg killed while it imports, and Panelia killed while it writes at its start: the store
// then holds the old values or the new ones, never a part, and still opens.
TEST_F(SuiteE2E, KilledWritersLeaveTheOldOrTheNewValues) {
  const std::string bulk = std::string(kSuiteRootKey) + "\\Bulk";
  ASSERT_TRUE(env_.Store().Apply({{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::General),
                                   "Password", RegValue::Text("old")}}));
  constexpr int kValues = 20000;  // about two seconds to import here
  fs::path reg = env_.Root() / "big.reg";
  {
    std::ofstream out(reg);
    out << "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\" << SectionPath(Section::General)
        << "]\n\"Password\"=\"new\"\n\n[HKEY_LOCAL_MACHINE\\" << bulk << "]\n";
    for (int i = 0; i < kValues; ++i) out << "\"v" << i << "\"=\"value number " << i << "\"\n";
  }
  auto check = [&](const std::string& when) -> bool {
    auto values = env_.Store().ListValues(Hive::LocalMachine, bulk);
    auto password = env_.Store().QueryValue(Hive::LocalMachine, SectionPath(Section::General), "Password");
    EXPECT_TRUE(password) << when << ": the store still reads";
    if (!password) return false;
    size_t count = values ? values->size() : 0;
    if (password->AsText() == "old")
      EXPECT_EQ(count, 0u) << when;
    else
      EXPECT_EQ(count, static_cast<size_t>(kValues)) << when;
    return password->AsText() == "new";
  };
  bool landed = false;
  for (int delay_ms : {50, 400, 900, 1400, 1800, 2100, 2400, 2800}) {
    Process import({kBinDir + "panelia-reg", "import", reg.string()}, env_.Env(), "", "");
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    kill(import.pid(), SIGKILL);
    import.Wait(5s);
    landed |= check("import killed after " + std::to_string(delay_ms) + " ms");
  }
  Process import({kBinDir + "panelia-reg", "import", reg.string()}, env_.Env(), "", "");
  EXPECT_EQ(import.Wait(60s), 0);
  EXPECT_TRUE(check("import finished"));
  std::cout << "[ info ] an import of " << kValues << " values had landed before a kill: " << landed << "\n";

  // Panelia writes its path and the first-start values as it starts.
  MakeModule();
  Seed(false);
  for (int delay_ms : {30, 100, 200, 400, 800}) {
    Process kiosk = Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    kill(kiosk.pid(), SIGKILL);
    kiosk.Wait(5s);
    check("Panelia killed after " + std::to_string(delay_ms) + " ms");
    auto home = env_.Store().QueryValue(Hive::LocalMachine, SectionPath(Section::General), "SoftHomeUrl");
    ASSERT_TRUE(home);
    auto path = env_.Store().QueryValue(Hive::LocalMachine, kSuiteRootKey, "AppPath");
    if (path) {
      EXPECT_EQ(path->AsText(), (module_ / "panelia").string());
    }
  }
  Process kiosk = Start();
  EXPECT_TRUE(TitleBecomes("S 0")) << env_.Log();
}

// An operator's commands from a shell without DISPLAY (as over SSH): the kiosk's display is found,
// each command is answered, restart-when-idle waits for the next visitor, quit ends the kiosk.
TEST_F(SuiteE2E, OperatorsCommandsReachTheKioskWithoutADisplay) {
  MakeModule();
  Seed(false);
  std::ofstream(module_ / "OpenURL.ini", std::ios::trunc)
      << "[TargetURL]\n3=file://" << kPagesDir << "touch.html?q=my+secret+question\n";
  fs::path metrics = env_.Root() / "textfile";
  fs::create_directories(metrics);
  ASSERT_TRUE(env_.Store().Apply({{RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(Section::Advance),
                                   "MetricsFolder", RegValue::Text(metrics.string())}}));
  Process kiosk = Start();
  ASSERT_TRUE(TitleBecomes("S 0")) << env_.Log();
  auto env = env_.Env();
  env.erase("DISPLAY");
  auto send = [&](const std::vector<std::string>& args, const std::string& out = "") {
    std::vector<std::string> argv = {kBinDir + "panelia-send"};
    argv.insert(argv.end(), args.begin(), args.end());
    return Process(argv, env, "", out).Wait(20s).value_or(-1);
  };
  // The status: the document, the same through panelia-send, and the metrics, each current.
  auto read = [](const fs::path& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  };
  fs::path status = env_.Root() / "runtime" / "panelia" / "status.json";
  EXPECT_TRUE(WaitUntil([&] { return read(status).find("scroll.html") != std::string::npos; }, 10s)) << read(status);
  // Written just after the document.
  EXPECT_TRUE(WaitUntil(
      [&] { return read(metrics / "panelia.prom").find("panelia_visitors_total 0") != std::string::npos; }, 5s))
      << read(metrics / "panelia.prom");
  // Prometheus's own check of the exposition format (its linter's advice included).
  fs::path checked = env_.Root() / "promtool.txt";
  EXPECT_EQ(Process({"sh", "-c", "promtool check metrics < " + (metrics / "panelia.prom").string()}, env_.Env(), "",
                    checked.string())
                .Wait(20s),
            0)
      << read(checked);
  EXPECT_EQ(send({"open-url", "3"}), 0);
  EXPECT_TRUE(WaitUntil([&] { return read(status).find("touch.html") != std::string::npos; }, 10s))
      << "written again at once: " << read(status);
  // The metrics, which every account and the network may read, name the page only by its kind.
  EXPECT_TRUE(WaitUntil([&] { return read(metrics / "panelia.prom").find("page=\"other\"") != std::string::npos; }, 5s))
      << read(metrics / "panelia.prom");
  EXPECT_EQ(read(metrics / "panelia.prom").find("secret"), std::string::npos) << read(metrics / "panelia.prom");
  fs::path printed = env_.Root() / "status.txt";
  EXPECT_EQ(send({"status"}, printed.string()), 0);
  EXPECT_NE(read(printed).find("\"address\": \"file://"), std::string::npos) << read(printed);
  EXPECT_NE(read(printed).find("\"settings_readable\": true"), std::string::npos) << read(printed);
  ASSERT_TRUE(WaitUntil([&] { return TitleFigure(" t") > 15; }, 15s)) << Title();
  EXPECT_EQ(send({"reload"}), 0);
  EXPECT_TRUE(WaitUntil([&] { return TitleFigure(" t") >= 0 && TitleFigure(" t") < 10; }, 10s))
      << "loaded again: " << Title();
  EXPECT_EQ(send({"home"}), 0);
  EXPECT_TRUE(TitleBecomes("S 0")) << Title();
  EXPECT_EQ(send({"open-url", "3"}), 0);
  ASSERT_TRUE(WaitUntil([&] { return TitleFigure(" t") > 0; }, 15s)) << Title();
  EXPECT_EQ(send({"wipe"}), 0);
  EXPECT_TRUE(TitleBecomes("S 0")) << "a fresh session, at home: " << Title() << env_.Log();
  // A picture of the kiosk's monitor.
  fs::path picture = env_.Root() / "shot.png";
  fs::path said = env_.Root() / "shot.txt";
  EXPECT_EQ(send({"screenshot", picture.string()}, said.string()), 0);
  std::ifstream png(picture, std::ios::binary);
  std::string head(8, '\0');
  png.read(head.data(), 8);
  EXPECT_EQ(head, "\x89PNG\r\n\x1a\n");
  std::ifstream text(said);
  EXPECT_NE(std::string((std::istreambuf_iterator<char>(text)), {}).find("1280x800"), std::string::npos);
  EXPECT_EQ(send({"screenshot", "/nonexistent/folder/shot.png"}), 5);
  EXPECT_EQ(send({"teleport"}), 1);
  // Restart between visitors: noted, and carried out at the next visitor's start (here: a wipe).
  EXPECT_EQ(send({"restart-when-idle"}), 0);
  EXPECT_TRUE(kiosk.Running());
  EXPECT_EQ(send({"wipe"}), 0);
  EXPECT_EQ(kiosk.Wait(15s), kRestartExitStatus) << env_.Log();
  EXPECT_NE(env_.Log().find("closing between visitors to start again"), std::string::npos) << env_.Log();
  // Quit: a clean end.
  Process again = Start();
  ASSERT_TRUE(TitleBecomes("S 0")) << env_.Log();
  EXPECT_EQ(send({"quit"}), 0);
  EXPECT_EQ(again.Wait(15s), 0) << env_.Log();
}

}  // namespace
}  // namespace panelia::e2e
