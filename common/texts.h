// The texts the programs show, written in English in the code and shown in the operator's language
// (the UiLanguage setting). The translations live in one gettext catalogue per language
// (po/<language>.po, built into <program folder>/locale/<language>/LC_MESSAGES/panelia.mo); they are
// read here rather than through libintl, whose choice of language follows the process's locale (a
// kiosk session often runs under the C locale, where libintl ignores the language asked for).
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace panelia {

inline constexpr std::string_view kDefaultUiLanguage = "zh_CN";

// A compiled gettext catalogue (.mo): original text to its translation. nullopt for a file that is
// no catalogue (wrong magic number, tables or texts outside the file).
std::optional<std::unordered_map<std::string, std::string>> ParseCatalogue(std::string_view bytes);

// Loads the catalogue of `language` ("zh_CN", "en") from `locale_folder`; English needs none. A
// language without a readable catalogue shows English, and says so once on standard error. Called
// at start, before any window is made and before any other thread runs.
void UseUiLanguage(std::string_view language, const std::string& locale_folder);
// The language whose texts are shown ("en" when no catalogue is in use).
const std::string& ShownLanguage();

// The text in the language in use; the English text itself where the catalogue has none.
const char* Tr(const char* english);
inline std::string TrText(std::string_view english) {
  return Tr(std::string(english).c_str());
}
// The text with {1}, {2}... replaced by the values, for texts whose words come in another order in
// another language.
std::string Filled(std::string_view text, std::initializer_list<std::string> values);
// A text for visitors: in the language in use, then in English after " · " where that is another
// language (visitors from abroad read the kiosk too).
std::string ForVisitors(const char* english);

}  // namespace panelia
