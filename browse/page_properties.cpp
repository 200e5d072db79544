#include "browse/page_properties.h"

#include <cstdint>
#include <cstdio>

namespace panelia {

std::string TypeName(const std::string& mime_type) {
  static const struct {
    const char* mime;
    const char* name;
  } kNames[] = {
      {"text/html", "HTML 文档"},    {"application/xhtml+xml", "XHTML 文档"},
      {"text/plain", "文本文档"},    {"image/png", "PNG 图像"},
      {"image/jpeg", "JPEG 图像"},   {"image/gif", "GIF 图像"},
      {"image/svg+xml", "SVG 图像"}, {"application/pdf", "PDF 文档"},
  };
  for (const auto& n : kNames)
    if (mime_type == n.mime) return std::string(n.name) + " (" + mime_type + ")";
  return mime_type;
}

namespace {

std::string Grouped(uint64_t n) {
  std::string digits = std::to_string(n);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

}  // namespace

std::string SizeText(uint64_t bytes) {
  std::string text = Grouped(bytes) + " 字节";
  if (bytes < 1024) return text;
  const char* unit = "KB";
  double scaled = static_cast<double>(bytes) / 1024.0;
  if (scaled >= 1024.0) {
    scaled /= 1024.0;
    unit = "MB";
  }
  if (scaled >= 1024.0) {
    scaled /= 1024.0;
    unit = "GB";
  }
  char short_form[32];
  std::snprintf(short_form, sizeof short_form, "%.1f %s", scaled, unit);
  return text + " (" + short_form + ")";
}

std::string PagePropertiesText(const PageFacts& f) {
  std::string text;
  auto line = [&text](const char* label, const std::string& value) {
    if (value.empty()) return;
    if (!text.empty()) text += '\n';
    text += label;
    text += value;
  };
  line("标题: ", f.title.empty() ? "(无标题)" : f.title);
  line("地址: ", f.address);
  line("类型: ", f.mime_type.empty() ? std::string() : TypeName(f.mime_type));
  line("大小: ", f.size ? SizeText(*f.size) : std::string());
  line("编码: ", f.encoding);
  line("创建日期: ", f.created);
  line("修改日期: ", f.modified);
  return text;
}

}  // namespace panelia
