#include "browse/command_links.h"

#include "browse/page_commands.h"
#include "common/address.h"
#include "common/text.h"

namespace panelia {

std::string_view AddressPath(std::string_view url) {
  return url.substr(0, url.find_first_of("?#"));
}

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && AsciiLower(text.substr(0, prefix.size())) == AsciiLower(prefix);
}

}  // namespace

std::string LocalPathOf(std::string_view address) {
  if (!StartsWithNoCase(address, "file://")) return {};
  std::string_view rest = AddressPath(address.substr(7));
  if (rest.empty() || rest.front() != '/') return {};  // file://host/... is not this machine's
  // Every escape decoded: the folders are compared as the file system names them.
  std::string path;
  for (size_t i = 0; i < rest.size(); ++i) {
    auto hex = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      return -1;
    };
    if (rest[i] == '%' && i + 2 < rest.size() && hex(rest[i + 1]) >= 0 && hex(rest[i + 2]) >= 0) {
      char c = static_cast<char>(hex(rest[i + 1]) * 16 + hex(rest[i + 2]));
      if (c == '\0') return {};  // no path has one
      path += c;
      i += 2;
    } else {
      path += rest[i];
    }
  }
  return path;
}

std::string SiteOf(std::string_view address) {
  std::string normal = NormalizeAddress(TrimSpaces(address));
  std::string_view a = AddressPath(normal);
  size_t scheme_end = a.find("://");
  if (scheme_end == std::string_view::npos) return {};
  std::string scheme = AsciiLower(a.substr(0, scheme_end));
  if (scheme == "file") {
    size_t slash = a.rfind('/');
    if (slash < scheme_end + 3) return {};
    return std::string(a.substr(0, slash + 1));
  }
  if (scheme != "http" && scheme != "https") return {};
  size_t host_end = a.find('/', scheme_end + 3);
  std::string_view host =
      a.substr(scheme_end + 3, host_end == std::string_view::npos ? std::string_view::npos : host_end - scheme_end - 3);
  // A user name in the address is no part of the site (and would let "site@evil" pass).
  if (host.empty() || host.find('@') != std::string_view::npos) return {};
  return scheme + "://" + AsciiLower(host) + "/";
}

std::vector<std::string> MediaSites(std::string_view setting_text) {
  std::vector<std::string> sites;
  for (std::string_view entry : SplitOn(setting_text, ';'))
    if (!TrimSpaces(entry).empty()) sites.emplace_back(TrimSpaces(entry));
  return sites;
}

std::vector<std::string> OperatorSites(std::string_view setting_text, std::string_view home_address) {
  std::vector<std::string> sites = MediaSites(setting_text);
  if (sites.empty()) {
    std::string home = SiteOf(home_address);
    if (!home.empty()) sites.push_back(home);
  }
  return sites;
}

bool IsOperatorPage(std::string_view page, const std::vector<std::string>& folders,
                    const std::vector<std::string>& sites) {
  if (StartsWithNoCase(page, "file:")) {
    // Local pages by their folders, steps like ".." and escapes resolved: a prefix of the address
    // would admit "file:///srv/kiosk/../anywhere".
    std::string path = LocalPathOf(page);
    if (path.empty()) return false;
    std::vector<std::string> all = folders;
    for (const auto& site : sites)
      if (std::string folder = LocalPathOf(site); !folder.empty()) all.push_back(folder);
    return IsInsideFolders(path, all);
  }
  for (const auto& site : sites) {
    if (site.empty()) continue;
    if (!StartsWithNoCase(page, site)) continue;
    // "http://kiosk.example" must not admit "http://kiosk.example.evil/": an entry without its final
    // "/" ends where the host or the folder ends.
    if (site.back() == '/' || page.size() == site.size() ||
        std::string_view("/?#:").find(page[site.size()]) != std::string_view::npos)
      return true;
  }
  return false;
}

std::string CommandLinkPart(std::string_view url, const NavigationOrigin& origin,
                            const std::vector<std::string>& folders, const std::vector<std::string>& sites) {
  bool allowed = origin.kiosk_page || (origin.touched_link && IsOperatorPage(origin.from_page, folders, sites));
  return allowed ? std::string(AddressPath(url)) : std::string();
}

}  // namespace panelia
