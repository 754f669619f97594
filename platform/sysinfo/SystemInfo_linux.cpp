#include "platform/sysinfo/SystemInfo.h"

#include <pwd.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/registry/Registry.h"

namespace platform {

namespace {

constexpr char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

uint32_t ParseNumber(const std::string& text, uint32_t fallback) {
  if (text.empty()) return fallback;
  char* end = nullptr;
  unsigned long value = std::strtoul(text.c_str(), &end, 10);
  return end == text.c_str() ? fallback : static_cast<uint32_t>(value);
}

std::string ReadString(RegRoot root, const char* path, const char* name) {
  RegKey key;
  if (key.Open(root, path) != kErrorSuccess) return {};
  return key.ReadString(name).value_or("");
}

}  // namespace

WindowsVersion GetWindowsVersion() {
  WindowsVersion version;
  RegKey key;
  if (key.Open(RegRoot::kLocalMachine, kCurrentVersion) == kErrorSuccess) {
    std::string current = key.ReadString("CurrentVersion").value_or("");
    size_t dot = current.find('.');
    if (dot != std::string::npos) {
      version.majorVersion = ParseNumber(current.substr(0, dot), version.majorVersion);
      version.minorVersion = ParseNumber(current.substr(dot + 1), version.minorVersion);
    }
    // Windows 10 keeps "6.3" in CurrentVersion for old readers; the numbers
    // are the truth where they exist.
    if (auto major = key.ReadDword("CurrentMajorVersionNumber")) version.majorVersion = *major;
    if (auto minor = key.ReadDword("CurrentMinorVersionNumber")) version.minorVersion = *minor;
    version.buildNumber = ParseNumber(key.ReadString("CurrentBuildNumber").value_or(""), version.buildNumber);
    version.csdVersion = key.ReadString("CSDVersion").value_or("");
    version.productName = key.ReadString("ProductName").value_or("");
    version.editionId = key.ReadString("EditionID").value_or("");
  }
  RegKey windows;
  if (windows.Open(RegRoot::kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Windows") == kErrorSuccess) {
    if (auto csd = windows.ReadDword("CSDVersion")) {
      version.servicePackMajor = (*csd >> 8) & 0xFF;
      version.servicePackMinor = *csd & 0xFF;
    }
  }
  std::string productType = ReadString(RegRoot::kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions",
                                       "ProductType");
  version.productType = productType == "LanmanNT" ? 2 : productType == "ServerNT" ? 3 : 1;
  std::string arch = ReadString(RegRoot::kLocalMachine,
                                "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
                                "PROCESSOR_ARCHITECTURE");
  version.architecture = arch == "x86" ? "x86" : "x64";
  return version;
}

uint16_t GetSystemLanguage() {
  std::string text = ReadString(RegRoot::kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Nls\\Language", "Default");
  if (text.empty()) return 0x0412;
  return static_cast<uint16_t>(std::strtoul(text.c_str(), nullptr, 16));
}

std::string GetSystemBits() { return GetWindowsVersion().architecture == "x86" ? "32" : "64"; }

std::string GetComputerName() {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) return "LOCALHOST";
  std::string name(host);
  name = name.substr(0, name.find('.'));
  // NetBIOS names are upper case and at most 15 characters.
  if (name.size() > 15) name.resize(15);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return name.empty() ? "LOCALHOST" : name;
}

std::string GetUserName() {
  if (passwd* entry = getpwuid(geteuid()); entry != nullptr && entry->pw_name != nullptr) return entry->pw_name;
  if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0') return user;
  return "user";
}

uint64_t GetTotalMemoryBytes() {
  struct sysinfo info {};
  if (sysinfo(&info) != 0) return 0;
  return static_cast<uint64_t>(info.totalram) * info.mem_unit;
}

uint64_t GetAvailableMemoryBytes() {
  struct sysinfo info {};
  if (sysinfo(&info) != 0) return 0;
  return (static_cast<uint64_t>(info.freeram) + info.bufferram) * info.mem_unit;
}

uint32_t GetProcessorCount() {
  long count = sysconf(_SC_NPROCESSORS_ONLN);
  return count > 0 ? static_cast<uint32_t>(count) : 1;
}

}  // namespace platform
