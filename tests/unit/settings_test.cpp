#include <gtest/gtest.h>

#include <set>

#include "common/reg_file.h"
#include "common/settings.h"
#include "common/text.h"
#include "fakes.h"

namespace panelia {
namespace {

// The shipped default settings are the operators' template: they must name every value the
// programs read, with the type the programs expect.
TEST(SettingsTableTest, DefaultSettingsFileCoversEveryValue) {
  auto bytes = ReadFileBytes(std::string(PANELIA_SOURCE_DIR) + "/data/default-settings.reg");
  ASSERT_TRUE(bytes);
  auto parsed = ParseRegFile(*bytes);
  ASSERT_TRUE(std::holds_alternative<std::vector<RegChange>>(parsed));
  std::map<std::string, ValueType> shipped;
  for (const auto& c : std::get<std::vector<RegChange>>(parsed))
    if (c.kind == RegChange::Kind::SetValue && c.hive == Hive::LocalMachine)
      shipped[AsciiLower(c.key + "|" + c.name)] = c.value.type;
  for (const SettingInfo* info : kAllSettings) {
    if (info->name == "AppPath") continue;  // written by Panelia itself
    auto it = shipped.find(AsciiLower(SectionPath(info->section) + "|" + std::string(info->name)));
    ASSERT_NE(it, shipped.end()) << info->name;
    EXPECT_EQ(it->second, info->type) << info->name;
  }
}

TEST(SettingsTableTest, NamesAreUniqueWithinASection) {
  std::set<std::string> seen;
  for (const SettingInfo* info : kAllSettings)
    EXPECT_TRUE(seen.insert(SectionPath(info->section) + "|" + std::string(info->name)).second) << info->name;
}

TEST(SettingsReaderTest, AbsentValuesTakeTheTableDefault) {
  test::MemoryRegistry store;
  store.Put(Hive::LocalMachine, SectionPath(Section::Music), "IsMusic", RegValue::Dword(1));
  store.Put(Hive::LocalMachine, SectionPath(Section::Music), "PlayMode", RegValue::Text("3"));  // wrong type
  SettingsReader reader(store);
  EXPECT_EQ(reader.Dword(setting::IsMusic), 1u);
  EXPECT_EQ(reader.Dword(setting::PlayMode), 1u) << "PlayMode's own default is 1";
  EXPECT_EQ(reader.Dword(setting::Style), 0u);
  EXPECT_EQ(reader.Text(setting::MusicPath), "");
}

TEST(SettingsReaderTest, UnreadableStoreGivesEveryValueItsDefault) {
  test::MemoryRegistry store;
  store.Put(Hive::LocalMachine, SectionPath(Section::Music), "PlayMode", RegValue::Dword(0));
  store.Put(Hive::LocalMachine, SectionPath(Section::Address), "IsLimit", RegValue::Dword(1));
  store.Put(Hive::LocalMachine, SectionPath(Section::General), "SoftHomeUrl", RegValue::Text("file:///a"));
  store.fail_reads = true;
  SettingsReader reader(store);
  EXPECT_EQ(reader.Dword(setting::PlayMode), 1u);
  EXPECT_EQ(reader.Dword(setting::IsLimit), 0u);
  EXPECT_EQ(reader.Text(setting::SoftHomeUrl), "");
}

}  // namespace
}  // namespace panelia
