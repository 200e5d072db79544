#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>

#include <unistd.h>

#include "common/settings.h"
#include "common/password.h"
#include "config/form.h"
#include "config/list_editor.h"
#include "config/try_address.h"
#include "common/text.h"
#include "fakes.h"
#include "temp_dir.h"

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
      {"SoftHomeUrl", FieldKind::Address}, {"Password", FieldKind::Password},    {"PowerOffTime", FieldKind::Time},
      {"MusicPath", FieldKind::Folder},    {"IsMusic", FieldKind::Flag},         {"IsClearSession", FieldKind::Flag},
      {"BoardMode", FieldKind::Flag},      {"WaitTime", FieldKind::Number},      {"Style", FieldKind::Choice},
      {"PlayMode", FieldKind::Choice},     {"AppPath", FieldKind::Text},         {"ScrollStep", FieldKind::Number},
      {"IsPinchZoom", FieldKind::Flag},    {"IsLongPressMenu", FieldKind::Flag}, {"BoardAutoHide", FieldKind::Flag},
      {"Monitor", FieldKind::Text},        {"Rotation", FieldKind::Choice},      {"IsCoverOthers", FieldKind::Flag},
      {"WarnTime", FieldKind::Number},
  };
  for (const auto& c : cases) EXPECT_EQ(Field(fields, c.name).kind, c.kind) << c.name;
  for (const auto& f : fields) {
    EXPECT_FALSE(PageTitle(f.info->section).empty()) << f.info->name;
    // A list offers exactly what the kiosk takes.
    if (f.kind != FieldKind::Choice) continue;
    std::vector<std::string> offered, taken;
    for (uint32_t choice : f.info->rule.choices) taken.push_back(std::to_string(choice));
    for (std::string_view word : f.info->rule.words) taken.emplace_back(word);
    for (const Choice& c : f.choices) offered.push_back(ChoiceId(c));
    EXPECT_EQ(offered, taken) << f.info->name;
  }
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
      {"PowerOffTime", "-1:30", false, "", false},  // the kiosk would never act on these
      {"PowerOffTime", "7 :30", false, "", false},
      {"PowerOffTime", "+7:30", false, "", false},
      {"PowerOffTime", " 7:30 ", true, "7:30", false},
      {"WaitTime", "5", true, "5", false},
      {"WaitTime", "-1", false, "", false},
      {"WaitTime", "1441", false, "", false},
      {"WarnTime", "20", true, "20", false},
      {"WarnTime", "601", false, "", false},
      {"WaitTime", "5 minutes", false, "", false},
      {"ScrollStep", "0", false, "", false},
      {"IsMusic", "1", true, "1", false},
      {"IsMusic", "2", false, "", false},
      {"Style", "3", true, "3", false},
      {"Style", "9", false, "", false},
      {"MusicPath", "/no/such/folder", true, "/no/such/folder", true},
      {"ProxyUrl", " http://proxy.lan:3128 ", true, "http://proxy.lan:3128", false},
      {"ProxyUrl", "", true, "", false},
      {"ProxyUrl", "proxy.lan:3128", false, "", false},
      {"ProxyMode", "2", true, "2", false},
      {"ProxyMode", "3", false, "", false},
  };
  for (const auto& c : cases) {
    Checked checked = CheckField(Field(fields, c.name), c.typed, [](const std::string&) { return false; });
    EXPECT_EQ(checked.value.has_value(), c.accepted) << c.name << " '" << c.typed << "' " << checked.message;
    if (!checked.value) {
      EXPECT_FALSE(checked.message.empty()) << c.name << ": a refusal says why";
      continue;
    }
    std::string stored =
        checked.value->type == ValueType::Dword ? std::to_string(*checked.value->AsDword()) : checked.value->AsText();
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
  const struct {
    const char* name;
    const char* shown;
  } defaults[] = {{"SoftHomeUrl", "（空）"},
                  {"IsClearSession", "开"},
                  {"IsMusic", "关"},
                  {"PlayMode", "随机播放"},
                  {"WaitTime", "0"}};
  for (const auto& d : defaults) EXPECT_EQ(DefaultShown(Field(fields, d.name)), d.shown) << d.name;
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
  auto set = [&](Section s, const char* name, uint32_t v) {
    store.Put(Hive::LocalMachine, SectionPath(s), name, RegValue::Dword(v));
  };
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
    bool kept;  // stored as it was
    bool demo_warn;
  } cases[] = {
      {"kiosk", hashed, false, false},  // typed anew: a fresh hash
      {hashed, hashed, true, false},    // untouched
      {"8888", "8888", true, true},     // the demo's, from a .reg file, untouched
      {"8888", hashed, false, true},    // set to the demo's
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
    EXPECT_EQ(checked.message == TrText(kDemoPasswordWarning), c.demo_warn) << c.typed;
  }
}

