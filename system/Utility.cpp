#include "system/Utility.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/core/Win32Error.h"
#include "platform/fs/FileOperations.h"
#include "platform/fs/FileStream.h"
#include "platform/fs/FileSystem.h"
#include "platform/library/Library.h"
#include "platform/process/Process.h"
#include "platform/process/ProgramFile.h"
#include "platform/sysinfo/KnownFolders.h"
#include "platform/text/CodePage.h"
#include "platform/text/Utf.h"
#include "system/Trace.h"
#include "system/UtilityCodes.h"

namespace uc = utility_codes;

namespace {

// What a failed file removal reports: the cause of the framework's file
// exception, its description and our code.
struct DeleteCause {
  const char* text;
  int code;
};

constexpr DeleteCause kGeneric{"An unspecified error occurred.", uc::kFileGeneric};

// The framework turns the OS error into an exception cause (anything it does
// not know is "generic"); each cause has its fixed description.
DeleteCause DeleteCauseOf(platform::Win32Error error) {
  using namespace platform;
  switch (error) {
    case kErrorFileNotFound: return {"The file could not be located.", uc::kFileNotFound};
    case kErrorPathNotFound:
    case kErrorInvalidName:
    case kErrorFilenameExcedRange: return {"All or part of the path is invalid.", uc::kBadPath};
    case kErrorTooManyOpenFiles: return {"The permitted number of open files was exceeded.", uc::kTooManyOpenFiles};
    case kErrorAccessDenied: return {"The file could not be accessed.", uc::kAccessDenied};
    case kErrorInvalidHandle: return {"There was an attempt to use an invalid file handle.", uc::kInvalidFile};
    case kErrorCurrentDirectory:
      return {"The current working directory cannot be removed.", uc::kRemoveCurrentDir};
    case kErrorNoMoreFiles: return {"There are no more directory entries.", uc::kDirectoryFull};
    case kErrorWriteFault:
    case kErrorReadFault:
    case kErrorGenFailure: return {"There was a hardware error.", uc::kHardIo};
    // Counted with the other sharing failures, so an in-use file reads the
    // same whether a copy or a delete met it.
    case kErrorSharingViolation:
      return {"SHARE.EXE was not loaded, or a shared region was locked.", uc::kSharingViolation};
    case kErrorLockViolation:
      return {"There was an attempt to lock a region that was already locked.", uc::kLockViolation};
    case kErrorHandleDiskFull:
    case kErrorDiskFull: return {"The disk is full.", uc::kDiskFullDelete};
    case kErrorHandleEof: return {"The end of file was reached.", uc::kEndOfFile};
    default: return kGeneric;
  }
}

struct ExecuteFailure {
  const char* text;
  int code;
};

ExecuteFailure ExecuteFailureOf(platform::Win32Error error) {
  using namespace platform;
  switch (error) {
    case kErrorFileNotFound: return {"The specified file was not found. ", uc::kFileNotFound};
    case kErrorPathNotFound: return {"The specified path was not found. ", uc::kBadPath};
    case kErrorAccessDenied: return {"Access to the specified file is denied. ", uc::kAccessDenied};
    case kErrorNotEnoughMemory:
      return {"There is not enough memory to perform the specified action. ", uc::kExecuteOutOfMemory};
    case kErrorSharingViolation: return {"A sharing violation occurred. ", uc::kSharingViolation};
    case kErrorNoAssociation:
      return {"There is no application associated with the given file name extension. ",
              uc::kExecuteNoAssociation};
    case kErrorDdeFail: return {"The Dynamic Data Exchange (DDE) transaction failed. ", uc::kExecuteDdeFail};
    case kErrorDllNotFound:
      return {"One of the library files necessary to run the application can't be found. ",
              uc::kExecuteDllNotFound};
    case kErrorCancelled:
      return {"The function prompted the user for additional information, but the user canceled the request. ",
              uc::kExecuteCancelled};
    default: return {"", uc::kExecuteOther};
  }
}

int WaitForStarted(std::expected<platform::ProcessHandle, platform::Win32Error> process, std::string_view program) {
  if (!process) {
    platform::SetLastError(process.error());
    ExecuteFailure failure = ExecuteFailureOf(process.error());
    std::string programText(program);
    Trace("CUtility::ExecuteWait() Fail...%s [%s]", failure.text, programText.c_str());
    return failure.code;
  }
  // The exit code is deliberately not examined: installers and hooks return
  // all kinds of values on success.
  (void)process->Wait();
  return uc::kSuccess;
}

int ExecuteWaitWithMask(std::string_view program, std::string_view arguments, uint32_t mask) {
  return WaitForStarted(platform::ShellExecuteProgram(program, arguments, mask), program);
}

// The read-only attribute of an existing target is cleared first, as the
// copy would otherwise be refused.
void MakeTargetWritable(std::string_view target) {
  auto attributes = platform::fs::GetAttributes(target);
  if (attributes && (*attributes & platform::fs::kFileAttributeReadOnly)) {
    platform::Win32Error err = platform::fs::SetAttributes(target, platform::fs::kFileAttributeNormal);
    if (err != platform::kErrorSuccess) {
      platform::SetLastError(err);
      Trace("CopyFile SetFileAttributes Fail... [%s]", CUtility::SystemMessage(err).c_str());
    }
  }
}

int CopyResult(platform::Win32Error err) {
  if (err == platform::kErrorSuccess) return uc::kSuccess;
  platform::SetLastError(err);
  int code = uc::kCopyFailed;
  if (err == platform::kErrorSharingViolation) code = uc::kSharingViolation;
  if (err == platform::kErrorHandleDiskFull || err == platform::kErrorDiskFull) code = uc::kDiskFull;
  Trace("CopyFile CopyFile Fail... [%d][%s]", static_cast<int>(err), CUtility::SystemMessage(err).c_str());
  return code;
}

// The trace lines and the folder every copy starts with; 0 or the folder's
// failure code.
int PrepareCopy(std::string_view source, std::string_view targetFolder, std::string_view target) {
  std::string sourceText(source), folderText(targetFolder), targetText(target);
  Trace("CUtility::CopyFile()");
  Trace("CUtility::CopyFile() Source [%s]", sourceText.c_str());
  Trace("CUtility::CopyFile() TargetPath [%s]", folderText.c_str());
  Trace("CUtility::CopyFile() Target [%s]", targetText.c_str());
  if (!targetFolder.empty()) {
    int rc = CUtility::MakeFolderPath(targetFolder);
    if (rc != uc::kSuccess) {
      Trace("CopyFile Makedirectory Fail... [%s]", CUtility::SystemMessage(platform::GetLastError()).c_str());
      return rc;
    }
  }
  MakeTargetWritable(target);
  return uc::kSuccess;
}

}  // namespace

