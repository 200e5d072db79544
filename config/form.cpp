#include "config/form.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "common/password.h"
#include "common/proxy.h"
#include "common/text.h"
#include "common/time_of_day.h"
#include "common/texts.h"

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
       {{0, Tr("Flowery"), "styles/Flowery.png"},
        {1, Tr("BlueCrystal"), "styles/BlueCrystal.png"},
        {2, Tr("FreshGreen"), "styles/FreshGreen.png"},
        {3, Tr("User (own look)"), "styles/User.png"}}},
      {"LoopMode", FieldKind::Choice, {{0, Tr("In order")}, {1, Tr("Random")}}},
      {"PlayMode",
       FieldKind::Choice,
       {{0, Tr("Play in order")}, {1, Tr("Play at random")}, {2, Tr("Repeat one song")}}},
      {"ForbitMethod",
       FieldKind::Choice,
       {{0, Tr("Forbid the listed addresses")}, {1, Tr("Allow only the listed addresses")}}},
      {"BoardType", FieldKind::Choice, {{0, "Glyphdeck"}, {1, "Tallypane"}}},
      {"DefFontSize",
       FieldKind::Choice,
       {{0, Tr("Largest")}, {1, Tr("Larger")}, {2, Tr("Medium")}, {3, Tr("Smaller")}, {4, Tr("Smallest")}}},
      {"Rotation", FieldKind::Choice, {{0, Tr("Not rotated")}, {90, "90°"}, {180, "180°"}, {270, "270°"}}},
      {"UiLanguage", FieldKind::Choice, {{0, Tr("Chinese (simplified)"), {}, "zh_CN"}, {1, "English", {}, "en"}}},
      {"ProxyMode",
       FieldKind::Choice,
       {{0, Tr("The system's proxy")}, {1, Tr("No proxy")}, {2, Tr("The kiosk's proxy below")}}},
      {"Initiated", FieldKind::Flag, {}},
      {"BoardMode", FieldKind::Flag, {}},
      {"BoardAutoHide", FieldKind::Flag, {}},
      {"ScrollMode", FieldKind::Flag, {}},
  };
  return hints;
}

// What the window calls each setting and says of it, for an operator in the language in use (the
// stored name stays beside it, small, for those who script the settings).
struct Words {
  std::string_view name, label, description;
};

