#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/reg_tool.h"
#include "common/settings.h"
#include "platform/store/sqlite_registry.h"
#include "temp_dir.h"

namespace panelia {
namespace {

class RegToolTest : public ::testing::Test {
 protected:
  RegToolTest() : store_({dir_.path() / "HKEY_LOCAL_MACHINE.db", dir_.path() / "HKEY_CURRENT_USER.db"}) {}

  int Run(std::vector<std::string> args, std::string answers = "") {
    out_.str("");
    err_.str("");
    std::istringstream in(answers);
    return RunRegTool(args, store_, {out_, err_, in});
  }
  std::string File(const std::string& name, const std::string& content) {
    auto path = (dir_.path() / name).string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  test::TempDir dir_;
  SqliteRegistry store_;
  std::ostringstream out_, err_;
};

const std::string kGeneral = "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0\\General";

TEST_F(RegToolTest, AddQueryDeleteRoundTrip) {
  EXPECT_EQ(Run({"add", kGeneral, "/v", "SoftHomeUrl", "/t", "REG_SZ", "/d", "file:///srv/k/index.html"}), 0);
  EXPECT_EQ(Run({"add", kGeneral, "/v", "IsPaneliaHome", "/t", "REG_DWORD", "/d", "0x10"}), 0);
  EXPECT_EQ(Run({"query", kGeneral, "/v", "softhomeurl"}), 0);
  EXPECT_NE(out_.str().find("SoftHomeUrl    REG_SZ    file:///srv/k/index.html"), std::string::npos) << out_.str();
  EXPECT_EQ(Run({"query", kGeneral}), 0);
  EXPECT_NE(out_.str().find("IsPaneliaHome    REG_DWORD    0x10"), std::string::npos) << out_.str();
  EXPECT_EQ(Run({"delete", kGeneral, "/v", "IsPaneliaHome", "/f"}), 0);
  EXPECT_EQ(Run({"query", kGeneral, "/v", "IsPaneliaHome"}), 1);
  EXPECT_NE(err_.str().find("unable to find"), std::string::npos);
}

TEST_F(RegToolTest, RefusesBadInputWithClearMessages) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* message_part;
  } cases[] = {
      {"no arguments", {}, "Usage"},
      {"unknown operation", {"frobnicate", kGeneral}, "unknown operation"},
      {"unknown hive", {"query", "HKU\\x"}, "HKLM or HKCU"},
      {"text over 255 bytes", {"add", kGeneral, "/v", "Password", "/d", std::string(256, 'p')}, "at most 255 bytes"},
      {"number that is not one", {"add", kGeneral, "/v", "N", "/t", "REG_DWORD", "/d", "12ab"}, "not a REG_DWORD"},
      {"negative number", {"add", kGeneral, "/v", "N", "/t", "REG_DWORD", "/d", "-1"}, "not a REG_DWORD"},
      {"number too big", {"add", kGeneral, "/v", "N", "/t", "REG_DWORD", "/d", "4294967296"}, "not a REG_DWORD"},
      {"binary type", {"add", kGeneral, "/v", "N", "/t", "REG_BINARY", "/d", "00"}, "unsupported type"},
      {"switch without value", {"add", kGeneral, "/v"}, "needs a value"},
      {"missing key", {"query", "HKLM\\Nowhere"}, "unable to find"},
      {"import of a missing file", {"import", "/nonexistent/x.reg"}, "cannot read"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), 1) << c.what;
    EXPECT_NE(err_.str().find(c.message_part), std::string::npos) << c.what << ": " << err_.str();
  }
  EXPECT_FALSE(store_.KeyExists(Hive::LocalMachine, "SOFTWARE\\Quorvex"));
}

TEST_F(RegToolTest, OverwriteAndDeleteAskUnlessForced) {
  ASSERT_EQ(Run({"add", kGeneral, "/v", "Password", "/d", "old-one"}), 0);
  EXPECT_EQ(Run({"add", kGeneral, "/v", "Password", "/d", "new-one"}, ""), 1) << "no answer means no";
  EXPECT_EQ(Run({"add", kGeneral, "/v", "Password", "/d", "new-one"}, "no\n"), 1);
  EXPECT_EQ(Run({"query", kGeneral, "/v", "Password"}), 0);
  EXPECT_NE(out_.str().find("old-one"), std::string::npos);
  EXPECT_EQ(Run({"add", kGeneral, "/v", "Password", "/d", "new-one"}, "yes\n"), 0);
  // A short exit password needs a typed yes, /f or not, and the refusal says why.
  EXPECT_EQ(Run({"add", kGeneral, "/v", "Password", "/d", "1234", "/f"}, ""), 1);
  EXPECT_NE(err_.str().find("shorter than 6 characters"), std::string::npos) << err_.str();
  EXPECT_EQ(Run({"add", kGeneral, "/v", "Password", "/d", "1234", "/f"}, "yes\n"), 0);
  EXPECT_EQ(Run({"delete", kGeneral}, "n\n"), 1);
  EXPECT_EQ(Run({"delete", kGeneral}, "y\n"), 0);
  EXPECT_FALSE(store_.KeyExists(Hive::LocalMachine, "SOFTWARE\\Quorvex\\Panelia4.0\\General"));
}

