// The page commands of the menu that act on the main page as a document: text size, character set,
// the mail link's address.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace panelia {

// Text zoom of a text-size command (largest 1.5 ... smallest 0.7); nullopt for other commands.
std::optional<double> TextZoomOf(int command);
// The engine's encoding label of a character-set command; "" returns to automatic detection.
std::optional<std::string_view> CharsetOf(int command);

// "mailto:?subject=...&body=<page address>" for the page: a local page's path as subject, else its
// title with ".htm"; a title that is itself an address keeps its last part with ":" turned to "_".
std::string MailLinkAddress(std::string_view location_url, std::string_view location_name);

}  // namespace panelia
