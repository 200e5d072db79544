// The network as a real site has it: a server that goes away and comes back (the offline page, the
// page back by itself with nobody there and at the next idle return with a visitor), a proxy the
// kiosk must use except for the hosts it lists, and the camera for the operator's sites only.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include <unistd.h>

#include "suite_fixture.h"

namespace panelia::e2e {
namespace {

// The built-in offline page's title in the kiosk's language.
const std::string kOffline = "暂时无法连接网络";

class NetworkE2E : public SuiteE2E {
 protected:
  void SetUp() override {
    SuiteE2E::SetUp();
    MakeModule();
    Seed(false);
  }
  void Set(std::vector<RegChange> changes) { ASSERT_TRUE(env_.Store().Apply(changes)); }
  static RegChange Dword(Section s, const char* name, uint32_t v) {
    return {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(s), name, RegValue::Dword(v)};
  }
  static RegChange Text(Section s, const char* name, const std::string& v) {
    return {RegChange::Kind::SetValue, Hive::LocalMachine, SectionPath(s), name, RegValue::Text(v)};
  }
  std::string KioskStatus() {
    std::ifstream in(env_.Root() / "runtime" / "panelia" / "status.json");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool StatusSays(const std::string& text, std::chrono::milliseconds timeout = 15s) {
    return WaitUntil([&] { return KioskStatus().find(text) != std::string::npos; }, timeout);
  }
  size_t LogCount(const std::string& text) {
    std::string log = env_.Log();
    size_t n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }
  void Close(Process& kiosk) {
    SendCloseRequest(display_.X(), FindWindowsByClass(display_.X(), kClass).at(0));
    EXPECT_EQ(kiosk.Wait(15s), 0) << env_.Log();
  }
  using Clock = std::chrono::steady_clock;
  static long long MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
  }
};

TEST_F(NetworkE2E, OfflinePageAndBackByItselfWithNobodyThere) {
  PageServer pages;
  Process kiosk = StartWithHome(pages.Url("target.html"));
  ASSERT_TRUE(TitleBecomes("E2E Target", 30s)) << env_.Log();
  pages.Pause();
  const auto failed = Clock::now();
  EXPECT_EQ(Send({"reload"}), 0);  // an operator's, not a visitor's
  ASSERT_TRUE(TitleBecomes(kOffline, 2s)) << Title() << env_.Log();
  const long long shown_ms = MsSince(failed);
  EXPECT_LT(shown_ms, 2000);
  EXPECT_TRUE(StatusSays("\"offline\": true")) << KioskStatus();
  EXPECT_TRUE(StatusSays("\"last_error\": \"connection refused\"")) << KioskStatus();
  std::this_thread::sleep_for(std::chrono::milliseconds(3500) - (Clock::now() - failed));
  pages.Resume();
  const auto back = Clock::now();
  ASSERT_TRUE(TitleBecomes("E2E Target", 3s)) << Title() << env_.Log();
  EXPECT_LT(MsSince(back), 3000);
  std::printf("offline page %lld ms after the failed load; the page back %lld ms after the server\n", shown_ms,
              MsSince(back));
  EXPECT_TRUE(StatusSays("\"offline\": false")) << KioskStatus();
  EXPECT_TRUE(StatusSays("\"offline_seconds\": 4") || StatusSays("\"offline_seconds\": 5")) << KioskStatus();
  // The operator's own offline page, from the kiosk folder, with its picture beside it.
  fs::copy_file(kBinDir + "res/128.png", module_ / "offline-picture.png");
  std::ofstream(module_ / "Offline.htm")
      << "<!DOCTYPE html><html><head><meta charset='utf-8'><title>E2E Own</title>"
         "</head><body><img src='offline-picture.png' "
         "onload=\"document.title='E2E Own offline page, picture shown'\"></body></html>";
  pages.Pause();
  EXPECT_EQ(Send({"reload"}), 0);
  EXPECT_TRUE(TitleBecomes("E2E Own offline page, picture shown", 5s)) << Title() << env_.Log();
  Close(kiosk);
}

TEST_F(NetworkE2E, WithAVisitorThereThePageWaitsForTheIdleReturnAndTheBarAnswers) {
  PageServer pages;
  Set({Dword(Section::Advance, "IsAutoHome", 1), Dword(Section::Advance, "WaitTime", 1),
       Dword(Section::Advance, "WarnTime", 0)});
  Process kiosk = StartWithHome(pages.Url("hours.html"));
  ASSERT_TRUE(TitleBecomes("E2E Hours", 30s)) << env_.Log();
  std::this_thread::sleep_for(6s);  // the idle count's first look (at start) only finds the pointer
  pages.Pause();
  Touch(kHome);  // a visitor's
  ASSERT_TRUE(TitleBecomes(kOffline, 2s)) << Title() << env_.Log();
  // The bar answers: the exit password's box comes, and goes again.
  Touch(kShutdown);
  ASSERT_TRUE(Focused("退出Panelia程序"));
  Xdotool({"key", "Escape"});
  EXPECT_TRUE(WaitUntil([&] { return !WindowTitled("退出Panelia程序"); }, 5s));
  const auto last_touch = Clock::now();
  pages.Resume();
  EXPECT_FALSE(TitleBecomes("E2E Hours", 8s)) << "the page changed under the visitor";
  EXPECT_EQ(Title(), kOffline + kSuffix);
  // A minute after the last touch, the idle return brings the page for the next visitor.
  EXPECT_TRUE(TitleBecomes("E2E Hours", 65s)) << Title() << env_.Log();
  EXPECT_GT(MsSince(last_touch), 50000) << "before the idle return";
  Close(kiosk);
}

TEST_F(NetworkE2E, TheKiosksProxyCarriesEveryPageButTheHostsItLeavesOut) {
  PageServer pages, proxy;
  Set({Dword(Section::Advance, "ProxyMode", 2),
       Text(Section::Advance, "ProxyUrl", proxy.Url("").substr(0, proxy.Url("").size() - 1)),
       Text(Section::Advance, "ProxyIgnore", "localhost; 127.0.0.1")});
  // A host no resolver knows: only the proxy can bring its page.
  std::ofstream(module_ / "OpenURL.ini") << "[TargetURL]\n3=http://kiosk-proxy-test.invalid/target.html\n";
  Process kiosk = StartWithHome(pages.Url("hours.html"));
  ASSERT_TRUE(TitleBecomes("E2E Hours", 30s)) << env_.Log();
  Touch(kUserUrl3);
  ASSERT_TRUE(TitleBecomes("E2E Target", 15s)) << Title() << env_.Log();
  const auto through = proxy.Requests();
  ASSERT_FALSE(through.empty());
  EXPECT_EQ(through.front(), "GET http://kiosk-proxy-test.invalid/target.html HTTP/1.1");
  for (const auto& line : through) EXPECT_EQ(line.find("127.0.0.1"), std::string::npos) << line;
  EXPECT_FALSE(pages.Requests().empty()) << "the left-out host was reached straight";
  Close(kiosk);
}

TEST_F(NetworkE2E, OnlyTheOperatorsMediaSitesGetTheCameraAndEachVisitorIsAskedAgain) {
  PageServer listed, other;
  // The engine's stand-in camera (the test machine has none).
  const std::map<std::string, std::string> camera = {{"PANELIA_CAPTURE_DEVICES", "stand-in"}};
  Set({Text(Section::Advance, "MediaSites", listed.Url("")),
       Text(Section::General, "SoftHomeUrl", listed.Url("camera.html"))});
  Process kiosk = Start(camera);
  ASSERT_TRUE(TitleBecomes("E2E Camera granted 1", 30s)) << Title() << env_.Log();
  // The next visitor's page asks again, and is asked about again.
  EXPECT_EQ(Send({"wipe"}), 0);
  EXPECT_TRUE(WaitUntil([&] { return LogCount("camera or microphone; granted") == 2; }, 15s)) << env_.Log();
  EXPECT_TRUE(TitleBecomes("E2E Camera granted 1")) << Title();
  Close(kiosk);
  Set({Text(Section::General, "SoftHomeUrl", other.Url("camera.html"))});
  Process second = Start(camera);
  EXPECT_TRUE(TitleBecomes("E2E Camera refused NotAllowedError", 30s)) << Title() << env_.Log();
  EXPECT_EQ(LogCount("camera or microphone; refused"), 1u) << env_.Log();
  Close(second);
}

// The site's internal authority: a page its certificate serves is refused (the offline page says why)
// until the role's certificate step has run, and shown after it. The system's store is a scratch
// copy: /etc/ssl/certs and /usr/local/share/ca-certificates of this test's own, bound over the real
// ones in a mount namespace around the role and each kiosk.
TEST_F(NetworkE2E, AnInternalAuthorityIsTrustedOnceTheRoleHasInstalledIt) {
  if (geteuid() != 0) GTEST_SKIP() << "a scratch certificate store needs a mount namespace (root)";
  if (std::system("command -v ansible-playbook && command -v openssl && command -v unshare && "
                  "command -v update-ca-certificates >/dev/null") != 0)
    GTEST_SKIP() << "ansible, openssl or update-ca-certificates is missing";
  const fs::path ca = env_.Root() / "ca", store = env_.Root() / "store";
  fs::create_directories(ca);
  fs::create_directories(store / "local");
  auto shell = [&](const std::string& script) {
    return Process({"bash", "-euc", script}, env_.Env(), ca.string(), (ca / "shell.log").string()).Wait(120s);
  };
  ASSERT_EQ(
      shell("openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj '/CN=Panelia Test CA'\n"
            "openssl req -newkey rsa:2048 -nodes -keyout site.key -out site.csr -subj /CN=127.0.0.1\n"
            "printf 'subjectAltName=IP:127.0.0.1\\nbasicConstraints=CA:FALSE\\n' > site.ext\n"
            "openssl x509 -req -in site.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out site.pem -days 2 "
            "-extfile site.ext\n"
            "cp -a /etc/ssl/certs " +
            (store / "certs").string()),
      0)
      << std::ifstream(ca / "shell.log").rdbuf();
  Process server({"python3", std::string(PANELIA_SOURCE_DIR) + "/tests/e2e/https_pages.py", kPagesDir,
                  (ca / "site.pem").string(), (ca / "site.key").string(), (ca / "port").string()},
                 env_.Env(), "", (ca / "server.log").string());
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(ca / "port") && fs::file_size(ca / "port") > 0; }, 10s));
  std::string port;
  std::ifstream(ca / "port") >> port;
  const std::string page = "https://127.0.0.1:" + port + "/target.html";
  // Whatever runs in the scratch store.
  auto in_store = [&](std::vector<std::string> argv) {
    std::vector<std::string> wrapped = {"unshare",
                                        "--mount",
                                        "--propagation",
                                        "private",
                                        "bash",
                                        "-euc",
                                        "mount --bind " + (store / "certs").string() + " /etc/ssl/certs\n" +
                                            "mount --bind " + (store / "local").string() +
                                            " /usr/local/share/ca-certificates\nexec \"$@\"",
                                        "scratch"};
    wrapped.insert(wrapped.end(), argv.begin(), argv.end());
    return wrapped;
  };
  auto env = env_.Env();
  env["PANELIA_AUDIO_SINK"] = "fakesink sync=true";
  Set({Text(Section::General, "SoftHomeUrl", page)});
  {
    Process kiosk(in_store({(module_ / "panelia").string(), "--embedding"}), env, module_.string(),
                  (env_.Root() / "panelia.log").string());
    EXPECT_TRUE(TitleBecomes(kOffline, 30s)) << Title() << env_.Log();
    EXPECT_TRUE(StatusSays("\"last_error\": \"certificate not trusted\"")) << KioskStatus();
    Close(kiosk);
  }
  // The role's certificate step, as a site's play gives it the authority.
  std::ifstream pem_in(ca / "ca.pem");
  std::ofstream vars(env_.Root() / "ca-vars.yml");
  vars << "panelia_ca_certificates:\n  - |\n";
  for (std::string line; std::getline(pem_in, line);) vars << "    " << line << "\n";
  vars.close();
  std::ofstream(env_.Root() / "ca-play.yml") << "---\n- name: The site's authorities\n  hosts: localhost\n"
                                                "  gather_facts: false\n  tasks:\n"
                                                "    - name: Trust them\n      ansible.builtin.include_role:\n"
                                                "        name: panelia_kiosk\n        tasks_from: certificates\n";
  auto play_env = env_.Env();
  play_env["PATH"] = "/usr/sbin:/usr/bin:/sbin:/bin";
  play_env["LC_ALL"] = "C.UTF-8";
  play_env["ANSIBLE_ROLES_PATH"] = std::string(PANELIA_SOURCE_DIR) + "/packaging/ansible/roles";
  play_env["ANSIBLE_NOCOLOR"] = "1";
  const fs::path play_log = env_.Root() / "ca-play.log";
  EXPECT_EQ(
      Process(in_store({"ansible-playbook", "-i", "localhost,", "-c", "local", (env_.Root() / "ca-play.yml").string(),
                        "-e", "@" + (env_.Root() / "ca-vars.yml").string()}),
              play_env, env_.Root().string(), play_log.string())
          .Wait(300s)
          .value_or(-1),
      0)
      << std::ifstream(play_log).rdbuf();
  EXPECT_TRUE(fs::exists(store / "local" / "panelia-0.crt"));
  EXPECT_FALSE(fs::exists("/usr/local/share/ca-certificates/panelia-0.crt")) << "the machine's own store changed";
  Process kiosk(in_store({(module_ / "panelia").string(), "--embedding"}), env, module_.string(),
                (env_.Root() / "panelia.log").string());
  EXPECT_TRUE(TitleBecomes("E2E Target", 30s)) << Title() << env_.Log();
  Close(kiosk);
}

}  // namespace
}  // namespace panelia::e2e
