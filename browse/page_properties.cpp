#include "browse/page_properties.h"
#include "common/texts.h"

#include <cstdint>
#include <cstdio>

namespace panelia {

std::string TypeName(const std::string& mime_type) {
  static const struct {
    const char* mime;
    const char* name;
  } kNames[] = {
      {"text/html", Tr("HTML document")},  {"application/xhtml+xml", Tr("XHTML document")},
      {"text/plain", Tr("Text document")}, {"image/png", Tr("PNG image")},
      {"image/jpeg", Tr("JPEG image")},    {"image/gif", Tr("GIF image")},
      {"image/svg+xml", Tr("SVG image")},  {"application/pdf", Tr("PDF document")},
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
  std::string text = Grouped(bytes) + Tr(" bytes");
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
  line(Tr("Title: "), f.title.empty() ? Tr("(no title)") : f.title);
  line(Tr("Address: "), f.address);
  line(Tr("Type: "), f.mime_type.empty() ? std::string() : TypeName(f.mime_type));
  line(Tr("Size: "), f.size ? SizeText(*f.size) : std::string());
  line(Tr("Encoding: "), f.encoding);
  line(Tr("Created: "), f.created);
  line(Tr("Modified: "), f.modified);
  return text;
}

}  // namespace panelia
