#include "common/keyboard_layouts.h"

#include <cstdint>

#include "common/text.h"

namespace panelia {
namespace {

// The text between <tag> and </tag> starting the search at `from`, bounded by `limit`.
std::optional<std::string_view> Element(std::string_view xml, std::string_view tag, size_t from, size_t limit,
                                        size_t* end_out = nullptr) {
  std::string open = "<" + std::string(tag) + ">", close = "</" + std::string(tag) + ">";
  size_t start = xml.find(open, from);
  if (start == std::string_view::npos || start >= limit) return std::nullopt;
  start += open.size();
  size_t end = xml.find(close, start);
  if (end == std::string_view::npos || end > limit) return std::nullopt;
  if (end_out) *end_out = end + close.size();
  return xml.substr(start, end - start);
}

std::vector<std::string_view> Split(std::string_view text) {
  std::vector<std::string_view> parts;
  size_t pos = 0;
  for (;;) {
    size_t comma = text.find(',', pos);
    parts.push_back(
        TrimSpaces(text.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos)));
    if (comma == std::string_view::npos) break;
    pos = comma + 1;
  }
  return parts;
}

}  // namespace

LayoutDescriptions ParseLayoutDescriptions(std::string_view xml) {
  LayoutDescriptions out;
  size_t pos = 0;
  size_t layout_end = 0;
  while (auto layout = Element(xml, "layout", pos, xml.size(), &layout_end)) {
    auto base = static_cast<size_t>(layout->data() - xml.data());
    size_t limit = base + layout->size();
    auto name = Element(xml, "name", base, limit);
    auto description = Element(xml, "description", base, limit);
    if (name && description) {
      std::string id(TrimSpaces(*name));
      out.emplace(id, std::string(TrimSpaces(*description)));
      size_t vpos = base;
      size_t variant_end = 0;
      while (auto variant = Element(xml, "variant", vpos, limit, &variant_end)) {
        auto vbase = static_cast<size_t>(variant->data() - xml.data());
        size_t vlimit = vbase + variant->size();
        auto vname = Element(xml, "name", vbase, vlimit);
        auto vdescription = Element(xml, "description", vbase, vlimit);
        if (vname && vdescription)
          out.emplace(id + "(" + std::string(TrimSpaces(*vname)) + ")", std::string(TrimSpaces(*vdescription)));
        vpos = variant_end;
      }
    }
    pos = layout_end;
  }
  return out;
}

KeyboardLayoutList BuildKeyboardLayoutList(std::string_view layouts, std::string_view variants,
                                           const LayoutDescriptions& descriptions) {
  KeyboardLayoutList list;
  if (TrimSpaces(layouts).empty()) return list;
  auto layout_names = Split(layouts);
  auto variant_names = Split(variants);
  for (size_t group = 0; group < layout_names.size(); ++group) {
    std::string id(layout_names[group]);
    if (group < variant_names.size() && !variant_names[group].empty())
      id += "(" + std::string(variant_names[group]) + ")";
    auto description = descriptions.find(id);
    if (id.empty() || description == descriptions.end()) continue;
    list.push_back({id, description->second, static_cast<int>(group)});
  }
  return list;
}

std::optional<KeyboardLayout> LayoutAtPosition(const KeyboardLayoutList& list, int32_t position) {
  if (list.empty()) return std::nullopt;
  if (position <= 0) return list.front();
  if (static_cast<size_t>(position) >= list.size()) return std::nullopt;
  return list[static_cast<size_t>(position)];
}

}  // namespace panelia
