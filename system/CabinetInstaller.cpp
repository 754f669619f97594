#include "system/CabinetInstaller.h"

#include <algorithm>
#include <optional>

#include "platform/cabinet/Cabinet.h"
#include "platform/fs/FileStream.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/Path.h"
#include "platform/profile/Profile.h"
#include "platform/setup/InfInstall.h"
#include "platform/sysinfo/KnownFolders.h"
#include "platform/text/Utf.h"
#include "platform/process/CommandLine.h"
#include "system/Settings.h"
#include "system/Trace.h"
#include "system/Utility.h"

namespace {

// The extraction folder lives in a MAX_PATH buffer; INF sections are read
// through a 2048-character buffer and each line through a MAX_PATH one.
constexpr size_t kMaxPath = 260;
constexpr size_t kSectionBufferChars = 2048;

constexpr char kSectionAddCode[] = "Add.Code";
constexpr char kSectionSetupHooks[] = "Setup Hooks";
constexpr char kSectionDefaultInstall[] = "DefaultInstall";
constexpr char kExtractDirVariable[] = "%EXTRACT_DIR%";

std::string Lower(std::string_view text) { return platform::FoldCase(text); }

std::string TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return std::string(text);
}

// The first two "="-separated tokens of a line; runs of "=" are one
// separator and leading ones are skipped, as wcstok splits.
std::pair<std::string, std::string> SplitEntry(std::string_view line) {
  std::vector<std::string_view> tokens;
  size_t pos = 0;
  while (pos < line.size() && tokens.size() < 2) {
    while (pos < line.size() && line[pos] == '=') ++pos;
    if (pos >= line.size()) break;
    size_t end = line.find('=', pos);
    if (end == std::string_view::npos) end = line.size();
    tokens.push_back(line.substr(pos, end - pos));
    pos = end;
  }
  return {tokens.size() > 0 ? Lower(tokens[0]) : std::string(), tokens.size() > 1 ? Lower(tokens[1]) : std::string()};
}

CCabinetInstaller::CExtractedFile DescribeFile(std::string_view path) {
  platform::SplitPath parts = platform::SplitWindowsPath(path);
  CCabinetInstaller::CExtractedFile file;
  file.m_strName = Lower(parts.fname + parts.ext);
  file.m_strExt = Lower(parts.ext);
  file.m_strFolder = Lower(parts.drive + parts.dir);
  file.m_strPath = Lower(path);
  return file;
}

size_t FindIgnoreCase(std::string_view text, std::string_view what) {
  std::string folded = Lower(text);
  std::string needle = Lower(what);
  // Folding keeps ASCII lengths, and the variable is ASCII; a match found in
  // the folded text lies at the same offset only while everything before it
  // folds to the same length, which holds for the ASCII and Hangul texts
  // these paths carry.
  return folded.size() == text.size() ? folded.find(needle) : text.find(what);
}

class CExtractCallback : public platform::cabinet::ICabinetCallback {
 public:
  CExtractCallback(const std::string& folder, std::vector<CCabinetInstaller::CExtractedFile>& files)
      : m_strFolder(folder), m_files(files) {}

  std::optional<std::string> FileInCabinet(const platform::cabinet::CabinetFile& file) override {
    return m_strFolder + file.name;
  }
  void FileExtracted(const platform::cabinet::CabinetFile& file, const std::string& target,
                     platform::Win32Error error) override {
    // Recorded even when it failed: a partly written file is removed with
    // the rest.
    if (error != platform::kErrorSuccess) {
      Trace("CCabinetInstaller::Extract() Fail... [%s][%u]", file.name.c_str(), error);
    }
    m_files.push_back(DescribeFile(target));
  }
  void NameRefused(const platform::cabinet::CabinetFile& file) override {
    Trace("CCabinetInstaller::Extract() Refused, leaves the folder... [%s]", file.name.c_str());
  }

 private:
  const std::string& m_strFolder;
  std::vector<CCabinetInstaller::CExtractedFile>& m_files;
};

}  // namespace

CCabinetInstaller::CCabinetInstaller(std::string_view cabinetPath, CodeSignCheck codeSignCheck)
    : m_codeSignCheck(codeSignCheck) {
  platform::SplitPath parts = platform::SplitWindowsPath(cabinetPath);
  m_strCabName = Lower(parts.fname + parts.ext);
  m_strCabExt = Lower(parts.ext);
  m_strCabFolder = Lower(parts.drive + parts.dir);
  m_strCabPath = Lower(cabinetPath);
  std::string folder = Lower(parts.drive + parts.dir + parts.fname) + "\\";
  if (platform::Utf16Length(folder) >= kMaxPath) {
    // Too long for the folder buffer: nothing is extracted rather than into
    // a folder cut short.
    Trace("CCabinetInstaller() Extraction folder too long... [%s]", folder.c_str());
    return;
  }
  m_strExtractFolder = folder;
  CUtility::MakeFolderPath(m_strExtractFolder);
}

