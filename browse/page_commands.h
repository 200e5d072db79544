// The page commands of the menu that act on the main page as a document: text size, character set,
// the mail link's address.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace panelia {

// Text zoom of a text-size command (largest 1.5 ... smallest 0.7); nullopt for other commands.
std::optional<double> TextZoomOf(int command);
// The bar's large-text button: the next text zoom after `current` for a visitor who needs larger text,
// starting from the operator's `base` — each larger size in turn (the largest, 2.0, is the double
// size low vision needs), then back to `base`.
double NextLargeText(double base, double current);
// The engine's encoding label of a character-set command; "" returns to automatic detection.
std::optional<std::string_view> CharsetOf(int command);

// "mailto:?subject=...&body=<page address>" for the page: a local page's path as subject, else its
// title with ".htm"; a title that is itself an address keeps its last part with ":" turned to "_".
std::string MailLinkAddress(std::string_view location_url, std::string_view location_name);

}  // namespace panelia

namespace panelia {

// A page may open a local file only when it was itself loaded from a local file (the kiosk's own
// loads count as such), and nobody opens a folder, which the engine would list. `target_is_folder`
// is asked of the file system by the caller.
bool MayOpenLocalFile(std::string_view target, std::string_view from_page, bool own_load, bool target_is_folder);

// Whether the absolute path `path` lies in one of `folders` (absolute too) or below it. Both are
// compared as written after removing "." and ".." steps lexically: the caller resolves links first,
// so a link inside a folder that points out of it is outside.
bool IsInsideFolders(std::string_view path, const std::vector<std::string>& folders);

}  // namespace panelia
