#include "platform/net/AdapterDevice.h"

#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>

#include <utility>

#include "platform/core/Wide_win32.h"

namespace platform::net {

namespace {


// The medium state of an adapter by its name ("{GUID}") from IP Helper's
// interface row, for a driver that does not answer the NDIS query.
std::expected<uint32_t, Win32Error> InterfaceMediaState(const std::string& strName) {
  std::wstring tcpipName = L"\\DEVICE\\TCPIP_" + Widen(strName);
  ULONG nIndex = 0;
  if (const DWORD rc = ::GetAdapterIndex(tcpipName.data(), &nIndex); rc != NO_ERROR) {
    return std::unexpected(static_cast<Win32Error>(rc));
  }
  MIB_IF_ROW2 row{};
  row.InterfaceIndex = nIndex;
  if (const DWORD rc = ::GetIfEntry2(&row); rc != NO_ERROR) return std::unexpected(static_cast<Win32Error>(rc));
  if (row.AdminStatus != NET_IF_ADMIN_STATUS_UP) return std::unexpected(kErrorNotReady);
  return row.MediaConnectState == MediaConnectStateConnected ? kMediaStateConnected : kMediaStateDisconnected;
}

}  // namespace


void AdapterDevice::Close() {
  if (m_hDevice != kNoNativeHandle) ::CloseHandle(m_hDevice);
  m_hDevice = kNoNativeHandle;
  m_nIndex = 0;
  m_strName.clear();
}

// No access is asked for: the statistics query needs none, and a standard
// user may not open the adapter for reading.
std::expected<AdapterDevice, Win32Error> AdapterDevice::Open(std::string_view devicePath) {
  // The system calls "\\.\" alone an invalid name; for the caller it is
  // as much no adapter as any other path that names none.
  if (devicePath.size() <= kAdapterDevicePrefix.size() || !devicePath.starts_with(kAdapterDevicePrefix)) {
    return std::unexpected(kErrorFileNotFound);
  }
  const HANDLE handle = ::CreateFileW(Widen(devicePath).c_str(), 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::unexpected(LastError());
  AdapterDevice device;
  device.m_strName = std::string(devicePath.substr(kAdapterDevicePrefix.size()));
  device.m_hDevice = handle;
  return device;
}

std::expected<uint32_t, Win32Error> AdapterDevice::QueryGlobalStats(uint32_t nOid) const {
  if (!IsOpen()) return std::unexpected(kErrorInvalidHandle);
  if (nOid != kOidGenMediaConnectStatus) return std::unexpected(kErrorNotSupported);
  DWORD oid = nOid;
  DWORD state = 0;
  DWORD returned = 0;
  if (!::DeviceIoControl(m_hDevice, kIoctlNdisQueryGlobalStats, &oid, sizeof oid, &state, sizeof state, &returned,
                         nullptr)) {
    const Win32Error error = LastError();
    // A driver that knows no such OID (Wine's ndis.sys answers only the
    // address and medium-type ones) is asked through IP Helper instead;
    // the interface row holds the same state.
    if (error == kErrorInvalidParameter || error == kErrorNotSupported) return InterfaceMediaState(m_strName);
    return std::unexpected(error);
  }
  if (returned < sizeof state) return std::unexpected(kErrorInvalidData);
  return state == kMediaStateConnected ? kMediaStateConnected : kMediaStateDisconnected;
}

}  // namespace platform::net
