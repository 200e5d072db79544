// The settings store on SQLite: one database file per hive, shared by several programs. Writes open
// their own connection and close it again; each write is one transaction, so a reader never sees
// half of one. Reads go through one read-only connection per hive, kept open while the file stays
// the same file, because opening a write-ahead-logged store costs several times the read itself.
// A store that exists but cannot be read gives an error, never "absent", and says so once on stderr.
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "common/registry.h"

namespace panelia {

struct RegistryFiles {
  std::filesystem::path local_machine;
  std::filesystem::path current_user;
};

// PANELIA_REGISTRY_DIR holds both hives; unset, the local-machine hive is /var/lib/panelia/ when that
// is a writable directory, else $XDG_DATA_HOME/panelia/, and the current-user hive $XDG_CONFIG_HOME/panelia/.
RegistryFiles RegistryFilesFromEnvironment();

class SqliteRegistry final : public RegistryStore {
 public:
  explicit SqliteRegistry(RegistryFiles files, std::chrono::milliseconds busy_wait = std::chrono::milliseconds(250));
  ~SqliteRegistry() override;
  SqliteRegistry(const SqliteRegistry&) = delete;
  SqliteRegistry& operator=(const SqliteRegistry&) = delete;

  ValueRead QueryValue(Hive hive, std::string_view key, std::string_view name) override;
  bool SetValue(Hive hive, std::string_view key, std::string_view name, const RegValue& value) override;
  bool KeyExists(Hive hive, std::string_view key) override;
  bool CreateKey(Hive hive, std::string_view key) override;
  bool DeleteKey(Hive hive, std::string_view key) override;
  bool DeleteValue(Hive hive, std::string_view key, std::string_view name) override;
  std::optional<std::vector<std::pair<std::string, RegValue>>> ListValues(Hive hive, std::string_view key) override;
  std::optional<std::vector<std::string>> ListSubkeys(Hive hive, std::string_view key) override;
  bool Apply(const std::vector<RegChange>& changes) override;

  const RegistryFiles& Files() const { return files_; }
  // Rewrites the machine's store without the space old values left (freed pages, the log's old
  // frames), where a value taken out of it (the exit password) would otherwise still be read.
  bool ScrubOldValues();

 private:
  const std::filesystem::path& FileOf(Hive hive) const;
  ValueRead ReadFailed(const std::filesystem::path& file, const std::string& why);
  ValueRead ReadSucceeded(ValueRead read);
  // A read-only connection per hive, kept while its file stays the same file.
  struct Reader;
  Reader* ReaderFor(Hive hive, const struct stat& file);
  std::unique_ptr<Reader>& ReaderSlot(Hive hive);
  RegistryFiles files_;
  std::unique_ptr<Reader> readers_[2];
  int busy_ms_;
  bool error_reported_ = false;
};

}  // namespace panelia