int CUtility::CopyFile(std::string_view source, std::string_view targetFolder, std::string_view target) {
  if (int rc = PrepareCopy(source, targetFolder, target); rc != uc::kSuccess) return rc;
  return CopyResult(platform::fs::CopyFileTo(source, target, false));
}

int CUtility::CopyFile(platform::fs::FileStream& sourceFile, std::string_view source, std::string_view targetFolder,
                       std::string_view target, platform::fs::CopyCheck* check) {
  if (int rc = PrepareCopy(source, targetFolder, target); rc != uc::kSuccess) return rc;
  return CopyResult(platform::fs::CopyFileFrom(sourceFile, target, check));
}

int CUtility::DeleteFile(std::string_view path) {
  platform::Win32Error err = platform::fs::DeleteFileAt(path);
  if (err == platform::kErrorSuccess) return uc::kSuccess;
  platform::SetLastError(err);
  DeleteCause cause = DeleteCauseOf(err);
  std::string pathText(path);
  Trace("CUtility::DeleteFile() Delete Fail...%s [%s]", cause.text, pathText.c_str());
  return cause.code;
}

int CUtility::ExecuteWait(std::string_view program, std::string_view arguments) {
  return ExecuteWaitWithMask(program, arguments, platform::kSeeMaskNoCloseProcess | platform::kSeeMaskInvokeIdList);
}

int CUtility::ExecuteWait(const platform::ProgramFile& programFile, std::string_view program,
                          std::string_view arguments) {
  return WaitForStarted(programFile.Execute(arguments), program);
}

