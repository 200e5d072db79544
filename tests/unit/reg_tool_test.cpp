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
  ASSERT_EQ(Run({"add", kGeneral, "/v", "Password", "/d", "old"}), 0);
  EXPECT_EQ(Run({"add", kGeneral, "/v", "Password", "/d", "new"}, ""), 1) << "no answer means no";
  EXPECT_EQ(Run({"add", kGeneral, "/v", "Password", "/d", "new"}, "no\n"), 1);
  EXPECT_EQ(Run({"query", kGeneral, "/v", "Password"}), 0);
  EXPECT_NE(out_.str().find("old"), std::string::npos);
  EXPECT_EQ(Run({"add", kGeneral, "/v", "Password", "/d", "new"}, "yes\n"), 0);
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
  ASSERT_EQ(Run({"add", kGeneral, "/v", "Password", "/d", "keep"}), 0);
  std::string bad = File("bad.reg",
                         "REGEDIT4\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvex\\Panelia4.0\\General]\n"
                         "\"Password\"=\"changed\"\n"
                         "\"IsPaneliaHome\"=dword:zz\n");
  EXPECT_EQ(Run({"import", bad}), 1);
  EXPECT_NE(err_.str().find("line 4"), std::string::npos) << err_.str();
  EXPECT_NE(err_.str().find("Nothing was imported"), std::string::npos);
  EXPECT_EQ(store_.QueryValue(Hive::LocalMachine, "SOFTWARE\\Quorvex\\Panelia4.0\\General", "Password")->AsText(),
            "keep");

  std::string huge = File("huge.reg", "REGEDIT4\n[HKLM\\A]\n\"V\"=\"" + std::string(300, 'x') + "\"\n");
  EXPECT_EQ(Run({"import", huge}), 1);
  EXPECT_NE(err_.str().find("line 3"), std::string::npos) << err_.str();
  EXPECT_FALSE(store_.KeyExists(Hive::LocalMachine, "A"));
}

}  // namespace
}  // namespace panelia

namespace panelia {
namespace {

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
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), 0) << c.what << ": " << err_.str();
    EXPECT_EQ(err_.str(), c.warning) << c.what;
    EXPECT_EQ(out_.str(), "The operation completed successfully.\n") << c.what << ": written all the same";
  }
}

}  // namespace
}  // namespace panelia
