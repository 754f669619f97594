#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "platform/core/Errno_posix.h"
#include "platform/sim/HostPath.h"
#include "platform/core/ScopedFd_posix.h"
#include "platform/fs/Path.h"
#include "platform/library/Library.h"

// A Windows DLL of the personality is an ELF shared object, loaded with all
// its symbols resolved at once and kept private to the caller (RTLD_NOW |
// RTLD_LOCAL). An ELF executable cannot be loaded as a library on the host;
// like a Windows program loaded with LoadLibrary it is accepted as an image
// whose code is never run, so it offers no entry points. Unresolved
// dependencies or symbols give kErrorBadExeFormat with dlerror's text.
namespace platform {

namespace {

thread_local std::string t_lastDetail;

// An ELF file the dynamic loader refuses because it is a program: a classic
// executable, or a position-independent one (a shared object type with a
// program interpreter and the PIE flag).
bool IsElfExecutable(int fd) {
  Elf64_Ehdr header;
  if (::pread(fd, &header, sizeof header, 0) != static_cast<ssize_t>(sizeof header)) return false;
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64) return false;
  if (header.e_type == ET_EXEC) return true;
  if (header.e_type != ET_DYN || header.e_phentsize != sizeof(Elf64_Phdr)) return false;
  for (unsigned i = 0; i < header.e_phnum; ++i) {
    Elf64_Phdr ph;
    off_t at = static_cast<off_t>(header.e_phoff + i * sizeof ph);
    if (::pread(fd, &ph, sizeof ph, at) != static_cast<ssize_t>(sizeof ph)) return false;
    if (ph.p_type == PT_INTERP) return true;
  }
  return false;
}

}  // namespace

void Library::Reset() {
  if (m_handle) ::dlclose(m_handle);
  m_handle = nullptr;
  m_bImageOnly = false;
}

std::string Library::LastLoadDetail() { return t_lastDetail; }

std::expected<Library, Win32Error> Library::Load(std::string_view path) {
  t_lastDetail.clear();
  std::string host = ToHostPath(path);
  if (host.empty()) return std::unexpected(kErrorModNotFound);
  // Open it ourselves first: dlopen only says "cannot open", and a Windows
  // caller needs to know missing from forbidden.
  ScopedFd fd(::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd.Valid()) {
    if (errno == ENOENT || errno == ENOTDIR) return std::unexpected(kErrorModNotFound);
    if (errno == EACCES || errno == EPERM) return std::unexpected(kErrorAccessDenied);
    return std::unexpected(Win32ErrorFromErrno(errno));
  }
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) return std::unexpected(Win32ErrorFromErrno(errno));
  if (S_ISDIR(st.st_mode)) return std::unexpected(kErrorAccessDenied);

  Library library;
  // A path with a slash is never searched for; the host path always has one.
  library.m_handle = ::dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library.m_handle) return library;
  const char* detail = ::dlerror();
  t_lastDetail = detail ? detail : "";
  if (IsElfExecutable(fd.Get())) {
    library.m_bImageOnly = true;
    return library;
  }
  return std::unexpected(kErrorBadExeFormat);
}

void* Library::GetProcAddress(const char* name) const {
  if (!m_handle || !name) return nullptr;
  ::dlerror();
  return ::dlsym(m_handle, name);
}

}  // namespace platform
