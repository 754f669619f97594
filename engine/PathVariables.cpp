#include "engine/PathVariables.h"

#include "platform/sysinfo/KnownFolders.h"
#include "platform/text/Utf.h"

namespace {

// Folder texts come from buffers of 260 characters: 259 and the NUL.
constexpr size_t kFolderChars = 259;

std::string Folder(platform::KnownFolder folder) {
  return std::string(platform::TruncateUtf16(platform::GetKnownFolder(folder), kFolderChars));
}

std::string AllUsersProfile() {
  return std::string(platform::TruncateUtf16(platform::ExpandEnvironmentText("%AllUsersProfile%"), kFolderChars));
}

std::string ProgramFiles() {
  std::string folder = Folder(platform::KnownFolder::kProgramFiles);
  if (!folder.empty()) return folder;
  // Without the shell's answer: the Windows drive's own Program Files.
  return Folder(platform::KnownFolder::kWindows).substr(0, 2) + "\\Program Files";
}

struct CPathVariable {
  const char* strName;
  std::string (*resolve)();
};

// Replaced in this order.
const CPathVariable kPathVariables[] = {
    {"%AllUsersProfile%", AllUsersProfile},
    {"%AppData%", [] { return Folder(platform::KnownFolder::kLocalAppData); }},
    {"%Windows%", [] { return Folder(platform::KnownFolder::kWindows); }},
    {"%System%", [] { return Folder(platform::KnownFolder::kSystem); }},
    {"%Program Files%", ProgramFiles},
    {"%App Path%", [] { return Folder(platform::KnownFolder::kLocalAppData); }},
    {"%AX Path%", [] { return Folder(platform::KnownFolder::kWindows) + "\\Downloaded Program Files"; }},
    {"%LocalLow%", [] { return Folder(platform::KnownFolder::kLocalAppDataLow); }},
};

// Every occurrence, left to right; replaced text is not searched again.
void ReplaceAll(std::string& text, std::string_view name, const std::string& value) {
  for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + value.size())) {
    text.replace(at, name.size(), value);
  }
}

}  // namespace

std::string CPathVariables::ExpandPathVariables(std::string_view text, const std::string& strInstallFolder) {
  if (text.empty()) return strInstallFolder;
  std::string result(text);
  for (const CPathVariable& variable : kPathVariables) {
    // A folder is looked up only when its variable is there.
    if (result.find(variable.strName) != std::string::npos) ReplaceAll(result, variable.strName, variable.resolve());
  }
  return result;
}
