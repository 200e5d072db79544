#include <gtest/gtest.h>

#include "common/reg_file.h"

namespace panelia {
namespace {

std::vector<RegChange> ParseOk(std::string_view text) {
  auto result = ParseRegFile(text);
  if (auto* e = std::get_if<RegFileError>(&result)) {
    ADD_FAILURE() << "line " << e->line << ": " << e->message;
    return {};
  }
  return std::get<std::vector<RegChange>>(result);
}

std::string Utf16Le(std::string_view ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

TEST(RegFileTest, ParsesValuesEscapesAndDeletions) {
  auto changes = ParseOk(
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; operators' comment\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvex\\Panelia4.0\\General]\r\n"
      "\"SoftHomeUrl\"=\"file:///srv/k\\\\index.html\"\r\n"
      "\"Quote\" = \"say \\\"hi\\\"\"\r\n"
      "\"IsPaneliaHome\"=dword:0000000A\r\n"
      "@=\"default\"\r\n"
      "\"Old\"=-\r\n"
      "[-HKCU\\Software\\Stale]\r\n");
  ASSERT_EQ(changes.size(), 7u);
  EXPECT_EQ(changes[0].kind, RegChange::Kind::CreateKey);
  EXPECT_EQ(changes[0].key, "SOFTWARE\\Quorvex\\Panelia4.0\\General");
  EXPECT_EQ(changes[1].value.AsText(), "file:///srv/k\\index.html");
  EXPECT_EQ(changes[2].name, "Quote");
  EXPECT_EQ(changes[2].value.AsText(), "say \"hi\"");
  EXPECT_EQ(changes[3].value.AsDword(), 10u);
  EXPECT_EQ(changes[4].name, "");
  EXPECT_EQ(changes[5].kind, RegChange::Kind::DeleteValue);
  EXPECT_EQ(changes[6].kind, RegChange::Kind::DeleteKey);
  EXPECT_EQ(changes[6].hive, Hive::CurrentUser);
}

TEST(RegFileTest, AcceptsEveryHeaderAndEncoding) {
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"version 5", "Windows Registry Editor Version 5.00\n[HKLM\\A]\n\"V\"=\"\xE4\xB8\xAD\"\n"},
      {"REGEDIT4", "REGEDIT4\n[HKLM\\A]\n\"V\"=\"\xE4\xB8\xAD\"\n"},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBFREGEDIT4\n[HKLM\\A]\n\"V\"=\"\xE4\xB8\xAD\"\n"},
      {"GB18030 from an older kiosk", "REGEDIT4\n[HKLM\\A]\n\"V\"=\"\xD6\xD0\"\n"},
      {"UTF-16LE with mark", Utf16Le("Windows Registry Editor Version 5.00\r\n[HKLM\\A]\r\n\"V\"=\"") +
                                 std::string("\x2D\x4E", 2) + Utf16Le("\"\r\n").substr(2)},
  };
  for (const auto& c : cases) {
    auto changes = ParseOk(c.bytes);
    ASSERT_EQ(changes.size(), 2u) << c.what;
    EXPECT_EQ(changes[1].value.AsText(), "\xE4\xB8\xAD") << c.what;  // 中
  }
}

TEST(RegFileTest, ReportsTheFirstFaultWithItsLine) {
  struct Case {
    const char* what;
    std::string text;
    int line;
    const char* message_part;
  } cases[] = {
      {"empty file", "", 0, "header"},
      {"no header", "[HKLM\\A]\n", 1, "first line"},
      {"unknown hive", "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\A]\n", 3, "unknown hive"},
      {"value before any key", "REGEDIT4\n\"V\"=\"x\"\n", 2, "outside a key"},
      {"bad dword", "REGEDIT4\n[HKLM\\A]\n\"V\"=dword:12345678Z\n", 3, "hexadecimal"},
      {"dword too long", "REGEDIT4\n[HKLM\\A]\n\"V\"=dword:123456789\n", 3, "hexadecimal"},
      {"unknown escape", "REGEDIT4\n[HKLM\\A]\n\"V\"=\"a\\n\"\n", 3, "escape"},
      {"unterminated", "REGEDIT4\n[HKLM\\A]\n\"V\"=\"abc\n", 3, "closing quote"},
      {"text of 256 bytes", "REGEDIT4\n[HKLM\\A]\n\"V\"=\"" + std::string(256, 'x') + "\"\n", 3, "255"},
      {"binary value", "REGEDIT4\n[HKLM\\A]\n\"V\"=hex:01,02\n", 3, "unsupported"},
      {"no closing bracket", "REGEDIT4\n[HKLM\\A\n", 2, "]"},
      {"deleting a hive", "REGEDIT4\n[-HKLM]\n", 2, "hive"},
      {"value after deleted key", "REGEDIT4\n[-HKLM\\A]\n\"V\"=\"x\"\n", 3, "outside a key"},
      {"broken UTF-16", std::string("\xFF\xFE\x41", 3), 0, "UTF"},
  };
  for (const auto& c : cases) {
    auto result = ParseRegFile(c.text);
    auto* error = std::get_if<RegFileError>(&result);
    ASSERT_NE(error, nullptr) << c.what;
    EXPECT_EQ(error->line, c.line) << c.what;
    EXPECT_NE(error->message.find(c.message_part), std::string::npos) << c.what << ": " << error->message;
  }
}

TEST(RegFileTest, FormatThenParseGivesTheSameValues) {
  std::vector<RegExportKey> keys = {
      {Hive::LocalMachine, "SOFTWARE\\Quorvex\\Panelia4.0", {{"Initiated", RegValue::Dword(0xDEADBEEF)}}},
      {Hive::LocalMachine,
       "SOFTWARE\\Quorvex\\Panelia4.0\\General",
       {{"", RegValue::Text("default")},
        {"Password", RegValue::Text("a\\b\"c 中文")},
        {"SoftHomeUrl", RegValue::Text(std::string(255, 'u'))}}},
  };
  auto changes = ParseOk(FormatRegFile(keys));
  ASSERT_EQ(changes.size(), 6u);
  EXPECT_EQ(changes[1].value, RegValue::Dword(0xDEADBEEF));
  EXPECT_EQ(changes[3].name, "");
  EXPECT_EQ(changes[4].value, RegValue::Text("a\\b\"c 中文"));
  EXPECT_EQ(changes[5].value.AsText().size(), 255u);
}

TEST(RegFileTest, SplitsHiveNamesInEveryForm) {
  struct Case {
    const char* full;
    bool ok;
    Hive hive;
    const char* path;
  } cases[] = {
      {"HKLM\\Software\\X", true, Hive::LocalMachine, "Software\\X"},
      {"hkey_local_machine\\Software\\", true, Hive::LocalMachine, "Software"},
      {"HKCU", true, Hive::CurrentUser, ""},
      {"HKEY_CURRENT_USER\\A\\\\B", true, Hive::CurrentUser, "A\\B"},
      {"HKU\\A", false, Hive::LocalMachine, ""},
      {"", false, Hive::LocalMachine, ""},
  };
  for (const auto& c : cases) {
    Hive hive = Hive::LocalMachine;
    std::string path;
    EXPECT_EQ(SplitHivePath(c.full, hive, path), c.ok) << c.full;
    if (c.ok) {
      EXPECT_EQ(hive, c.hive) << c.full;
      EXPECT_EQ(path, c.path) << c.full;
    }
  }
}

}  // namespace
}  // namespace panelia
