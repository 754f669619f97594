#pragma once

#include <memory>
#include <string>
#include <string_view>

// A place of its own for one test, the same on both systems: an empty folder
// (a Windows path) and an empty registry key under HKEY_CURRENT_USER, removed
// with everything in them at the end. On Linux both live in a fresh prefix; on
// Windows in the user's temporary folder and the real registry.
class ScratchSpace {
 public:
  ScratchSpace();
  ~ScratchSpace();
  ScratchSpace(const ScratchSpace&) = delete;
  ScratchSpace& operator=(const ScratchSpace&) = delete;

  // "C:\...\vamo-test-..." without a trailing backslash.
  const std::string& Folder() const { return m_strFolder; }
  // Folder() + "\" + name.
  std::string PathOf(std::string_view name) const;
  // The key below HKEY_CURRENT_USER, "Software\VamoTest\...".
  const std::string& RegistryKey() const { return m_strKey; }

 private:
  struct System;
  std::unique_ptr<System> m_pSystem;  // what the system needs to clean up
  std::string m_strFolder;
  std::string m_strKey;
};

// Removes a folder and everything below it through the files service;
// true when nothing of it remains.
bool RemoveFolderTree(std::string_view folder);
