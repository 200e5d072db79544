// The settings store shared by the three programs, and CRegistryKey, the small accessor every
// program reads and writes it with.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace panelia {

enum class Hive { LocalMachine, CurrentUser };

// Numbers are the registry's own type codes; they are what .reg files and the store keep.
enum class ValueType : uint32_t { Sz = 1, Dword = 4 };

struct RegValue {
  ValueType type = ValueType::Sz;
  std::vector<uint8_t> data;  // REG_SZ: the text and its terminator; REG_DWORD: 4 bytes, little endian

  static RegValue Text(std::string_view text);
  static RegValue Dword(uint32_t value);
  // The text of an REG_SZ value up to its terminator.
  std::string AsText() const;
  // Only a REG_DWORD of exactly 4 bytes is a number.
  std::optional<uint32_t> AsDword() const;
  friend bool operator==(const RegValue&, const RegValue&) = default;
};

// One change of a batch that is written all-or-nothing (an imported .reg file).
struct RegChange {
  enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
  Kind kind = Kind::CreateKey;
  Hive hive = Hive::LocalMachine;
  std::string key;
  std::string name;
  RegValue value;
};

// One value read from a store: found, absent, or not readable at all (a locked, corrupt or vanished
// store). Callers that must fail closed tell the last two apart; the rest treat both as absent.
class ValueRead {
 public:
  enum class Outcome { Found, Absent, Error };
  ValueRead() = default;
  ValueRead(std::nullopt_t) {}  // NOLINT(google-explicit-constructor): reads as absent
  ValueRead(RegValue value) : status_(Outcome::Found), value_(std::move(value)) {}  // NOLINT
  static ValueRead Error() {
    ValueRead r;
    r.status_ = Outcome::Error;
    return r;
  }
  Outcome status() const { return status_; }
  bool IsError() const { return status_ == Outcome::Error; }
  explicit operator bool() const { return status_ == Outcome::Found; }
  const RegValue& operator*() const { return value_; }
  const RegValue* operator->() const { return &value_; }

 private:
  Outcome status_ = Outcome::Absent;
  RegValue value_;
};

// Raw access to the hives. Key paths are backslash-separated and compare without regard to ASCII
// case; value names too. Reads never create anything, and SetValue never creates a key.
class RegistryStore {
 public:
  virtual ~RegistryStore() = default;
  virtual ValueRead QueryValue(Hive hive, std::string_view key, std::string_view name) = 0;
  virtual bool SetValue(Hive hive, std::string_view key, std::string_view name, const RegValue& value) = 0;

  // Administration, for panelia-reg and the configuration program only.
  virtual bool KeyExists(Hive hive, std::string_view key) = 0;
  virtual bool CreateKey(Hive hive, std::string_view key) = 0;  // with every missing parent
  virtual bool DeleteKey(Hive hive, std::string_view key) = 0;  // with its whole subtree
  virtual bool DeleteValue(Hive hive, std::string_view key, std::string_view name) = 0;
  // Values in name order (case-insensitive), subkeys as names of the immediate children.
  virtual std::optional<std::vector<std::pair<std::string, RegValue>>> ListValues(Hive hive, std::string_view key) = 0;
  virtual std::optional<std::vector<std::string>> ListSubkeys(Hive hive, std::string_view key) = 0;
  // Applies every change or none.
  virtual bool Apply(const std::vector<RegChange>& changes) = 0;
};

// "a\\b\\\\c\\" -> "a\\b\\c": the form keys are stored and compared in.
std::string NormalizeKeyPath(std::string_view path);

// Result of a text read where the caller must tell "absent" from "there but unreadable" (too long
// for the buffer) and from "the store itself could not be read".
enum class TextRead { Ok, Absent, TooLong, StoreError };

class CRegistryKey {
 public:
  static constexpr size_t kStringBufferSize = 256;
  using StringBuffer = std::array<char, kStringBufferSize>;

  explicit CRegistryKey(RegistryStore& store) : store_(&store) {}
  virtual ~CRegistryKey() = default;

  void SetRootKey(Hive hive) { root_ = hive; }
  void SetSubKey(std::string_view path) { subkey_ = path; }
  Hive RootKey() const { return root_; }
  const std::string& SubKey() const { return subkey_; }

  // Writes `destination` only when a 4-byte REG_DWORD was read.
  bool ReadDword(std::string_view name, uint32_t& destination) const;
  bool ReadDword(std::string_view name, int32_t& destination) const;
  // As ReadDword, and says why nothing was written.
  ValueRead::Outcome ReadDwordChecked(std::string_view name, uint32_t& destination) const;
  // Fills the caller's zeroed 256-byte buffer; a value that does not fit (256 bytes of text or
  // more) leaves it untouched. Always reports success, which every caller relies on.
  bool ReadString(std::string_view name, StringBuffer& buffer) const;
  // The usual caller's idiom: zeroed buffer, read, copy. Absent or unreadable gives "".
  std::string ReadText(std::string_view name) const;
  // Tells absent from too long and from a store error, for callers that must fail closed.
  TextRead ReadTextChecked(std::string_view name, std::string& out) const;

  bool WriteString(std::string_view name, std::string_view text) const;
  bool WriteDword(std::string_view name, uint32_t value) const;

 private:
  RegistryStore* store_;
  Hive root_ = Hive::LocalMachine;
  std::string subkey_;
};

std::string_view HiveName(Hive hive);  // "HKEY_LOCAL_MACHINE" / "HKEY_CURRENT_USER"

}  // namespace panelia
