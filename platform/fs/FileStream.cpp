#include "platform/fs/FileStream.h"

#include <utility>

// What a stream is apart from the system's calls: ownership of one handle.
namespace platform::fs {

FileStream::~FileStream() { Close(); }

FileStream::FileStream(FileStream&& other) noexcept : m_handle(std::exchange(other.m_handle, kNoNativeHandle)) {}

FileStream& FileStream::operator=(FileStream&& other) noexcept {
  if (this != &other) {
    Close();
    m_handle = std::exchange(other.m_handle, kNoNativeHandle);
  }
  return *this;
}

Win32Error FileStream::Write(std::string_view bytes) {
  return Write(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace platform::fs
