#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "platform/core/Win32Error.h"

// Loadable libraries (DLLs): loaded into the process, their exported
// functions found by name, unloaded when the object goes.
namespace platform {

class Library {
 public:
  Library() = default;
  ~Library();
  Library(Library&& other) noexcept;
  Library& operator=(Library&& other) noexcept;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // LoadLibraryExW of a full path; the library's own folder is searched for
  // the libraries it needs. A program (not a library) is accepted as an
  // image whose code is never run: IsImageOnly() is true.
  // Failures: kErrorModNotFound (missing file, folder or dependency),
  // kErrorAccessDenied (not readable, or a folder), kErrorBadExeFormat (not
  // an image for this machine); the loader's words are in LastLoadDetail().
  static std::expected<Library, Win32Error> Load(std::string_view path);

  // GetProcAddress: the exported function, or nullptr when there is none.
  void* GetProcAddress(const char* name) const;

  bool IsImageOnly() const { return m_bImageOnly; }
  // The loader's message of the last failed Load on this thread.
  static std::string LastLoadDetail();

 private:
  void Reset();

  void* m_handle = nullptr;  // the HMODULE on Windows
  bool m_bImageOnly = false;
};

}  // namespace platform