CCabinetInstaller::~CCabinetInstaller() {
  for (const CExtractedFile& file : m_extractedFiles) CUtility::DeleteFile(file.m_strPath);
  // Names with folders made subfolders; they go deepest first, and only
  // when empty, so nothing that was there before is touched.
  std::vector<std::string> folders;
  for (const CExtractedFile& file : m_extractedFiles) {
    std::string folder = file.m_strFolder;
    while (folder.size() > m_strExtractFolder.size() && folder.starts_with(m_strExtractFolder)) {
      folders.push_back(folder);
      folder = folder.substr(0, folder.find_last_of('\\', folder.size() - 2) + 1);
    }
  }
  std::sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() > b.size() : a < b;
  });
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  for (const std::string& folder : folders) platform::fs::RemoveEmptyDirectory(folder);
  if (!m_strExtractFolder.empty()) platform::fs::RemoveEmptyDirectory(m_strExtractFolder);
}

int CCabinetInstaller::VerifyCodeSign() {
  m_bCodeSignVerified = false;
  m_image.clear();
  if (m_codeSignCheck == nullptr) {
    Trace("VerifyCodeSign() Fail [%s]...", "no Authenticode check available\n");
    return -1;
  }
  auto image = platform::fs::ReadFileBytes(m_strCabPath);
  if (!image) {
    Trace("VerifyCodeSign() Fail [The cabinet \"%s\" could not be read (error %u).\n]...", m_strCabPath.c_str(),
          image.error());
    return -1;
  }
  m_image = std::move(*image);
  if (m_codeSignCheck(m_image, m_strCabPath, "VerifyCodeSign") != 0) {
    m_image.clear();
    return -1;
  }
  m_bCodeSignVerified = true;
  return 0;
}

int CCabinetInstaller::Install() {
  if (VerifyCodeSign() != 0) return -1;
  Extract();

  auto inf = std::find_if(m_extractedFiles.begin(), m_extractedFiles.end(),
                          [](const CExtractedFile& file) { return file.m_strExt == ".inf"; });
  if (inf == m_extractedFiles.end() || inf->m_strPath.empty()) {
    Trace("CCabinetInstaller::Install() No INF in the cabinet... [%s]", m_strCabPath.c_str());
    return -1;
  }
  std::string infPath = inf->m_strPath;
  ParseInf(infPath);

  if (m_bDefaultInstall) {
    // What the INF engine reports is traced only: the cabinet counts as
    // handed over.
    platform::setup::InfInstallResult result = platform::setup::RunDefaultInstall(infPath, m_strExtractFolder);
    for (const std::string& skipped : result.skipped) {
      Trace("CCabinetInstaller::Install() INF entry skipped... %s", skipped.c_str());
    }
    Trace("CCabinetInstaller::Install() RunSetupCommand [%s] Result [0x%x]", infPath.c_str(), result.hresult);
    return 0;
  }
  InstallFiles();
  RunHooks();
  return 0;
}

void CCabinetInstaller::Extract() {
  // Only the bytes that passed the check are ever unpacked.
  if (m_strExtractFolder.empty() || !m_bCodeSignVerified) return;
  CExtractCallback callback(m_strExtractFolder, m_extractedFiles);
  platform::Win32Error error = platform::cabinet::IterateCabinet(std::span<const uint8_t>(m_image), callback);
  // The bytes are not needed once the files are out.
  m_image = {};
  if (error != platform::kErrorSuccess) {
    Trace("CCabinetInstaller::Extract() SetupIterateCabinet Fail... [%s][%u]", m_strCabPath.c_str(), error);
  }
}

