#pragma once

#include <string>
#include <vector>

#include "platform/fs/FileStream.h"
#include "transfer/DownloadSink.h"

// A download into a file (Windows path). The bytes go to a temporary file in
// the same folder, which replaces the target only on Commit; Discard removes
// the temporary file and also any older file at the target path, so a failed
// download never leaves a partial or a stale file that a later check could
// take for the new one.
class CFileSink : public IDownloadSink {
 public:
  explicit CFileSink(std::string windowsPath);
  ~CFileSink() override;
  CFileSink(const CFileSink&) = delete;
  CFileSink& operator=(const CFileSink&) = delete;

  bool Open(std::string& errorText) override;
  bool Write(std::span<const uint8_t> bytes, std::string& errorText) override;
  bool Commit(std::string& errorText) override;
  void Discard() override;

 private:
  bool Flush(std::string& errorText);
  void RemoveTemporary();

  std::string m_strPath;
  std::string m_strTempPath;
  platform::fs::FileStream m_file;
  // The transfer hands over small pieces; they reach the disk in larger ones.
  std::vector<uint8_t> m_buffer;
};
