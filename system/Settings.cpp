#include "system/Settings.h"

#include "platform/profile/Profile.h"
#include "system/Trace.h"

namespace {
constexpr size_t kSettingsBufferChars = 4096;
}  // namespace

std::string CSettings::Read(std::string_view file, std::string_view section, std::string_view key) {
  return platform::profile::GetString(platform::profile::Source::File(std::string(file)), section, key, "",
                                      kSettingsBufferChars);
}

void CSettings::Write(std::string_view file, std::string_view section, std::string_view key,
                      std::string_view value) {
  if (platform::Win32Error error = platform::profile::WriteString(file, section, key, value)) {
    Trace("CSettings::Write() Fail [%s] [%u]", std::string(file).c_str(), error);
  }
}
