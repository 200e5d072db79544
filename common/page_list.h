// Operator page lists ("limit.dat", "stop.dat", "Show.dat", "Loop.dat"): one entry a line, exactly
// as written, up to the first empty line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace panelia {

using PageList = std::vector<std::string>;

// Entries of decoded text: lines end in LF or CR LF, the first empty line ends the list, a last line
// without a line end still counts.
PageList ParsePageList(std::string_view text);

// Reads a list file: nullopt when it cannot be opened. Only the part up to the first empty line is
// read, so a list has no size limit of its own and a huge file costs no more than its entries. The
// part is UTF-8 (with or without byte-order mark) or, when not valid UTF-8, GB18030.
std::optional<PageList> ReadPageListFile(const std::string& path);

}  // namespace panelia
