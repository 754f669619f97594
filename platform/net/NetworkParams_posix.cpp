#include "platform/net/NetworkParams.h"

#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "platform/core/Errno_posix.h"
#include "platform/sim/NetConfigText.h"

namespace platform::net {

namespace {

// MAX_HOSTNAME_LEN and MAX_DOMAIN_NAME_LEN.
constexpr size_t kMaxNameLength = 128;

std::string ReadHostText(const char* path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

uint32_t ReadSwitch(const char* path) { return ReadHostText(path).rfind('1', 0) == 0 ? 1 : 0; }

Win32Error ReadParams(NetworkParams& params) {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) return Win32ErrorFromErrno(errno);
  std::string name(host);
  std::string domain;
  if (const size_t dot = name.find('.'); dot != std::string::npos) {
    domain = name.substr(dot + 1);
    name.resize(dot);
  }
  const std::string resolv = ReadHostText("/etc/resolv.conf");
  if (std::string configured = ParseResolvConfDomain(resolv); !configured.empty()) domain = configured;
  if (name.size() > kMaxNameLength) name.resize(kMaxNameLength);
  if (domain.size() > kMaxNameLength) domain.resize(kMaxNameLength);

  params = NetworkParams{};
  params.strHostName = name;
  params.strDomainName = domain;
  params.dnsServers = ParseResolvConfServers(resolv);
  params.enableRouting = ReadSwitch("/proc/sys/net/ipv4/ip_forward");
  params.enableProxy = ReadSwitch("/proc/sys/net/ipv4/conf/all/proxy_arp");
  params.enableDns = NsswitchUsesDns(ReadHostText("/etc/nsswitch.conf")) ? 1 : 0;
  return kErrorSuccess;
}

}  // namespace

Win32Error GetNetworkParamsSize(uint32_t& nSize) {
  NetworkParams params;
  if (const Win32Error error = ReadParams(params)) return error;
  nSize = NetworkParamsSize(params);
  return kErrorBufferOverflow;
}

Win32Error GetNetworkParams(uint32_t nBufferSize, NetworkParams& params) {
  NetworkParams current;
  if (const Win32Error error = ReadParams(current)) return error;
  if (NetworkParamsSize(current) > nBufferSize) return kErrorBufferOverflow;
  params = std::move(current);
  return kErrorSuccess;
}

}  // namespace platform::net
