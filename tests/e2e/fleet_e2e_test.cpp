// The fleet's engine on one kiosk: the Ansible role applied twice to a scratch kiosk (its settings
// store, kiosk folder and state folder of this test; the machine's packages, accounts and login are
// the role's too, but left out here, where they would change the test machine), then checked after
// one value changed, then the kiosk showing what the role configured.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <fstream>
#include <regex>
#include <unistd.h>
#include <string>

#include "common/names.h"
#include "harness.h"
#include "suite_fixture.h"

namespace panelia::e2e {
namespace {

// The exit password "secret", as panelia-config stores it.
const std::string kSecretHash = "$y$j9T$F5Jx5fExrKuJdxaBuaP0K/$XmOE/KOPnrbgp/YEDkvh7p/TW1s8UO4Dmluk2Fj3.Y3";

class FleetE2E : public SuiteE2E {
 protected:
  explicit FleetE2E(bool with_window_manager = true, bool with_authority = false)
      : SuiteE2E({"1280x800x24"}, {}, with_window_manager, with_authority) {}
  void WriteVars(int wait_time, const std::string& home = "target.html", std::string bin = "",
                 std::string kiosk_dir = "", const std::string& screen = "Mon-Sun = 00:00-24:00") {
    if (bin.empty()) bin = kBinDir.substr(0, kBinDir.size() - 1);
    if (kiosk_dir.empty()) kiosk_dir = module_.string();
    std::ofstream vars(env_.Root() / "vars.yml");
    vars << "panelia_manage_system: false\n"
         << "panelia_program_dir: " << bin << "\n"
         << "panelia_registry_dir: " << env_.Env()["PANELIA_REGISTRY_DIR"] << "\n"
         << "panelia_kiosk_dir: " << kiosk_dir << "\n"
         << "panelia_state_dir: " << (env_.Root() / "ansible-state").string() << "\n"
         << "panelia_exit_password_hash: '" << kSecretHash << "'\n"
         << "panelia_site_settings:\n"
         << "  - {hive: HKLM, key: 'SOFTWARE\\Quorvex\\Panelia4.0\\General', name: SoftHomeUrl, type: sz, value: "
            "'file://"
         << kPagesDir << home << "'}\n"
         << "  - {hive: HKLM, key: 'SOFTWARE\\Quorvex\\Panelia4.0\\Advance', name: WaitTime, type: dword, value: 3}\n"
         << "  - {hive: HKLM, key: 'SOFTWARE\\Quorvex\\Panelia4.0', name: Initiated, type: dword, value: 1}\n"
         << "panelia_host_settings:\n"
         << "  - {hive: HKLM, key: 'SOFTWARE\\Quorvex\\Panelia4.0\\Advance', name: WaitTime, type: dword, value: "
         << wait_time << "}\n"
         << "panelia_lists:\n"
         << "  stop.dat: ['file://" << kPagesDir << "target.html']\n"
         << "panelia_open_urls:\n"
         << "  3: 'file://" << kPagesDir << "touch.html'\n"
         << "panelia_schedule: |\n"
         << "  [Screen]\n"
         << "  " << screen << "\n"
         << "  [Closed]\n"
         << "  2020-01-01\n";
    std::ofstream(env_.Root() / "kiosk.yml") << "---\n- name: A scratch kiosk\n  hosts: localhost\n"
                                             << "  gather_facts: false\n  roles:\n    - role: panelia_kiosk\n";
  }
  // ansible-playbook on this machine; its output.
  std::string Play(const std::vector<std::string>& extra, int& exit_code) {
    std::vector<std::string> argv = {"ansible-playbook",
                                     "-i",
                                     "localhost,",
                                     "-c",
                                     "local",
                                     (env_.Root() / "kiosk.yml").string(),
                                     "-e",
                                     "@" + (env_.Root() / "vars.yml").string()};
    argv.insert(argv.end(), extra.begin(), extra.end());
    auto env = env_.Env();
    env["PATH"] = "/usr/bin:/bin";
    env["LC_ALL"] = "C.UTF-8";
    env["ANSIBLE_ROLES_PATH"] = std::string(PANELIA_SOURCE_DIR) + "/packaging/ansible/roles";
    env["ANSIBLE_NOCOLOR"] = "1";
    fs::path out = env_.Root() / "ansible.log";
    fs::remove(out);
    exit_code = Process(argv, env, env_.Root().string(), out.string()).Wait(300s).value_or(-1);
    std::ifstream in(out);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }
  static int Changed(const std::string& output) {
    std::smatch m;
    return std::regex_search(output, m, std::regex("changed=(\\d+)")) ? std::stoi(m[1]) : -1;
  }
};

TEST_F(FleetE2E, TheRoleConfiguresAKioskOnceAndThenChangesNothing) {
  if (std::system("command -v ansible-playbook >/dev/null") != 0) GTEST_SKIP() << "ansible is not installed";
  MakeModule();
  WriteVars(5);
  int code = 0;
  std::string first = Play({}, code);
  ASSERT_EQ(code, 0) << first;
  EXPECT_GT(Changed(first), 0) << first;
  auto started = std::chrono::steady_clock::now();
  std::string second = Play({}, code);
  std::cout << "[ info ] a role run that changes nothing: "
            << std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count()
            << " ms\n";
  ASSERT_EQ(code, 0) << second;
  EXPECT_EQ(Changed(second), 0) << "a second run changes nothing\n" << second;
  for (const std::string& out : {first, second}) EXPECT_EQ(out.find("$y$"), std::string::npos) << "the password shown";
  auto wait = env_.Store().QueryValue(Hive::LocalMachine, SectionPath(Section::Advance), "WaitTime");
  ASSERT_TRUE(wait);
  EXPECT_EQ(wait->AsDword(), 5u) << "the kiosk's own value over the site's";
  std::ifstream schedule(module_ / "Schedule.ini");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(schedule), {}),
            "[Screen]\nMon-Sun = 00:00-24:00\n[Closed]\n2020-01-01\n");

