// How the kiosk's pages reach the web: through the system's proxy, straight, or through a proxy of
// the kiosk's own with a list of hosts it goes to straight.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace panelia {

enum class ProxyMode : uint32_t { System = 0, Straight = 1, Own = 2 };

struct ProxyChoice {
  ProxyMode mode = ProxyMode::System;
  std::string address;              // Own: "scheme://host:port"
  std::vector<std::string> ignore;  // Own: hosts, ".suffixes", addresses and ranges reached straight
};

// Why `address` is not a proxy the kiosk can use, in a sentence for an operator (English, as
// panelia-reg speaks); nullopt when it is one: http, https, socks, socks4, socks4a or socks5, a
// host, and a port from 1 to 65535 ("http://proxy.lan:3128").
std::optional<std::string> ProxyAddressProblem(std::string_view address);

// The hosts of a ProxyIgnore text: separated by ";", "," or spaces.
std::vector<std::string> ProxyIgnoreHosts(std::string_view text);

// The choice as the engine is to take it. A kiosk told to use its own proxy never goes straight
// because the address is unusable: a filtering proxy would be bypassed. Its pages fail instead
// (a proxy that cannot be found), and the offline page says so.
ProxyChoice MakeProxyChoice(uint32_t mode, std::string_view address, std::string_view ignore);
inline constexpr std::string_view kUnusableProxy = "http://proxy.invalid:1";

}  // namespace panelia
