#include <gtest/gtest.h>

#include "common/text.h"

namespace panelia {
namespace {

TEST(TextTest, LowerCasesAsciiOnly) {
  EXPECT_EQ(AsciiLower("PaneliaGoHome 中文 ÄB"), "paneliagohome 中文 Äb");
  EXPECT_TRUE(EqualsIgnoreAsciiCase("TargetURL", "targeturl"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("TargetURL", "targeturls"));
}

TEST(TextTest, RecognisesUtf8) {
  struct Case {
    const char* what;
    std::string bytes;
    bool valid;
  } cases[] = {
      {"ascii", "abc", true},
      {"chinese", "\xE4\xB8\xAD\xE6\x96\x87", true},
      {"gbk bytes", "\xD6\xD0\xCE\xC4", false},
      {"truncated sequence", "\xE4\xB8", false},
      {"overlong slash", "\xC0\xAF", false},
      {"surrogate", "\xED\xA0\x80", false},
      {"beyond unicode", "\xF4\x90\x80\x80", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.what;
}

TEST(TextTest, DecodesByMarkOrFallsBackToGb18030) {
  SourceEncoding found{};
  EXPECT_EQ(DecodeTextFile("\xD6\xD0\xCE\xC4", &found), "中文");
  EXPECT_EQ(found, SourceEncoding::Gb18030);
  EXPECT_EQ(DecodeTextFile(std::string("\xFF\xFE\x2D\x4E", 4), &found), "中");
  EXPECT_EQ(found, SourceEncoding::Utf16LeBom);
  EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBFok", &found), "ok");
  EXPECT_FALSE(DecodeTextFile("\xEF\xBB\xBF\xFF"));
  EXPECT_EQ(TrimSpaces(" \t a b \r\n"), "a b");
}

}  // namespace
}  // namespace panelia
