#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <fstream>

#include "common/registry.h"
#include "common/settings.h"
#include "platform/store/sqlite_registry.h"
#include "temp_dir.h"

namespace panelia {
namespace {

using test::TempDir;

const std::string kGeneral = SectionPath(Section::General);

class StoreTest : public ::testing::Test {
 protected:
  StoreTest() : files_{dir_.path() / "HKEY_LOCAL_MACHINE.db", dir_.path() / "HKEY_CURRENT_USER.db"}, store_(files_) {}

  // The operators' way of creating keys: through the administrative interface.
  void Seed(std::string_view key, std::string_view name, const RegValue& value) {
    ASSERT_TRUE(
        store_.Apply({{RegChange::Kind::SetValue, Hive::LocalMachine, std::string(key), std::string(name), value}}));
  }
  std::string Bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  TempDir dir_;
  RegistryFiles files_;
  SqliteRegistry store_;
};

TEST_F(StoreTest, DwordReadLeavesDestinationUnchangedWhenAbsent) {
  Seed(kGeneral, "Number", RegValue::Dword(42));
  Seed(kGeneral, "Text", RegValue::Text("abc"));  // 4 bytes, like a number, but a text
  RegValue three_bytes{ValueType::Dword, {1, 2, 3}};
  Seed(kGeneral, "Short", three_bytes);

  struct Case {
    const char* what;
    std::string key;
    const char* name;
    bool ok;
    uint32_t expected;
  } cases[] = {
      {"present", kGeneral, "Number", true, 42},
      {"name differs only in case", kGeneral, "nUMBER", true, 42},
      {"key differs in case and slashes", "\\software\\QUORVEX\\panelia4.0\\\\general\\", "Number", true, 42},
      {"value missing", kGeneral, "Missing", false, 7},
      {"section missing", SectionPath(Section::Loop), "Number", false, 7},
      {"text is not a number", kGeneral, "Text", false, 7},
      {"wrong size", kGeneral, "Short", false, 7},
  };
  for (const auto& c : cases) {
    CRegistryKey key(store_);
    key.SetSubKey(c.key);
    uint32_t value = 7;
    EXPECT_EQ(key.ReadDword(c.name, value), c.ok) << c.what;
    EXPECT_EQ(value, c.expected) << c.what;
  }
}

TEST_F(StoreTest, StringBufferHolds255BytesAndNoMore) {
  struct Case {
    size_t length;
    bool readable;
  } cases[] = {{0, true}, {1, true}, {255, true}, {256, false}, {300, false}};
  for (const auto& c : cases) {
    std::string text(c.length, 'x');
    Seed(kGeneral, "Value", RegValue::Text(text));
    CRegistryKey key(store_);
    key.SetSubKey(kGeneral);
    CRegistryKey::StringBuffer buffer{};
    buffer[0] = 'K';  // a caller's leftover must survive an unreadable value
    EXPECT_TRUE(key.ReadString("Value", buffer)) << "always reports success, length " << c.length;
    std::string got(buffer.data(), strnlen(buffer.data(), buffer.size()));
    EXPECT_EQ(got, c.readable ? text : std::string("K")) << "length " << c.length;
    std::string checked;
    EXPECT_EQ(key.ReadTextChecked("Value", checked), c.readable ? TextRead::Ok : TextRead::TooLong);
  }
}

TEST_F(StoreTest, WritesStoreTerminatorAndNeverCreateKeys) {
  Seed(kSuiteRootKey, "Seed", RegValue::Dword(1));
  CRegistryKey key(store_);
  key.SetSubKey(kSuiteRootKey);
  ASSERT_TRUE(key.WriteString("AppPath", "/opt/kiosk/panelia"));
  auto stored = store_.QueryValue(Hive::LocalMachine, kSuiteRootKey, "AppPath");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->data.size(), std::string("/opt/kiosk/panelia").size() + 1);
  EXPECT_EQ(stored->data.back(), 0);

