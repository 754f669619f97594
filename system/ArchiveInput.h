#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/fs/FileStream.h"

// An archive file opened by Windows path and read at any position through
// one window of its bytes. The zip library seeks before nearly every read
// and reads headers a few bytes at a time; those reads are served from the
// window, and only reads that leave it reach the file.
class CArchiveInput {
 public:
  CArchiveInput() = default;
  CArchiveInput(const CArchiveInput&) = delete;
  CArchiveInput& operator=(const CArchiveInput&) = delete;

  // False when the file cannot be opened for reading.
  bool Open(std::string_view path);
  void Close();
  bool IsOpen() const { return m_file.IsOpen(); }

  // Up to size bytes from the position, which moves past them; fewer only at
  // the end of the file. nullopt on a read error (Failed() then holds).
  std::optional<size_t> Read(uint8_t* buffer, size_t size);
  // Sets the position; reading there is what touches the file.
  void Seek(uint64_t position) { m_nPosition = position; }
  uint64_t Tell() const { return m_nPosition; }
  std::optional<uint64_t> Size() const;
  bool Failed() const { return m_bFailed; }

 private:
  // Loads the window from the position, reading at least `least` bytes'
  // worth when the file has them; false on a read error.
  bool LoadWindow(size_t least);
  // Reads at the position straight into the buffer.
  std::optional<size_t> ReadFile(uint64_t position, uint8_t* buffer, size_t size);

  platform::fs::FileStream m_file;
  uint64_t m_nFilePosition = 0;  // where the file stands, to skip needless seeks
  std::vector<uint8_t> m_window;
  uint64_t m_nWindowStart = 0;
  size_t m_nWindowLength = 0;
  uint64_t m_nPosition = 0;
  bool m_bFailed = false;
};
