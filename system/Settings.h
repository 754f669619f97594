#pragma once

#include <string>
#include <string_view>

// One value of an INI-style file (the update list, an INF file, the installed
// VamoPlugin.ver) through the profile functions.
class CSettings {
 public:
  // GetPrivateProfileStringW with an empty default and a 4096-character
  // buffer: at most 4095 characters; empty for a missing file, section or key.
  static std::string Read(std::string_view file, std::string_view section, std::string_view key);
  // WritePrivateProfileStringW; the result is not reported (as the callers
  // never look at it), but a failure is traced.
  static void Write(std::string_view file, std::string_view section, std::string_view key,
                    std::string_view value);
};
