#include "platform/net/AdapterDevice.h"

#include <utility>

// What an adapter device is regardless of the system: its path, and the
// ownership of its handle; opening, asking and closing are the backends'.
namespace platform::net {

std::string AdapterDevicePath(std::string_view adapterName) {
  return std::string(kAdapterDevicePrefix) + std::string(adapterName);
}

AdapterDevice::~AdapterDevice() { Close(); }

AdapterDevice::AdapterDevice(AdapterDevice&& other) noexcept
    : m_strName(std::move(other.m_strName)),
      m_nIndex(std::exchange(other.m_nIndex, 0)),
      m_hDevice(std::exchange(other.m_hDevice, kNoNativeHandle)) {}

AdapterDevice& AdapterDevice::operator=(AdapterDevice&& other) noexcept {
  if (this != &other) {
    Close();
    m_strName = std::move(other.m_strName);
    m_nIndex = std::exchange(other.m_nIndex, 0);
    m_hDevice = std::exchange(other.m_hDevice, kNoNativeHandle);
  }
  return *this;
}

}  // namespace platform::net
