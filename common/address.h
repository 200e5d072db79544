// Addresses as operators type them and as the engine reports them.
#pragma once

#include <string>
#include <string_view>

namespace panelia {

// The address a navigation is given: local paths (also "C:\kiosk\a.htm" as an operator used to
// write them) become file addresses, bare host names with or without a port web ones, and an
// empty address the blank page. Addresses with a scheme are left as they are.
std::string NormalizeAddress(std::string_view address);

// The readable form of an address the engine reports percent-escaped: escaped sequences that make
// up UTF-8 characters beyond ASCII are decoded (an operator's list names "展览", not "%E5%B1%95...");
// every other escape stays as it is, so "%20" or "%2F" keep their meaning.
std::string ReadableAddress(std::string_view address);

// An address (or a page's title) as logs and the status document carry it: at most `most` bytes,
// cut at a character's start and marked "…" where cut. A page can make its address megabytes long.
inline constexpr size_t kLoggedAddressBytes = 1024;
std::string ShortAddress(std::string_view address, size_t most = kLoggedAddressBytes);

}  // namespace panelia
