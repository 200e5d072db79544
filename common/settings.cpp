#include "common/settings.h"

#include <cstdint>

#include "common/text.h"

namespace panelia {

std::string_view SectionName(Section section) {
  switch (section) {
    case Section::Root: return "";
    case Section::General: return "General";
    case Section::Advance: return "Advance";
    case Section::Navigator: return "Navigator";
    case Section::Display: return "Display";
    case Section::Style: return "Style";
    case Section::Loop: return "Loop";
    case Section::Address: return "Address";
    case Section::Music: return "Music";
  }
  return "";
}

std::string SectionPath(Section section) {
  std::string path(kSuiteRootKey);
  if (section != Section::Root) {
    path += '\\';
    path += SectionName(section);
  }
  return path;
}

CRegistryKey& SettingsReader::Key(Section section) {
  if (!positioned_ || section != section_) {
    key_.SetRootKey(Hive::LocalMachine);
    key_.SetSubKey(SectionPath(section));
    section_ = section;
    positioned_ = true;
  }
  return key_;
}

uint32_t SettingsReader::Dword(const SettingInfo& info) {
  uint32_t value = info.dword_default;
  Key(info.section).ReadDword(info.name, value);
  return value;
}

std::string SettingsReader::Text(const SettingInfo& info) {
  return Key(info.section).ReadText(info.name);
}

std::optional<std::string> KeyThatReads(std::string_view key_path, std::string_view value_name) {
  std::string path = AsciiLower(key_path);
  while (!path.empty() && path.back() == '\\') path.pop_back();
  std::string root = AsciiLower(kSuiteRootKey);
  if (!path.starts_with(root) || (path.size() > root.size() && path[root.size()] != '\\')) return std::nullopt;
  std::optional<std::string> elsewhere;
  for (const SettingInfo* info : kAllSettings) {
    if (info->name != value_name) continue;
    std::string reads = SectionPath(info->section);
    if (AsciiLower(reads) == path) return std::nullopt;
    elsewhere = reads;
  }
  return elsewhere;
}

}  // namespace panelia
