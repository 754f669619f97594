#pragma once

#include <cstdio>
#include <memory>
#include <string>

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
  struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  std::string m_strPath;
  std::string m_strHostPath;
  std::string m_strTempHostPath;
  std::unique_ptr<std::FILE, FileClose> m_file;
  std::unique_ptr<char[]> m_buffer;
};
