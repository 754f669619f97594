#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "platform/core/Win32Error.h"

// Loadable libraries: a Windows DLL of the personality is an ELF shared
// object, loaded with all its symbols resolved at once and kept private to
// the caller (RTLD_NOW | RTLD_LOCAL).
namespace platform {

class Library {
 public:
  Library() = default;
  ~Library();
  Library(Library&& other) noexcept;
  Library& operator=(Library&& other) noexcept;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // LoadLibraryExW. An ELF executable cannot be loaded as a library on the
  // host; like a Windows program loaded with LoadLibrary it is accepted as
  // an image whose code is never run, so it offers no entry points.
  // Failures: kErrorModNotFound (missing file or folder), kErrorAccessDenied
  // (not readable), kErrorBadExeFormat (not an ELF object of this machine,
  // or unresolved dependencies/symbols: the loader's message is in Detail()).
  static std::expected<Library, Win32Error> Load(std::string_view path);

  // GetProcAddress: the exported function, or nullptr when there is none.
  void* GetProcAddress(const char* name) const;

  bool IsImageOnly() const { return m_bImageOnly; }
  // The host loader's message of the last failed Load on this thread.
  static std::string LastLoadDetail();

 private:
  void Reset();

  void* m_handle = nullptr;
  bool m_bImageOnly = false;
};

}  // namespace platform
