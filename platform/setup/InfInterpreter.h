#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/setup/InfFile.h"
#include "platform/setup/InfInstall.h"

// Runs the default installation of an INF file, standing in for advpack's
// RunSetupCommand with RSC_FLAG_INF. Of an install section it carries out
//   RunPreSetupCommands, CopyFiles (with [DestinationDirs]), DelReg, AddReg,
//   RegisterDlls, RegisterOCXs, RunPostSetupCommands
// in this order, with [Strings] and folder-id (%11% ...) substitution. Any
// other key, and any entry it cannot carry out, is skipped and named in
// Skipped().
//
// Folder ids: 1 the INF's own (source) folder, 10 the Windows folder, 11 the
// system folder, 12 the drivers folder under the system folder, 17 the INF
// folder under the Windows folder, 24 the root of the Windows drive, 25 the
// Windows folder (the shared folder of NT); -1 takes an absolute path from
// the subfolder field, and a [DestinationDirs] value may also be an absolute
// path itself. A CopyFiles section without an entry in [DestinationDirs] and
// without DefaultDestDir goes to the system folder, as SetupAPI does.
namespace platform::setup {

class InfInterpreter {
 public:
  // The INF (a Windows path); the source folder is the INF's own folder.
  explicit InfInterpreter(std::string_view infPath);

  static constexpr uint32_t kResultOk = kInfResultOk;
  static constexpr uint32_t kResultFail = kInfResultFail;

  // Runs the section. kResultOk when every entry was carried out; kResultFail
  // when the INF cannot be read, the section is missing, or an entry failed
  // or was unsupported (each such entry is skipped and the rest go on).
  uint32_t Install(std::string_view section = "DefaultInstall");
  // What the last Install could not carry out, one line each, in order.
  const std::vector<std::string>& Skipped() const { return m_skipped; }

  // The folder of a folder id, without a trailing backslash (the drive root
  // keeps its own); nullopt for an id this interpreter does not know.
  std::optional<std::string> DirIdFolder(int dirid) const;
  // "%11%\x.ocx" and "%AppName%" resolved.
  std::string Expand(std::string_view text) const;

 private:
  void RunCommands(std::string_view sectionList);
  void CopyFiles(std::string_view sectionList);
  void DelReg(std::string_view sectionList);
  void AddReg(std::string_view sectionList);
  void RegisterDlls(std::string_view sectionList);
  void RegisterOCXs(std::string_view sectionList);
  // The destination folder of a CopyFiles section; nullopt when unresolvable.
  std::optional<std::string> DestinationFolder(std::string_view section) const;
  std::optional<std::string> ResolveDirIdEntry(const std::vector<std::string>& fields) const;
  void CopyOne(const std::string& folder, const std::string& target, const std::string& source);
  // The named sections of a "sect1, sect2" value, traced when missing.
  std::vector<const std::vector<InfFile::Line>*> Sections(std::string_view list);
  void Fail(const char* what, const std::string& detail);

  std::string m_strInfPath;
  std::string m_strSourceFolder;
  InfFile m_inf;
  std::vector<std::string> m_skipped;
  bool m_bFailed = false;
};

}  // namespace platform::setup