int CUtility::ExecuteWaitHook(std::string_view program, std::string_view arguments) {
  return ExecuteWaitWithMask(program, arguments,
                             platform::kSeeMaskNoCloseProcess | platform::kSeeMaskInvokeIdList |
                                 platform::kSeeMaskNoZoneChecks);
}

int CUtility::MakeFolderPath(std::string_view path) {
  if (path.empty()) {
    platform::SetLastError(platform::kErrorPathNotFound);
    return uc::kBadPath;
  }
  if (platform::fs::GetAttributes(path)) return uc::kSuccess;
  // Level by level from the outside in; "/" separates like "\" does.
  std::string prefix;
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view component = path.substr(start, end - start);
    prefix.append(component);
    prefix += '\\';
    start = end + 1;
    if (component.empty()) continue;  // a leading or doubled separator
    if (platform::fs::GetAttributes(prefix)) continue;
    platform::Win32Error err = platform::fs::MakeDirectory(prefix);
    if (err != platform::kErrorSuccess && err != platform::kErrorAlreadyExists) {
      platform::SetLastError(err);
      return uc::kMakeFolderFailed;
    }
  }
  return uc::kSuccess;
}

bool CUtility::FileExists(std::string_view path) { return platform::fs::FileExists(path); }

bool CUtility::FolderExists(std::string_view path) { return platform::fs::DirectoryExists(path); }

bool CUtility::AccessTest(std::string_view path) {
  auto attributes = platform::fs::GetAttributes(path);
  if (!attributes) return false;
  // The read-only attribute refuses writing to everyone, root included.
  if (*attributes & platform::fs::kFileAttributeReadOnly) return false;
  return platform::fs::CanReadWrite(path);
}

std::string CUtility::ProgramFilesFolder() { return platform::GetKnownFolder(platform::KnownFolder::kProgramFiles); }

std::string CUtility::SystemMessage(uint32_t error) { return platform::SystemMessage(error); }

std::string CUtility::To8Bit(std::string_view text) { return platform::Utf8ToAnsi(text); }

namespace {

// HRESULTs a registration entry point gives back.
constexpr int32_t kSOk = 0;
constexpr int32_t kSelfRegETypeLib = static_cast<int32_t>(0x80040200);
constexpr int32_t kSelfRegEClass = static_cast<int32_t>(0x80040201);
constexpr int32_t kEAccessDenied = static_cast<int32_t>(0x80070005);

using RegisterEntry = int32_t (*)();

}  // namespace

int RegDLL(std::string_view path, int direction) {
  // The personality has no COM apartments or critical-error boxes to set
  // up; loading the library is the first real step.
  auto library = platform::Library::Load(path);
  if (!library) {
    platform::SetLastError(library.error());
    Trace("RegDLL Fail. %s", platform::SystemMessage(library.error()).c_str());
    return library.error() == platform::kErrorAccessDenied ? uc::kAccessDenied : uc::kRegisterFailed;
  }

  const char* entryName = direction != 0 ? "DllRegisterServer" : "DllUnregisterServer";
  auto entry = reinterpret_cast<RegisterEntry>(library->GetProcAddress(entryName));
  if (!entry) {
    std::string lower = platform::ToLowerAscii(path);
    bool libraryName = lower.find(".dll") != std::string::npos || lower.find(".ocx") != std::string::npos;
    return libraryName ? uc::kMissingExport : uc::kNotLibrary;
  }

  int32_t result = entry();
  const char* text = "Unknown";
  int code = uc::kSuccess;
  if (result == kSOk) {
    text = "The registry entries were created successfully.";
  } else if (result == kSelfRegETypeLib) {
    text = "The server was unable to complete the registration of all the type libraries used by its classes. ";
    code = uc::kAccessDenied;
  } else if (result == kSelfRegEClass || result == kEAccessDenied) {
    text = "The server was unable to complete the registration of all the object classes.";
    code = uc::kAccessDenied;
  } else {
    Trace("RegDLL Fail...[0x%x]", static_cast<unsigned>(result));
    code = result < 0 ? uc::kRegisterFailed : uc::kSuccess;
  }
  Trace("RegDLL [%s]", text);

  *library = platform::Library();
  // Give what the entry point started (threads writing the registry) a
  // moment before we go on.
  if (code == uc::kSuccess) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return code;
}