  // One value changed: the check shows it alone and writes nothing.
  WriteVars(7);
  std::string check = Play({"--check", "--diff"}, code);
  ASSERT_EQ(code, 0) << check;
  std::string lines;
  const std::regex shown("\"([-+~] [^\"]*)\"");
  for (auto it = std::sregex_iterator(check.begin(), check.end(), shown); it != std::sregex_iterator(); ++it)
    lines += (*it)[1].str() + "\n";
  EXPECT_EQ(lines,
            "~ HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\Quorvex\\\\Panelia4.0\\\\Advance\\\\WaitTime: dword:00000005 -> "
            "dword:00000007\n")
      << check;
  EXPECT_EQ(env_.Store().QueryValue(Hive::LocalMachine, SectionPath(Section::Advance), "WaitTime")->AsDword(), 5u);

  // A schedule with a line the kiosk would refuse stops the run before the file is written.
  WriteVars(5, "target.html", "", "", "Mon-Fry = 08:00-20:00");
  std::string refused = Play({}, code);
  EXPECT_NE(code, 0) << refused;
  EXPECT_NE(refused.find("failed to validate"), std::string::npos) << refused;
  EXPECT_NE(refused.find("    Mon-Fry = 08:00-20:00"), std::string::npos) << "the refused line shown";
  std::ifstream kept(module_ / "Schedule.ini");
  EXPECT_NE(std::string(std::istreambuf_iterator<char>(kept), {}).find("Mon-Sun = 00:00-24:00"), std::string::npos);

  // The kiosk as the role configured it: its home page, the exit password's hash.
  Process kiosk = Start();
  EXPECT_TRUE(TitleBecomes("E2E Target")) << env_.Log();
  auto password = env_.Store().QueryValue(Hive::LocalMachine, SectionPath(Section::General), "Password");
  ASSERT_TRUE(password);
  EXPECT_EQ(password->AsText(), kSecretHash);

  // A new home page, which Panelia reads only at start: the running kiosk is told to start again
  // between visitors (it does at the next visitor's start, here a wipe), not at once.
  WriteVars(5, "scroll.html");
  std::string moved = Play({}, code);
  ASSERT_EQ(code, 0) << moved;
  EXPECT_NE(moved.find("RUNNING HANDLER [panelia_kiosk : Restart the kiosk between visitors]"), std::string::npos)
      << moved;
  EXPECT_TRUE(kiosk.Running()) << "never in the middle of a visitor's session";
  EXPECT_EQ(Send({"wipe"}), 0);
  EXPECT_EQ(kiosk.Wait(15s), kRestartExitStatus) << env_.Log();
  Process again = Start();
  EXPECT_TRUE(TitleBecomes("S 0")) << "the new home page: " << env_.Log();
}

// The installed suite configured by the role: its kiosk session shows the configured home page.
class FleetSessionE2E : public FleetE2E {
 protected:
  // The session brings its own window manager; its display admits only whom it lets in, as a display
  // manager's does.
  FleetSessionE2E() : FleetE2E(false, true) {}
  void OperatorsOverSsh(const fs::path& programs);
};

// Accounts of this test (an operator in the panelia group, and a stranger), gone afterwards with the
// group when the test made it.
class Accounts {
 public:
  Accounts() {
    made_group_ = std::system("getent group panelia >/dev/null") != 0 && Run("groupadd --system panelia");
    ok_ = std::system("getent group panelia >/dev/null") == 0 &&
          Run("useradd --no-create-home --no-user-group --gid nogroup --groups panelia " + kOperator) &&
          Run("useradd --no-create-home --no-user-group --gid nogroup " + kStranger);
  }
  ~Accounts() {
    Run("userdel " + kOperator);
    Run("userdel " + kStranger);
    if (made_group_) Run("groupdel panelia");
  }
  bool Ok() const { return ok_; }
  static inline const std::string kOperator = "panelia-e2e-operator", kStranger = "panelia-e2e-stranger";

