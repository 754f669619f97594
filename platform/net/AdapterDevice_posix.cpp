#include "platform/net/AdapterDevice.h"

#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <utility>

#include "platform/core/Errno_posix.h"
#include "platform/core/ScopedFd_posix.h"

namespace platform::net {

namespace {

// IFF_LOWER_UP of <linux/if.h>, which cannot be included beside <net/if.h>.
constexpr unsigned kLinkLowerUp = 0x10000;

// Reads a small sysfs attribute below the folder; errno on failure.
std::expected<std::string, int> ReadAttribute(int folderFd, const char* name) {
  ScopedFd fd(openat(folderFd, name, O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return std::unexpected(errno);
  char text[64] = {};
  const ssize_t count = read(fd.Get(), text, sizeof text - 1);
  if (count < 0) return std::unexpected(errno);
  return std::string(text, static_cast<size_t>(count));
}

}  // namespace

// On Linux the device handle is the interface's sysfs folder, open when the
// interface belongs to this network namespace.
void AdapterDevice::Close() {
  if (m_hDevice != kNoNativeHandle) ::close(m_hDevice);
  m_hDevice = kNoNativeHandle;
  m_nIndex = 0;
  m_strName.clear();
}

std::expected<AdapterDevice, Win32Error> AdapterDevice::Open(std::string_view devicePath) {
  if (!devicePath.starts_with(kAdapterDevicePrefix)) return std::unexpected(kErrorFileNotFound);
  const std::string name(devicePath.substr(kAdapterDevicePrefix.size()));
  if (name.empty() || name.size() >= IFNAMSIZ || name.find('/') != std::string::npos) {
    return std::unexpected(kErrorFileNotFound);
  }
  const unsigned index = if_nametoindex(name.c_str());
  if (index == 0) return std::unexpected(kErrorFileNotFound);

  AdapterDevice device;
  device.m_strName = name;
  device.m_nIndex = index;
  // The sysfs folder is used only when it is this namespace's interface
  // (the index agrees); otherwise the link flags answer.
  const std::string folder = "/sys/class/net/" + name;
  ScopedFd folderFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folderFd.Valid()) {
    std::expected<std::string, int> text = ReadAttribute(folderFd.Get(), "ifindex");
    if (text && std::strtoul(text->c_str(), nullptr, 10) == index) device.m_hDevice = folderFd.Release();
  }
  return device;
}

std::expected<uint32_t, Win32Error> AdapterDevice::QueryGlobalStats(uint32_t nOid) const {
  if (!IsOpen()) return std::unexpected(kErrorInvalidHandle);
  if (nOid != kOidGenMediaConnectStatus) return std::unexpected(kErrorNotSupported);
  if (if_nametoindex(m_strName.c_str()) != m_nIndex) return std::unexpected(kErrorDeviceNotConnected);

  if (m_hDevice >= 0) {
    std::expected<std::string, int> carrier = ReadAttribute(m_hDevice, "carrier");
    if (!carrier) {
      // The kernel refuses to tell the carrier of an interface that is down.
      if (carrier.error() == EINVAL) return std::unexpected(kErrorNotReady);
      if (carrier.error() == ENOENT || carrier.error() == ENODEV) return std::unexpected(kErrorDeviceNotConnected);
      return std::unexpected(Win32ErrorFromErrno(carrier.error()));
    }
    return carrier->rfind('1', 0) == 0 ? kMediaStateConnected : kMediaStateDisconnected;
  }

  // The link flags from the kernel's own list: IFF_LOWER_UP is the carrier
  // as it is now (IFF_RUNNING follows it only after a delay).
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return std::unexpected(Win32ErrorFromErrno(errno));
  std::optional<unsigned> flags;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_name != nullptr && m_strName == entry->ifa_name) flags = entry->ifa_flags;
  }
  freeifaddrs(list);
  if (!flags) return std::unexpected(kErrorDeviceNotConnected);
  if ((*flags & IFF_UP) == 0) return std::unexpected(kErrorNotReady);
  return (*flags & kLinkLowerUp) != 0 ? kMediaStateConnected : kMediaStateDisconnected;
}

}  // namespace platform::net
