#include "platform/net/NetworkGuard.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/core/Wide_win32.h"
#include "platform/net/AdaptersInfo.h"

namespace platform::net {

#ifdef VAMO_NETWORK_GUARD
namespace {

bool HostNetworkRequested(bool bHostNetwork) {
  if (bHostNetwork) return true;
  wchar_t value[4] = {};
  const DWORD length = ::GetEnvironmentVariableW(Widen(kHostNetworkVariable).c_str(), value, 4);
  return length == 1 && value[0] == L'1';
}

// The lab's marker: the client address it wrote, "" when there is none.
std::string LabClientAddress() {
  wchar_t value[64] = {};
  DWORD size = sizeof value;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, Widen(kLabNetworkKey).c_str(), Widen(kLabClientAddressValue).c_str(),
                     RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return {};
  }
  return Narrow(value);
}

bool SomeAdapterHasAddress(const std::string& strAddress) {
  uint32_t nSize = 0;
  if (GetAdaptersInfoSize(nSize) != kErrorBufferOverflow) return false;
  std::vector<AdapterInfo> adapters;
  if (GetAdaptersInfo(nSize, adapters) != kErrorSuccess) return false;
  for (const AdapterInfo& adapter : adapters) {
    for (const IpAddressEntry& entry : adapter.ipAddressList) {
      if (entry.strAddress == strAddress) return true;
    }
  }
  return false;
}

}  // namespace

bool MayProbeNetwork(bool bHostNetwork) {
  if (HostNetworkRequested(bHostNetwork)) return true;
  const std::string address = LabClientAddress();
  return !address.empty() && address != kNoAddress && SomeAdapterHasAddress(address);
}
#else
// The program users run probes their network whenever they ask it to.
bool MayProbeNetwork(bool) { return true; }
#endif

}  // namespace platform::net
