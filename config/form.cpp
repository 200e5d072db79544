#include "config/form.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "common/password.h"
#include "common/text.h"
#include "common/time_of_day.h"

namespace panelia {

namespace {

// The controls that the type and the value's rule do not tell, and the choices' labels: the values a
// choice may take are the settings table's.
struct Hint {
  std::string_view name;
  FieldKind kind;
  std::vector<Choice> choices;
};

const std::vector<Hint>& Hints() {
  static const std::vector<Hint> hints = {
      {"SoftHomeUrl", FieldKind::Address, {}},
      {"Password", FieldKind::Password, {}},
      {"MusicPath", FieldKind::Folder, {}},
      {"Style",
       FieldKind::Choice,
       {{0, "Flowery 花样", "styles/Flowery.png"},
        {1, "BlueCrystal 蓝水晶", "styles/BlueCrystal.png"},
        {2, "FreshGreen 清新绿", "styles/FreshGreen.png"},
        {3, "User 自定义", "styles/User.png"}}},
      {"LoopMode", FieldKind::Choice, {{0, "顺序"}, {1, "随机"}}},
      {"PlayMode", FieldKind::Choice, {{0, "顺序播放"}, {1, "随机播放"}, {2, "单曲重复"}}},
      {"ForbitMethod", FieldKind::Choice, {{0, "禁止列表中的网址"}, {1, "只允许列表中的网址"}}},
      {"BoardType", FieldKind::Choice, {{0, "Glyphdeck"}, {1, "Tallypane"}}},
      {"DefFontSize", FieldKind::Choice, {{0, "最大"}, {1, "较大"}, {2, "中"}, {3, "较小"}, {4, "最小"}}},
      {"Rotation", FieldKind::Choice, {{0, "不旋转"}, {90, "90°"}, {180, "180°"}, {270, "270°"}}},
      {"Initiated", FieldKind::Flag, {}},
      {"BoardMode", FieldKind::Flag, {}},
      {"BoardAutoHide", FieldKind::Flag, {}},
      {"ScrollMode", FieldKind::Flag, {}},
  };
  return hints;
}

bool ParseNumber(std::string_view text, int64_t& out) {
  text = TrimSpaces(text);
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::vector<FormField> FormFields() {
  std::vector<FormField> fields;
  for (const SettingInfo* info : kAllSettings) {
    FormField field{info, info->type == ValueType::Sz ? FieldKind::Text : FieldKind::Number, 0, 0xFFFFFFFFLL, {}, {}};
    if (info->rule.kind == ValueRule::Range) {
      field.min = info->rule.min;
      field.max = info->rule.max;
    }
    if (info->rule.kind == ValueRule::Time) field.kind = FieldKind::Time;
    // A number whose meaning is "on or off" is a switch.
    if (info->type == ValueType::Dword && info->name.starts_with("Is")) field.kind = FieldKind::Flag;
    for (const Hint& hint : Hints()) {
      if (hint.name != info->name) continue;
      field.kind = hint.kind;
      field.choices = hint.choices;
    }
    if (field.kind == FieldKind::Flag) field.max = 1;
    fields.push_back(std::move(field));
  }
  return fields;
}

std::string_view PageTitle(Section section) {
  switch (section) {
    case Section::General: return "基本设置";
    case Section::Advance: return "高级设置";
    case Section::Navigator: return "导航栏与键盘";
    case Section::Display: return "显示";
    case Section::Style: return "导航栏样式";
    case Section::Loop: return "循环演示";
    case Section::Address: return "网址限制";
    case Section::Music: return "背景音乐";
    case Section::Root: return "其他";
  }
  return "";
}

Checked CheckField(const FormField& field, std::string_view typed, bool (*folder_exists)(const std::string&)) {
  if (field.info->type == ValueType::Dword) {
    int64_t v = 0;
    if (!ParseNumber(typed, v)) return {std::nullopt, "请输入一个整数"};
    if (field.kind == FieldKind::Choice) {
      for (const Choice& c : field.choices)
        if (c.value == v) return {RegValue::Dword(static_cast<uint32_t>(v)), ""};
      return {std::nullopt, "请从列表中选择一项"};
    }
    if (v < field.min || v > field.max)
      return {std::nullopt, "数值应在 " + std::to_string(field.min) + " 到 " + std::to_string(field.max) + " 之间"};
    return {RegValue::Dword(static_cast<uint32_t>(v)), ""};
  }
  std::string text(field.kind == FieldKind::Password ? typed : TrimSpaces(typed));
  if (text.size() > kMaxTextBytes)
    return {std::nullopt,
            "文字太长：" + std::to_string(text.size()) + " 字节，最多 " + std::to_string(kMaxTextBytes) + " 字节"};
  if (!IsValidUtf8(text)) return {std::nullopt, "文字含有无效的字符"};
  if (text.find('\0') != std::string::npos) return {std::nullopt, "文字含有无效的字符"};
  switch (field.kind) {
    case FieldKind::Time:
      if (!text.empty() && !ParseTimeOfDay(text)) return {std::nullopt, "时间格式应为 时:分 或 时:分:秒，例如 18:30"};
      break;
    case FieldKind::Address:
      if (text.find(' ') != std::string::npos)
        return {RegValue::Text(text), "网址中含有空格；如为本机文件，请确认路径无误"};
      break;
    case FieldKind::Folder:
      if (!text.empty() && folder_exists && !folder_exists(text))
        return {RegValue::Text(text), "该文件夹目前不存在：背景音乐将没有歌曲，直到它被创建"};
      break;
    default: break;
  }
  return {RegValue::Text(text), ""};
}

Checked PasswordToStore(std::string_view typed, std::string_view stored) {
  std::string warning = IsDemoPassword(typed == stored ? stored : typed) ? std::string(kDemoPasswordWarning) : "";
  if (typed == stored) return {RegValue::Text(std::string(stored)), warning};
  auto hash = HashPassword(typed);
  if (!hash) return {std::nullopt, "这台机器无法加密保存密码；密码没有保存"};
  return {RegValue::Text(*hash), warning};
}

Checked CheckRow(const FormField& field, std::string_view typed, std::string_view typed_again, std::string_view stored,
                 bool (*folder_exists)(const std::string&)) {
  if (field.kind == FieldKind::Choice && typed.empty()) {
    // Nothing picked: the stored value stays as it was.
    int64_t kept = 0;
    if (!ParseNumber(stored, kept) || kept < 0 || kept > 0xFFFFFFFFLL) ParseNumber(DefaultText(field), kept);
    return {RegValue::Dword(static_cast<uint32_t>(kept)), ""};
  }
  if (field.kind == FieldKind::Password && typed != typed_again)
    return {std::nullopt, std::string(kPasswordsDifferText)};
  Checked checked = CheckField(field, typed, folder_exists);
  if (checked.value && field.kind == FieldKind::Password) checked = PasswordToStore(typed, stored);
  if (!checked.message.empty()) checked.message = std::string(field.info->name) + "：" + checked.message;
  return checked;
}

std::string DefaultText(const FormField& field) {
  if (field.info->type == ValueType::Sz) return "";
  return std::to_string(field.info->has_own_default ? field.info->dword_default : 0);
}

std::string DefaultShown(const FormField& field) {
  std::string text = DefaultText(field);
  if (field.kind == FieldKind::Flag) return text == "0" ? "关" : "开";
  if (field.kind == FieldKind::Choice)
    for (const Choice& c : field.choices)
      if (std::to_string(c.value) == text) return std::string(c.label);
  return text.empty() ? "（空）" : text;
}

std::string ValueText(const FormField& field, const RegValue& value) {
  if (field.info->type == ValueType::Sz) return value.type == ValueType::Sz ? value.AsText() : DefaultText(field);
  auto number = value.AsDword();
  return number ? std::to_string(*number) : DefaultText(field);
}

std::vector<std::string> LoadForm(RegistryStore& store, const std::vector<FormField>& fields) {
  std::vector<std::string> values;
  values.reserve(fields.size());
  for (const FormField& field : fields) {
    ValueRead read = store.QueryValue(Hive::LocalMachine, SectionPath(field.info->section), field.info->name);
    values.push_back(read ? ValueText(field, *read) : DefaultText(field));
  }
  return values;
}

std::vector<RegChange> FormChanges(RegistryStore& store, const std::vector<FormField>& fields,
                                   const std::vector<RegValue>& values) {
  std::vector<RegChange> changes;
  std::vector<std::string> created;
  for (size_t i = 0; i < fields.size() && i < values.size(); ++i) {
    const FormField& field = fields[i];
    std::string key = SectionPath(field.info->section);
    ValueRead read = store.QueryValue(Hive::LocalMachine, key, field.info->name);
    if (read && *read == values[i]) continue;
    if (std::ranges::find(created, key) == created.end()) {
      created.push_back(key);
      changes.push_back({RegChange::Kind::CreateKey, Hive::LocalMachine, key, "", {}});
    }
    changes.push_back({RegChange::Kind::SetValue, Hive::LocalMachine, key, std::string(field.info->name), values[i]});
  }
  return changes;
}

WindowSize ConfigWindowSize(int monitor_w, int monitor_h) {
  // The window manager's title bar and borders, and a panel a desktop may keep.
  constexpr int kFrameW = 16, kFrameH = 64;
  static constexpr int kSmallest = 320;
  auto fit = [](int wanted, int room) { return std::max(kSmallest, std::min(wanted, room)); };
  return {fit(kConfigWindowSize.w, monitor_w - kFrameW), fit(kConfigWindowSize.h, monitor_h - kFrameH)};
}

}  // namespace panelia
