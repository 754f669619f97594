#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Win32Error.h"

// The prefix is one host folder that holds the whole simulated machine:
// drive_c/ (drive C:), registry/ (the hives), certs/root/ and
// certs/disallowed/ (certificate stores). It is named by VAMO_PREFIX, by
// default $XDG_DATA_HOME/vamo-setup/prefix.
namespace platform {

// Windows version facts written into a new prefix; the defaults are Windows 7
// SP1 x64, build 7601, Korean system language.
struct PrefixOptions {
  uint32_t majorVersion = 6;
  uint32_t minorVersion = 1;
  uint32_t buildNumber = 7601;
  uint32_t servicePackMajor = 1;
  uint32_t productType = 1;  // 1 workstation, 2 domain controller, 3 server
  std::string architecture = "x64";  // "x64" or "x86"
  uint16_t systemLanguage = 0x0412;
};

// Host path of the prefix root (no trailing slash). Creates the prefix with
// the default options the first time it is asked for.
const std::string& PrefixRoot();

// Creates (or completes) the prefix at PrefixRoot() with the given facts:
// folders, known folders and the version values in the registry. Existing
// version values are overwritten; files in the prefix are kept.
Win32Error InitPrefix(const PrefixOptions& options);

// Host paths of the prefix's own stores.
std::string PrefixRegistryFolder();
std::string PrefixCertsFolder(std::string_view store);  // "root", "disallowed"
// The contents of every regular file in one of those stores, in the order of
// their names; files that cannot be read are left out. Empty when the store
// is missing.
std::vector<std::vector<uint8_t>> ReadPrefixCertificateFiles(std::string_view store);

// Forgets the cached prefix location, so that a changed VAMO_PREFIX takes
// effect. For tests that make a fresh prefix each.
void ResetPrefixForTesting();

}  // namespace platform
