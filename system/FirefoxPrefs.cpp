#include "system/FirefoxPrefs.h"

#include <cstdint>
#include <vector>

#include "platform/fs/DirectoryList.h"
#include "platform/fs/FileStream.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/Path.h"
#include "platform/sysinfo/KnownFolders.h"
#include "platform/sysinfo/WindowsVersion.h"
#include "platform/text/Utf.h"
#include "system/Trace.h"

namespace {

// GetUserNameW is called with a 256-character buffer; a longer name fails.
constexpr size_t kUserNameChars = 256;

void UpdateProfilesFolder(const std::string& profilesFolder) {
  std::string profile = CFirefoxPrefs::DefaultProfile(profilesFolder);
  std::string prefs = profilesFolder + profile + "\\prefs.js";
  if (platform::fs::FileExists(prefs)) CFirefoxPrefs::AppendPreferences(prefs);
}

}  // namespace

int CFirefoxPrefs::UpdatePreferences() {
  std::string localAppData = platform::GetKnownFolder(platform::KnownFolder::kLocalAppData);
  UpdateProfilesFolder(localAppData + "\\Mozilla\\Firefox\\Profiles\\");

  std::string user = platform::UserName();
  if (!user.empty() && platform::Utf16Length(user) < kUserNameChars) {
    std::string drive = platform::SplitWindowsPath(localAppData).drive;
    UpdateProfilesFolder(drive + "\\Users\\" + user + "\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\");
  }
  return 1;
}

std::string CFirefoxPrefs::DefaultProfile(std::string_view profilesFolder) {
  auto entries = platform::fs::ListDirectory(profilesFolder, "*.default");
  if (!entries) return {};
  for (const platform::fs::DirectoryEntry& entry : *entries) {
    if (entry.isDirectory) return entry.name;
  }
  return {};
}

int CFirefoxPrefs::AppendPreferences(std::string_view prefsPath) {
  platform::fs::FileStream file;
  if (file.Open(prefsPath, platform::fs::FileMode::kAppend) != platform::kErrorSuccess) {
    Trace("CFirefoxPrefs::AppendPreferences() Open Fail... [%s]", std::string(prefsPath).c_str());
    return 0;
  }
  // Read through the same handle that appends, so the content checked is the
  // content the lines are added to.
  std::string content;
  std::vector<uint8_t> chunk(64 * 1024);
  for (;;) {
    auto n = file.Read(chunk);
    if (!n) {
      Trace("CFirefoxPrefs::AppendPreferences() Read Fail... [%s]", std::string(prefsPath).c_str());
      return 0;
    }
    if (*n == 0) break;
    content.append(reinterpret_cast<const char*>(chunk.data()), *n);
  }
  std::string missing;
  for (const char* line : kLines) {
    if (content.find(line) == std::string::npos) missing += line;
  }
  if (!missing.empty() && file.Write(missing) != platform::kErrorSuccess) {
    Trace("CFirefoxPrefs::AppendPreferences() Write Fail... [%s]", std::string(prefsPath).c_str());
    return 0;
  }
  return file.Close() == platform::kErrorSuccess ? 1 : 0;
}
