#include "platform/store/sqlite_registry.h"
#include "common/log.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <system_error>

namespace panelia {
namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE COLLATE NOCASE);"
    "CREATE TABLE IF NOT EXISTS vals(key_id INTEGER NOT NULL, name TEXT NOT NULL COLLATE NOCASE,"
    " type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(key_id, name));"
    "INSERT OR IGNORE INTO keys(path) VALUES('');";

struct DbCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Db = std::unique_ptr<sqlite3, DbCloser>;

struct StmtFinalizer {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

enum class Mode { Read, Write, Create };

// Writers keep the store in write-ahead-log mode: readers then see the last committed value while a
// writer works, instead of waiting for it and giving up. The log files stay beside the store so an
// account that may only read it still can.
void UseWriteAheadLog(sqlite3* db, bool switch_mode) {
  // Only a store this program has just made sure of is switched: the pragma writes to the file.
  if (switch_mode) sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  int persist = 1;
  sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
}

Db Open(const std::filesystem::path& file, Mode mode, int busy_ms) {
  // Readers ask for read access only, so an account that may only read the store still sees its values.
  int flags = SQLITE_OPEN_NOMUTEX;
  flags |= mode == Mode::Read ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
  if (mode == Mode::Create) {
    flags |= SQLITE_OPEN_CREATE;
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
  }
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &raw, flags, nullptr);
  Db db(raw);
  if (rc != SQLITE_OK) return nullptr;
  sqlite3_busy_timeout(raw, busy_ms);
  if (mode == Mode::Create && sqlite3_exec(raw, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) return nullptr;
  if (mode != Mode::Read) UseWriteAheadLog(raw, mode == Mode::Create);
  return db;
}

Stmt Prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) return nullptr;
  return Stmt(raw);
}

void BindText(sqlite3_stmt* s, int index, std::string_view text) {
  sqlite3_bind_text(s, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

std::optional<RegValue> ValueFromRow(sqlite3_stmt* s, int type_col, int data_col) {
  int type = sqlite3_column_int(s, type_col);
  if (type != static_cast<int>(ValueType::Sz) && type != static_cast<int>(ValueType::Dword)) return std::nullopt;
  RegValue v;
  v.type = static_cast<ValueType>(type);
  auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(s, data_col));
  int size = sqlite3_column_bytes(s, data_col);
  if (bytes && size > 0) v.data.assign(bytes, bytes + size);
  return v;
}

// Runs one statement with the given bindings; true when it completed.
template <typename Bind>
bool Run(sqlite3* db, const char* sql, Bind bind) {
  Stmt s = Prepare(db, sql);
  if (!s) return false;
  bind(s.get());
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
  }
  return rc == SQLITE_DONE;
}

// LIKE pattern matching every key below `path`, with LIKE's own wildcards escaped.
std::string DescendantPattern(const std::string& path) {
  std::string pattern;
  for (char c : path) {
    if (c == '%' || c == '_' || c == '!') pattern += '!';
    pattern += c;
  }
  pattern += path.empty() ? "%" : "\\%";
  return pattern;
}

bool CreateKeyIn(sqlite3* db, const std::string& schema, const std::string& path) {
  std::string sql = "INSERT OR IGNORE INTO " + schema + ".keys(path) VALUES(?1)";
  std::string prefix;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    prefix = path.substr(0, end);
    if (!Run(db, sql.c_str(), [&](sqlite3_stmt* s) { BindText(s, 1, prefix); })) return false;
    start = end + 1;
  }
  return true;
}

bool KeyExistsIn(sqlite3* db, const std::string& path, const std::string& schema = "main") {
  std::string find = "SELECT 1 FROM " + schema + ".keys WHERE path=?1";
  Stmt s = Prepare(db, find.c_str());
  if (!s) return false;
  BindText(s.get(), 1, path);
  return sqlite3_step(s.get()) == SQLITE_ROW;
}

