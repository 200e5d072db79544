#include "common/reg_tool.h"

#include "common/password.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <fstream>
#include <istream>
#include <ostream>
#include <string_view>

#include "common/reg_file.h"
#include "common/settings.h"
#include "common/text.h"

namespace panelia {
namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  panelia-reg query KEY [/v NAME | /ve]\n"
    "  panelia-reg add KEY [/v NAME | /ve] [/t REG_SZ|REG_DWORD] [/d DATA] [/f]\n"
    "  panelia-reg delete KEY [/v NAME | /ve] [/f]\n"
    "  panelia-reg import FILE\n"
    "  panelia-reg import --diff FILE   (what the import would change; nothing is written)\n"
    "  panelia-reg export KEY FILE [/y]\n"
    "KEY starts with HKLM, HKCU, HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER.\n";
constexpr const char* kNotFound = "ERROR: The system was unable to find the specified registry key or value.\n";
constexpr const char* kDone = "The operation completed successfully.\n";
constexpr int kWouldChange = 2;  // import --diff: the import would change something

struct Options {
  bool has_value = false;  // /v or /ve given
  std::string value_name;
  std::string type = "REG_SZ";
  bool has_data = false;
  std::string data;
  bool force = false;
  std::vector<std::string> positional;
};

bool ParseOptions(const std::vector<std::string>& args, size_t from, Options& o, std::ostream& err) {
  for (size_t i = from; i < args.size(); ++i) {
    std::string flag = AsciiLower(args[i]);
    auto next = [&](std::string& into) {
      if (i + 1 >= args.size()) {
        err << "ERROR: " << args[i] << " needs a value.\n";
        return false;
      }
      into = args[++i];
      return true;
    };
    if (flag == "/v" || flag == "-v") {
      o.has_value = true;
      if (!next(o.value_name)) return false;
    } else if (flag == "/ve" || flag == "-ve") {
      o.has_value = true;
      o.value_name.clear();
    } else if (flag == "/t" || flag == "-t") {
      if (!next(o.type)) return false;
    } else if (flag == "/d" || flag == "-d") {
      o.has_data = true;
      if (!next(o.data)) return false;
    } else if (flag == "/f" || flag == "-f" || flag == "/y" || flag == "-y") {
      o.force = true;
    } else if (!args[i].empty() && args[i][0] == '/' && args[i].size() <= 3) {
      err << "ERROR: Invalid syntax: unknown switch " << args[i] << ".\n";
      return false;
    } else {
      o.positional.push_back(args[i]);
    }
  }
  return true;
}

bool Confirm(RegToolIo& io, const std::string& question) {
  io.out << question << " (Yes/No)? " << std::flush;
  std::string answer;
  if (!std::getline(io.in, answer)) return false;
  answer = AsciiLower(std::string(TrimSpaces(answer)));
  return answer == "y" || answer == "yes";
}

// A subkey's path under `path` ("" being the hive itself).
std::string ChildKey(const std::string& path, const std::string& child) {
  if (path.empty()) return child;
  std::string key = path;
  key += '\\';
  key += child;
  return key;
}

std::string FullName(Hive hive, const std::string& path) {
  std::string full(HiveName(hive));
  if (!path.empty()) full += "\\" + path;
  return full;
}

std::string TypeName(const RegValue& v) {
  return v.type == ValueType::Dword ? "REG_DWORD" : "REG_SZ";
}

std::string DisplayData(const RegValue& v) {
  if (auto n = v.AsDword()) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%x", *n);
    return hex;
  }
  return v.AsText();
}

void PrintValue(std::ostream& out, const std::string& name, const RegValue& v) {
  out << "    " << (name.empty() ? "(Default)" : name) << "    " << TypeName(v) << "    " << DisplayData(v) << "\n";
}

int Query(RegistryStore& store, Hive hive, const std::string& path, const Options& o, RegToolIo& io) {
  if (!store.KeyExists(hive, path)) {
    io.err << kNotFound;
    return 1;
  }
  io.out << "\n" << FullName(hive, path) << "\n";
  if (o.has_value) {
    auto v = store.QueryValue(hive, path, o.value_name);
    if (!v) {
      io.err << kNotFound;
      return 1;
    }
    // Shown under its stored name, whatever case the operator typed.
    std::string shown = o.value_name;
    if (auto values = store.ListValues(hive, path)) {
      for (const auto& [name, value] : *values)
        if (EqualsIgnoreAsciiCase(name, o.value_name)) shown = name;
    }
    PrintValue(io.out, shown, *v);
    io.out << "\n";
    return 0;
  }
  if (auto values = store.ListValues(hive, path)) {
    for (const auto& [name, value] : *values) PrintValue(io.out, name, value);
  }
  io.out << "\n";
  for (const auto& child : store.ListSubkeys(hive, path).value_or(std::vector<std::string>{}))
    io.out << FullName(hive, ChildKey(path, child)) << "\n";
  return 0;
}

