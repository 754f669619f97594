#include "platform/net/AdaptersInfo.h"

#include <winsock2.h>
#include <iphlpapi.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace platform::net {

namespace {

// A text field of the list: up to its NUL or its end.
template <size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

// An address text of IP_ADDR_STRING; an empty one is Windows' "none".
std::string AddressText(const IP_ADDRESS_STRING& address) {
  std::string text = FieldText(address.String);
  return text.empty() ? std::string(kNoAddress) : text;
}

std::vector<IpAddressEntry> AddressList(const IP_ADDR_STRING& first) {
  std::vector<IpAddressEntry> list;
  for (const IP_ADDR_STRING* entry = &first; entry != nullptr; entry = entry->Next) {
    list.push_back(IpAddressEntry{AddressText(entry->IpAddress), AddressText(entry->IpMask)});
  }
  return list;
}

AdapterInfo FromNative(const IP_ADAPTER_INFO& native) {
  AdapterInfo adapter;
  adapter.strAdapterName = FieldText(native.AdapterName);
  adapter.strDescription = FieldText(native.Description);
  const size_t length = std::min<size_t>(native.AddressLength, MAX_ADAPTER_ADDRESS_LENGTH);
  adapter.address.assign(native.Address, native.Address + length);
  adapter.nIndex = native.Index;
  adapter.nType = native.Type;
  adapter.bDhcpEnabled = native.DhcpEnabled;
  adapter.ipAddressList = AddressList(native.IpAddressList);
  for (const IP_ADDR_STRING* entry = &native.GatewayList; entry != nullptr; entry = entry->Next) {
    adapter.gatewayList.push_back(AddressText(entry->IpAddress));
  }
  if (adapter.bDhcpEnabled) adapter.strDhcpServer = FieldText(native.DhcpServer.IpAddress.String);
  adapter.bHaveWins = native.HaveWins;
  adapter.strPrimaryWinsServer = FieldText(native.PrimaryWinsServer.IpAddress.String);
  adapter.strSecondaryWinsServer = FieldText(native.SecondaryWinsServer.IpAddress.String);
  adapter.leaseObtained = static_cast<int64_t>(native.LeaseObtained);
  adapter.leaseExpires = static_cast<int64_t>(native.LeaseExpires);
  return adapter;
}

}  // namespace

Win32Error GetAdaptersInfoSize(uint32_t& nSize) {
  ULONG size = 0;
  const DWORD rc = ::GetAdaptersInfo(nullptr, &size);
  if (rc == ERROR_BUFFER_OVERFLOW) nSize = size;
  return static_cast<Win32Error>(rc);
}

Win32Error GetAdaptersInfo(uint32_t nBufferSize, std::vector<AdapterInfo>& adapters) {
  if (nBufferSize == 0) return kErrorBufferOverflow;
  // The list's records hold pointers into the same block: it is kept as
  // IP_ADAPTER_INFO records so that they are aligned.
  const size_t records = (nBufferSize + sizeof(IP_ADAPTER_INFO) - 1) / sizeof(IP_ADAPTER_INFO);
  const std::unique_ptr<IP_ADAPTER_INFO[]> buffer(new IP_ADAPTER_INFO[records]);
  ULONG size = nBufferSize;
  const DWORD rc = ::GetAdaptersInfo(buffer.get(), &size);
  if (rc != ERROR_SUCCESS) return static_cast<Win32Error>(rc);
  std::vector<AdapterInfo> list;
  for (const IP_ADAPTER_INFO* entry = buffer.get(); entry != nullptr; entry = entry->Next) {
    list.push_back(FromNative(*entry));
  }
  // Windows lists in its own binding order; callers are promised the
  // order of the interface index on both systems.
  std::stable_sort(list.begin(), list.end(),
                   [](const AdapterInfo& a, const AdapterInfo& b) { return a.nIndex < b.nIndex; });
  adapters = std::move(list);
  return kErrorSuccess;
}

}  // namespace platform::net