bool DeleteKeyIn(sqlite3* db, const std::string& schema, const std::string& path) {
  if (!KeyExistsIn(db, path, schema)) return true;
  std::string pattern = DescendantPattern(path);
  std::string del_vals = "DELETE FROM " + schema + ".vals WHERE key_id IN (SELECT id FROM " + schema +
                         ".keys WHERE path=?1 OR path LIKE ?2 ESCAPE '!')";
  std::string del_keys = "DELETE FROM " + schema + ".keys WHERE (path=?1 OR path LIKE ?2 ESCAPE '!') AND path<>''";
  auto bind = [&](sqlite3_stmt* s) {
    BindText(s, 1, path);
    BindText(s, 2, pattern);
  };
  return Run(db, del_vals.c_str(), bind) && Run(db, del_keys.c_str(), bind);
}

bool SetValueIn(sqlite3* db, const std::string& schema, const std::string& path, std::string_view name,
                const RegValue& value) {
  // One statement, so the value is replaced atomically and only inside an existing key.
  std::string sql = "INSERT INTO " + schema + ".vals(key_id,name,type,data) SELECT id,?2,?3,?4 FROM " + schema +
                    ".keys WHERE path=?1 ON CONFLICT(key_id,name) DO UPDATE SET type=excluded.type,data=excluded.data";
  bool ok = Run(db, sql.c_str(), [&](sqlite3_stmt* s) {
    BindText(s, 1, path);
    BindText(s, 2, name);
    sqlite3_bind_int(s, 3, static_cast<int>(value.type));
    sqlite3_bind_blob(s, 4, value.data.data(), static_cast<int>(value.data.size()), SQLITE_TRANSIENT);
  });
  return ok && sqlite3_changes(db) > 0;
}

bool DeleteValueIn(sqlite3* db, const std::string& schema, const std::string& path, std::string_view name) {
  std::string sql =
      "DELETE FROM " + schema + ".vals WHERE key_id=(SELECT id FROM " + schema + ".keys WHERE path=?1) AND name=?2";
  bool ok = Run(db, sql.c_str(), [&](sqlite3_stmt* s) {
    BindText(s, 1, path);
    BindText(s, 2, name);
  });
  return ok && sqlite3_changes(db) > 0;
}

std::filesystem::path EnvDir(const char* var, const char* fallback_below_home) {
  const char* value = std::getenv(var);
  if (value && *value) return value;
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : "/tmp") / fallback_below_home;
}

}  // namespace

RegistryFiles RegistryFilesFromEnvironment() {
  RegistryFiles files;
  if (const char* dir = std::getenv("PANELIA_REGISTRY_DIR"); dir && *dir) {
    files.local_machine = std::filesystem::path(dir) / "HKEY_LOCAL_MACHINE.db";
    files.current_user = std::filesystem::path(dir) / "HKEY_CURRENT_USER.db";
    return files;
  }
  std::filesystem::path system_dir = "/var/lib/panelia";
  std::error_code ec;
  // The machine's store is there for whoever may write it (the operator) and for whoever may only
  // read what the operator wrote there (the kiosk account).
  if (std::filesystem::is_directory(system_dir, ec) &&
      (access(system_dir.c_str(), W_OK) == 0 || access((system_dir / "HKEY_LOCAL_MACHINE.db").c_str(), R_OK) == 0)) {
    files.local_machine = system_dir / "HKEY_LOCAL_MACHINE.db";
  } else {
    files.local_machine = EnvDir("XDG_DATA_HOME", ".local/share") / "panelia" / "HKEY_LOCAL_MACHINE.db";
  }
  files.current_user = EnvDir("XDG_CONFIG_HOME", ".config") / "panelia" / "HKEY_CURRENT_USER.db";
  return files;
}

SqliteRegistry::SqliteRegistry(RegistryFiles files, std::chrono::milliseconds busy_wait)
    : files_(std::move(files)), busy_ms_(static_cast<int>(busy_wait.count())) {}

const std::filesystem::path& SqliteRegistry::FileOf(Hive hive) const {
  return hive == Hive::LocalMachine ? files_.local_machine : files_.current_user;
}

struct SqliteRegistry::Reader {
  Db db;
  Stmt query;
  dev_t device = 0;
  ino_t inode = 0;
};

SqliteRegistry::~SqliteRegistry() = default;

