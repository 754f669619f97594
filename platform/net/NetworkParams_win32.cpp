#include "platform/net/NetworkParams.h"

#include <winsock2.h>
#include <iphlpapi.h>

#include <cstring>
#include <memory>

namespace platform::net {

namespace {

template <size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

}  // namespace

Win32Error GetNetworkParamsSize(uint32_t& nSize) {
  ULONG size = 0;
  const DWORD rc = ::GetNetworkParams(nullptr, &size);
  if (rc == ERROR_BUFFER_OVERFLOW) nSize = size;
  return static_cast<Win32Error>(rc);
}

Win32Error GetNetworkParams(uint32_t nBufferSize, NetworkParams& params) {
  if (nBufferSize == 0) return kErrorBufferOverflow;
  // The further DNS servers are IP_ADDR_STRINGs in the same block, pointed
  // to from the first: the block is kept aligned for them.
  const size_t records = (nBufferSize + sizeof(FIXED_INFO) - 1) / sizeof(FIXED_INFO);
  const std::unique_ptr<FIXED_INFO[]> buffer(new FIXED_INFO[records]);
  ULONG size = nBufferSize;
  const DWORD rc = ::GetNetworkParams(buffer.get(), &size);
  if (rc != ERROR_SUCCESS) return static_cast<Win32Error>(rc);
  const FIXED_INFO& info = buffer[0];
  NetworkParams result;
  result.strHostName = FieldText(info.HostName);
  result.strDomainName = FieldText(info.DomainName);
  for (const IP_ADDR_STRING* entry = &info.DnsServerList; entry != nullptr; entry = entry->Next) {
    // An empty first entry is a machine without DNS servers.
    std::string server = FieldText(entry->IpAddress.String);
    if (!server.empty()) result.dnsServers.push_back(std::move(server));
  }
  result.nodeType = info.NodeType;
  result.strScopeId = FieldText(info.ScopeId);
  result.enableRouting = info.EnableRouting;
  result.enableProxy = info.EnableProxy;
  result.enableDns = info.EnableDns;
  params = std::move(result);
  return kErrorSuccess;
}

}  // namespace platform::net
