#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The Authenticode check the installer runs on its cabinet's bytes (`path`
// only names it in the message): 0 = signed and trusted, -1 = anything
// else, traced inside "<operation>() Fail [%s]...". The transfer layer
// supplies it (VerifyCodeSignWithFrame); the installer sits below that layer
// and so is handed the check.
using CodeSignCheck = int (*)(std::span<const uint8_t> image, const std::string& path, const char* operation);

// Installs one signed cabinet: reads it once, checks the signature of those
// bytes and extracts from the same bytes (a file put in the cabinet's place
// after the check is never extracted) into a folder named after it (next
// to it), reads its INF and either hands the INF's [DefaultInstall] to the
// system's INF engine or copies and
// registers the [Add.Code] files itself and runs the [Setup Hooks]. The
// destructor removes every extracted file and the extraction folder.
// Paths are Windows paths; all path fields are lower case.
class CCabinetInstaller {
 public:
  struct CExtractedFile {
    std::string m_strName;    // name with extension
    std::string m_strExt;     // ".inf"
    std::string m_strFolder;  // drive and directory, with trailing "\"
    std::string m_strPath;
  };
  enum : int { kKindAddCode = 1, kKindSetupHooks = 2, kKindDefaultInstall = 3 };
  struct CInfEntry {
    std::string m_strKey;
    std::string m_strValue;
    int m_nKind = 0;
  };
  struct CFileRecord {
    std::string m_strFileName;
    std::string m_strFileWin32X86;
    std::string m_strClsid;
    std::string m_strFileVersion;
    std::string m_strRegisterServer;
    std::string m_strDestDir;
    std::string m_strHook;
    std::string m_strRun;
    std::string m_strHookFileWin32X86;
    std::string m_strHookRun;
    std::string m_strHookRegisterServer;
    std::string m_strHookDestDir;
    std::string m_strHookFileVersion;
  };
  struct CHookRecord {
    std::string m_strSection;
    std::string m_strRun;
  };

  // Fills the path fields and creates the extraction folder (a failure
  // shows later as nothing extracted).
  CCabinetInstaller(std::string_view cabinetPath, CodeSignCheck codeSignCheck);
  ~CCabinetInstaller();
  CCabinetInstaller(const CCabinetInstaller&) = delete;
  CCabinetInstaller& operator=(const CCabinetInstaller&) = delete;

  // 0 = installed (or handed to the INF engine, whatever it reports);
  // -1 = the signature check failed (nothing is extracted) or the cabinet
  // holds no INF. Copy, registration and hook failures are traced only.
  int Install();
  int VerifyCodeSign();

  // The folder a DESTDIR value names: 10 the Windows folder, 11 the system
  // folder, 12 the drivers folder under the system folder, anything else
  // "<Windows>\Downloaded Program Files".
  static std::string ResolveDestDir(std::string_view destDir);
  // Splits a hook's RUN text: the program (PathRemoveArgsW, quotes removed,
  // "%EXTRACT_DIR%" replaced by the extraction folder) and the argument text
  // (what follows the program, with its leading space).
  static void SplitRun(std::string_view run, std::string_view extractionFolder, std::string& program,
                       std::string& arguments);

  const std::vector<CExtractedFile>& ExtractedFiles() const { return m_extractedFiles; }
  const std::vector<CInfEntry>& InfEntries() const { return m_infEntries; }
  const std::vector<CFileRecord>& FileRecords() const { return m_fileRecords; }
  const std::vector<CHookRecord>& HookRecords() const { return m_hookRecords; }
  const std::string& ExtractionFolder() const { return m_strExtractFolder; }
  bool DefaultInstall() const { return m_bDefaultInstall; }

 private:
  void Extract();
  void ParseInf(const std::string& infPath);
  void InstallFiles();
  void RunHooks();

  std::vector<CExtractedFile> m_extractedFiles;
  std::vector<CInfEntry> m_infEntries;
  std::vector<CFileRecord> m_fileRecords;
  std::vector<CHookRecord> m_hookRecords;
  std::string m_strCabName;
  std::string m_strCabExt;
  std::string m_strCabFolder;
  std::string m_strCabPath;
  std::string m_strExtractFolder;
  // The cabinet as read once by VerifyCodeSign; what Extract unpacks.
  std::vector<uint8_t> m_image;
  bool m_bCodeSignVerified = false;
  bool m_bDefaultInstall = false;
  CodeSignCheck m_codeSignCheck;
};
