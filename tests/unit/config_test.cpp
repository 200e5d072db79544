#include <gtest/gtest.h>

#include <set>

#include "common/settings.h"
#include "common/password.h"
#include "config/form.h"
#include "config/try_address.h"
#include "fakes.h"

namespace panelia {
namespace {

const FormField& Field(const std::vector<FormField>& fields, std::string_view name) {
  for (const auto& f : fields)
    if (f.info->name == name) return f;
  throw std::runtime_error("no field " + std::string(name));
}

TEST(ConfigForm, EverySettingHasItsControl) {
  auto fields = FormFields();
  ASSERT_EQ(fields.size(), kAllSettings.size()) << "a value of the table without a field";
  std::set<std::string_view> names;
  for (const auto& f : fields) names.insert(f.info->name);
  EXPECT_EQ(names.size(), kAllSettings.size());
  const struct {
    std::string_view name;
    FieldKind kind;
  } cases[] = {
      {"SoftHomeUrl", FieldKind::Address}, {"Password", FieldKind::Password}, {"PowerOffTime", FieldKind::Time},
      {"MusicPath", FieldKind::Folder},    {"IsMusic", FieldKind::Flag},      {"IsClearSession", FieldKind::Flag},
      {"BoardMode", FieldKind::Flag},      {"WaitTime", FieldKind::Number},   {"Style", FieldKind::Choice},
      {"PlayMode", FieldKind::Choice},     {"AppPath", FieldKind::Text},      {"ScrollStep", FieldKind::Number},
  };
  for (const auto& c : cases) EXPECT_EQ(Field(fields, c.name).kind, c.kind) << c.name;
  for (const auto& f : fields) EXPECT_FALSE(PageTitle(f.info->section).empty()) << f.info->name;
}

TEST(ConfigForm, Validation) {
  auto fields = FormFields();
  const struct {
    std::string_view name;
    std::string typed;
    bool accepted;
    std::string stored;  // text, or the number in decimal
    bool warned;
  } cases[] = {
      {"SoftHomeUrl", "  file:///srv/kiosk/index.html ", true, "file:///srv/kiosk/index.html", false},
      {"SoftHomeUrl", "file:///srv/展览/首页.html", true, "file:///srv/展览/首页.html", false},
      {"SoftHomeUrl", "file:///srv/my kiosk/index.html", true, "file:///srv/my kiosk/index.html", true},
      {"SoftHomeUrl", std::string(255, 'a'), true, std::string(255, 'a'), false},
      {"SoftHomeUrl", std::string(256, 'a'), false, "", false},
      {"SoftHomeUrl", std::string(85, '\xe5') + "\x95\x8a", false, "", false},  // not UTF-8
      {"Password", " 有空格 ", true, " 有空格 ", false},
      {"PowerOffTime", "18:30", true, "18:30", false},
      {"PowerOffTime", "7:05:09", true, "7:05:09", false},
      {"PowerOffTime", "", true, "", false},
      {"PowerOffTime", "25:99", false, "", false},
      {"PowerOffTime", "12", false, "", false},
      {"PowerOffTime", "12:3:4:5", false, "", false},
      {"PowerOffTime", "ab:cd", false, "", false},
      {"WaitTime", "5", true, "5", false},
      {"WaitTime", "-1", false, "", false},
      {"WaitTime", "1441", false, "", false},
      {"WaitTime", "5 minutes", false, "", false},
      {"ScrollStep", "0", false, "", false},
      {"IsMusic", "1", true, "1", false},
      {"IsMusic", "2", false, "", false},
      {"Style", "3", true, "3", false},
      {"Style", "9", false, "", false},
      {"MusicPath", "/no/such/folder", true, "/no/such/folder", true},
  };
  for (const auto& c : cases) {
    Checked checked = CheckField(Field(fields, c.name), c.typed, [](const std::string&) { return false; });
    EXPECT_EQ(checked.value.has_value(), c.accepted) << c.name << " '" << c.typed << "' " << checked.message;
    if (!checked.value) {
      EXPECT_FALSE(checked.message.empty()) << c.name << ": a refusal says why";
      continue;
    }
    std::string stored = checked.value->type == ValueType::Dword ? std::to_string(*checked.value->AsDword()) : checked.value->AsText();
    EXPECT_EQ(stored, c.stored) << c.name;
    EXPECT_EQ(!checked.message.empty(), c.warned) << c.name << " " << checked.message;
  }
}

TEST(ConfigForm, LoadsDefaultsAndWritesOnlyWhatChanged) {
  test::MemoryRegistry store;
  auto fields = FormFields();
  auto texts = LoadForm(store, fields);
  ASSERT_EQ(texts.size(), fields.size());
  for (size_t i = 0; i < fields.size(); ++i) EXPECT_EQ(texts[i], DefaultText(fields[i])) << fields[i].info->name;
  EXPECT_EQ(texts[&Field(fields, "PlayMode") - fields.data()], "1");
  EXPECT_EQ(texts[&Field(fields, "IsClearSession") - fields.data()], "1");

  store.Put(Hive::LocalMachine, SectionPath(Section::General), "SoftHomeUrl", RegValue::Text("file:///a.html"));
  texts = LoadForm(store, fields);
  std::vector<RegValue> values;
  for (size_t i = 0; i < fields.size(); ++i) values.push_back(*CheckField(fields[i], texts[i]).value);
  size_t home = &Field(fields, "SoftHomeUrl") - fields.data();
  EXPECT_EQ(texts[home], "file:///a.html");
  // Unchanged stored values are not written again; absent ones are written with what the form shows.
  auto changes = FormChanges(store, fields, values);
  for (const auto& c : changes) EXPECT_NE(c.name, "SoftHomeUrl");
  store.Apply(changes);
  EXPECT_TRUE(FormChanges(store, fields, values).empty()) << "nothing changed, nothing written";
  values[home] = RegValue::Text("file:///b.html");
  changes = FormChanges(store, fields, values);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].kind, RegChange::Kind::CreateKey);
  EXPECT_EQ(changes[1].name, "SoftHomeUrl");
}

}  // namespace
}  // namespace panelia