int Add(RegistryStore& store, Hive hive, const std::string& path, const Options& o, RegToolIo& io) {
  if (!o.has_value) {
    if (!store.CreateKey(hive, path)) {
      io.err << "ERROR: the key could not be created (is the settings store writable?).\n";
      return 1;
    }
    io.out << kDone;
    return 0;
  }
  RegValue value;
  std::string type = AsciiLower(o.type);
  if (type == "reg_sz") {
    if (o.data.size() > kMaxSettingTextBytes) {
      io.err << "ERROR: the text is " << o.data.size() << " bytes long; a setting holds at most "
             << kMaxSettingTextBytes << " bytes.\n";
      return 1;
    }
    value = RegValue::Text(o.data);
  } else if (type == "reg_dword") {
    std::string d = std::string(TrimSpaces(o.data));
    if (!o.has_data) d = "0";
    char* end = nullptr;
    errno = 0;
    bool hex = d.size() > 2 && d[0] == '0' && (d[1] == 'x' || d[1] == 'X');
    unsigned long long n = std::strtoull(d.c_str(), &end, hex ? 16 : 10);
    if (d.empty() || d[0] == '-' || errno != 0 || !end || *end != '\0' || n > 0xFFFFFFFFull) {
      io.err << "ERROR: \"" << o.data << "\" is not a REG_DWORD number (0 to 4294967295, or 0x hexadecimal).\n";
      return 1;
    }
    value = RegValue::Dword(static_cast<uint32_t>(n));
  } else {
    io.err << "ERROR: unsupported type " << o.type << " (REG_SZ or REG_DWORD).\n";
    return 1;
  }
  // Written all the same (an operator may know better), but said: Panelia would never read it here.
  if (hive == Hive::LocalMachine)
    if (auto reads = KeyThatReads(path, o.value_name))
      io.err << "WARNING: Panelia reads " << o.value_name << " under " << FullName(hive, *reads)
             << ", not under this key.\n";
  if (hive == Hive::LocalMachine)
    if (const SettingInfo* info = SettingAt(path, o.value_name))
      if (auto problem = ValueProblem(*info, value)) io.err << "WARNING: " << *problem << "\n";
  // A short exit password is stored only on a typed yes, /f or not: said why.
  if (AsciiLower(o.value_name) == "password" && value.type == ValueType::Sz && IsShortPassword(value.AsText()) &&
      !Confirm(io, "WARNING: the exit password " + std::string(kShortPasswordReason) + ". Store it all the same")) {
    io.err << "The operation was cancelled: the exit password is shorter than 6 characters.\n";
    return 1;
  }
  if (store.QueryValue(hive, path, o.value_name) && !o.force &&
      !Confirm(io,
               "Value " + (o.value_name.empty() ? std::string("(Default)") : o.value_name) + " exists, overwrite")) {
    io.err << "The operation was cancelled.\n";
    return 1;
  }
  if (!store.Apply({{RegChange::Kind::SetValue, hive, path, o.value_name, value}})) {
    io.err << "ERROR: the value could not be written (is the settings store writable?).\n";
    return 1;
  }
  io.out << kDone;
  return 0;
}

int Delete(RegistryStore& store, Hive hive, const std::string& path, const Options& o, RegToolIo& io) {
  if (!store.KeyExists(hive, path) || (o.has_value && !store.QueryValue(hive, path, o.value_name))) {
    io.err << kNotFound;
    return 1;
  }
  std::string what = o.has_value ? "Delete the registry value " + (o.value_name.empty() ? "(Default)" : o.value_name)
                                 : "Permanently delete the registry key " + FullName(hive, path);
  if (!o.force && !Confirm(io, what)) {
    io.err << "The operation was cancelled.\n";
    return 1;
  }
  bool ok = o.has_value ? store.DeleteValue(hive, path, o.value_name) : store.DeleteKey(hive, path);
  if (!ok) {
    io.err << (path.empty() && !o.has_value ? "ERROR: a whole hive cannot be deleted.\n"
                                            : "ERROR: the settings store could not be changed.\n");
    return 1;
  }
  io.out << kDone;
  return 0;
}

std::vector<std::string> ImportDiff(RegistryStore& store, const std::vector<RegChange>& changes, bool& unreadable);

