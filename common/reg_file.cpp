#include "common/reg_file.h"

#include <cstdint>
#include <cstdio>

#include "common/text.h"

namespace panelia {

bool SplitHivePath(std::string_view full, Hive& hive, std::string& path) {
  size_t slash = full.find('\\');
  std::string_view head = full.substr(0, slash);
  if (EqualsIgnoreAsciiCase(head, "HKLM") || EqualsIgnoreAsciiCase(head, "HKEY_LOCAL_MACHINE")) {
    hive = Hive::LocalMachine;
  } else if (EqualsIgnoreAsciiCase(head, "HKCU") || EqualsIgnoreAsciiCase(head, "HKEY_CURRENT_USER")) {
    hive = Hive::CurrentUser;
  } else {
    return false;
  }
  path = slash == std::string_view::npos ? std::string() : NormalizeKeyPath(full.substr(slash + 1));
  return true;
}

namespace {

// Reads a quoted string starting at text[pos] == '"'; pos ends after the closing quote.
bool ReadQuoted(std::string_view text, size_t& pos, std::string& out, std::string& error) {
  ++pos;
  out.clear();
  while (pos < text.size()) {
    char c = text[pos++];
    if (c == '"') return true;
    if (c == '\\') {
      if (pos >= text.size()) break;
      char next = text[pos++];
      if (next != '\\' && next != '"') {
        error = std::string("unknown escape \\") + next + " (only \\\\ and \\\" are allowed)";
        return false;
      }
      out += next;
    } else {
      out += c;
    }
  }
  error = "missing closing quote";
  return false;
}

bool ParseHexDword(std::string_view digits, uint32_t& value) {
  if (digits.empty() || digits.size() > 8) return false;
  value = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    value = (value << 4) | static_cast<uint32_t>(d);
  }
  return true;
}

}  // namespace

std::variant<std::vector<RegChange>, RegFileError> ParseRegFile(std::string_view bytes) {
  auto decoded = DecodeTextFile(bytes);
  if (!decoded) return RegFileError{0, "the file is neither UTF-8, UTF-16LE with byte-order mark nor GB18030 text"};
  const std::string& text = *decoded;

  std::vector<RegChange> changes;
  bool header_seen = false;
  bool in_key = false;  // false also after a [-key] deletion: values there have nowhere to go
  Hive hive = Hive::LocalMachine;
  std::string key;
  int line_no = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line = TrimSpaces(std::string_view(text).substr(pos, end - pos));
    pos = end + 1;
    ++line_no;
    if (line.empty() || line.front() == ';') {
      if (pos > text.size()) break;
      continue;
    }
    auto fail = [&](std::string message) { return RegFileError{line_no, std::move(message)}; };
    if (!header_seen) {
      if (line != "Windows Registry Editor Version 5.00" && line != "REGEDIT4")
        return fail("the first line must be \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\"");
      header_seen = true;
      continue;
    }
    if (line.front() == '[') {
      if (line.back() != ']') return fail("key line without closing ]");
      std::string_view inner = line.substr(1, line.size() - 2);
      bool remove = !inner.empty() && inner.front() == '-';
      if (remove) inner.remove_prefix(1);
      if (!SplitHivePath(inner, hive, key)) return fail("unknown hive in [" + std::string(inner) + "]");
      if (remove) {
        if (key.empty()) return fail("a whole hive cannot be deleted");
        changes.push_back({RegChange::Kind::DeleteKey, hive, key, {}, {}});
        in_key = false;
      } else {
        changes.push_back({RegChange::Kind::CreateKey, hive, key, {}, {}});
        in_key = true;
      }
      continue;
    }
    if (!in_key) return fail("value outside a key");
    std::string name;
    size_t p = 0;
    if (line.front() == '@') {
      p = 1;
    } else if (line.front() == '"') {
      std::string error;
      if (!ReadQuoted(line, p, name, error)) return fail("value name: " + error);
    } else {
      return fail("expected a \"name\"=value line");
    }
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
    if (p >= line.size() || line[p] != '=') return fail("expected = after the value name");
    std::string_view data = TrimSpaces(line.substr(p + 1));
    if (data == "-") {
      changes.push_back({RegChange::Kind::DeleteValue, hive, key, name, {}});
    } else if (!data.empty() && data.front() == '"') {
      size_t q = 0;
      std::string textValue, error;
      if (!ReadQuoted(data, q, textValue, error)) return fail("value data: " + error);
      if (!TrimSpaces(data.substr(q)).empty()) return fail("unexpected text after the closing quote");
      if (textValue.size() > kMaxSettingTextBytes)
        return fail("text of " + std::to_string(textValue.size()) + " bytes for \"" + name + "\" is longer than " +
                    std::to_string(kMaxSettingTextBytes) + " bytes");
      if (textValue.find('\0') != std::string::npos) return fail("text contains a NUL character");
      changes.push_back({RegChange::Kind::SetValue, hive, key, name, RegValue::Text(textValue)});
    } else if (data.size() > 6 && EqualsIgnoreAsciiCase(data.substr(0, 6), "dword:")) {
      uint32_t number = 0;
      if (!ParseHexDword(data.substr(6), number)) return fail("dword: needs 1 to 8 hexadecimal digits");
      changes.push_back({RegChange::Kind::SetValue, hive, key, name, RegValue::Dword(number)});
    } else {
      return fail("unsupported value data (only \"text\", dword:XXXXXXXX and - are understood)");
    }
    if (pos > text.size()) break;
  }
  if (!header_seen) return RegFileError{0, "empty file: no \"Windows Registry Editor Version 5.00\" header"};
  return changes;
}

std::string QuoteRegString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

std::string FormatRegFile(const std::vector<RegExportKey>& keys) {
  std::string out = "Windows Registry Editor Version 5.00\r\n";
  for (const auto& k : keys) {
    out += "\r\n[";
    out += HiveName(k.hive);
    if (!k.path.empty()) out += "\\" + k.path;
    out += "]\r\n";
    for (const auto& [name, value] : k.values) {
      out += name.empty() ? std::string("@") : QuoteRegString(name);
      out += '=';
      if (auto number = value.AsDword()) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "dword:%08x", *number);
        out += hex;
      } else {
        out += QuoteRegString(value.AsText());
      }
      out += "\r\n";
    }
  }
  return out;
}

}  // namespace panelia