 private:
  static bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
  bool made_group_ = false, ok_ = false;
};

// panelia-send as another account, from a login without DISPLAY or the kiosk's runtime folder (as
// over SSH); its exit code and what it printed.
int SendAs(const std::string& user, const fs::path& send, const std::vector<std::string>& args, std::string& printed) {
  fs::path out = send.parent_path() / ("out-" + user + ".txt");
  std::vector<std::string> argv = {"/usr/sbin/runuser", "-u", user, "--", send.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  int code = Process(argv, {{"PATH", "/usr/bin:/bin"}, {"ASAN_OPTIONS", "detect_leaks=0"}}, "/", out.string())
                 .Wait(30s)
                 .value_or(-1);
  std::ifstream in(out);
  printed.assign(std::istreambuf_iterator<char>(in), {});
  return code;
}

void FleetSessionE2E::OperatorsOverSsh(const fs::path& programs) {
  if (geteuid() != 0 || std::system("command -v useradd runuser >/dev/null") != 0) {
    std::cout << "[ note ] operator accounts need root: not tried\n";
    return;
  }
  Accounts accounts;
  ASSERT_TRUE(accounts.Ok());
  // A folder the other accounts may read and write, with the program in it.
  std::string pattern = (fs::temp_directory_path() / "panelia-operator-XXXXXX").string();
  fs::path shared = mkdtemp(pattern.data());
  fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
  fs::path send = shared / "panelia-send";
  fs::copy_file(programs / "panelia-send", send);
  std::string printed;
  // The session admitted the group's members when it started; this one joined later, as operators
  // may: admitted by name now, as the next session would.
  ASSERT_EQ(Process({"xhost", "+SI:localuser:" + Accounts::kOperator}, env_.Env(), "", "").Wait(10s), 0);
  // The document follows the title within a fifth of a second.
  EXPECT_TRUE(WaitUntil([&] { return SendAs(Accounts::kOperator, send, {"status"}, printed) == 0; }, 10s)) << printed;
  EXPECT_NE(printed.find("target.html"), std::string::npos) << printed;
  EXPECT_NE(printed.find("\"settings_readable\": true"), std::string::npos) << printed;
  EXPECT_EQ(SendAs(Accounts::kOperator, send, {"screenshot", (shared / "shot.png").string()}, printed), 0) << printed;
  EXPECT_GT(fs::exists(shared / "shot.png") ? fs::file_size(shared / "shot.png") : 0, 1000u);
  EXPECT_EQ(SendAs(Accounts::kOperator, send, {"open-url", "3"}, printed), 0) << printed;
  // (The installed kiosk's fence keeps the test's page folder out: the entry's box shows; enough to
  // see the message arrive.)
  EXPECT_TRUE(WaitUntil([&] { return Title() != "E2E Target" + kSuffix; }, 20s)) << Title();
  EXPECT_EQ(SendAs(Accounts::kOperator, send, {"home"}, printed), 0) << printed;
  EXPECT_EQ(WaitForTitle(display_.X(), kClass, "E2E Target" + kSuffix, 20s), "E2E Target" + kSuffix);
  // An account outside the group finds no display it may open, and changes nothing.
  EXPECT_EQ(SendAs(Accounts::kStranger, send, {"open-url", "3"}, printed), 4) << printed;
  EXPECT_EQ(SendAs(Accounts::kStranger, send, {"status"}, printed), 4) << printed;
  fs::remove_all(shared);
}

TEST_F(FleetSessionE2E, TheInstalledSessionShowsWhatTheRoleConfigured) {
  if (std::system("command -v ansible-playbook >/dev/null") != 0) GTEST_SKIP() << "ansible is not installed";
  fs::path destdir = env_.Root() / "destdir";
  auto install_env = env_.Env();
  install_env["DESTDIR"] = destdir.string();
  ASSERT_EQ(Process({"cmake", "--install", PANELIA_BUILD_DIR, "--prefix", "/opt/panelia"}, install_env, "",
                    (env_.Root() / "install.log").string())
                .Wait(120s),
            0);
  fs::path programs = destdir / "opt/panelia/lib/panelia";
  // The session's kiosk folder where the package's is not there: the user's own.
  fs::path kiosk_dir = env_.Root() / "data" / "panelia" / "kiosk";
  fs::create_directories(kiosk_dir);
  WriteVars(5, "target.html", programs.string(), kiosk_dir.string());
  int code = 0;
  std::string out = Play({}, code);
  ASSERT_EQ(code, 0) << out;
  auto session_env = env_.Env();
  session_env["PATH"] = "/usr/bin:/bin";
  Process session({(programs / "panelia-session").string()}, session_env, env_.Root().string(),
                  (env_.Root() / "session.log").string());
  ASSERT_EQ(WaitForTitle(display_.X(), kClass, "E2E Target" + kSuffix, 60s), "E2E Target" + kSuffix);
  OperatorsOverSsh(programs);
}

}  // namespace
}  // namespace panelia::e2e