TEST_F(RegToolTest, ImportThenExportGivesTheSameValues) {
  const std::string original =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvex\\Panelia4.0]\r\n"
      "\"Initiated\"=dword:00000001\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvex\\Panelia4.0\\General]\r\n"
      "\"Password\"=\"p\\\\w\\\"d 中文\"\r\n"
      "\"SoftHomeUrl\"=\"file:///srv/kiosk/index.html\"\r\n";
  ASSERT_EQ(Run({"import", File("in.reg", original)}), 0) << err_.str();
  std::string exported = (dir_.path() / "out.reg").string();
  ASSERT_EQ(Run({"export", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0", exported}), 0) << err_.str();
  EXPECT_EQ(Read(exported), original);
}

TEST_F(RegToolTest, MalformedImportIsReportedByLineAndWritesNothing) {
  ASSERT_EQ(Run({"add", kGeneral, "/v", "Password", "/d", "keep-it"}), 0);
  std::string bad = File("bad.reg",
                         "REGEDIT4\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvex\\Panelia4.0\\General]\n"
                         "\"Password\"=\"changed\"\n"
                         "\"IsPaneliaHome\"=dword:zz\n");
  EXPECT_EQ(Run({"import", bad}), 1);
  EXPECT_NE(err_.str().find("line 4"), std::string::npos) << err_.str();
  EXPECT_NE(err_.str().find("Nothing was imported"), std::string::npos);
  EXPECT_EQ(store_.QueryValue(Hive::LocalMachine, "SOFTWARE\\Quorvex\\Panelia4.0\\General", "Password")->AsText(),
            "keep-it");

  std::string huge = File("huge.reg", "REGEDIT4\n[HKLM\\A]\n\"V\"=\"" + std::string(300, 'x') + "\"\n");
  EXPECT_EQ(Run({"import", huge}), 1);
  EXPECT_NE(err_.str().find("line 3"), std::string::npos) << err_.str();
  EXPECT_FALSE(store_.KeyExists(Hive::LocalMachine, "A"));
}

}  // namespace
}  // namespace panelia