int Import(RegistryStore& store, const std::string& file, bool diff, RegToolIo& io) {
  auto bytes = ReadFileBytes(file);
  if (!bytes) {
    io.err << "ERROR: cannot read " << file << " (missing, unreadable or larger than 16 MiB).\n";
    return 1;
  }
  auto parsed = ParseRegFile(*bytes);
  if (auto* error = std::get_if<RegFileError>(&parsed)) {
    io.err << "ERROR: " << file;
    if (error->line > 0) io.err << ", line " << error->line;
    io.err << ": " << error->message << ". Nothing was imported.\n";
    return 1;
  }
  if (diff) {
    bool unreadable = false;
    auto lines = ImportDiff(store, std::get<std::vector<RegChange>>(parsed), unreadable);
    if (unreadable) {
      io.err << "ERROR: the settings store cannot be read; nothing can be compared.\n";
      return 1;
    }
    for (const auto& line : lines) io.out << line << "\n";
    if (lines.empty()) {
      io.out << "No change: the store already holds what " << file << " sets.\n";
      return 0;
    }
    io.out << lines.size() << (lines.size() == 1 ? " change" : " changes") << " (nothing was written).\n";
    return kWouldChange;
  }
  if (!store.Apply(std::get<std::vector<RegChange>>(parsed))) {
    io.err << "ERROR: the settings store could not be written. Nothing was imported.\n";
    return 1;
  }
  io.out << kDone;
  return 0;
}

// A value as the diff shows it: text quoted, numbers as .reg files write them; never the password.
std::string Shown(const std::string& name, const std::optional<RegValue>& v) {
  if (!v) return "(none)";
  if (AsciiLower(name) == "password") return "(not shown)";
  if (v->type == ValueType::Dword) {
    char text[32];
    std::snprintf(text, sizeof text, "dword:%08x", v->AsDword().value_or(0));
    return text;
  }
  return "\"" + v->AsText() + "\"";
}

// What importing `changes` would do to the store, as lines, in the file's order; the file's own
// steps are followed in turn (a key it deletes and then fills again is compared as it ends up).
std::vector<std::string> ImportDiff(RegistryStore& store, const std::vector<RegChange>& changes, bool& unreadable) {
  auto id = [](Hive h, const std::string& key) { return std::string(HiveName(h)) + "\\" + AsciiLower(key); };
  auto within = [](const std::string& key, const std::string& parent) {
    return key == parent || (key.size() > parent.size() && key.starts_with(parent) && key[parent.size()] == '\\');
  };
  std::vector<std::string> deleted;                                               // key ids the file deleted so far
  std::map<std::string, bool> keys;                                               // key id -> exists after the file
  std::map<std::pair<std::string, std::string>, std::optional<RegValue>> values;  // (key id, name)
  std::vector<std::pair<RegChange, std::string>> order;                           // first mention of each key and value
  auto deleted_by_file = [&](const std::string& key_id) {
    for (const auto& d : deleted)
      if (within(key_id, d)) return true;
    return false;
  };
  auto value_now = [&](const RegChange& c) -> std::optional<RegValue> {
    auto it = values.find({id(c.hive, c.key), AsciiLower(c.name)});
    if (it != values.end()) return it->second;
    if (deleted_by_file(id(c.hive, c.key))) return std::nullopt;
    ValueRead read = store.QueryValue(c.hive, c.key, c.name);
    if (read.IsError()) unreadable = true;
    return read ? std::optional<RegValue>(*read) : std::nullopt;
  };
  auto note = [&](const RegChange& c, const std::string& what) {
    for (const auto& [seen, w] : order)
      if (w == what && seen.hive == c.hive && AsciiLower(seen.key) == AsciiLower(c.key) &&
          AsciiLower(seen.name) == AsciiLower(c.name))
        return;
    order.emplace_back(c, what);
  };
  for (const RegChange& c : changes) {
    const std::string key_id = id(c.hive, c.key);
    switch (c.kind) {
      case RegChange::Kind::CreateKey:
        keys[key_id] = true;
        note(c, "key");
        break;
      case RegChange::Kind::DeleteKey: {
        // What the store holds below it goes too, unless the file sets it again later.
        std::vector<std::string> below = {c.key};
        for (size_t i = 0; i < below.size(); ++i) {
          const std::string key = below[i];
          for (const auto& [name, value] :
               store.ListValues(c.hive, key).value_or(std::vector<std::pair<std::string, RegValue>>{})) {
            RegChange gone{RegChange::Kind::DeleteValue, c.hive, key, name, {}};
            note(gone, "value");
          }
          for (const auto& child : store.ListSubkeys(c.hive, key).value_or(std::vector<std::string>{})) {
            below.push_back(ChildKey(key, child));
            note(RegChange{RegChange::Kind::DeleteKey, c.hive, ChildKey(key, child), "", {}}, "key");
          }
        }
        deleted.push_back(key_id);
        for (auto& [k, exists] : keys)
          if (within(k, key_id)) exists = false;
        for (auto& [k, v] : values)
          if (within(k.first, key_id)) v.reset();
        keys[key_id] = false;
        note(c, "key");
        break;
      }
      case RegChange::Kind::SetValue:
        values[{key_id, AsciiLower(c.name)}] = c.value;
        note(c, "value");
        break;
      case RegChange::Kind::DeleteValue:
        values[{key_id, AsciiLower(c.name)}] = std::nullopt;
        note(c, "value");
        break;
    }
  }
  std::vector<std::string> lines;
  for (const auto& [c, what] : order) {
    const std::string key_id = id(c.hive, c.key);
    const std::string full = FullName(c.hive, c.key);
    if (what == "key") {
      bool before = store.KeyExists(c.hive, c.key);
      auto it = keys.find(key_id);
      bool after = it != keys.end() ? it->second : (before && !deleted_by_file(key_id));
      if (!before && after) lines.push_back("+ [" + full + "]");
      if (before && !after) lines.push_back("- [" + full + "]");
      continue;
    }
    ValueRead read = store.QueryValue(c.hive, c.key, c.name);
    if (read.IsError()) unreadable = true;
    std::optional<RegValue> before = read ? std::optional<RegValue>(*read) : std::nullopt;
    std::optional<RegValue> after = value_now(c);
    if (before == after) continue;
    std::string name = full + "\\" + (c.name.empty() ? "(Default)" : c.name);
    if (!before)
      lines.push_back("+ " + name + " = " + Shown(c.name, after));
    else if (!after)
      lines.push_back("- " + name + " (was " + Shown(c.name, before) + ")");
    else
      lines.push_back("~ " + name + ": " + Shown(c.name, before) + " -> " + Shown(c.name, after));
  }
  return lines;
}

