// Which navigations of the main view may run a command link. On the bar every link is a button; on
// the page above it a keyword is a button only where an operator put it: a link a visitor touched,
// on one of the operator's own pages, with the keyword in the address's path. Anywhere else (a
// search form, a web site's link, a script, a redirect, a query string) the keywords are plain text,
// or any visitor could shut the kiosk down by typing one into a search box.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace panelia {

// How a navigation of the main view came about.
struct NavigationOrigin {
  bool touched_link = false;  // a link a visitor touched (not a form, a script or a redirect)
  std::string from_page;      // the page it left, as the engine reports it
  bool kiosk_page = false;    // the kiosk's own load or its own page (the "cannot be shown" page)
};

// The address without its query string and fragment: the only part a keyword counts in.
std::string_view AddressPath(std::string_view url);

// The local path of a file: address ("/srv/展览/a.htm" of "file:///srv/%E5%B1%95%E8%A7%88/a.htm"),
// every escape decoded; "" when it is no local path (or names a NUL byte).
std::string LocalPathOf(std::string_view address);

// The site of an address: "scheme://host[:port]/" for a web address, the folder (with its final
// "/") for a file address; "" for anything else.
std::string SiteOf(std::string_view address);

// The entries of the operator's setting (separated by ";", spaces around an entry do not count);
// with none, the site of the home page.
std::vector<std::string> OperatorSites(std::string_view setting_text, std::string_view home_address);
// The sites of MediaSites: as OperatorSites, but none when the text names none.
std::vector<std::string> MediaSites(std::string_view setting_text);

// A page of the operator's: a file in one of `folders` (the kiosk and program folders, absolute),
// or an address that begins with one of `sites` (without regard to case).
bool IsOperatorPage(std::string_view page, const std::vector<std::string>& folders,
                    const std::vector<std::string>& sites);

// The part of `url` in which command keywords count for this navigation, or "" when none may run.
std::string CommandLinkPart(std::string_view url, const NavigationOrigin& origin,
                            const std::vector<std::string>& folders, const std::vector<std::string>& sites);

}  // namespace panelia