namespace panelia {
namespace {

// What an import would change, shown and written nowhere: against a store holding a home page, a
// wait time and a password, files that set the same, change, add, delete, and delete then fill again.
TEST_F(RegToolTest, ImportDiffSaysWhatWouldChangeAndWritesNothing) {
  const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n";
  const std::string general = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvex\\Panelia4.0\\General]\r\n";
  const std::string advance = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvex\\Panelia4.0\\Advance]\r\n";
  const std::string full = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvex\\Panelia4.0";
  const struct {
    const char* what;
    std::string file;
    int exit_code;
    std::vector<std::string> lines;
  } cases[] = {
      {"the same values", head + general + "\"SoftHomeUrl\"=\"file:///a.html\"\r\n", 0, {}},
      {"a changed text, any case of the name",
       head + general + "\"softhomeurl\"=\"file:///b.html\"\r\n",
       2,
       {"~ " + full + "\\General\\softhomeurl: \"file:///a.html\" -> \"file:///b.html\""}},
      {"a changed number and a new one",
       head + advance + "\"WaitTime\"=dword:00000005\r\n\"Rotation\"=dword:0000005a\r\n",
       2,
       {"~ " + full + "\\Advance\\WaitTime: dword:00000003 -> dword:00000005",
        "+ " + full + "\\Advance\\Rotation = dword:0000005a"}},
      {"the password is never shown",
       head + general + "\"Password\"=\"$y$new\"\r\n",
       2,
       {"~ " + full + "\\General\\Password: (not shown) -> (not shown)"}},
      {"a deleted value",
       head + general + "\"SoftHomeUrl\"=-\r\n",
       2,
       {"- " + full + "\\General\\SoftHomeUrl (was \"file:///a.html\")"}},
      {"a new key",
       head + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvex\\Panelia4.0\\Loop]\r\n",
       2,
       {"+ [" + full + "\\Loop]"}},
      {"a key deleted and filled again with what it held",
       head + "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvex\\Panelia4.0\\General]\r\n\r\n" + general +
           "\"SoftHomeUrl\"=\"file:///a.html\"\r\n\"Password\"=\"$y$old\"\r\n",
       0,
       {}},
      {"a key deleted and filled again with less",
       head + "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvex\\Panelia4.0\\General]\r\n\r\n" + general +
           "\"SoftHomeUrl\"=\"file:///a.html\"\r\n",
       2,
       {"- " + full + "\\General\\Password (was (not shown))"}},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(Run({"add", kGeneral, "/v", "SoftHomeUrl", "/d", "file:///a.html", "/f"}), 0);
    ASSERT_EQ(Run({"add", kGeneral, "/v", "Password", "/d", "$y$old", "/f"}), 0);
    ASSERT_EQ(Run({"add", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0\\Advance", "/v", "WaitTime", "/t", "REG_DWORD", "/d",
                   "3", "/f"}),
              0);
    Run({"export", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0", (dir_.path() / "before.reg").string(), "/y"});
    const std::string before = Read((dir_.path() / "before.reg").string());
    std::string file = File("diff.reg", c.file);
    EXPECT_EQ(Run({"import", "--diff", file}), c.exit_code) << c.what << "\n" << err_.str();
    std::istringstream shown(out_.str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(shown, line);)
      if (line.rfind("+ ", 0) == 0 || line.rfind("- ", 0) == 0 || line.rfind("~ ", 0) == 0) lines.push_back(line);
    EXPECT_EQ(lines, c.lines) << c.what << "\n" << out_.str();
    EXPECT_EQ(out_.str().find("$y$"), std::string::npos) << c.what << ": the password shown";
    Run({"export", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0", (dir_.path() / "after.reg").string(), "/y"});
    EXPECT_EQ(Read((dir_.path() / "after.reg").string()), before) << c.what << ": something was written";
  }
  EXPECT_EQ(Run({"import", "--diff"}), 1);
  EXPECT_EQ(Run({"import", "--diff", File("bad.reg", "not a registry file")}), 1);
}

TEST_F(RegToolTest, WarnsOfAValueWrittenWherePaneliaNeverReadsIt) {
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string warning;  // empty: none
  } cases[] = {
      {"WaitTime under General",
       {"add", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0\\General", "/v", "WaitTime", "/t", "REG_DWORD", "/d", "5", "/f"},
       "WARNING: Panelia reads WaitTime under HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvex\\Panelia4.0\\Advance, not under "
       "this key.\n"},
      {"its own key, in other case and with a final backslash",
       {"add", "HKLM\\software\\quorvex\\panelia4.0\\ADVANCE\\", "/v", "WaitTime", "/t", "REG_DWORD", "/d", "5", "/f"},
       ""},
      {"a name the table does not know",
       {"add", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0\\General", "/v", "MyNote", "/d", "x", "/f"},
       ""},
      {"outside the suite's tree", {"add", "HKLM\\SOFTWARE\\Other", "/v", "WaitTime", "/d", "x", "/f"}, ""},
      {"a sibling tree with the same beginning",
       {"add", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0x", "/v", "WaitTime", "/d", "x", "/f"},
       ""},
      {"the current user's hive is not Panelia's",
       {"add", "HKCU\\SOFTWARE\\Quorvex\\Panelia4.0\\General", "/v", "WaitTime", "/d", "x", "/f"},
       ""},
      {"a time the kiosk would never act on",
       {"add", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0\\Advance", "/v", "PowerOffTime", "/d", "-1:30", "/f"},
       "WARNING: PowerOffTime \"-1:30\" is not a time of day (H:MM or H:MM:SS, 0:00 to 23:59:59); Panelia never acts "
       "on it.\n"},
      {"a time it acts on",
       {"add", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0\\Advance", "/v", "PowerOffTime", "/d", "7:30", "/f"},
       ""},
      {"a number past its range",
       {"add", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0\\Advance", "/v", "WaitTime", "/t", "REG_DWORD", "/d", "1441", "/f"},
       "WARNING: WaitTime is 1441; Panelia takes 0 to 1440.\n"},
      {"a choice it does not offer",
       {"add", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0\\Advance", "/v", "Rotation", "/t", "REG_DWORD", "/d", "45", "/f"},
       "WARNING: Rotation is 45; Panelia takes 0, 90, 180 or 270.\n"},
      {"a proxy without a port",
       {"add", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0\\Advance", "/v", "ProxyUrl", "/d", "http://proxy.lan", "/f"},
       "WARNING: ProxyUrl: \"http://proxy.lan\" has no port; write it as http://host:port.\n"},
      {"a proxy of a kind the engine does not take",
       {"add", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0\\Advance", "/v", "ProxyUrl", "/d", "ftp://p:21", "/f"},
       "WARNING: ProxyUrl: \"ftp://p:21\": the kiosk takes http, https, socks, socks4, socks4a or socks5 proxies.\n"},
      {"a proxy with a path",
       {"add", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0\\Advance", "/v", "ProxyUrl", "/d", "http://p:3128/x", "/f"},
       "WARNING: ProxyUrl: \"http://p:3128/x\" holds more than a host and a port; write it as http://host:port.\n"},
      {"a port past 65535",
       {"add", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0\\Advance", "/v", "ProxyUrl", "/d", "socks5://p:70000", "/f"},
       "WARNING: ProxyUrl: \"socks5://p:70000\": the port must be a number from 1 to 65535.\n"},
      {"proxies it takes, IPv6 too, and none at all",
       {"add", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0\\Advance", "/v", "ProxyUrl", "/d", "SOCKS5://[::1]:1080/", "/f"},
       ""},
      {"no proxy written",
       {"add", "HKLM\\SOFTWARE\\Quorvex\\Panelia4.0\\Advance", "/v", "ProxyUrl", "/d", "", "/f"},
       ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), 0) << c.what << ": " << err_.str();
    EXPECT_EQ(err_.str(), c.warning) << c.what;
    EXPECT_EQ(out_.str(), "The operation completed successfully.\n") << c.what << ": written all the same";
  }
}

}  // namespace
}  // namespace panelia
