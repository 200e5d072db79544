#include <gtest/gtest.h>

#include <cstdint>

#include "common/ini_file.h"
#include "common/keyboard_layouts.h"

namespace panelia {
namespace {

constexpr const char* kRules = R"(<xkbConfigRegistry><layoutList>
<layout><configItem><name>us</name><shortDescription>en</shortDescription><description>English (US)</description></configItem>
 <variantList><variant><configItem><name>intl</name><description>English (US, intl., with dead keys)</description></configItem></variant></variantList>
</layout>
<layout><configItem><name>cn</name><description>Chinese</description></configItem></layout>
<layout><configItem><name>de</name><description>German</description></configItem></layout>
</layoutList></xkbConfigRegistry>)";

TEST(KeyboardLayoutsTest, DescriptionsComeFromTheRulesFile) {
  auto d = ParseLayoutDescriptions(kRules);
  EXPECT_EQ(d["us"], "English (US)");
  EXPECT_EQ(d["us(intl)"], "English (US, intl., with dead keys)");
  EXPECT_EQ(d["cn"], "Chinese");
  EXPECT_EQ(ParseLayoutDescriptions("<layout><configItem><name>x</name>").size(), 0u) << "cut-off file";
  EXPECT_TRUE(ParseLayoutDescriptions("").empty());
}

TEST(KeyboardLayoutsTest, UndescribedLayoutsTakeNoPosition) {
  auto list = BuildKeyboardLayoutList("us, zz ,cn,us", ",,,intl", ParseLayoutDescriptions(kRules));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].id, "us");
  EXPECT_EQ(list[1].id, "cn");
  EXPECT_EQ(list[1].group, 2) << "keeps its keyboard group";
  EXPECT_EQ(list[2].id, "us(intl)");
  EXPECT_TRUE(BuildKeyboardLayoutList("", "", ParseLayoutDescriptions(kRules)).empty());
}

TEST(KeyboardLayoutsTest, PositionRule) {
  auto list = BuildKeyboardLayoutList("us,cn,de", "", ParseLayoutDescriptions(kRules));
  struct Case {
    int32_t position;
    const char* id;
  } cases[] = {{-1, "us"}, {0, "us"}, {1, "cn"}, {2, "de"}, {3, nullptr}, {INT32_MAX, nullptr}, {INT32_MIN, "us"}};
  for (const auto& c : cases) {
    auto entry = LayoutAtPosition(list, c.position);
    EXPECT_EQ(entry.has_value(), c.id != nullptr) << c.position;
    if (entry && c.id) {
      EXPECT_EQ(entry->id, c.id);
    }
  }
  EXPECT_FALSE(LayoutAtPosition({}, 0));
}

TEST(IniTest, LooksUpLikeTheProfileReader) {
  const std::string text =
      "; comment\n[Other]\nkey=wrong\n[ TargetURL ]\r\n  Key = value with spaces  \r\n"
      "quoted=\"  kept  \"\nempty=\nnoequals\nkey=second\n[targeturl]\nlate=x\n";
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> value;
  } cases[] = {
      {"TargetURL", "key", "value with spaces"}, {"targeturl", "KEY", "value with spaces"},
      {"TargetURL", "quoted", "  kept  "},       {"TargetURL", "empty", ""},
      {"TargetURL", "noequals", std::nullopt},   {"TargetURL", "late", "x"},
      {"Missing", "key", std::nullopt},          {"Other", "key", "wrong"},
  };
  for (const auto& c : cases) EXPECT_EQ(IniLookup(text, c.section, c.key), c.value) << c.section << "/" << c.key;
  EXPECT_EQ(ReadProfileString("/nonexistent/OpenURL.ini", "TargetURL", "1", "home"), "home");
}

}  // namespace
}  // namespace panelia
