// Every value of the suite's settings tree, in one table: where it lives, its type, what a reader
// uses when it is absent, and what it means. Readers take their defaults from here and nowhere else.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/registry.h"

namespace panelia {

inline constexpr std::string_view kSuiteRootKey = "SOFTWARE\\Quorvex\\Panelia4.0";

enum class Section { Root, General, Advance, Navigator, Display, Style, Loop, Address, Music };

std::string_view SectionName(Section section);  // "" for the root key
std::string SectionPath(Section section);       // full key path under HKEY_LOCAL_MACHINE

// What the kiosk can make of a value beyond its type: the numbers it takes (a range, or a list of
// choices), or a time of day. The settings window and panelia-reg check what an operator writes
// with it, so neither accepts what the kiosk would read differently.
struct ValueRule {
  enum Kind : uint8_t { Any, Range, Choices, Time, Words, ProxyAddress };
  Kind kind = Any;
  int64_t min = 0, max = 0xFFFFFFFF;
  std::span<const uint32_t> choices = {};
  std::span<const std::string_view> words = {};  // a text's choices; empty text: the default
};
constexpr ValueRule InRange(int64_t min, int64_t max) {
  return {ValueRule::Range, min, max, {}};
}
constexpr ValueRule OneOf(std::span<const uint32_t> choices) {
  return {ValueRule::Choices, 0, 0xFFFFFFFF, choices};
}
inline constexpr ValueRule kTimeOfDay{ValueRule::Time};
inline constexpr ValueRule kProxyAddress{ValueRule::ProxyAddress};
constexpr ValueRule OneOfWords(std::span<const std::string_view> words) {
  return {ValueRule::Words, 0, 0xFFFFFFFF, {}, words};
}

struct SettingInfo {
  Section section;
  std::string_view name;
  ValueType type;
  uint32_t dword_default;  // texts default to the empty text
  // false where the tree has no default of its own: the configuration program is expected to have
  // written the value, and a reader that finds it absent takes 0 (off).
  bool has_own_default;
  std::string_view meaning;
  ValueRule rule = {};
};

namespace setting {
inline constexpr uint32_t kNoOrYes[] = {0, 1};
inline constexpr uint32_t kStyles[] = {0, 1, 2, 3};
inline constexpr uint32_t kPlayModes[] = {0, 1, 2};
inline constexpr uint32_t kFontSizes[] = {0, 1, 2, 3, 4};
inline constexpr uint32_t kRotations[] = {0, 90, 180, 270};
inline constexpr uint32_t kProxyModes[] = {0, 1, 2};
inline constexpr std::string_view kUiLanguages[] = {"zh_CN", "en"};
// clang-format off
inline constexpr SettingInfo Initiated     {Section::Root,      "Initiated",     ValueType::Dword, 0, true,  "0: the one-time browser settings of a first start have not been applied yet"};
inline constexpr SettingInfo AppPath       {Section::Root,      "AppPath",       ValueType::Sz,    0, true,  "full path of the kiosk browser, for the configuration program"};
inline constexpr SettingInfo DefFontSize   {Section::Root,      "DefFontSize",   ValueType::Dword, 0, false, "text size last chosen, 0 = largest .. 4 = smallest; only sets the menu's check mark", OneOf(kFontSizes)};
inline constexpr SettingInfo SoftHomeUrl   {Section::General,   "SoftHomeUrl",   ValueType::Sz,    0, true,  "the kiosk's home page address"};
inline constexpr SettingInfo IsPaneliaHome {Section::General,   "IsPaneliaHome", ValueType::Dword, 0, false, "0: the home page is SoftHomeUrl; not 0: the browser's own home page"};
inline constexpr SettingInfo Password      {Section::General,   "Password",      ValueType::Sz,    0, true,  "the exit password"};
inline constexpr SettingInfo UiLanguage    {Section::General,   "UiLanguage",    ValueType::Sz,    0, true,  "the language of the suite's windows and messages: zh_CN (Chinese, also when empty) or en (English)", OneOfWords(kUiLanguages)};
inline constexpr SettingInfo IsAutoShut    {Section::Advance,   "IsAutoShut",    ValueType::Dword, 0, false, "scheduled power-off enabled"};
inline constexpr SettingInfo IsCloseWeekend{Section::Advance,   "IsCloseWeekend",ValueType::Dword, 0, false, "also power off on every check on Saturdays and Sundays"};
inline constexpr SettingInfo PowerOffTime  {Section::Advance,   "PowerOffTime",  ValueType::Sz,    0, true,  "time of day of the scheduled power-off, H:MM or H:MM:SS", kTimeOfDay};
inline constexpr SettingInfo IsAlwaysTop   {Section::Advance,   "IsAlwaysTop",   ValueType::Dword, 0, true,  "keep the main frame above all other windows"};
inline constexpr SettingInfo IsScriptDebug {Section::Advance,   "IsScriptDebug", ValueType::Dword, 0, true,  "not 0: the kiosk's own browser host (context menu, silent script errors, page external object)"};
inline constexpr SettingInfo WaitTime      {Section::Advance,   "WaitTime",      ValueType::Dword, 0, false, "idle minutes before returning to the home page", InRange(0, 1440)};
inline constexpr SettingInfo IsAutoHome    {Section::Advance,   "IsAutoHome",    ValueType::Dword, 0, false, "return to the home page after WaitTime"};
inline constexpr SettingInfo IsScrollBar   {Section::Advance,   "IsScrollBar",   ValueType::Dword, 0, false, "not 0: pages are shown without scroll bars"};
inline constexpr SettingInfo IsFormTarget  {Section::Advance,   "IsFormTarget",  ValueType::Dword, 0, false, "not 0: every form of a loaded page submits into the same window"};
inline constexpr SettingInfo CommandSites  {Section::General,   "CommandSites",  ValueType::Sz,    0, true,  "addresses (separated by \";\") whose pages may carry command links besides the kiosk and program folders; empty: the home page's site"};
inline constexpr SettingInfo IsClearSession{Section::Advance,   "IsClearSession",ValueType::Dword, 1, true,  "not 0: the idle return and the first loop step after a visitor remove the visitor's cookies, storage, history and dialogs"};
inline constexpr SettingInfo IsPinchZoom   {Section::Advance,   "IsPinchZoom",   ValueType::Dword, 0, true,  "not 0: visitors may zoom pages with two fingers; the scale returns to 1 for each new visitor"};
inline constexpr SettingInfo IsLongPressMenu{Section::Advance,  "IsLongPressMenu",ValueType::Dword,0, true,  "not 0: a long press on a page opens the kiosk's menu and may select text and drag links and pictures"};
inline constexpr SettingInfo Monitor       {Section::Advance,   "Monitor",       ValueType::Sz,    0, true,  "the monitor the kiosk covers: an output name (HDMI-1) or a number from 0; empty or unknown: the primary one"};
inline constexpr SettingInfo IsCoverOthers {Section::Advance,   "IsCoverOthers", ValueType::Dword, 1, true,  "not 0: the monitors the kiosk does not use are covered in black"};
inline constexpr SettingInfo Rotation      {Section::Advance,   "Rotation",      ValueType::Dword, 0, true,  "the kiosk monitor's rotation in degrees, 0, 90, 180 or 270 (other values: 0); touch screens follow it", OneOf(kRotations)};
inline constexpr SettingInfo WarnTime      {Section::Advance,   "WarnTime",      ValueType::Dword, 20, true, "seconds before the idle return that a notice asks whether anyone is still there (at most half of WaitTime); 0: no notice", InRange(0, 600)};
inline constexpr SettingInfo MetricsFolder {Section::Advance,   "MetricsFolder", ValueType::Sz,    0, true,  "the node exporter's textfile folder: Panelia keeps panelia.prom there; empty: none"};
inline constexpr SettingInfo ProxyMode     {Section::Advance,   "ProxyMode",     ValueType::Dword, 0, true,  "how pages reach the web: 0 through the system's proxy, 1 straight, 2 through ProxyUrl", OneOf(kProxyModes)};
inline constexpr SettingInfo ProxyUrl      {Section::Advance,   "ProxyUrl",      ValueType::Sz,    0, true,  "with ProxyMode 2: the proxy, scheme://host:port (http, https, socks, socks4, socks4a, socks5)", kProxyAddress};
inline constexpr SettingInfo ProxyIgnore   {Section::Advance,   "ProxyIgnore",   ValueType::Sz,    0, true,  "with ProxyMode 2: hosts reached straight, separated by \";\": names (a leading \".\" takes every host under it), addresses, ranges (10.0.0.0/8)"};
inline constexpr SettingInfo MediaSites    {Section::Advance,   "MediaSites",    ValueType::Sz,    0, true,  "addresses (separated by \";\") whose pages may use the camera and microphone; empty: none"};
inline constexpr SettingInfo IsNavigator   {Section::Navigator, "IsNavigator",   ValueType::Dword, 0, false, "not 0: the bottom bar is never shown or hidden by page"};
inline constexpr SettingInfo BoardType     {Section::Navigator, "BoardType",     ValueType::Dword, 0, false, "0: the keyboard program is Glyphdeck; not 0: Tallypane", OneOf(kNoOrYes)};
inline constexpr SettingInfo BoardMode     {Section::Navigator, "BoardMode",     ValueType::Dword, 0, false, "not 0: touching a text field brings up the keyboard"};
inline constexpr SettingInfo BoardAutoHide {Section::Navigator, "BoardAutoHide", ValueType::Dword, 1, true,  "with BoardMode: the keyboard goes when something else than a text field is touched or another page opens"};
inline constexpr SettingInfo KeyboardXPos  {Section::Navigator, "KeyboardXPos",  ValueType::Dword, 0, true,  "distance in pixels between the keyboard and the right screen edge; 0 = built-in placement", InRange(0, 16384)};
inline constexpr SettingInfo KeyboardYPos  {Section::Navigator, "KeyboardYPos",  ValueType::Dword, 0, true,  "distance in pixels between the keyboard and the bottom screen edge; 0 = built-in placement", InRange(0, 16384)};
inline constexpr SettingInfo IsStatusBar   {Section::Display,   "IsStatusBar",   ValueType::Dword, 0, false, "show the status bar while the frame is not full screen"};
inline constexpr SettingInfo Style         {Section::Style,     "Style",         ValueType::Dword, 0, true,  "bar look: 1 BlueCrystal, 2 FreshGreen, 3 User, other Flowery", OneOf(kStyles)};
inline constexpr SettingInfo ScrollMode    {Section::Style,     "ScrollMode",    ValueType::Dword, 0, false, "0: a scroll command scrolls at once; not 0: smoothly on a timer"};
inline constexpr SettingInfo ScrollStep    {Section::Style,     "ScrollStep",    ValueType::Dword, 0, false, "distance in pixels of one immediate scroll command", InRange(1, 65536)};
inline constexpr SettingInfo IsLoop        {Section::Loop,      "IsLoop",        ValueType::Dword, 0, false, "loop presentation enabled"};
inline constexpr SettingInfo LoopMode      {Section::Loop,      "LoopMode",      ValueType::Dword, 0, false, "0: the loop list in order; 1: in random order", OneOf(kNoOrYes)};
inline constexpr SettingInfo IntervalTime  {Section::Loop,      "IntervalTime",  ValueType::Dword, 0, false, "idle interval between loop pages", InRange(0, 1440)};
inline constexpr SettingInfo IsLimit       {Section::Address,   "IsLimit",       ValueType::Dword, 0, false, "address restriction enabled"};
inline constexpr SettingInfo ForbitMethod  {Section::Address,   "ForbitMethod",  ValueType::Dword, 0, false, "1: only listed addresses may be visited; other: listed addresses may not", OneOf(kNoOrYes)};
inline constexpr SettingInfo IsMusic       {Section::Music,     "IsMusic",       ValueType::Dword, 0, false, "background music enabled: Panelia starts and drives Sonavelle"};
inline constexpr SettingInfo PlayMode      {Section::Music,     "PlayMode",      ValueType::Dword, 1, true,  "Sonavelle's play order", OneOf(kPlayModes)};
inline constexpr SettingInfo MusicPath     {Section::Music,     "MusicPath",     ValueType::Sz,    0, true,  "folder whose music files Sonavelle plays"};
// clang-format on
}  // namespace setting

inline constexpr std::array<const SettingInfo*, 47> kAllSettings = {
    &setting::Initiated,      &setting::AppPath,        &setting::DefFontSize,  &setting::SoftHomeUrl,
    &setting::IsPaneliaHome,  &setting::Password,       &setting::CommandSites, &setting::IsAutoShut,
    &setting::IsCloseWeekend, &setting::PowerOffTime,   &setting::IsAlwaysTop,  &setting::IsScriptDebug,
    &setting::WaitTime,       &setting::IsAutoHome,     &setting::IsScrollBar,  &setting::IsFormTarget,
    &setting::IsNavigator,    &setting::BoardType,      &setting::BoardMode,    &setting::KeyboardXPos,
    &setting::KeyboardYPos,   &setting::IsStatusBar,    &setting::Style,        &setting::ScrollMode,
    &setting::ScrollStep,     &setting::IsLoop,         &setting::LoopMode,     &setting::IntervalTime,
    &setting::IsLimit,        &setting::ForbitMethod,   &setting::IsMusic,      &setting::PlayMode,
    &setting::MusicPath,      &setting::IsClearSession, &setting::IsPinchZoom,  &setting::IsLongPressMenu,
    &setting::Monitor,        &setting::IsCoverOthers,  &setting::Rotation,     &setting::BoardAutoHide,
    &setting::MetricsFolder,  &setting::WarnTime,       &setting::UiLanguage,   &setting::ProxyMode,
    &setting::ProxyUrl,       &setting::ProxyIgnore,    &setting::MediaSites,
};

// The key Panelia reads a value of this name from, when `key_path` (under HKEY_LOCAL_MACHINE) is in
// the suite's tree but is not that key: a value written there would never be read. nullopt for a
// name the table does not know or a value in its right place. Key paths compare without regard to
// ASCII case; a trailing "\" does not count.
std::optional<std::string> KeyThatReads(std::string_view key_path, std::string_view value_name);

// Why the kiosk cannot take `value` for `info` as it was meant, in a sentence for an operator
// (English, as panelia-reg speaks); nullopt when it can.
std::optional<std::string> ValueProblem(const SettingInfo& info, const RegValue& value);
// The setting a value of this name under `key_path` is, when the kiosk reads it there.
const SettingInfo* SettingAt(std::string_view key_path, std::string_view value_name);

// Keys of the system browser's own values, under the current user's hive.
inline constexpr std::string_view kBrowserMainKey = "Software\\Microsoft\\Internet Explorer\\Main";
inline constexpr std::string_view kBrowserInternationalKey = "Software\\Microsoft\\Internet Explorer\\International";
inline constexpr std::string_view kBrowserTypedUrlsKey = "Software\\Microsoft\\Internet Explorer\\TypedUrls";

// Reads a group of settings the way the programs do: one accessor, the subkey set once per section
// and set again only when the section changes, every absent value taking its table default.
class SettingsReader {
 public:
  explicit SettingsReader(RegistryStore& store) : key_(store) {}
  uint32_t Dword(const SettingInfo& info);
  int32_t Int(const SettingInfo& info) { return static_cast<int32_t>(Dword(info)); }
  bool Flag(const SettingInfo& info) { return Dword(info) != 0; }
  std::string Text(const SettingInfo& info);
  CRegistryKey& Key(Section section);

 private:
  CRegistryKey key_;
  bool positioned_ = false;
  Section section_ = Section::Root;
};

// Every program's texts in the language the settings name (UiLanguage), from the catalogues beside
// the programs. Called at start, before any window is made.
void UseSettingsLanguage(RegistryStore& store);

}  // namespace panelia
