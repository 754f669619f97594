#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string_view>

#include "platform/core/Win32Error.h"

namespace platform::fs {

// A read-only view of a whole file (CreateFileMapping + MapViewOfFile), for
// readers of large files that only look at the bytes. Move-only; the view is
// unmapped when the object goes.
class MappedFile {
 public:
  // Maps the file named by a Windows path. Fails with the error Windows
  // would give: kErrorFileNotFound / kErrorPathNotFound / kErrorAccessDenied,
  // kErrorAccessDenied for a folder or anything else that is no
  // regular file. An empty file gives an empty view.
  static std::expected<MappedFile, Win32Error> Open(std::string_view path);

  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();

  std::span<const uint8_t> Bytes() const { return {m_pData, m_nSize}; }

 private:
  MappedFile(const uint8_t* data, size_t size) : m_pData(data), m_nSize(size) {}
  void Release();

  const uint8_t* m_pData = nullptr;
  size_t m_nSize = 0;
};

}  // namespace platform::fs