void Collect(RegistryStore& store, Hive hive, const std::string& path, std::vector<RegExportKey>& keys) {
  keys.push_back({hive, path, store.ListValues(hive, path).value_or(std::vector<std::pair<std::string, RegValue>>{})});
  for (const auto& child : store.ListSubkeys(hive, path).value_or(std::vector<std::string>{}))
    Collect(store, hive, ChildKey(path, child), keys);
}

int Export(RegistryStore& store, Hive hive, const std::string& path, const std::string& file, RegToolIo& io) {
  if (!store.KeyExists(hive, path)) {
    io.err << kNotFound;
    return 1;
  }
  std::vector<RegExportKey> keys;
  Collect(store, hive, path, keys);
  std::string text = FormatRegFile(keys);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out || !out.write(text.data(), static_cast<std::streamsize>(text.size()))) {
    io.err << "ERROR: cannot write " << file << ".\n";
    return 1;
  }
  io.out << kDone;
  return 0;
}

}  // namespace

int RunRegTool(const std::vector<std::string>& args, RegistryStore& store, RegToolIo io) {
  if (args.empty() || args[0] == "/?" || args[0] == "-h" || args[0] == "--help") {
    (args.empty() ? io.err : io.out) << kUsage;
    return args.empty() ? 1 : 0;
  }
  std::string command = AsciiLower(args[0]);
  Options o;
  if (!ParseOptions(args, 1, o, io.err)) return 1;

  if (command == "import") {
    std::vector<std::string> files;
    bool diff = false;
    for (const auto& p : o.positional) {
      if (p == "--diff" || AsciiLower(p) == "/diff")
        diff = true;
      else
        files.push_back(p);
    }
    if (files.size() != 1) {
      io.err << "ERROR: Invalid syntax.\n" << kUsage;
      return 1;
    }
    return Import(store, files[0], diff, io);
  }
  size_t want = command == "export" ? 2 : 1;
  if (command != "query" && command != "add" && command != "delete" && command != "export") {
    io.err << "ERROR: unknown operation \"" << args[0] << "\".\n" << kUsage;
    return 1;
  }
  if (o.positional.size() != want) {
    io.err << "ERROR: Invalid syntax.\n" << kUsage;
    return 1;
  }
  Hive hive;
  std::string path;
  if (!SplitHivePath(o.positional[0], hive, path)) {
    io.err << "ERROR: Invalid key name \"" << o.positional[0] << "\": it must start with HKLM or HKCU.\n";
    return 1;
  }
  if (command == "query") return Query(store, hive, path, o, io);
  if (command == "add") return Add(store, hive, path, o, io);
  if (command == "delete") return Delete(store, hive, path, o, io);
  return Export(store, hive, path, o.positional[1], io);
}

}  // namespace panelia
