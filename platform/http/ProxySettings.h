#pragma once

#include <optional>
#include <string>
#include <string_view>

// The user's proxy as the system's internet settings name it, for a backend
// whose library does not read them itself (WinINet does).
namespace platform::http {

// The proxy a request to the URL's scheme and host goes through, "host:port";
// nullopt when the user has none (ProxyEnable missing or 0, no ProxyServer)
// or the host is on the user's bypass list (ProxyOverride: names, "*"
// patterns, <local> for names without a dot) or a loopback name or address
// while the list does not hold <-loopback>.
std::optional<std::string> UserProxyFor(std::string_view scheme, std::string_view host);

}  // namespace platform::http
