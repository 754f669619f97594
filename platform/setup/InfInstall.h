#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The system's INF engine (advpack): an INF's default installation run the
// way RunSetupCommand runs it with RSC_FLAG_INF and no section named.
namespace platform::setup {

inline constexpr uint32_t kInfResultOk = 0;           // S_OK
inline constexpr uint32_t kInfResultFail = 0x80004005;  // E_FAIL

struct InfInstallResult {
  // S_OK, or the engine's failure as an HRESULT.
  uint32_t hresult = kInfResultOk;
  // The entries that were skipped, one line each, for the caller's trace;
  // the system's own engine names none.
  std::vector<std::string> skipped;
};

// Runs [DefaultInstall] of the INF at `infPath` (a full Windows path; the
// files it copies are found beside it) with `workingFolder` as the working
// folder of its commands. Never throws; a failure is only the result: what
// the engine carried out before it stays done.
InfInstallResult RunDefaultInstall(std::string_view infPath, std::string_view workingFolder);

}  // namespace platform::setup