const std::vector<Words>& SettingWords() {
  static const std::vector<Words> words = {
      {"Initiated", Tr("First start done"),
       Tr("Off until the one-time browser settings of a first start have been applied.")},
      {"AppPath", Tr("Program path"), Tr("Where the kiosk browser is installed, for this settings program.")},
      {"DefFontSize", Tr("Text size"), Tr("The text size last chosen from the menu.")},
      {"SoftHomeUrl", Tr("Home page"), Tr("The page the kiosk opens at start and returns to.")},
      {"IsPaneliaHome", Tr("Use the browser's home page"),
       Tr("On: the browser's own home page instead of the home page above.")},
      {"Password", Tr("Exit password"), Tr("The password that lets staff leave the kiosk.")},
      {"UiLanguage", Tr("Language"), Tr("The language of the kiosk's windows and messages.")},
      {"IsAutoShut", Tr("Daily power-off"), Tr("Powers the computer off at the time below every day.")},
      {"IsCloseWeekend", Tr("Off at weekends"), Tr("Also powers off on Saturdays and Sundays whenever it checks.")},
      {"PowerOffTime", Tr("Power-off time"), Tr("The time of day of the scheduled power-off.")},
      {"IsAlwaysTop", Tr("Always on top"), Tr("Keeps the kiosk above every other window.")},
      {"IsScriptDebug", Tr("Kiosk's own page host"),
       Tr("The kiosk's menu, quiet script errors and the page's external object.")},
      {"WaitTime", Tr("Idle minutes before home"),
       Tr("Minutes without a touch before the kiosk returns to the home page.")},
      {"IsAutoHome", Tr("Return home when idle"), Tr("Returns to the home page after the idle minutes.")},
      {"IsScrollBar", Tr("Hide scroll bars"), Tr("Shows pages without scroll bars.")},
      {"IsFormTarget", Tr("Forms stay in the kiosk"), Tr("Every form of a page submits into the same window.")},
      {"CommandSites", Tr("Sites with command links"),
       Tr("Addresses (separated by \";\") whose pages may carry the bar's command links; empty: the home page's "
          "site.")},
      {"IsClearSession", Tr("Forget each visitor"),
       Tr("The idle return removes the last visitor's cookies, storage, history and windows.")},
      {"IsPinchZoom", Tr("Two-finger zoom"),
       Tr("Visitors may zoom pages with two fingers; each new visitor starts at normal size.")},
      {"IsLongPressMenu", Tr("Long-press menu"),
       Tr("A long press opens the menu and may select text and drag links and pictures.")},
      {"Monitor", Tr("Monitor"),
       Tr("The monitor the kiosk uses: an output name (HDMI-1) or a number from 0; empty: the primary one.")},
      {"IsCoverOthers", Tr("Cover other monitors"), Tr("The monitors the kiosk does not use are covered in black.")},
      {"Rotation", Tr("Rotation"), Tr("How the kiosk monitor is turned; touch screens follow it.")},
      {"WarnTime", Tr("Notice before going home"),
       Tr("Seconds before the idle return that a notice asks whether anyone is still there; 0: none.")},
      {"MetricsFolder", Tr("Metrics folder"),
       Tr("The node exporter's textfile folder, where the kiosk keeps panelia.prom; empty: none.")},
      {"ProxyMode", Tr("Proxy"), Tr("How pages reach the web.")},
      {"ProxyUrl", Tr("Proxy address"),
       Tr("The kiosk's proxy, written scheme://host:port (http, https or socks5), for example http://proxy.lan:3128.")},
      {"ProxyIgnore", Tr("Without proxy"),
       Tr("Hosts reached without the proxy, separated by \";\"; a name starting with \".\" takes every host under "
          "it.")},
      {"MediaSites", Tr("Sites with camera"),
       Tr("Addresses (separated by \";\") whose pages may use the camera and microphone; empty: none.")},
      {"IsNavigator", Tr("Bar fixed"), Tr("The bottom bar is never shown or hidden by page.")},
      {"BoardType", Tr("Keyboard program"), Tr("Which on-screen keyboard the kiosk uses.")},
      {"BoardMode", Tr("Keyboard for text fields"), Tr("Touching a text field brings up the keyboard.")},
      {"BoardAutoHide", Tr("Hide the keyboard again"),
       Tr("The keyboard goes when something else is touched or another page opens.")},
      {"KeyboardXPos", Tr("Keyboard from the right"),
       Tr("Pixels between the keyboard and the right screen edge; 0: its own place.")},
      {"KeyboardYPos", Tr("Keyboard from the bottom"),
       Tr("Pixels between the keyboard and the bottom screen edge; 0: its own place.")},
      {"IsStatusBar", Tr("Status bar"), Tr("Shows the status bar while the kiosk is not full screen.")},
      {"Style", Tr("Bar style"), Tr("The look of the bottom bar.")},
      {"ScrollMode", Tr("Smooth scrolling"), Tr("The scroll buttons scroll smoothly instead of at once.")},
      {"ScrollStep", Tr("Scroll distance"), Tr("Pixels one scroll button moves the page.")},
      {"IsLoop", Tr("Loop presentation"), Tr("Shows the pages of Loop.dat in turn while nobody touches the kiosk.")},
      {"LoopMode", Tr("Loop order"), Tr("In what order the loop shows its pages.")},
      {"IntervalTime", Tr("Loop interval"), Tr("Idle time between two loop pages.")},
      {"IsLimit", Tr("Address restriction"), Tr("Checks every address against limit.dat.")},
      {"ForbitMethod", Tr("Restriction kind"),
       Tr("Whether the listed addresses are the only ones allowed or the ones forbidden.")},
      {"IsMusic", Tr("Background music"), Tr("The kiosk plays music in the background, page by page.")},
      {"PlayMode", Tr("Play order"), Tr("In what order the music player plays its songs.")},
      {"MusicPath", Tr("Song folder"), Tr("The folder whose music files the player plays.")},
  };
  return words;
}

