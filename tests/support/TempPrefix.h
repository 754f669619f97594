#pragma once

#include <string>

#include "platform/sim/Prefix.h"

// A fresh prefix in a temporary folder for one test: VAMO_PREFIX points at it
// while the object lives, and the folder is removed afterwards. The default
// constructor initialises it with the default facts (Windows 7 SP1 x64).
class TempPrefix {
 public:
  TempPrefix();
  explicit TempPrefix(const platform::PrefixOptions& options);
  ~TempPrefix();
  TempPrefix(const TempPrefix&) = delete;
  TempPrefix& operator=(const TempPrefix&) = delete;

  const std::string& Root() const { return m_strRoot; }
  // Host path of drive C:'s root.
  std::string DriveC() const { return m_strRoot + "/drive_c"; }

 private:
  std::string m_strRoot;
  std::string m_strOldPrefix;
  bool m_bHadOldPrefix = false;
};

// A temporary host folder removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return m_strPath; }
  // Writes a file below the folder and returns its host path.
  std::string WriteFile(const std::string& name, const std::string& bytes) const;

 private:
  std::string m_strPath;
};

// Whole content of a host file ("" when missing).
std::string ReadHostFile(const std::string& path);
