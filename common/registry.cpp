#include "common/registry.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace panelia {

RegValue RegValue::Text(std::string_view text) {
  RegValue v;
  v.type = ValueType::Sz;
  v.data.assign(text.begin(), text.end());
  v.data.push_back(0);
  return v;
}

RegValue RegValue::Dword(uint32_t value) {
  RegValue v;
  v.type = ValueType::Dword;
  v.data = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)};
  return v;
}

std::string RegValue::AsText() const {
  auto end = std::ranges::find(data, uint8_t{0});
  return {data.begin(), end};
}

std::optional<uint32_t> RegValue::AsDword() const {
  if (type != ValueType::Dword || data.size() != 4) return std::nullopt;
  return static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
         (static_cast<uint32_t>(data[2]) << 16) | (static_cast<uint32_t>(data[3]) << 24);
}

std::string NormalizeKeyPath(std::string_view path) {
  std::string out;
  size_t i = 0;
  while (i < path.size()) {
    size_t j = path.find('\\', i);
    if (j == std::string_view::npos) j = path.size();
    if (j > i) {
      if (!out.empty()) out += '\\';
      out.append(path.substr(i, j - i));
    }
    i = j + 1;
  }
  return out;
}

ValueRead::Outcome CRegistryKey::ReadDwordChecked(std::string_view name, uint32_t& destination) const {
  ValueRead value = store_->QueryValue(root_, subkey_, name);
  if (!value) return value.status();
  // A value of another type or size is no number at all: as good as absent.
  auto number = value->AsDword();
  if (!number) return ValueRead::Outcome::Absent;
  destination = *number;
  return ValueRead::Outcome::Found;
}

bool CRegistryKey::ReadDword(std::string_view name, uint32_t& destination) const {
  return ReadDwordChecked(name, destination) == ValueRead::Outcome::Found;
}

bool CRegistryKey::ReadDword(std::string_view name, int32_t& destination) const {
  uint32_t raw = 0;
  if (!ReadDword(name, raw)) return false;
  destination = static_cast<int32_t>(raw);
  return true;
}

TextRead CRegistryKey::ReadTextChecked(std::string_view name, std::string& out) const {
  ValueRead value = store_->QueryValue(root_, subkey_, name);
  if (value.IsError()) return TextRead::StoreError;
  if (!value || value->type != ValueType::Sz) return TextRead::Absent;
  std::string text = value->AsText();
  // The buffer holds 255 bytes and the terminator; anything longer cannot be read at all.
  if (text.size() >= kStringBufferSize) return TextRead::TooLong;
  out = std::move(text);
  return TextRead::Ok;
}

bool CRegistryKey::ReadString(std::string_view name, StringBuffer& buffer) const {
  std::string text;
  if (ReadTextChecked(name, text) == TextRead::Ok) {
    std::memcpy(buffer.data(), text.data(), text.size());
    buffer[text.size()] = '\0';
  }
  return true;
}

std::string CRegistryKey::ReadText(std::string_view name) const {
  StringBuffer buffer{};
  ReadString(name, buffer);
  return {buffer.data()};
}

bool CRegistryKey::WriteString(std::string_view name, std::string_view text) const {
  return store_->SetValue(root_, subkey_, name, RegValue::Text(text));
}

bool CRegistryKey::WriteDword(std::string_view name, uint32_t value) const {
  return store_->SetValue(root_, subkey_, name, RegValue::Dword(value));
}

std::string_view HiveName(Hive hive) {
  return hive == Hive::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

}  // namespace panelia