namespace panelia {
namespace {

// "Try an address" answers with the browser view's own questions on the saved settings and lists.
TEST(ConfigTryAddress, AnswersAsTheBrowserViewWould) {
  test::MemoryRegistry store;
  auto set = [&](Section s, const char* name, uint32_t v) { store.Put(Hive::LocalMachine, SectionPath(s), name, RegValue::Dword(v)); };
  set(Section::Address, "IsLimit", 1);
  set(Section::Address, "ForbitMethod", 0);
  set(Section::Music, "IsMusic", 1);
  test::CallLog log;
  test::FakeLists lists_source(log);
  lists_source.files["limit.dat"] = PageList::Parse("games\n");
  lists_source.files["Show.dat"] = PageList::Parse("MENU\n");
  lists_source.files["stop.dat"] = PageList::Parse("http://example.com/quiet.html\n");
  CPageLists lists(lists_source);
  const struct {
    const char* typed;
    bool blocked, bar, music;
  } cases[] = {
      {"http://example.com/minigames/", true, false, true},
      {"  http://example.com/Menu/  ", false, true, true},
      {"http://example.com/quiet.html", false, false, false},
  };
  for (const auto& c : cases) {
    AddressVerdict v = TryAddress(c.typed, lists, store);
    EXPECT_EQ(v.blocked, c.blocked) << c.typed;
    EXPECT_EQ(v.bar_shown, c.bar) << c.typed;
    EXPECT_EQ(v.music, c.music) << c.typed;
  }
  set(Section::Navigator, "IsNavigator", 1);
  EXPECT_TRUE(TryAddress("http://example.com/", lists, store).bar_shown) << "a fixed bar shows everywhere";
}

}  // namespace
}  // namespace panelia

namespace panelia {
namespace {

// A password set in the settings program is stored as a salted hash, never in clear; an unchanged
// field keeps what is stored (hashed, or plain from an imported .reg file); the demo's is warned of.
TEST(ConfigForm, ThePasswordIsStoredHashed) {
  const std::string hashed = *HashPassword("kiosk");
  const struct {
    std::string typed, stored;
    bool kept;       // stored as it was
    bool demo_warn;
  } cases[] = {
      {"kiosk", hashed, false, false},   // typed anew: a fresh hash
      {hashed, hashed, true, false},     // untouched
      {"8888", "8888", true, true},      // the demo's, from a .reg file, untouched
      {"8888", hashed, false, true},     // set to the demo's
      {"Secret ", "8888", false, false},
  };
  for (const auto& c : cases) {
    Checked checked = PasswordToStore(c.typed, c.stored);
    ASSERT_TRUE(checked.value) << c.typed;
    std::string stored = checked.value->AsText();
    if (c.kept) {
      EXPECT_EQ(stored, c.stored);
    } else {
      EXPECT_TRUE(IsPasswordHash(stored)) << stored;
      EXPECT_EQ(stored.find(NormalizePassword(c.typed)), std::string::npos);
      EXPECT_TRUE(PasswordMatches(stored, c.typed)) << "the kiosk accepts what was typed";
    }
    EXPECT_EQ(checked.message == kDemoPasswordWarning, c.demo_warn) << c.typed;
  }
}

TEST(ConfigWindow, FitsTheScreen) {
  const struct {
    int monitor_w, monitor_h;
    int w, h;
  } cases[] = {
      {1920, 1080, 760, 560}, {1280, 800, 760, 560}, {1024, 600, 760, 536}, {800, 600, 760, 536},
      {640, 480, 624, 416},   {200, 200, 320, 320},  // never smaller than a usable window
  };
  for (const auto& c : cases) {
    WindowSize s = ConfigWindowSize(c.monitor_w, c.monitor_h);
    EXPECT_EQ(std::make_pair(s.w, s.h), std::make_pair(c.w, c.h)) << c.monitor_w << " x " << c.monitor_h;
  }
}

}  // namespace
}  // namespace panelia