void CCabinetInstaller::ParseInf(const std::string& infPath) {
  m_bDefaultInstall = false;
  m_infEntries.clear();
  m_fileRecords.clear();
  m_hookRecords.clear();
  platform::profile::Source source = platform::profile::Source::File(infPath);
  const std::pair<const char*, int> sections[] = {
      {kSectionAddCode, kKindAddCode}, {kSectionSetupHooks, kKindSetupHooks}, {kSectionDefaultInstall, kKindDefaultInstall}};
  for (const auto& [section, kind] : sections) {
    std::u16string list = platform::profile::GetSection(source, section, kSectionBufferChars);
    for (const std::string& raw : platform::profile::SplitNulList(list)) {
      std::string line(platform::TruncateUtf16(raw, kMaxPath - 1));
      auto [key, value] = SplitEntry(line);
      m_infEntries.push_back(CInfEntry{key, value, kind});
      if (kind == kKindDefaultInstall) m_bDefaultInstall = true;
    }
  }

  auto read = [&infPath](const std::string& section, const char* key) {
    return Lower(CSettings::Read(infPath, section, key));
  };
  for (CInfEntry& entry : m_infEntries) {
    entry.m_strKey = TrimSpaces(entry.m_strKey);
    if (entry.m_strKey.empty()) continue;
    if (entry.m_nKind == kKindAddCode) {
      CFileRecord record;
      record.m_strFileName = entry.m_strValue;
      record.m_strFileWin32X86 = read(entry.m_strValue, "FILE-WIN32-X86");
      record.m_strClsid = read(entry.m_strValue, "CLSID");
      record.m_strFileVersion = read(entry.m_strValue, "FILEVERSION");
      record.m_strRegisterServer = read(entry.m_strValue, "REGISTERSERVER");
      record.m_strDestDir = read(entry.m_strValue, "DESTDIR");
      record.m_strHook = read(entry.m_strValue, "HOOK");
      record.m_strRun = read(entry.m_strValue, "RUN");
      if (!record.m_strHook.empty()) {
        record.m_strHookFileWin32X86 = read(record.m_strHook, "FILE-WIN32-X86");
        record.m_strHookRun = read(record.m_strHook, "RUN");
        record.m_strHookRegisterServer = read(record.m_strHook, "REGISTERSERVER");
        record.m_strHookDestDir = read(record.m_strHook, "DESTDIR");
        record.m_strHookFileVersion = read(record.m_strHook, "FILEVERSION");
      }
      m_fileRecords.push_back(std::move(record));
    } else if (entry.m_nKind == kKindSetupHooks) {
      // The command keeps its case: "%EXTRACT_DIR%" and program names.
      m_hookRecords.push_back(CHookRecord{entry.m_strValue, CSettings::Read(infPath, entry.m_strValue, "RUN")});
    }
  }
}

std::string CCabinetInstaller::ResolveDestDir(std::string_view destDir) {
  std::string value = TrimSpaces(destDir);
  std::string windows = platform::GetKnownFolder(platform::KnownFolder::kWindows);
  if (value == "10") return windows;
  if (value == "11") return platform::GetKnownFolder(platform::KnownFolder::kSystem);
  if (value == "12") return platform::GetKnownFolder(platform::KnownFolder::kSystem) + "\\drivers";
  return windows + "\\Downloaded Program Files";
}

void CCabinetInstaller::InstallFiles() {
  for (CFileRecord& record : m_fileRecords) {
    if (record.m_strFileWin32X86 != "thiscab") continue;
    record.m_strDestDir = ResolveDestDir(record.m_strDestDir);
    auto found = std::find_if(m_extractedFiles.begin(), m_extractedFiles.end(),
                              [&record](const CExtractedFile& file) { return file.m_strName == record.m_strFileName; });
    if (found == m_extractedFiles.end()) continue;
    std::string target = record.m_strDestDir + "\\" + record.m_strFileName;
    if (CUtility::CopyFile(found->m_strPath, record.m_strDestDir, target) != 0) {
      Trace("CCabinetInstaller::InstallFiles() Copy Fail, pass ends... [%s]", target.c_str());
      return;
    }
    if (platform::EqualsIgnoreCase(record.m_strRegisterServer, "yes")) RegDLL(target, 1);
  }
}

void CCabinetInstaller::SplitRun(std::string_view run, std::string_view extractionFolder, std::string& program,
                                 std::string& arguments) {
  std::string withArgs(run);
  program = platform::PathRemoveArgs(withArgs);
  // Only the leading program text is removed: the same text inside the
  // arguments stays where it is.
  arguments = withArgs.substr(program.size());
  size_t at = FindIgnoreCase(program, kExtractDirVariable);
  while (at != std::string::npos) {
    program.replace(at, sizeof kExtractDirVariable - 1, extractionFolder);
    size_t next = FindIgnoreCase(std::string_view(program).substr(at + extractionFolder.size()), kExtractDirVariable);
    at = next == std::string::npos ? next : at + extractionFolder.size() + next;
  }
  program = platform::PathUnquoteSpaces(program);
}

void CCabinetInstaller::RunHooks() {
  for (const CHookRecord& hook : m_hookRecords) {
    std::string program, arguments;
    SplitRun(hook.m_strRun, m_strExtractFolder, program, arguments);
    Trace("CCabinetInstaller::RunHooks() [%s] [%s][%s]", hook.m_strSection.c_str(), program.c_str(),
          arguments.c_str());
    CUtility::ExecuteWaitHook(program, arguments);
  }
}
