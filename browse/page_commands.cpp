#include "browse/page_commands.h"

#include <array>


namespace panelia {

std::optional<double> TextZoomOf(int command) {
  // Index 0 (largest) .. 4 (smallest); the old engine's zoom values 4 .. 0 as text zoom.
  static constexpr std::array<double, 5> kZoom = {1.5, 1.25, 1.0, 0.85, 0.7};
  if (command < page_command::kTextLargest || command > page_command::kTextSmallest) return std::nullopt;
  return kZoom[static_cast<size_t>(command - page_command::kTextLargest)];
}

std::optional<std::string_view> CharsetOf(int command) {
  // "iso-ir-58" is a GBK label to the engine, as it was to the old one; "_autodetect" was the old
  // engine's word for no fixed character set.
  switch (command) {
    case 32795: return "iso-8859-1";
    case 32796: return "iso-ir-58";
    case 32797: return "big5";
    case 32798: return "";
    case 32799: return "iso-2022-jp";
    case 32800: return "euc-jp";
    default: return std::nullopt;
  }
}

std::string MailLinkAddress(std::string_view location_url, std::string_view location_name) {
  std::string subject;
  bool is_file = location_url.substr(0, 5) == "file:";
  if (is_file) {
    subject = std::string(location_url.size() > 8 ? location_url.substr(8) : std::string_view());
    for (char& c : subject)
      if (c == '/') c = '\\';
  } else {
    subject = std::string(location_name);
  }
  if (subject.rfind("file:", 0) == 0 || subject.rfind("http:", 0) == 0) {
    if (!subject.empty() && subject.back() == '/') subject.pop_back();
    size_t slash = subject.rfind('/');
    if (slash != std::string::npos) subject = subject.substr(slash + 1);
    for (char& c : subject)
      if (c == ':') c = '_';
  }
  if (!is_file) subject += ".htm";
  return "mailto:?subject=" + subject + "&body=" + std::string(location_url);
}

}  // namespace panelia
