// The settings program's form without a toolkit: one field for every value of the settings table
// (a value added to the table gets a field without any window code changing), the control each
// wants, validation of what an operator types, and the changes that OK writes in one transaction.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/registry.h"
#include "common/settings.h"
#include "common/texts.h"

namespace panelia {

enum class FieldKind { Flag, Number, Choice, Text, Address, Time, Folder, Password };

struct Choice {
  uint32_t value;
  std::string_view label;
  std::string_view picture = {};  // a preview in res/, when the choice is a look
  std::string_view word = {};     // a text setting's value (its choices are words, not numbers)
};
// How the control and the stored value name a choice: its word, or its number.
std::string ChoiceId(const Choice& choice);

struct FormField {
  const SettingInfo* info;
  FieldKind kind;
  int64_t min = 0, max = 0xFFFFFFFFLL;  // Number: the range an operator may type
  std::vector<Choice> choices;          // Choice
  std::string_view label;               // what the window calls it; the value's name when empty
  std::string_view description;         // a sentence on what it does, for the operator
};

// Every setting of the table, in its order, as a field.
std::vector<FormField> FormFields();

// The settings window's size on a monitor of `monitor_w` x `monitor_h`: 760 x 560 where that fits
// with room for the window manager's frame, else as much as does (its pages scroll). It is centred.
struct WindowSize {
  int w, h;
};
inline constexpr WindowSize kConfigWindowSize{760, 560};
WindowSize ConfigWindowSize(int monitor_w, int monitor_h);
// The page a section's fields go on.
std::string_view PageTitle(Section section);

// The most a text value may hold: the programs read it into a 256-byte buffer.
inline constexpr size_t kMaxTextBytes = 255;

struct Checked {
  std::optional<RegValue> value;  // nullopt: refused
  std::string message;            // why it was refused, or a warning about an accepted value
};
// What the operator typed (the text of the control; "0"/"1" for flags, the value for choices),
// checked for the field. `folder_exists` answers for folders (a missing one is a warning only).
Checked CheckField(const FormField& field, std::string_view typed, bool (*folder_exists)(const std::string&) = nullptr);

// The exit password as it is to be stored, from what the operator typed and what is stored now:
// unchanged stays as it is (hashed, or plain from a .reg file); a new one is stored as a salted
// hash, never in clear. The message warns while the demo password stays in use.
Checked PasswordToStore(std::string_view typed, std::string_view stored);
inline constexpr std::string_view kShortPasswordQuestion =
    "The new exit password has fewer than 6 characters: if its encrypted value ever leaves this machine (a backup, an "
    "old disk), it can be guessed within minutes. Save this password all the same?";
inline constexpr std::string_view kDemoPasswordWarning =
    "The exit password is still the demo password 8888, which anybody may know: please set another one.";

// One row of the form as OK or Apply takes it, with the message as the window shows it (the
// setting's name first): `typed` is the control's text ("" for a choice nobody picked), `typed_again`
// the password's second entry, `stored` the stored value as the control showed it. A choice nobody
// picked keeps the stored value, even one the list does not offer; a password must be typed the
// same twice and is stored as PasswordToStore says.
Checked CheckRow(const FormField& field, std::string_view typed, std::string_view typed_again, std::string_view stored,
                 bool (*folder_exists)(const std::string&) = nullptr);
inline constexpr std::string_view kPasswordsDifferText = "The two exit passwords typed differ; please type them again.";

// The field's default as the control shows it.
std::string DefaultText(const FormField& field);
// The field's default as the form names it beside the control: a switch as 开/关, a choice by its
// label, nothing as （空）.
std::string DefaultShown(const FormField& field);
// A stored value as the control shows it.
std::string ValueText(const FormField& field, const RegValue& value);

// The values the form starts from: the store's, or the defaults where absent or unreadable.
std::vector<std::string> LoadForm(RegistryStore& store, const std::vector<FormField>& fields);
// One change per value that differs from what is stored (keys are created as needed), for one
// transaction. Every text must have passed CheckField first.
std::vector<RegChange> FormChanges(RegistryStore& store, const std::vector<FormField>& fields,
                                   const std::vector<RegValue>& values);

}  // namespace panelia
