#include "platform/library/Library.h"

#include <windows.h>

#include <utility>

#include "platform/core/Wide_win32.h"

namespace platform {

namespace {

thread_local std::string t_lastDetail;

// LoadLibraryExW maps a program as well as a library but runs neither's
// entry point for a program; the image header tells which it mapped.
bool IsProgramImage(HMODULE module) {
  const auto* base = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(module) & ~ULONG_PTR{3});
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  return (nt->FileHeader.Characteristics & IMAGE_FILE_DLL) == 0;
}

}  // namespace

void Library::Reset() {
  if (m_handle) ::FreeLibrary(static_cast<HMODULE>(m_handle));
  m_handle = nullptr;
  m_bImageOnly = false;
}

std::string Library::LastLoadDetail() { return t_lastDetail; }

std::expected<Library, Win32Error> Library::Load(std::string_view path) {
  t_lastDetail.clear();
  // The altered search order looks for the library's own dependencies in its
  // folder first, as regsvr32 does; no "the disk is missing" box may stop us.
  const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = ::LoadLibraryExW(Widen(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const Win32Error error = module ? kErrorSuccess : LastError();
  ::SetErrorMode(oldMode);
  if (!module) {
    t_lastDetail = SystemMessage(error);
    return std::unexpected(error);
  }
  Library library;
  library.m_handle = module;
  library.m_bImageOnly = IsProgramImage(module);
  return library;
}

void* Library::GetProcAddress(const char* name) const {
  if (!m_handle || !name || m_bImageOnly) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(m_handle), name));
}

}  // namespace platform