bool ParseNumber(std::string_view text, int64_t& out) {
  text = TrimSpaces(text);
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string ChoiceId(const Choice& choice) {
  return choice.word.empty() ? std::to_string(choice.value) : std::string(choice.word);
}

std::vector<FormField> FormFields() {
  std::vector<FormField> fields;
  for (const SettingInfo* info : kAllSettings) {
    FormField field{info, info->type == ValueType::Sz ? FieldKind::Text : FieldKind::Number, 0, 0xFFFFFFFFLL, {}, {},
                    {}};
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
    for (const Words& words : SettingWords())
      if (words.name == info->name) {
        field.label = words.label;
        field.description = words.description;
      }
    fields.push_back(std::move(field));
  }
  return fields;
}

std::string_view PageTitle(Section section) {
  switch (section) {
    case Section::General: return Tr("General");
    case Section::Advance: return Tr("Advanced");
    case Section::Navigator: return Tr("Bar and keyboard");
    case Section::Display: return Tr("Display");
    case Section::Style: return Tr("Bar style");
    case Section::Loop: return Tr("Loop presentation");
    case Section::Address: return Tr("Address restriction");
    case Section::Music: return Tr("Background music");
    case Section::Root: return Tr("Other");
  }
  return "";
}

Checked CheckField(const FormField& field, std::string_view typed, bool (*folder_exists)(const std::string&)) {
  if (field.info->type == ValueType::Dword) {
    int64_t v = 0;
    if (!ParseNumber(typed, v)) return {std::nullopt, Tr("Please type a whole number")};
    if (field.kind == FieldKind::Choice) {
      for (const Choice& c : field.choices)
        if (c.value == v) return {RegValue::Dword(static_cast<uint32_t>(v)), ""};
      return {std::nullopt, Tr("Please choose one item of the list")};
    }
    if (v < field.min || v > field.max)
      return {std::nullopt, Filled(Tr("The value must be between {1} and {2}"),
                                   {std::to_string(field.min), std::to_string(field.max)})};
    return {RegValue::Dword(static_cast<uint32_t>(v)), ""};
  }
  if (field.kind == FieldKind::Choice) {
    for (const Choice& c : field.choices)
      if (c.word == typed) return {RegValue::Text(std::string(typed)), ""};
    return {std::nullopt, Tr("Please choose one item of the list")};
  }
  std::string text(field.kind == FieldKind::Password ? typed : TrimSpaces(typed));
  if (text.size() > kMaxTextBytes)
    return {std::nullopt, Tr("The text is too long: ") + std::to_string(text.size()) + Tr(" bytes, at most ") +
                              std::to_string(kMaxTextBytes) + Tr(" bytes")};
  if (!IsValidUtf8(text)) return {std::nullopt, Tr("The text holds characters that are not valid")};
  if (text.find('\0') != std::string::npos) return {std::nullopt, Tr("The text holds characters that are not valid")};
  switch (field.kind) {
    case FieldKind::Time:
      if (!text.empty() && !ParseTimeOfDay(text))
        return {std::nullopt, Tr("A time is written H:MM or H:MM:SS, for example 18:30")};
      break;
    case FieldKind::Address:
      if (text.find(' ') != std::string::npos)
        return {RegValue::Text(text), Tr("The address holds a space; if it is a local file, please check the path")};
      break;
    case FieldKind::Text:
      if (field.info->rule.kind == ValueRule::ProxyAddress && !text.empty() && ProxyAddressProblem(text))
        return {std::nullopt, Tr("A proxy is written scheme://host:port, for example http://proxy.lan:3128")};
      break;
    case FieldKind::Folder:
      if (!text.empty() && folder_exists && !folder_exists(text))
        return {RegValue::Text(text),
                Tr("This folder does not exist yet: the background music has no songs until it is made")};
      break;
    default: break;
  }
  return {RegValue::Text(text), ""};
}

Checked PasswordToStore(std::string_view typed, std::string_view stored) {
  std::string warning = IsDemoPassword(typed == stored ? stored : typed) ? TrText(kDemoPasswordWarning) : "";
  if (typed == stored) return {RegValue::Text(std::string(stored)), warning};
  auto hash = HashPassword(typed);
  if (!hash) return {std::nullopt, Tr("This machine cannot store the password encrypted; the password was not saved")};
  return {RegValue::Text(*hash), warning};
}

Checked CheckRow(const FormField& field, std::string_view typed, std::string_view typed_again, std::string_view stored,
                 bool (*folder_exists)(const std::string&)) {
  if (field.kind == FieldKind::Choice && typed.empty()) {
    // Nothing picked: the stored value stays as it was.
    if (field.info->type == ValueType::Sz) return {RegValue::Text(std::string(stored)), ""};
    int64_t kept = 0;
    if (!ParseNumber(stored, kept) || kept < 0 || kept > 0xFFFFFFFFLL) ParseNumber(DefaultText(field), kept);
    return {RegValue::Dword(static_cast<uint32_t>(kept)), ""};
  }
  if (field.kind == FieldKind::Password && typed != typed_again) return {std::nullopt, TrText(kPasswordsDifferText)};
  Checked checked = CheckField(field, typed, folder_exists);
  if (checked.value && field.kind == FieldKind::Password) checked = PasswordToStore(typed, stored);
  if (!checked.message.empty()) checked.message = std::string(field.info->name) + Tr(": ") + checked.message;
  return checked;
}

std::string DefaultText(const FormField& field) {
  // A text whose choices are words: its first, which an empty text means too.
  if (field.info->type == ValueType::Sz) return field.choices.empty() ? "" : ChoiceId(field.choices.front());
  return std::to_string(field.info->has_own_default ? field.info->dword_default : 0);
}

std::string DefaultShown(const FormField& field) {
  std::string text = DefaultText(field);
  if (field.kind == FieldKind::Flag) return text == "0" ? Tr("off") : Tr("on");
  if (field.kind == FieldKind::Choice)
    for (const Choice& c : field.choices)
      if (ChoiceId(c) == text) return std::string(c.label);
  return text.empty() ? Tr("(empty)") : text;
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
