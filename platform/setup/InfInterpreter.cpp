#include "platform/setup/InfInterpreter.h"

#include <cstdlib>

#include "platform/fs/FileOperations.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/Path.h"
#include "platform/library/Library.h"
#include "platform/process/CommandLine.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"
#include "platform/sysinfo/KnownFolders.h"
#include "platform/text/Utf.h"

namespace platform::setup {

namespace {

// AddReg flags of SetupAPI.
constexpr uint32_t kFlagBinValueType = 0x00000001;
constexpr uint32_t kFlagNoClobber = 0x00000002;
constexpr uint32_t kFlagDelVal = 0x00000004;
constexpr uint32_t kFlagAppend = 0x00000008;
constexpr uint32_t kFlagKeyOnly = 0x00000010;
constexpr uint32_t kFlagOverwriteOnly = 0x00000020;
constexpr uint32_t kFlagTypeMultiSz = 0x00010000;
constexpr uint32_t kFlagTypeExpandSz = 0x00020000;
constexpr uint32_t kFlagTypeDword = 0x00010001;
constexpr uint32_t kFlagTypeNone = 0x00020001;
// The 32/64-bit view flags change nothing in a registry without views.
constexpr uint32_t kFlagViews = 0x00001000 | 0x00004000;
constexpr uint32_t kRegisterDllFlag = 0x00000001;

std::optional<uint32_t> ParseNumber(std::string_view text) {
  std::string s(text);
  if (s.empty()) return 0u;
  char* end = nullptr;
  unsigned long long value = std::strtoull(s.c_str(), &end, 0);
  if (end == s.c_str() || *end != '\0' || value > 0xFFFFFFFFull) return std::nullopt;
  return static_cast<uint32_t>(value);
}

std::optional<uint8_t> ParseHexByte(std::string_view text) {
  std::string s(text);
  if (s.starts_with("0x") || s.starts_with("0X")) s = s.substr(2);
  if (s.empty() || s.size() > 2) return std::nullopt;
  char* end = nullptr;
  unsigned long value = std::strtoul(s.c_str(), &end, 16);
  if (*end != '\0') return std::nullopt;
  return static_cast<uint8_t>(value);
}

bool IsAbsoluteWindowsPath(std::string_view path) {
  return path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

// "HKLM\a\b" split into the parent "HKLM\a" part and the last name.
std::pair<std::string, std::string> SplitKey(std::string_view subkey) {
  size_t slash = subkey.find_last_of('\\');
  if (slash == std::string_view::npos) return {"", std::string(subkey)};
  return {std::string(subkey.substr(0, slash)), std::string(subkey.substr(slash + 1))};
}

// advpack registers a library as regsvr32 does: load it and call its
// DllRegisterServer; only a failing HRESULT (negative) is a failure.
bool RegisterLibrary(const std::string& path) {
  auto library = Library::Load(path);
  if (!library) return false;
  using RegisterEntry = int32_t (*)();
  auto entry = reinterpret_cast<RegisterEntry>(library->GetProcAddress("DllRegisterServer"));
  return entry != nullptr && entry() >= 0;
}

// A setup command runs to its end; its exit code is not the INF's business.
bool RunAndWait(const std::string& program, const std::string& arguments) {
  auto process = ShellExecuteProgram(program, arguments, kSeeMaskNoCloseProcess | kSeeMaskInvokeIdList |
                                                             kSeeMaskNoZoneChecks);
  if (!process) return false;
  (void)process->Wait();
  return true;
}

}  // namespace

InfInterpreter::InfInterpreter(std::string_view infPath) : m_strInfPath(infPath) {
  platform::SplitPath parts = platform::SplitWindowsPath(infPath);
  m_strSourceFolder = parts.drive + parts.dir;
  while (m_strSourceFolder.size() > 3 && m_strSourceFolder.back() == '\\') m_strSourceFolder.pop_back();
}

void InfInterpreter::Fail(const char* what, const std::string& detail) {
  m_bFailed = true;
  m_skipped.push_back(std::string(what) + " [" + detail + "]");
}

std::optional<std::string> InfInterpreter::DirIdFolder(int dirid) const {
  std::string windows = platform::GetKnownFolder(platform::KnownFolder::kWindows);
  std::string system = platform::GetKnownFolder(platform::KnownFolder::kSystem);
  switch (dirid) {
    case 1: return m_strSourceFolder;
    case 10: return windows;
    case 11: return system;
    case 12: return system + "\\drivers";
    case 17: return windows + "\\inf";
    case 24: return platform::SplitWindowsPath(windows).drive + "\\";
    case 25: return windows;
    default: return std::nullopt;
  }
}

std::string InfInterpreter::Expand(std::string_view text) const {
  return m_inf.Substitute(text, [this](int dirid) { return DirIdFolder(dirid); });
}

std::vector<const std::vector<InfFile::Line>*> InfInterpreter::Sections(std::string_view list) {
  std::vector<const std::vector<InfFile::Line>*> sections;
  for (const std::string& name : InfFile::SplitFields(Expand(list))) {
    if (name.empty()) continue;
    const std::vector<InfFile::Line>* lines = m_inf.Section(name);
    if (lines == nullptr) {
      Fail("Section missing...", name);
      continue;
    }
    sections.push_back(lines);
  }
  return sections;
}

uint32_t InfInterpreter::Install(std::string_view section) {
  m_bFailed = false;
  m_skipped.clear();
  if (!m_inf.Load(m_strInfPath)) {
    Fail("INF unreadable...", m_strInfPath);
    return kResultFail;
  }
  const std::vector<InfFile::Line>* lines = m_inf.Section(section);
  if (lines == nullptr) {
    Fail("No such section...", std::string(section));
    return kResultFail;
  }

  // The order SetupAPI and advpack use: commands first and last, files
  // before the registry, registration once both are in place.
  using Step = void (InfInterpreter::*)(std::string_view);
  struct Directive {
    const char* key;
    Step step;
  };
  static constexpr Directive kDirectives[] = {
      {"RunPreSetupCommands", &InfInterpreter::RunCommands},
      {"CopyFiles", &InfInterpreter::CopyFiles},
      {"DelReg", &InfInterpreter::DelReg},
      {"AddReg", &InfInterpreter::AddReg},
      {"RegisterDlls", &InfInterpreter::RegisterDlls},
      {"RegisterOCXs", &InfInterpreter::RegisterOCXs},
      {"RunPostSetupCommands", &InfInterpreter::RunCommands},
  };
  for (const InfFile::Line& line : *lines) {
    bool known = false;
    for (const Directive& directive : kDirectives) known = known || platform::EqualsIgnoreCase(line.key, directive.key);
    if (!known) Fail("Unsupported entry skipped...", line.hasKey ? line.key : line.raw);
  }
  for (const Directive& directive : kDirectives) {
    for (const InfFile::Line& line : *lines) {
      if (line.hasKey && platform::EqualsIgnoreCase(line.key, directive.key)) {
        (this->*directive.step)(line.raw);
      }
    }
  }
  return m_bFailed ? kResultFail : kResultOk;
}

void InfInterpreter::RunCommands(std::string_view sectionList) {
  for (const auto* lines : Sections(sectionList)) {
    for (const InfFile::Line& line : *lines) {
      std::string command = Expand(line.line);
      std::string program = platform::PathRemoveArgs(command);
      std::string arguments = command.substr(program.size());
      program = platform::PathUnquoteSpaces(program);
      // RunSetupCommand runs in the INF's folder: a bare program name is
      // the extracted file beside it.
      if (!IsAbsoluteWindowsPath(program) && fs::FileExists(JoinWindowsPath(m_strSourceFolder, program))) {
        program = JoinWindowsPath(m_strSourceFolder, program);
      }
      if (!RunAndWait(program, arguments)) Fail("Command failed...", command);
    }
  }
}

std::optional<std::string> InfInterpreter::ResolveDirIdEntry(const std::vector<std::string>& fields) const {
  if (fields.empty()) return std::nullopt;
  std::string first = Expand(fields[0]);
  std::string subdir = fields.size() > 1 ? Expand(fields[1]) : std::string();
  if (IsAbsoluteWindowsPath(first)) return platform::JoinWindowsPath(first, subdir);
  // The one negative id; the unsigned parse below would refuse it.
  if (first == "-1") {
    if (!IsAbsoluteWindowsPath(subdir)) return std::nullopt;
    return subdir;
  }
  auto dirid = ParseNumber(first);
  if (!dirid) return std::nullopt;
  int id = static_cast<int>(static_cast<int32_t>(*dirid));
  std::optional<std::string> folder = DirIdFolder(id);
  if (!folder) return std::nullopt;
  return subdir.empty() ? *folder : platform::JoinWindowsPath(*folder, subdir);
}

std::optional<std::string> InfInterpreter::DestinationFolder(std::string_view section) const {
  const InfFile::Line* entry = m_inf.Find("DestinationDirs", section);
  if (entry == nullptr) entry = m_inf.Find("DestinationDirs", "DefaultDestDir");
  if (entry == nullptr) return DirIdFolder(11);
  return ResolveDirIdEntry(entry->fields);
}

void InfInterpreter::CopyOne(const std::string& folder, const std::string& target, const std::string& source) {
  std::string from = platform::JoinWindowsPath(m_strSourceFolder, source);
  std::string to = platform::JoinWindowsPath(folder, target);
  Win32Error error = fs::CreateDirectoryPath(folder);
  if (error == kErrorSuccess) error = fs::CopyFileTo(from, to, false);
  if (error != kErrorSuccess) Fail("CopyFiles failed...", from);
}

void InfInterpreter::CopyFiles(std::string_view sectionList) {
  for (const std::string& name : InfFile::SplitFields(Expand(sectionList))) {
    if (name.empty()) continue;
    if (name.front() == '@') {
      // A single file, straight into the default destination.
      std::optional<std::string> folder = DestinationFolder("DefaultDestDir");
      if (!folder) {
        Fail("Destination unknown...", name);
        continue;
      }
      CopyOne(*folder, name.substr(1), name.substr(1));
      continue;
    }
    const std::vector<InfFile::Line>* lines = m_inf.Section(name);
    if (lines == nullptr) {
      Fail("Section missing...", name);
      continue;
    }
    std::optional<std::string> folder = DestinationFolder(name);
    if (!folder) {
      Fail("Destination unknown...", name);
      continue;
    }
    for (const InfFile::Line& line : *lines) {
      if (line.fields.empty() || line.fields[0].empty()) continue;
      std::string target = Expand(line.fields[0]);
      std::string source = line.fields.size() > 1 && !line.fields[1].empty() ? Expand(line.fields[1]) : target;
      // A copy never names a folder of its own: only plain file names.
      if (target.find_first_of("\\/:") != std::string::npos || source.find_first_of("\\/:") != std::string::npos ||
          target == ".." || source == "..") {
        Fail("File name refused...", target);
        continue;
      }
      CopyOne(*folder, target, source);
    }
  }
}

void InfInterpreter::DelReg(std::string_view sectionList) {
  for (const auto* lines : Sections(sectionList)) {
    for (const InfFile::Line& line : *lines) {
      std::vector<std::string> f;
      for (const std::string& field : line.fields) f.push_back(Expand(field));
      std::optional<platform::RegRoot> root = f.empty() ? std::nullopt : platform::ParseRegRoot(f[0]);
      if (!root || f.size() < 2 || f[1].empty()) {
        Fail("DelReg entry unsupported...", line.raw);
        continue;
      }
      if (f.size() >= 3) {
        platform::RegKey key;
        if (key.Open(*root, f[1]) == platform::kErrorSuccess) key.DeleteValue(f[2]);
        continue;
      }
      auto [parent, child] = SplitKey(f[1]);
      platform::RegKey key;
      if (key.Open(*root, parent) == platform::kErrorSuccess) key.DeleteTree(child);
    }
  }
}

void InfInterpreter::AddReg(std::string_view sectionList) {
  for (const auto* lines : Sections(sectionList)) {
    for (const InfFile::Line& line : *lines) {
      std::vector<std::string> f;
      for (const std::string& field : line.fields) f.push_back(Expand(field));
      std::optional<platform::RegRoot> root = f.empty() ? std::nullopt : platform::ParseRegRoot(f[0]);
      std::optional<uint32_t> flags = f.size() > 3 ? ParseNumber(f[3]) : std::optional<uint32_t>(0);
      if (!root || !flags || (*flags & kFlagAppend) != 0) {
        Fail("AddReg entry unsupported...", line.raw);
        continue;
      }
      uint32_t bits = *flags & ~kFlagViews;
      std::string subkey = f.size() > 1 ? f[1] : std::string();
      std::string name = f.size() > 2 ? f[2] : std::string();
      platform::RegKey key;
      if (key.Create(*root, subkey) != platform::kErrorSuccess) {
        Fail("AddReg key not created...", subkey);
        continue;
      }
      if ((bits & kFlagKeyOnly) != 0 || (f.size() <= 2)) continue;
      if ((bits & kFlagDelVal) != 0) {
        key.DeleteValue(name);
        continue;
      }
      bool exists = key.QueryValue(name).has_value();
      if (((bits & kFlagNoClobber) != 0 && exists) || ((bits & kFlagOverwriteOnly) != 0 && !exists)) continue;

      uint32_t typeBits = bits & (0xFFFF0000 | kFlagBinValueType);
      uint32_t type = platform::kRegSz;
      std::vector<uint8_t> data;
      bool ok = true;
      if (typeBits == 0) {
        platform::AppendUtf16Bytes(data, f.size() > 4 ? f[4] : std::string(), platform::Utf16Nul::kAppend);
      } else if (typeBits == kFlagTypeExpandSz) {
        type = platform::kRegExpandSz;
        platform::AppendUtf16Bytes(data, f.size() > 4 ? f[4] : std::string(), platform::Utf16Nul::kAppend);
      } else if (typeBits == kFlagTypeMultiSz) {
        type = platform::kRegMultiSz;
        for (size_t i = 4; i < f.size(); ++i) platform::AppendUtf16Bytes(data, f[i], platform::Utf16Nul::kAppend);
        data.push_back(0);  // the NUL that ends the list
        data.push_back(0);
      } else if (typeBits == kFlagTypeDword && f.size() == 5) {
        type = platform::kRegDword;
        std::optional<uint32_t> value = ParseNumber(f[4]);
        ok = value.has_value();
        for (int i = 0; ok && i < 4; ++i) data.push_back(static_cast<uint8_t>(*value >> (8 * i)));
      } else if ((typeBits & kFlagBinValueType) != 0) {
        // Binary bytes; the high word, when set, names the value type.
        type = typeBits == kFlagTypeNone ? platform::kRegNone
               : typeBits == kFlagTypeDword ? platform::kRegDword
               : (typeBits >> 16) != 0    ? (typeBits >> 16)
                                          : platform::kRegBinary;
        for (size_t i = 4; ok && i < f.size(); ++i) {
          std::optional<uint8_t> byte = ParseHexByte(f[i]);
          ok = byte.has_value();
          if (ok) data.push_back(*byte);
        }
      } else {
        ok = false;
      }
      if (!ok) {
        Fail("AddReg value unsupported...", line.raw);
        continue;
      }
      if (key.SetValue(name, type, data) != platform::kErrorSuccess) Fail("AddReg value not written...", name);
    }
  }
}

void InfInterpreter::RegisterDlls(std::string_view sectionList) {
  for (const auto* lines : Sections(sectionList)) {
    for (const InfFile::Line& line : *lines) {
      // dirid, subdir, file name, registration flags[, timeout ...]
      std::optional<std::string> folder = ResolveDirIdEntry(line.fields);
      std::optional<uint32_t> flags = line.fields.size() > 3 ? ParseNumber(line.fields[3]) : std::nullopt;
      if (!folder || line.fields.size() < 4 || !flags) {
        Fail("RegisterDlls entry unsupported...", line.raw);
        continue;
      }
      if ((*flags & kRegisterDllFlag) == 0) continue;
      std::string path = platform::JoinWindowsPath(*folder, Expand(line.fields[2]));
      if (!RegisterLibrary(path)) Fail("RegisterDlls failed...", path);
    }
  }
}

void InfInterpreter::RegisterOCXs(std::string_view sectionList) {
  for (const auto* lines : Sections(sectionList)) {
    for (const InfFile::Line& line : *lines) {
      std::string path = Expand(line.fields.empty() ? std::string() : line.fields[0]);
      if (path.empty()) continue;
      if (!IsAbsoluteWindowsPath(path)) path = platform::JoinWindowsPath(m_strSourceFolder, path);
      if (!RegisterLibrary(path)) Fail("RegisterOCXs failed...", path);
    }
  }
}

}  // namespace platform::setup
