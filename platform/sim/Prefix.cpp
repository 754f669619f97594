#include "platform/sim/Prefix.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>

#include "platform/fs/FileSystem.h"
#include "platform/registry/Registry.h"
#include "platform/sim/HostFiles.h"
#include "platform/sysinfo/WindowsVersion.h"

namespace platform {

namespace {

std::recursive_mutex g_prefixLock;
std::optional<std::string> g_prefixRoot;

std::string DefaultPrefixRoot() {
  if (const char* prefix = std::getenv("VAMO_PREFIX"); prefix != nullptr && *prefix != '\0') {
    return prefix;
  }
  std::string dataHome;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') {
    dataHome = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    dataHome = std::string(home) + "/.local/share";
  } else {
    dataHome = "/tmp";
  }
  return dataHome + "/vamo-setup/prefix";
}

// The Windows folders every prefix has, relative to drive_c. <user> is the
// login name.
std::vector<std::string> StandardFolders(const std::string& user, bool is64) {
  std::vector<std::string> folders = {
      "Windows",
      "Windows/System32",
      "Windows/System32/drivers",
      "Windows/Downloaded Program Files",
      "Windows/Temp",
      "Program Files",
      "Program Files/Common Files",
      "ProgramData",
      "Users/Public",
      "Users/" + user + "/AppData/Local/Temp",
      "Users/" + user + "/AppData/LocalLow",
      "Users/" + user + "/AppData/Roaming",
  };
  if (is64) {
    folders.push_back("Windows/SysWOW64");
    folders.push_back("Program Files (x86)");
  }
  return folders;
}

std::string ProductName(const PrefixOptions& options) {
  uint32_t version = options.majorVersion * 100 + options.minorVersion;
  bool server = options.productType != 1;
  switch (version) {
    case 500: return "Microsoft Windows 2000";
    case 501: return "Microsoft Windows XP";
    case 502: return "Microsoft Windows Server 2003";
    case 600: return server ? "Windows Server 2008" : "Windows Vista (TM) Business";
    case 601: return server ? "Windows Server 2008 R2 Standard" : "Windows 7 Professional";
    case 602: return server ? "Windows Server 2012 Standard" : "Windows 8 Pro";
    case 603: return server ? "Windows Server 2012 R2 Standard" : "Windows 8.1 Pro";
    default: return server ? "Windows Server 2016 Standard" : "Windows 10 Pro";
  }
}

std::string HexLanguage(uint16_t language) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", language);
  return text;
}

// ProcessorNameString and friends from /proc/cpuinfo, one key per processor
// as Windows keeps them under CentralProcessor.
Win32Error WriteProcessorKeys() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  std::string name = "Unknown processor";
  std::string vendor = "Unknown";
  uint32_t mhz = 0;
  while (std::getline(cpuinfo, line)) {
    auto value = [&] {
      size_t colon = line.find(':');
      size_t start = colon == std::string::npos ? line.size() : line.find_first_not_of(" \t", colon + 1);
      return start == std::string::npos ? std::string() : line.substr(start);
    };
    if (line.rfind("model name", 0) == 0 && name == "Unknown processor") name = value();
    if (line.rfind("vendor_id", 0) == 0 && vendor == "Unknown") vendor = value();
    if (line.rfind("cpu MHz", 0) == 0 && mhz == 0) mhz = static_cast<uint32_t>(std::atof(value().c_str()));
  }
  uint32_t count = GetProcessorCount();
  for (uint32_t i = 0; i < count; ++i) {
    RegKey key;
    std::string path = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\" + std::to_string(i);
    if (Win32Error error = key.Create(RegRoot::kLocalMachine, path)) return error;
    key.SetString("ProcessorNameString", name);
    key.SetString("VendorIdentifier", vendor);
    key.SetString("Identifier", "x86 Family 6");
    key.SetDword("~MHz", mhz);
  }
  return kErrorSuccess;
}