  key.SetSubKey(SectionPath(Section::Music));
  EXPECT_FALSE(key.WriteDword("IsMusic", 1));
  EXPECT_FALSE(store_.KeyExists(Hive::LocalMachine, SectionPath(Section::Music)));
}

TEST_F(StoreTest, MissingStoreIsNeverCreatedByReadsOrWrites) {
  CRegistryKey key(store_);
  key.SetSubKey(kSuiteRootKey);
  uint32_t value = 5;
  EXPECT_FALSE(key.ReadDword("Initiated", value));
  EXPECT_FALSE(key.WriteDword("Initiated", 1));
  EXPECT_FALSE(std::filesystem::exists(files_.local_machine));
}

TEST_F(StoreTest, BadStoreFilesReadAsErrorsGiveDefaultsAndAreNeverOverwritten) {
  struct Case {
    const char* what;
    std::string content;
  } cases[] = {
      {"empty file", ""},
      {"text file", "Windows Registry Editor Version 5.00\n"},
      {"binary noise", std::string("\x00\xff\x13\x37garbage\x00\x01", 14) + std::string(5000, '\x9c')},
      {"truncated database header", std::string("SQLite format 3\0", 16) + std::string(84, '\0')},
  };
  for (const auto& c : cases) {
    std::ofstream(files_.local_machine, std::ios::binary | std::ios::trunc) << c.content;
    CRegistryKey key(store_);
    key.SetSubKey(kSuiteRootKey);
    uint32_t value = 9;
    EXPECT_FALSE(key.ReadDword("Initiated", value)) << c.what;
    EXPECT_EQ(value, 9u) << c.what;
    EXPECT_EQ(key.ReadText("AppPath"), "") << c.what;
    EXPECT_TRUE(store_.QueryValue(Hive::LocalMachine, kSuiteRootKey, "AppPath").IsError()) << c.what;
    std::string text;
    EXPECT_EQ(key.ReadTextChecked("AppPath", text), TextRead::StoreError) << c.what;
    EXPECT_EQ(key.ReadDwordChecked("Initiated", value), ValueRead::Outcome::Error) << c.what;
    EXPECT_FALSE(key.WriteDword("Initiated", 1)) << c.what;
    EXPECT_EQ(Bytes(files_.local_machine), c.content) << c.what;
  }
  std::filesystem::remove(files_.local_machine);
  std::filesystem::create_directory(files_.local_machine);  // a directory where the file should be
  CRegistryKey key(store_);
  key.SetSubKey(kSuiteRootKey);
  EXPECT_EQ(key.ReadText("AppPath"), "");
  EXPECT_FALSE(key.WriteString("AppPath", "x"));
}

TEST_F(StoreTest, ReadsDoNotTouchTheFile) {
  Seed(kGeneral, "SoftHomeUrl", RegValue::Text("file:///srv/kiosk/index.html"));
  std::string before = Bytes(files_.local_machine);
  auto mtime = std::filesystem::last_write_time(files_.local_machine);
  CRegistryKey key(store_);
  key.SetSubKey(kGeneral);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(key.ReadText("SoftHomeUrl"), "file:///srv/kiosk/index.html");
  EXPECT_EQ(Bytes(files_.local_machine), before);
  EXPECT_EQ(std::filesystem::last_write_time(files_.local_machine), mtime);
}

TEST_F(StoreTest, WriterHoldingTheStoreLeavesReadersTheOldValue) {
  Seed(kGeneral, "SoftHomeUrl", RegValue::Text("file:///a"));
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(files_.local_machine.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE; UPDATE vals SET data=X'7800'", nullptr, nullptr, nullptr),
            SQLITE_OK);
  CRegistryKey key(store_);
  key.SetSubKey(kGeneral);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(key.ReadText("SoftHomeUrl"), "file:///a");
  EXPECT_FALSE(key.WriteString("SoftHomeUrl", "file:///b"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(holder);
  EXPECT_EQ(key.ReadText("SoftHomeUrl"), "x");
}

TEST_F(StoreTest, StoreLockedAgainstReadersIsAnErrorNotAbsent) {
  Seed(kGeneral, "Password", RegValue::Text("kiosk8"));
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(files_.local_machine.c_str(), &holder), SQLITE_OK);
  // Exclusive locking shuts readers out even of a write-ahead-logged store.
  ASSERT_EQ(sqlite3_exec(holder, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; UPDATE vals SET type=type", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  CRegistryKey key(store_);
  key.SetSubKey(kGeneral);
  std::string text;
  EXPECT_EQ(key.ReadTextChecked("Password", text), TextRead::StoreError);
  EXPECT_EQ(key.ReadText("Password"), "") << "ordinary readers take the default";
  sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(holder);
  EXPECT_EQ(key.ReadTextChecked("Password", text), TextRead::Ok);
  EXPECT_EQ(text, "kiosk8");
}

TEST_F(StoreTest, ReadsFollowTheFileWhenItIsReplacedOrRemoved) {
  Seed(kGeneral, "SoftHomeUrl", RegValue::Text("file:///old"));
  CRegistryKey key(store_);
  key.SetSubKey(kGeneral);
  EXPECT_EQ(key.ReadText("SoftHomeUrl"), "file:///old");
  // An operator restores another store file in its place.
  test::TempDir other_dir;
  SqliteRegistry other({other_dir.path() / "HKEY_LOCAL_MACHINE.db", other_dir.path() / "HKEY_CURRENT_USER.db"});
  ASSERT_TRUE(other.Apply(
      {{RegChange::Kind::SetValue, Hive::LocalMachine, kGeneral, "SoftHomeUrl", RegValue::Text("file:///restored")}}));
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(files_.local_machine.string() + suffix);
  std::filesystem::copy_file(other_dir.path() / "HKEY_LOCAL_MACHINE.db", files_.local_machine);
  EXPECT_EQ(key.ReadText("SoftHomeUrl"), "file:///restored");
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(files_.local_machine.string() + suffix);
  std::string text;
  EXPECT_EQ(key.ReadTextChecked("SoftHomeUrl", text), TextRead::Absent) << "no store: absent, not an error";
}

TEST_F(StoreTest, ReaderInAnotherProcessNeverSeesHalfAWrite) {
  const std::string a(250, 'a'), b(250, 'b');
  Seed(kGeneral, "Password", RegValue::Text(a));
  pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    SqliteRegistry child_store(files_);
    CRegistryKey key(child_store);
    key.SetSubKey(kGeneral);
    for (int i = 0; i < 400; ++i) key.WriteString("Password", i % 2 ? a : b);
    _exit(0);
  }
  CRegistryKey key(store_);
  key.SetSubKey(kGeneral);
  int reads = 0, torn = 0, absent = 0;
  for (;;) {
    int status = 0;
    bool done = waitpid(writer, &status, WNOHANG) == writer;
    std::string got = key.ReadText("Password");
    ++reads;
    // Always one of the two values: never a mixture, never absent while the writer works.
    if (got.empty())
      ++absent;
    else if (got != a && got != b)
      ++torn;
    if (done) break;
  }
  EXPECT_EQ(torn, 0) << "after " << reads << " reads";
  EXPECT_EQ(absent, 0) << "after " << reads << " reads";
}

TEST_F(StoreTest, AdministrationListsCreatesAndDeletesSubtrees) {
  ASSERT_TRUE(store_.CreateKey(Hive::LocalMachine, "SOFTWARE\\Quorvex\\Panelia4.0\\Style"));
  Seed(SectionPath(Section::Style), "Style", RegValue::Dword(2));
  EXPECT_TRUE(store_.KeyExists(Hive::LocalMachine, "software\\quorvex"));
  auto children = store_.ListSubkeys(Hive::LocalMachine, "SOFTWARE\\Quorvex");
  ASSERT_TRUE(children);
  EXPECT_EQ(*children, std::vector<std::string>{"Panelia4.0"});
  // Key names are matched literally, not as LIKE patterns.
  EXPECT_FALSE(store_.KeyExists(Hive::LocalMachine, "SOFTWARE\\Quorve_"));
  EXPECT_TRUE(store_.DeleteKey(Hive::LocalMachine, "software\\QUORVEX"));
  EXPECT_FALSE(store_.KeyExists(Hive::LocalMachine, SectionPath(Section::Style)));
  EXPECT_FALSE(store_.QueryValue(Hive::LocalMachine, SectionPath(Section::Style), "Style"));
  EXPECT_TRUE(store_.KeyExists(Hive::LocalMachine, "SOFTWARE"));
  EXPECT_FALSE(store_.DeleteKey(Hive::LocalMachine, ""));
}

TEST_F(StoreTest, BatchTouchingBothHivesIsAllOrNothing) {
  std::vector<RegChange> batch = {
      {RegChange::Kind::SetValue, Hive::CurrentUser, std::string(kBrowserMainKey), "Start Page", RegValue::Text("x")},
      {RegChange::Kind::SetValue, Hive::LocalMachine, kGeneral, "SoftHomeUrl", RegValue::Text("y")},
  };
  ASSERT_TRUE(store_.Apply(batch));
  EXPECT_EQ(store_.QueryValue(Hive::CurrentUser, kBrowserMainKey, "start page")->AsText(), "x");
  EXPECT_FALSE(store_.QueryValue(Hive::LocalMachine, kBrowserMainKey, "Start Page"));

  // A batch that fails half-way leaves the first hive's change undone too.
  std::ofstream(files_.current_user, std::ios::binary | std::ios::trunc) << "not a database";
  std::vector<RegChange> broken = {
      {RegChange::Kind::SetValue, Hive::LocalMachine, kGeneral, "SoftHomeUrl", RegValue::Text("z")},
      {RegChange::Kind::SetValue, Hive::CurrentUser, std::string(kBrowserMainKey), "Start Page", RegValue::Text("z")},
  };
  EXPECT_FALSE(store_.Apply(broken));
  EXPECT_EQ(store_.QueryValue(Hive::LocalMachine, kGeneral, "SoftHomeUrl")->AsText(), "y");
}

TEST(RegistryFilesTest, EnvironmentDecidesWhereHivesLive) {
  setenv("PANELIA_REGISTRY_DIR", "/srv/reg", 1);
  auto files = RegistryFilesFromEnvironment();
  EXPECT_EQ(files.local_machine, "/srv/reg/HKEY_LOCAL_MACHINE.db");
  EXPECT_EQ(files.current_user, "/srv/reg/HKEY_CURRENT_USER.db");
  unsetenv("PANELIA_REGISTRY_DIR");
  setenv("XDG_CONFIG_HOME", "/home/k/.cfg", 1);
  files = RegistryFilesFromEnvironment();
  EXPECT_EQ(files.current_user, "/home/k/.cfg/panelia/HKEY_CURRENT_USER.db");
  unsetenv("XDG_CONFIG_HOME");
}

TEST(KeyPathTest, NormalizesSeparators) {
  EXPECT_EQ(NormalizeKeyPath("\\a\\\\b\\c\\"), "a\\b\\c");
  EXPECT_EQ(NormalizeKeyPath(""), "");
  EXPECT_EQ(NormalizeKeyPath("\\\\"), "");
}

}  // namespace
}  // namespace panelia