SqliteRegistry::Reader* SqliteRegistry::ReaderFor(Hive hive, const struct stat& file) {
  std::unique_ptr<Reader>& reader = ReaderSlot(hive);
  // A file put in the store's place (a restored backup) is another store.
  if (reader && (reader->device != file.st_dev || reader->inode != file.st_ino)) reader.reset();
  if (!reader) {
    auto fresh = std::make_unique<Reader>();
    fresh->db = Open(FileOf(hive), Mode::Read, busy_ms_);
    if (!fresh->db) return nullptr;
    fresh->device = file.st_dev;
    fresh->inode = file.st_ino;
    reader = std::move(fresh);
  }
  return reader.get();
}

std::unique_ptr<SqliteRegistry::Reader>& SqliteRegistry::ReaderSlot(Hive hive) {
  return readers_[hive == Hive::LocalMachine ? 0 : 1];
}

ValueRead SqliteRegistry::QueryValue(Hive hive, std::string_view key, std::string_view name) {
  const std::filesystem::path& file = FileOf(hive);
  struct stat st = {};
  if (stat(file.c_str(), &st) != 0) {
    ReaderSlot(hive).reset();
    // No store file at all is a machine nobody has configured yet: every value is absent.
    if (errno == ENOENT) return std::nullopt;
    return ReadFailed(file, std::strerror(errno));
  }
  Reader* reader = ReaderFor(hive, st);
  if (!reader) return ReadFailed(file, "cannot be opened");
  auto fail = [&](const char* why) {
    std::string text = why;
    // The next read starts afresh: the store may have been mended or unlocked by then.
    ReaderSlot(hive).reset();
    return ReadFailed(file, text);
  };
  if (!reader->query) {
    reader->query =
        Prepare(reader->db.get(),
                "SELECT v.type, v.data FROM vals v JOIN keys k ON v.key_id=k.id WHERE k.path=?1 AND v.name=?2");
    if (!reader->query) return fail(sqlite3_errmsg(reader->db.get()));  // busy, or not a settings database
  }
  sqlite3_stmt* s = reader->query.get();
  BindText(s, 1, NormalizeKeyPath(key));
  BindText(s, 2, name);
  int rc = sqlite3_step(s);
  ValueRead result;
  if (rc == SQLITE_ROW) {
    auto value = ValueFromRow(s, 0, 1);
    if (value) result = ValueRead(std::move(*value));
  }
  // Reset at once: a statement left running would hold its read transaction open.
  sqlite3_reset(s);
  sqlite3_clear_bindings(s);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return fail(sqlite3_errmsg(reader->db.get()));
  return ReadSucceeded(std::move(result));
}

ValueRead SqliteRegistry::ReadFailed(const std::filesystem::path& file, const std::string& why) {
  // Once per outage: a kiosk reading settings at every page must not flood its log.
  if (!error_reported_) {
    error_reported_ = true;
    Log("the settings store %s cannot be read (%s); defaults apply until it can", file.c_str(), why.c_str());
  }
  return ValueRead::Error();
}

ValueRead SqliteRegistry::ReadSucceeded(ValueRead read) {
  error_reported_ = false;
  return read;
}

bool SqliteRegistry::SetValue(Hive hive, std::string_view key, std::string_view name, const RegValue& value) {
  // Opened without create: a missing store, like a missing key, makes the write fail.
  Db db = Open(FileOf(hive), Mode::Write, busy_ms_);
  return db && SetValueIn(db.get(), "main", NormalizeKeyPath(key), name, value);
}

bool SqliteRegistry::KeyExists(Hive hive, std::string_view key) {
  Db db = Open(FileOf(hive), Mode::Read, busy_ms_);
  return db && KeyExistsIn(db.get(), NormalizeKeyPath(key));
}

bool SqliteRegistry::CreateKey(Hive hive, std::string_view key) {
  return Apply({RegChange{RegChange::Kind::CreateKey, hive, std::string(key), {}, {}}});
}

bool SqliteRegistry::DeleteKey(Hive hive, std::string_view key) {
  if (NormalizeKeyPath(key).empty() || !KeyExists(hive, key)) return false;
  return Apply({RegChange{RegChange::Kind::DeleteKey, hive, std::string(key), {}, {}}});
}

