// What the page's properties box tells a visitor: the facts the engine knows about the page shown,
// one line each, and nothing for a fact it does not know.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace panelia {

struct PageFacts {
  std::string title;
  std::string address;
  std::string mime_type;  // empty: not known
  std::string encoding;   // empty: not known
  std::optional<uint64_t> size;
  // Already in the visitor's form ("2026-12-08 11:30:05"); empty: not known.
  std::string modified;
  std::string created;
};

// "HTML 文档" for text/html and the like; the MIME type itself for anything else.
std::string TypeName(const std::string& mime_type);
// "512 字节", "1,536 字节 (1.5 KB)", "2,097,152 字节 (2.0 MB)".
std::string SizeText(uint64_t bytes);
std::string PagePropertiesText(const PageFacts& facts);

}  // namespace panelia
