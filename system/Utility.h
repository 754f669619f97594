#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {
class ProgramFile;
namespace fs {
class CopyCheck;
class FileStream;
}  // namespace fs
}  // namespace platform

// The file and process operations that installing an item needs. Plain
// functions without state; each returns 0 for success or a negative code of
// system/UtilityCodes.h, writes its failures to the trace channel and never
// throws. Paths are Windows paths.
class CUtility {
 public:
  // Copies source to target, making the target folder first when it is not
  // empty. A read-only target is made writable first. The target is
  // replaced atomically: after a failure (or a killed process) it is the old
  // file, whole. Returns 0, -9024 (make folder path), -9027 (the target is
  // a running program or locked by another process), -9028 (disk full) or
  // -9026 (anything else).
  static int CopyFile(std::string_view source, std::string_view targetFolder, std::string_view target);

  // The same copy from a source the caller holds open (`source` names it in
  // the trace lines): its bytes are read from its start through that open
  // file. With a check, the target is replaced only when the check accepts
  // the bytes (else -9026 and the target stays as it was). The new file can
  // be run by anyone and changed only by its owner.
  static int CopyFile(platform::fs::FileStream& sourceFile, std::string_view source, std::string_view targetFolder,
                      std::string_view target, platform::fs::CopyCheck* check);

  // Deletes a file; a missing file is a failure (-9011). The codes -9010 to
  // -9023 and -9027 name the cause (see the table in Utility.cpp).
  static int DeleteFile(std::string_view path);

  // Starts the program with the argument text and waits without limit for
  // its end; its exit code is not looked at. Returns 0, or -9011 ... -9034
  // when it could not be started (it is then not waited for).
  static int ExecuteWait(std::string_view program, std::string_view arguments);
  // The same for a program the caller holds open (`program` names it in the
  // trace line): exactly that open file is started.
  static int ExecuteWait(const platform::ProgramFile& programFile, std::string_view program,
                         std::string_view arguments);
  // The same for a program a cabinet's INF runs (its setup hook): no
  // security-zone prompt for the freshly extracted program.
  static int ExecuteWaitHook(std::string_view program, std::string_view arguments);

  // Creates every missing folder of the path, outermost first. 0 when the
  // path exists afterwards (or already did), -9012 for an empty path, -9024
  // when a level could not be created (the levels made before stay).
  static int MakeFolderPath(std::string_view path);

  static bool FileExists(std::string_view path);    // an existing file, not a folder
  static bool FolderExists(std::string_view path);  // an existing folder
  // The path can be opened for reading and writing; a read-only file cannot.
  static bool AccessTest(std::string_view path);
  // The program-files folder; empty when there is none.
  static std::string ProgramFilesFolder();
  // The system's text for a Win32 error, empty when it has none.
  static std::string SystemMessage(uint32_t error);
  // The text in the system's ANSI code page (unknown characters as "?").
  static std::string To8Bit(std::string_view text);
};

// Registers (direction non-zero) or unregisters (0) a self-registering
// library by calling its DllRegisterServer / DllUnregisterServer. Returns 0,
// -9014 (access denied, or the library refused), -9003 (not loadable, or the
// entry point failed), -9002 (a .dll/.ocx without the entry point) or -9001
// (another file without it).
int RegDLL(std::string_view path, int direction);
