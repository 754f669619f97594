# Windows: the real Win32 API behind the neutral headers, one backend per
# service, listed by name as on Linux.
set(platform_win32
  cabinet/Cabinet_win32.cpp
  core/Wide_win32.cpp
  process/ProgramArguments_win32.cpp
  trust/SystemStores_win32.cpp
  # The OpenSSL Authenticode verifier over the Windows certificate stores,
  # until the WinTrust one takes its place.
  trust/Authenticode.cpp
  fs/DirectoryList_win32.cpp
  fs/FileOperations_win32.cpp
  fs/FileStream_win32.cpp
  fs/FileSystem_win32.cpp
  fs/Path_win32.cpp
  fs/PendingFile_win32.cpp
)

# The system DLLs the backends call into (import libraries of mingw-w64).
set(platform_win32_libs
  crypt32
  setupapi
  shell32
)