// A row as OK takes it: a choice nobody picked keeps what is stored (even a value the list does not
// offer), the password must be typed the same twice, messages carry the setting's name.
TEST(ConfigForm, EachRowAsOkTakesIt) {
  const auto fields = FormFields();
  auto field = [&](std::string_view name) -> const FormField& {
    return *std::find_if(fields.begin(), fields.end(), [&](const FormField& f) { return f.info->name == name; });
  };
  const struct {
    const char* name;
    std::string typed, again, stored;
    std::optional<uint32_t> dword;  // the value kept, for numbers
    std::string message;
  } cases[] = {
      {"Style", "", "", "7", 7u, ""},  // not offered, not picked: kept
      {"Style", "", "", "", 0u, ""},   // nothing stored: the default
      {"Style", "", "", "junk", 0u, ""},
      {"Style", "2", "", "7", 2u, ""},  // picked: taken
      {"Style", "9", "", "7", std::nullopt, "Style：请从列表中选择一项"},
      {"Password", "abc", "abd", "x", std::nullopt, TrText(kPasswordsDifferText)},
      {"Password", "8888", "8888", "8888", std::nullopt, "Password：" + TrText(kDemoPasswordWarning)},
      {"WaitTime", "5 min", "", "", std::nullopt, "WaitTime：请输入一个整数"},
  };
  for (const auto& c : cases) {
    Checked checked = CheckRow(field(c.name), c.typed, c.again, c.stored);
    EXPECT_EQ(checked.message, c.message) << c.name << " " << c.typed;
    if (c.dword) {
      ASSERT_TRUE(checked.value) << c.name;
      EXPECT_EQ(checked.value->AsDword(), c.dword) << c.name << " " << c.typed;
    }
  }
  Checked password = CheckRow(field("Password"), "new one", "new one", "8888");
  ASSERT_TRUE(password.value);
  EXPECT_TRUE(IsPasswordHash(password.value->AsText()));
}

// The settings program's file editor: which folder, what the operator is told, and saving.
TEST(ConfigListEditor, FoldersEncodingsAndSaving) {
  EXPECT_EQ(EditedFilePath("limit.dat", "/srv/kiosk", "/usr/lib/panelia/"), "/srv/kiosk/limit.dat");
  EXPECT_EQ(EditedFilePath("OpenURL.ini", "/srv/kiosk/", "/usr/lib/panelia/"), "/usr/lib/panelia/OpenURL.ini");
  EXPECT_EQ(EditedFilePath("Show.dat", "", "/x/"), "Show.dat");
  test::TempDir dir;
  auto path = [&](const char* name) { return (dir.path() / name).string(); };
  auto bytes = [&](const char* name) { return *ReadFileBytes(path(name)); };
  const std::string gb = "\xd5\xb9\xc0\xc0\n";  // 展览, GB18030
  std::ofstream(path("gb.dat"), std::ios::binary) << gb;
  std::ofstream(path("utf16.dat"), std::ios::binary) << std::string(
      "\xff\xfe"
      "a\0\n\0",
      6);
  std::ofstream(path("binary.dat"), std::ios::binary) << "\xff\xff\xff";  // neither UTF-8 nor GB18030
  ListFileEditor editor;
  const struct {
    const char* file;
    std::string text;
    std::string note_begins;
  } loads[] = {
      {"gb.dat", "展览\n", "此文件不是 UTF-8"},
      {"utf16.dat", "a\n", "此文件是 UTF-16"},
      {"binary.dat", "", "此文件不是文字文件"},
      {"missing.dat", "", "文件 "},
  };
  for (const auto& l : loads) {
    auto loaded = editor.Load(path(l.file));
    EXPECT_EQ(loaded.text, l.text) << l.file;
    EXPECT_EQ(loaded.note.rfind(l.note_begins, 0), 0u) << l.file << ": " << loaded.note;
  }
  // A GB18030 file saved unchanged stays exactly as it was; changed, it is written in UTF-8.
  editor.Load(path("gb.dat"));
  auto unchanged = editor.Save(path("gb.dat"), "展览\n");
  EXPECT_TRUE(unchanged.ok);
  EXPECT_EQ(bytes("gb.dat"), gb);
  EXPECT_TRUE(editor.Save(path("gb.dat"), "展览\n新\n").ok);
  EXPECT_EQ(bytes("gb.dat"), "展览\n新\n");
  // A folder that cannot be written: an error, and the old file untouched, no leftovers.
  std::filesystem::create_directory(dir.path() / "ro");
  std::ofstream(path("ro/Show.dat")) << "old\n";
  std::filesystem::permissions(dir.path() / "ro",
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  editor.Load(path("ro/Show.dat"));
  auto refused = editor.Save(path("ro/Show.dat"), "new\n");
  if (geteuid() != 0) {  // root writes anywhere
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.error.find("文件保持原样"), std::string::npos);
    EXPECT_EQ(bytes("ro/Show.dat"), "old\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "ro/Show.dat.new"));
  }
  std::filesystem::permissions(dir.path() / "ro", std::filesystem::perms::owner_all);
  // A path that is a folder cannot be written over either, whoever runs it.
  std::filesystem::create_directory(dir.path() / "folder.dat");
  EXPECT_FALSE(editor.Save(path("folder.dat"), "x\n").ok);
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "folder.dat"));
}

TEST(ConfigWindow, FitsTheScreen) {
  const struct {
    int monitor_w, monitor_h;
    int w, h;
  } cases[] = {
      {1920, 1080, 760, 560}, {1280, 800, 760, 560}, {1024, 600, 760, 536},
      {800, 600, 760, 536},   {640, 480, 624, 416},  {200, 200, 320, 320},  // never smaller than a usable window
  };
  for (const auto& c : cases) {
    WindowSize s = ConfigWindowSize(c.monitor_w, c.monitor_h);
    EXPECT_EQ(std::make_pair(s.w, s.h), std::make_pair(c.w, c.h)) << c.monitor_w << " x " << c.monitor_h;
  }
}

}  // namespace
}  // namespace panelia
