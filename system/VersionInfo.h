#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Reads string values out of the version resource of an executable file
// (or of the running program itself). Strings are returned as UTF-8.
class CVersionInfo {
 public:
  CVersionInfo() = default;
  virtual ~CVersionInfo();
  CVersionInfo(const CVersionInfo&) = delete;
  CVersionInfo& operator=(const CVersionInfo&) = delete;

  // Loads the version block of the file (a Windows path) and takes its first
  // translation entry. Returns false, with nothing loaded, when the file has
  // no version resource, cannot be read or has no translation table. A
  // second call first drops what the first one loaded.
  bool Load(const std::string& strPath);

  // The value of "\StringFileInfo\<translation>\<key>", with the given
  // translation or, when it is 0, the loaded one. Empty when nothing is
  // loaded or the key is not there.
  std::string GetString(const std::string& strKey, uint32_t dwTranslation = 0) const;
  std::string GetFileDescription() const { return GetString("FileDescription"); }
  std::string GetFileVersion() const { return GetString("FileVersion"); }
  std::string GetProductName() const { return GetString("ProductName"); }

  // Language in the high 16 bits, code page in the low 16 bits.
  uint32_t GetTranslation() const { return m_dwTranslation; }
  bool IsLoaded() const { return m_pBlock != nullptr; }

  // Drops the block; translation back to 0.
  void Reset();

 private:
  std::unique_ptr<uint8_t[]> m_pBlock;
  uint32_t m_nBlockSize = 0;
  uint32_t m_dwTranslation = 0;
};
