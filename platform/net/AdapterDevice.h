#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "platform/core/NativeHandle.h"
#include "platform/core/Win32Error.h"

// The device of a network adapter, opened by its device path
// ("\\.\<adapter name>") and asked for its statistics the way the NDIS
// driver answers IOCTL_NDIS_QUERY_GLOBAL_STATS. On this host the adapter is
// a network interface and the medium state is its carrier.
namespace platform::net {

inline constexpr uint32_t kIoctlNdisQueryGlobalStats = 0x00170002;
inline constexpr uint32_t kOidGenMediaConnectStatus = 0x00010114;

// NDIS_MEDIA_STATE.
inline constexpr uint32_t kMediaStateConnected = 0;
inline constexpr uint32_t kMediaStateDisconnected = 1;

// The device path of an adapter: this prefix and its name.
inline constexpr std::string_view kAdapterDevicePrefix = "\\\\.\\";
std::string AdapterDevicePath(std::string_view adapterName);

class AdapterDevice {
 public:
  AdapterDevice() = default;
  ~AdapterDevice();
  AdapterDevice(AdapterDevice&& other) noexcept;
  AdapterDevice& operator=(AdapterDevice&& other) noexcept;
  AdapterDevice(const AdapterDevice&) = delete;
  AdapterDevice& operator=(const AdapterDevice&) = delete;

  // CreateFile(path, 0, 0, NULL, OPEN_EXISTING): kErrorFileNotFound when no
  // interface of that name exists (it is gone, or the path is not a device
  // path).
  static std::expected<AdapterDevice, Win32Error> Open(std::string_view devicePath);

  // DeviceIoControl(kIoctlNdisQueryGlobalStats) for one OID; only
  // kOidGenMediaConnectStatus is known (others: kErrorNotSupported). The
  // answer is kMediaStateConnected or kMediaStateDisconnected.
  // kErrorNotReady when the interface is administratively down (its carrier
  // cannot be read), kErrorDeviceNotConnected when it has gone since it was
  // opened, kErrorInvalidHandle on a device that is not open.
  std::expected<uint32_t, Win32Error> QueryGlobalStats(uint32_t nOid) const;

  bool IsOpen() const { return m_nIndex != 0 || m_hDevice != kNoNativeHandle; }
  void Close();

 private:
  std::string m_strName;
  // Linux: the interface index (0 on Windows, where the handle is the device).
  uint32_t m_nIndex = 0;
  NativeHandle m_hDevice = kNoNativeHandle;  // the open device, when the system gives one
};

}  // namespace platform::net
