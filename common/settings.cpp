#include "common/settings.h"

#include "common/module_directory.h"
#include "common/texts.h"

#include <cstdint>

#include "common/proxy.h"
#include "common/text.h"
#include "common/time_of_day.h"

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

namespace {

std::string NormalKeyPath(std::string_view key_path) {
  std::string path = AsciiLower(key_path);
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

}  // namespace

const SettingInfo* SettingAt(std::string_view key_path, std::string_view value_name) {
  const std::string path = NormalKeyPath(key_path);
  for (const SettingInfo* info : kAllSettings)
    if (info->name == value_name && AsciiLower(SectionPath(info->section)) == path) return info;
  return nullptr;
}

std::optional<std::string> ValueProblem(const SettingInfo& info, const RegValue& value) {
  const std::string name(info.name);
  switch (info.rule.kind) {
    case ValueRule::Any: return std::nullopt;
    case ValueRule::Time: {
      if (value.type != ValueType::Sz) return std::nullopt;
      const std::string text = value.AsText();
      if (TrimSpaces(text).empty() || ParseTimeOfDay(text)) return std::nullopt;
      return name + " \"" + text +
             "\" is not a time of day (H:MM or H:MM:SS, 0:00 to 23:59:59); Panelia never acts on it.";
    }
    case ValueRule::Words: {
      if (value.type != ValueType::Sz) return std::nullopt;
      const std::string text = value.AsText();
      std::string takes;
      for (size_t i = 0; i < info.rule.words.size(); ++i) {
        if (info.rule.words[i] == text) return std::nullopt;
        takes += std::string(i == 0                            ? ""
                             : i + 1 == info.rule.words.size() ? " or "
                                                               : ", ") +
                 std::string(info.rule.words[i]);
      }
      if (text.empty()) return std::nullopt;
      return name + " is \"" + text + "\"; Panelia takes " + takes + ".";
    }
    case ValueRule::ProxyAddress: {
      if (value.type != ValueType::Sz || TrimSpaces(value.AsText()).empty()) return std::nullopt;
      if (auto problem = ProxyAddressProblem(value.AsText())) return name + ": " + *problem;
      return std::nullopt;
    }
    case ValueRule::Range:
    case ValueRule::Choices: break;
  }
  const std::optional<uint32_t> number = value.AsDword();
  if (!number) return std::nullopt;
  if (info.rule.kind == ValueRule::Range) {
    if (*number >= info.rule.min && *number <= info.rule.max) return std::nullopt;
    return name + " is " + std::to_string(*number) + "; Panelia takes " + std::to_string(info.rule.min) + " to " +
           std::to_string(info.rule.max) + ".";
  }
  std::string takes;
  for (size_t i = 0; i < info.rule.choices.size(); ++i) {
    if (info.rule.choices[i] == *number) return std::nullopt;
    takes += (i == 0 ? "" : i + 1 == info.rule.choices.size() ? " or " : ", ") + std::to_string(info.rule.choices[i]);
  }
  return name + " is " + std::to_string(*number) + "; Panelia takes " + takes + ".";
}

std::optional<std::string> KeyThatReads(std::string_view key_path, std::string_view value_name) {
  const std::string path = NormalKeyPath(key_path);
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

void UseSettingsLanguage(RegistryStore& store) {
  UseUiLanguage(SettingsReader(store).Text(setting::UiLanguage), ModuleDirectory() + "locale/");
}

}  // namespace panelia