Win32Error WriteVersionFacts(const PrefixOptions& options) {
  bool is64 = options.architecture == "x64";
  RegKey current;
  if (Win32Error error = current.Create(RegRoot::kLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion")) {
    return error;
  }
  current.SetString("CurrentVersion", std::to_string(options.majorVersion) + "." + std::to_string(options.minorVersion));
  current.SetDword("CurrentMajorVersionNumber", options.majorVersion);
  current.SetDword("CurrentMinorVersionNumber", options.minorVersion);
  current.SetString("CurrentBuildNumber", std::to_string(options.buildNumber));
  current.SetString("CurrentBuild", std::to_string(options.buildNumber));
  if (options.servicePackMajor > 0) {
    current.SetString("CSDVersion", "Service Pack " + std::to_string(options.servicePackMajor));
  } else {
    current.DeleteValue("CSDVersion");
  }
  std::string product = ProductName(options);
  current.SetString("ProductName", product);
  current.SetString("EditionID", product.substr(product.find_last_of(' ') + 1));
  current.SetString("SystemRoot", "C:\\Windows");

  RegKey productOptions;
  productOptions.Create(RegRoot::kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions");
  productOptions.SetString("ProductType", options.productType == 1   ? "WinNT"
                                          : options.productType == 2 ? "LanmanNT"
                                                                     : "ServerNT");
  RegKey windows;
  windows.Create(RegRoot::kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Windows");
  windows.SetDword("CSDVersion", options.servicePackMajor << 8);

  RegKey environment;
  environment.Create(RegRoot::kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment");
  environment.SetString("PROCESSOR_ARCHITECTURE", is64 ? "AMD64" : "x86");
  environment.SetString("NUMBER_OF_PROCESSORS", std::to_string(GetProcessorCount()));

  RegKey language;
  language.Create(RegRoot::kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Nls\\Language");
  language.SetString("Default", HexLanguage(options.systemLanguage));
  language.SetString("InstallLanguage", HexLanguage(options.systemLanguage));
  return kErrorSuccess;
}

Win32Error WriteFolderValues(const std::string& user, bool is64) {
  std::string profile = "C:\\Users\\" + user;
  RegKey version;
  if (Win32Error error = version.Create(RegRoot::kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion")) {
    return error;
  }
  version.SetString("ProgramFilesDir", "C:\\Program Files");
  version.SetString("CommonFilesDir", "C:\\Program Files\\Common Files");
  if (is64) version.SetString("ProgramFilesDir (x86)", "C:\\Program Files (x86)");

  RegKey profiles;
  profiles.Create(RegRoot::kLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList");
  profiles.SetString("ProfilesDirectory", "C:\\Users");
  profiles.SetString("ProgramData", "C:\\ProgramData");
  profiles.SetString("Public", "C:\\Users\\Public");

  RegKey shellFolders;
  shellFolders.Create(RegRoot::kCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
  shellFolders.SetString("Local AppData", profile + "\\AppData\\Local");
  shellFolders.SetString("AppData", profile + "\\AppData\\Roaming");
  // FOLDERID_LocalAppDataLow has no CSIDL; Windows keeps it under its GUID.
  shellFolders.SetString("{A520A1A4-1780-4FF6-BD18-167343C5AF16}", profile + "\\AppData\\LocalLow");

  RegKey volatileEnvironment;
  volatileEnvironment.Create(RegRoot::kCurrentUser, "Volatile Environment");
  volatileEnvironment.SetString("USERPROFILE", profile);
  volatileEnvironment.SetString("USERNAME", user);
  return kErrorSuccess;
}

// Whether the prefix was set up already (its machine hive exists).
bool PrefixReady(const std::string& root) {
  std::error_code ec;
  return std::filesystem::exists(root + "/drive_c", ec) && std::filesystem::exists(root + "/registry/machine.reg", ec);
}

}  // namespace

const std::string& PrefixRoot() {
  std::lock_guard lock(g_prefixLock);
  if (!g_prefixRoot) {
    std::error_code ec;
    std::filesystem::path root = std::filesystem::absolute(DefaultPrefixRoot(), ec).lexically_normal();
    std::string text = root.string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    g_prefixRoot = text;
    // Set before the first use creates the prefix, because creating it goes
    // through the registry, which asks for the root again.
    if (!PrefixReady(text)) InitPrefix(PrefixOptions{});
  }
  return *g_prefixRoot;
}

Win32Error InitPrefix(const PrefixOptions& options) {
  std::lock_guard lock(g_prefixLock);
  if (!g_prefixRoot) {
    PrefixRoot();
    // PrefixRoot() made a default prefix; what the caller asked for follows.
  }
  const std::string& root = *g_prefixRoot;
  bool is64 = options.architecture == "x64";
  std::string user = UserName();
  for (const std::string& folder : {root + "/registry", root + "/certs/root", root + "/certs/disallowed"}) {
    if (Win32Error error = fs::host::CreateDirectories(folder)) return error;
  }
  for (const std::string& folder : StandardFolders(user, is64)) {
    if (Win32Error error = fs::host::CreateDirectories(root + "/drive_c/" + folder)) return error;
  }
  // Dozens of values: one write per hive instead of one per value, and no
  // other process sees a half-made prefix.
  RegTransaction transaction;
  if (Win32Error error = WriteVersionFacts(options)) return error;
  if (Win32Error error = WriteFolderValues(user, is64)) return error;
  if (Win32Error error = WriteProcessorKeys()) return error;
  return transaction.Commit();
}

std::string PrefixRegistryFolder() { return PrefixRoot() + "/registry"; }

std::string PrefixCertsFolder(std::string_view store) { return PrefixRoot() + "/certs/" + std::string(store); }

std::vector<std::vector<uint8_t>> ReadPrefixCertificateFiles(std::string_view store) {
  std::error_code ec;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(PrefixCertsFolder(store), ec)) {
    if (entry.is_regular_file(ec)) names.push_back(entry.path().string());
  }
  std::sort(names.begin(), names.end());
  std::vector<std::vector<uint8_t>> files;
  for (const std::string& name : names) {
    if (auto bytes = fs::host::ReadFileBytes(name)) files.push_back(std::move(*bytes));
  }
  return files;
}

void ResetPrefixForTesting() {
  std::lock_guard lock(g_prefixLock);
  g_prefixRoot.reset();
}

}  // namespace platform
