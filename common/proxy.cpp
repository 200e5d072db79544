#include "common/proxy.h"

#include <charconv>

#include "common/log.h"
#include "common/text.h"

namespace panelia {

std::optional<std::string> ProxyAddressProblem(std::string_view address) {
  const std::string text(TrimSpaces(address));
  const std::string quoted = "\"" + text + "\"";
  const size_t scheme_end = text.find("://");
  if (text.empty()) return "The proxy address is empty; write it as http://host:port.";
  if (scheme_end == std::string::npos) return quoted + " has no scheme; write it as http://host:port.";
  const std::string scheme = AsciiLower(text.substr(0, scheme_end));
  static constexpr std::string_view kSchemes[] = {"http", "https", "socks", "socks4", "socks4a", "socks5"};
  bool known = false;
  for (std::string_view s : kSchemes) known |= s == scheme;
  if (!known) return quoted + ": the kiosk takes http, https, socks, socks4, socks4a or socks5 proxies.";
  std::string_view rest = std::string_view(text).substr(scheme_end + 3);
  if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
  if (rest.find_first_of("/?#@ \t") != std::string_view::npos)
    return quoted + " holds more than a host and a port; write it as " + scheme + "://host:port.";
  const size_t colon = rest.rfind(':');
  // An IPv6 host is bracketed: "[::1]:3128".
  if (colon == std::string_view::npos || colon == 0 || (rest.front() == '[' && rest[colon - 1] != ']'))
    return quoted + " has no port; write it as " + scheme + "://host:port.";
  std::string_view port_text = rest.substr(colon + 1);
  unsigned port = 0;
  auto [end, error] = std::from_chars(port_text.data(), port_text.data() + port_text.size(), port);
  if (error != std::errc() || end != port_text.data() + port_text.size() || port == 0 || port > 65535)
    return quoted + ": the port must be a number from 1 to 65535.";
  return std::nullopt;
}

std::vector<std::string> ProxyIgnoreHosts(std::string_view text) {
  std::vector<std::string> hosts;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find_first_of(";, \t", at);
    if (end == std::string_view::npos) end = text.size();
    if (end > at) hosts.emplace_back(text.substr(at, end - at));
    at = end + 1;
  }
  return hosts;
}

ProxyChoice MakeProxyChoice(uint32_t mode, std::string_view address, std::string_view ignore) {
  ProxyChoice choice;
  if (mode == 1) choice.mode = ProxyMode::Straight;
  if (mode != 2) return choice;
  choice.mode = ProxyMode::Own;
  choice.ignore = ProxyIgnoreHosts(ignore);
  if (auto problem = ProxyAddressProblem(address)) {
    Log("ProxyUrl: %s Pages will not load until it is mended.", problem->c_str());
    choice.address = kUnusableProxy;
  } else {
    choice.address = TrimSpaces(address);
  }
  return choice;
}

}  // namespace panelia
