#include <gtest/gtest.h>

#include <cstdint>

#include "browse/page_properties.h"
#include "common/boxes.h"

namespace panelia {
namespace {

TEST(Boxes, TheKiosksOwnWordsAndIcons) {
  auto labels = [](BoxButtons b) {
    std::vector<std::string> out;
    for (const BoxButton& button : ButtonsOf(b)) out.emplace_back(button.label);
    return out;
  };
  EXPECT_EQ(labels(BoxButtons::Ok), (std::vector<std::string>{"确定"}));
  EXPECT_EQ(labels(BoxButtons::OkCancel), (std::vector<std::string>{"确定", "取消"}));
  EXPECT_EQ(labels(BoxButtons::YesNo), (std::vector<std::string>{"是", "否"}));
  EXPECT_EQ(ButtonsOf(BoxButtons::YesNo)[0].answer, BoxAnswer::Yes) << "Enter answers yes, as the first button";
  EXPECT_EQ(ButtonsOf(BoxButtons::YesNo)[1].answer, BoxAnswer::No);
  EXPECT_EQ(IconNameOf(BoxIcon::Error), "dialog-error");
  EXPECT_EQ(IconNameOf(BoxIcon::Information), "dialog-information");
  EXPECT_EQ(IconNameOf(BoxIcon::Question), "dialog-question");
}

TEST(Boxes, ClearOfTheKeyboard) {
  const ScreenRect monitor{0, 0, 1024, 768};
  const ScreenRect bottom_keyboard{105, 387, 815, 358};  // where it shows by default
  const struct {
    const char* what;
    ScreenRect monitor;
    int wanted_x, wanted_y;
    std::optional<ScreenRect> keyboard;
    BoxPlace place;
  } cases[] = {
      {"no keyboard: where wanted", monitor, 347, 334, std::nullopt, {347, 334, true}},
      {"the keyboard elsewhere: where wanted", monitor, 347, 100, bottom_keyboard, {347, 100, true}},
      {"centred over the keyboard: just above it", monitor, 347, 334, bottom_keyboard, {347, 379 - 100, true}},
      {"keyboard at the top: below it", monitor, 347, 334, ScreenRect{105, 0, 815, 358}, {347, 366, true}},
      {"keyboard filling the height, narrow: beside it",
       monitor,
       347,
       334,
       ScreenRect{0, 0, 500, 768},
       {508, 334, true}},
      {"no room anywhere: where wanted, over it",
       ScreenRect{0, 0, 800, 600},
       235,
       250,
       ScreenRect{0, 100, 800, 450},
       {235, 250, false}},
      {"wanted off the monitor: pulled on", monitor, 2000, -50, std::nullopt, {1024 - 330, 0, true}},
      {"a second monitor",
       ScreenRect{1024, 0, 1024, 768},
       1371,
       334,
       ScreenRect{1129, 387, 815, 358},
       {1371, 279, true}},
  };
  for (const auto& c : cases) {
    BoxPlace p = PlaceClearOf(c.monitor, 330, 100, c.wanted_x, c.wanted_y, c.keyboard);
    EXPECT_EQ(std::make_tuple(p.x, p.y, p.clear), std::make_tuple(c.place.x, c.place.y, c.place.clear)) << c.what;
    if (p.clear && c.keyboard) {
      EXPECT_FALSE((ScreenRect{p.x, p.y, 330, 100}.Overlaps(*c.keyboard))) << c.what;
    }
  }
}

TEST(PageProperties, WhatTheEngineKnows) {
  PageFacts full{"欢迎", "file:///srv/kiosk/index.html", "text/html",          "UTF-8",
                 1536,   "2026-12-08 11:30:05",          "2026-12-01 09:00:00"};
  EXPECT_EQ(PagePropertiesText(full),
            "标题: 欢迎\n地址: file:///srv/kiosk/index.html\n类型: HTML 文档 (text/html)\n大小: 1,536 字节 (1.5 KB)\n"
            "编码: UTF-8\n创建日期: 2026-12-01 09:00:00\n修改日期: 2026-12-08 11:30:05");
  PageFacts bare{"", "about:blank", "", "", std::nullopt, "", ""};
  EXPECT_EQ(PagePropertiesText(bare), "标题: (无标题)\n地址: about:blank") << "what is not known is left out";

  const struct {
    uint64_t bytes;
    const char* text;
  } sizes[] = {
      {0, "0 字节"},
      {1023, "1,023 字节"},
      {1024, "1,024 字节 (1.0 KB)"},
      {2097152, "2,097,152 字节 (2.0 MB)"},
      {5368709120ULL, "5,368,709,120 字节 (5.0 GB)"},
  };
  for (const auto& s : sizes) EXPECT_EQ(SizeText(s.bytes), s.text);
  EXPECT_EQ(TypeName("image/png"), "PNG 图像 (image/png)");
  EXPECT_EQ(TypeName("application/x-unknown"), "application/x-unknown");
}

}  // namespace
}  // namespace panelia
