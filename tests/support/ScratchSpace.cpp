#include "tests/support/ScratchSpace.h"

#include "platform/fs/DirectoryList.h"
#include "platform/fs/FileOperations.h"
#include "platform/fs/FileStream.h"
#include "platform/fs/FileSystem.h"

std::string ScratchSpace::PathOf(std::string_view name) const { return m_strFolder + "\\" + std::string(name); }

bool RemoveFolderTree(std::string_view folder) {
  auto entries = platform::fs::ListDirectory(folder);
  if (!entries) return !platform::fs::DirectoryExists(folder);
  for (const auto& entry : *entries) {
    std::string path = std::string(folder) + "\\" + entry.name;
    if (entry.isDirectory) {
      RemoveFolderTree(path);
    } else {
      // A test may leave a file read-only; the folder goes all the same.
      platform::fs::SetAttributes(path, platform::fs::kFileAttributeNormal);
      platform::fs::RemoveFile(path);
    }
  }
  return platform::fs::RemoveEmptyDirectory(folder) == platform::kErrorSuccess;
}
