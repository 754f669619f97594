#include "platform/cabinet/Cabinet.h"

#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <exception>
#include <optional>
#include <string>

#include "platform/core/Wide_win32.h"
#include "platform/fs/FileStream.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/HeldImageFile_win32.h"
#include "platform/fs/Path.h"

namespace platform::cabinet {

namespace {

CabinetFile Describe(const FILE_IN_CABINET_INFO_W& info) {
  CabinetFile file;
  file.name = Narrow(info.NameInCabinet);
  file.size = info.FileSize;
  file.attributes = info.DosAttribs;
  return file;
}

// What one iteration needs between SetupAPI's notifications: the caller's
// callback (none when only listing), the files seen, and the file being
// extracted, whose FILEEXTRACTED notification names only the target.
struct Iteration {
  ICabinetCallback* callback = nullptr;
  std::vector<CabinetFile> listed;
  CabinetFile current;
  std::string target;
  // An exception of the caller's code stops the iteration; it cannot cross
  // SetupAPI's frames.
  bool failed = false;
};

// SPFILENOTIFY_FILEINCABINET: our own name check comes first, so a hostile
// name never reaches the callback nor SetupAPI's extraction.
UINT FileInCabinet(Iteration& run, FILE_IN_CABINET_INFO_W& info) {
  CabinetFile file = Describe(info);
  if (run.callback == nullptr) {
    run.listed.push_back(std::move(file));
    return FILEOP_SKIP;
  }
  if (!IsSafeMemberName(file.name)) {
    run.callback->NameRefused(file);
    return FILEOP_SKIP;
  }
  std::optional<std::string> target = run.callback->FileInCabinet(file);
  if (!target) return FILEOP_SKIP;
  SplitPath parts = SplitWindowsPath(*target);
  if (!parts.dir.empty()) {
    if (Win32Error made = fs::CreateDirectoryPath(parts.drive + parts.dir); made != kErrorSuccess) {
      run.callback->FileExtracted(file, *target, made);
      return FILEOP_SKIP;
    }
  }
  // SetupAPI takes the target in a MAX_PATH buffer; a longer one is refused
  // here instead of cut.
  const std::wstring wide = Widen(*target);
  if (wide.size() >= MAX_PATH) {
    run.callback->FileExtracted(file, *target, kErrorFilenameExcedRange);
    return FILEOP_SKIP;
  }
  std::wmemcpy(info.FullTargetName, wide.c_str(), wide.size() + 1);
  run.current = std::move(file);
  run.target = std::move(*target);
  return FILEOP_DOIT;
}

UINT CALLBACK OnNotification(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR /*param2*/) {
  Iteration& run = *static_cast<Iteration*>(context);
  try {
    switch (notification) {
      case SPFILENOTIFY_FILEINCABINET:
        return FileInCabinet(run, *reinterpret_cast<FILE_IN_CABINET_INFO_W*>(param1));
      case SPFILENOTIFY_FILEEXTRACTED:
        // NO_ERROR goes on with the next file; a file that failed is
        // reported and the rest still extracted.
        if (run.callback != nullptr) {
          run.callback->FileExtracted(run.current, run.target, reinterpret_cast<FILEPATHS_W*>(param1)->Win32Error);
        }
        return NO_ERROR;
      case SPFILENOTIFY_NEEDNEWCABINET:
        // A file continued in a following cabinet: only the one cabinet
        // named is read.
        return ERROR_FILE_NOT_FOUND;
      default:
        return NO_ERROR;
    }
  } catch (const std::exception&) {
    run.failed = true;
    return notification == SPFILENOTIFY_FILEINCABINET ? FILEOP_ABORT : ERROR_NOT_ENOUGH_MEMORY;
  }
}

// Wine 8's SetupIterateCabinetW takes any file for an empty cabinet and
// reports success, where Windows answers ERROR_INVALID_DATA: a file that does
// not start with the cabinet signature is refused here, on both. A file that
// cannot be opened is left to SetupAPI, whose error names why.
bool LacksCabinetSignature(std::string_view cabinetPath) {
  fs::FileStream stream;
  if (stream.Open(cabinetPath, fs::FileMode::kReadFile) != kErrorSuccess) return false;
  uint8_t head[4] = {};
  size_t nRead = 0;
  while (nRead < sizeof head) {
    auto got = stream.Read(std::span(head + nRead, sizeof head - nRead));
    if (!got || *got == 0) break;
    nRead += *got;
  }
  return nRead < sizeof head || std::memcmp(head, "MSCF", sizeof head) != 0;
}

Win32Error Iterate(std::string_view cabinetPath, Iteration& run) {
  if (LacksCabinetSignature(cabinetPath)) return kErrorInvalidData;
  if (!SetupIterateCabinetW(Widen(cabinetPath).c_str(), 0, &OnNotification, &run)) {
    return run.failed ? kErrorNotEnoughMemory : LastError();
  }
  return run.failed ? kErrorNotEnoughMemory : kErrorSuccess;
}

}  // namespace

std::expected<std::vector<CabinetFile>, Win32Error> ListCabinet(std::string_view cabinetPath) {
  Iteration run;
  if (Win32Error error = Iterate(cabinetPath, run); error != kErrorSuccess) return std::unexpected(error);
  return std::move(run.listed);
}

Win32Error IterateCabinet(std::string_view cabinetPath, ICabinetCallback& callback) {
  Iteration run;
  run.callback = &callback;
  return Iterate(cabinetPath, run);
}

Win32Error IterateCabinet(std::span<const uint8_t> image, ICabinetCallback& callback) {
  // SetupAPI reads cabinets from files only.
  fs::HeldImageFile file(L"cab");
  if (Win32Error error = file.Write(image); error != kErrorSuccess) return error;
  return IterateCabinet(file.Path(), callback);
}

}  // namespace platform::cabinet
