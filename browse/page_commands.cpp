#include "browse/page_commands.h"

#include <algorithm>
#include <array>

#include "common/commands.h"
#include "common/text.h"

namespace panelia {

std::optional<double> TextZoomOf(int command) {
  // Index 0 (largest) .. 4 (smallest); the old engine's zoom values 4 .. 0 as text zoom.
  static constexpr std::array<double, 5> kZoom = {1.5, 1.25, 1.0, 0.85, 0.7};
  if (command < command::kTextSizeFirst || command > command::kTextSizeLast) return std::nullopt;
  return kZoom[static_cast<size_t>(command - command::kTextSizeFirst)];
}

double NextLargeText(double base, double current) {
  static constexpr std::array<double, 3> kLarger = {1.25, 1.5, 2.0};
  // A zoom a hair above a step (arithmetic, or another source) counts as that step.
  constexpr double kSame = 0.01;
  for (double size : kLarger)
    if (size > base + kSame && size > current + kSame) return size;
  return base;
}

std::optional<std::string_view> CharsetOf(int command) {
  // "iso-ir-58" is a GBK label to the engine, as it was to the old one; "" stands for the old
  // engine's "_autodetect", no fixed character set.
  static constexpr std::array<std::string_view, 6> kLabels = {"iso-8859-1", "iso-ir-58",   "big5",
                                                              "",           "iso-2022-jp", "euc-jp"};
  if (command < command::kCharsetFirst || command > command::kCharsetLast) return std::nullopt;
  return kLabels[static_cast<size_t>(command - command::kCharsetFirst)];
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
  if (subject.starts_with("file:") || subject.starts_with("http:")) {
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

namespace panelia {

bool MayOpenLocalFile(std::string_view target, std::string_view from_page, bool own_load, bool target_is_folder) {
  auto is_file = [](std::string_view address) { return AsciiLower(address.substr(0, 5)) == "file:"; };
  if (!is_file(target)) return true;
  if (target_is_folder) return false;
  return own_load || from_page.empty() || is_file(from_page);
}

namespace {

// "/a/./b/../c/" -> {"a", "c"}; a ".." above the root stays at the root, as the kernel resolves it.
std::vector<std::string_view> PathSteps(std::string_view path) {
  std::vector<std::string_view> steps;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view step = path.substr(start, end - start);
    if (step == "..") {
      if (!steps.empty()) steps.pop_back();
    } else if (!step.empty() && step != ".") {
      steps.push_back(step);
    }
    start = end + 1;
  }
  return steps;
}

}  // namespace

bool IsInsideFolders(std::string_view path, const std::vector<std::string>& folders) {
  if (path.empty() || path.front() != '/') return false;
  auto target = PathSteps(path);
  for (const auto& folder : folders) {
    if (folder.empty() || folder.front() != '/') continue;
    auto steps = PathSteps(folder);
    if (steps.size() <= target.size() && std::equal(steps.begin(), steps.end(), target.begin())) return true;
  }
  return false;
}

}  // namespace panelia