bool SqliteRegistry::DeleteValue(Hive hive, std::string_view key, std::string_view name) {
  Db db = Open(FileOf(hive), Mode::Write, busy_ms_);
  return db && DeleteValueIn(db.get(), "main", NormalizeKeyPath(key), name);
}

std::optional<std::vector<std::pair<std::string, RegValue>>> SqliteRegistry::ListValues(Hive hive,
                                                                                        std::string_view key) {
  Db db = Open(FileOf(hive), Mode::Read, busy_ms_);
  if (!db || !KeyExistsIn(db.get(), NormalizeKeyPath(key))) return std::nullopt;
  Stmt s = Prepare(db.get(),
                   "SELECT v.name, v.type, v.data FROM vals v JOIN keys k ON v.key_id=k.id WHERE k.path=?1 "
                   "ORDER BY v.name");
  if (!s) return std::nullopt;
  BindText(s.get(), 1, NormalizeKeyPath(key));
  std::vector<std::pair<std::string, RegValue>> out;
  while (sqlite3_step(s.get()) == SQLITE_ROW) {
    auto value = ValueFromRow(s.get(), 1, 2);
    if (!value) continue;
    out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0)), std::move(*value));
  }
  return out;
}

std::optional<std::vector<std::string>> SqliteRegistry::ListSubkeys(Hive hive, std::string_view key) {
  Db db = Open(FileOf(hive), Mode::Read, busy_ms_);
  std::string path = NormalizeKeyPath(key);
  if (!db || !KeyExistsIn(db.get(), path)) return std::nullopt;
  Stmt s = Prepare(db.get(), "SELECT path FROM keys WHERE path LIKE ?1 ESCAPE '!' ORDER BY path");
  if (!s) return std::nullopt;
  BindText(s.get(), 1, DescendantPattern(path));
  std::vector<std::string> out;
  size_t skip = path.empty() ? 0 : path.size() + 1;
  while (sqlite3_step(s.get()) == SQLITE_ROW) {
    std::string child = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0));
    if (child.size() <= skip) continue;
    child = child.substr(skip);
    if (child.find('\\') == std::string::npos) out.push_back(child);
  }
  return out;
}

bool SqliteRegistry::ScrubOldValues() {
  Db db = Open(files_.local_machine, Mode::Write, busy_ms_);
  if (!db) return false;
  // A reader that holds the log open keeps its frames: then the next scrub takes them.
  return sqlite3_exec(db.get(), "PRAGMA secure_delete=ON; VACUUM; PRAGMA wal_checkpoint(TRUNCATE);", nullptr, nullptr,
                      nullptr) == SQLITE_OK;
}

bool SqliteRegistry::Apply(const std::vector<RegChange>& changes) {
  bool needs_user = false;
  for (const auto& c : changes) needs_user |= c.hive == Hive::CurrentUser;
  Db db = Open(files_.local_machine, Mode::Create, busy_ms_);
  if (!db) return false;
  if (needs_user) {
    // Both hives in one transaction: a batch that touches both is still all-or-nothing.
    Db user = Open(files_.current_user, Mode::Create, busy_ms_);
    if (!user) return false;
    user.reset();
    if (!Run(db.get(), "ATTACH DATABASE ?1 AS cu",
             [&](sqlite3_stmt* s) { BindText(s, 1, files_.current_user.string()); }))
      return false;
  }
  if (sqlite3_exec(db.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
  bool ok = true;
  for (const auto& c : changes) {
    std::string schema = c.hive == Hive::LocalMachine ? "main" : "cu";
    std::string path = NormalizeKeyPath(c.key);
    switch (c.kind) {
      case RegChange::Kind::CreateKey: ok = CreateKeyIn(db.get(), schema, path); break;
      case RegChange::Kind::DeleteKey: ok = path.empty() || DeleteKeyIn(db.get(), schema, path); break;
      case RegChange::Kind::SetValue:
        ok = CreateKeyIn(db.get(), schema, path) && SetValueIn(db.get(), schema, path, c.name, c.value);
        break;
      case RegChange::Kind::DeleteValue:
        DeleteValueIn(db.get(), schema, path, c.name);  // deleting an absent value is not an error
        break;
    }
    if (!ok) break;
  }
  if (ok && sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
  return false;
}

}  // namespace panelia
