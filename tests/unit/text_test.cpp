#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>
#include <string>

#include "common/text.h"
#include "common/texts.h"

namespace panelia {
namespace {

// Every test of this program sees the texts a kiosk shows by default.
const bool kDefaultTexts = [] {
  UseUiLanguage(kDefaultUiLanguage, PANELIA_BIN_DIR "locale/");
  return true;
}();

// A catalogue as msgfmt writes it, of these originals and translations (sorted by original).
std::string Catalogue(const std::vector<std::pair<std::string, std::string>>& texts) {
  std::string header(28, '\0'), tables, strings;
  auto word = [](std::string& out, size_t at, uint32_t w) { std::memcpy(out.data() + at, &w, 4); };
  const uint32_t n = static_cast<uint32_t>(texts.size()), originals = 28, translations = 28 + 8 * n;
  word(header, 0, 0x950412de);
  word(header, 8, n);
  word(header, 12, originals);
  word(header, 16, translations);
  std::string table(16 * n, '\0');
  const size_t strings_at = 28 + 16 * n;
  for (int pass = 0; pass < 2; ++pass)
    for (uint32_t i = 0; i < n; ++i) {
      const std::string& text = pass == 0 ? texts[i].first : texts[i].second;
      word(table, (pass * n + i) * 8, static_cast<uint32_t>(text.size()));
      word(table, (pass * n + i) * 8 + 4, static_cast<uint32_t>(strings_at + strings.size()));
      strings += text + '\0';
    }
  return header + table + strings;
}

// The catalogue is an outside file: a missing, empty, cut, foreign or bogus one shows English and
// never reads outside the file.
TEST(TextsTest, CataloguesOfEveryShape) {
  const std::string good = Catalogue({{"", "Content-Type: text/plain; charset=UTF-8\n"}, {"Exit", "退出"}});
  std::string pointing_out = good;
  const uint32_t far = 1u << 30;
  std::memcpy(pointing_out.data() + 28 + 8 * 2 + 4, &far, 4);
  const struct {
    const char* what;
    std::string bytes;
    bool read;
  } cases[] = {
      {"msgfmt's layout", good, true},
      {"empty", "", false},
      {"only the magic number", good.substr(0, 4), false},
      {"cut in its texts", good.substr(0, good.size() - 6), false},
      {"a text outside the file", pointing_out, false},
      {"a picture", "\x89PNG\r\n\x1a\n" + std::string(64, 'x'), false},
  };
  for (const auto& c : cases) {
    auto texts = ParseCatalogue(c.bytes);
    ASSERT_EQ(texts.has_value(), c.read) << c.what;
    if (c.read) {
      EXPECT_EQ(texts->at("Exit"), "退出") << c.what;
    }
  }
  UseUiLanguage("zh_CN", "/nonexistent/");
  EXPECT_EQ(ShownLanguage(), "en");
  EXPECT_STREQ(Tr("Exit"), "Exit") << "no catalogue: English";
  EXPECT_EQ(ForVisitors("Please wait"), "Please wait");
  UseUiLanguage(kDefaultUiLanguage, PANELIA_BIN_DIR "locale/");
  EXPECT_EQ(ShownLanguage(), "zh_CN");
  EXPECT_STREQ(Tr("Exit"), "退出");
  EXPECT_EQ(ForVisitors("Please wait"), "请稍候 · Please wait");
  EXPECT_EQ(Filled(Tr("The value must be between {1} and {2}"), {"0", "1440"}), "数值应在 0 到 1440 之间");
}

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
