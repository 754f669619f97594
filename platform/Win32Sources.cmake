# Windows: the real Win32 API behind the neutral headers, one backend per
# service, listed by name as on Linux.
set(platform_win32
  cabinet/Cabinet_win32.cpp
  console/Console_win32.cpp
  core/Wide_win32.cpp
  core/Win32Error_win32.cpp
  debug/DebugOutput_win32.cpp
  fs/DirectoryList_win32.cpp
  fs/FileOperations_win32.cpp
  fs/FileStream_win32.cpp
  fs/FileSystem_win32.cpp
  fs/Path_win32.cpp
  fs/PendingFile_win32.cpp
  http/HttpClient_wininet.cpp
  library/Library_win32.cpp
  process/ProcessEnvironment_win32.cpp
  process/Process_win32.cpp
  process/ProgramArguments_win32.cpp
  process/ProgramFile_win32.cpp
  registry/Registry_win32.cpp
  resources/ModuleResources_win32.cpp
  security/Security_win32.cpp
  sync/NamedMutex_win32.cpp
  sysinfo/KnownFolders_win32.cpp
  sysinfo/WindowsVersion_win32.cpp
  text/CodePage_win32.cpp
  text/LocalTime_win32.cpp
  trust/SystemStores_win32.cpp
  # The OpenSSL Authenticode verifier over the Windows certificate stores,
  # until the WinTrust one takes its place.
  trust/Authenticode.cpp
)

# The system DLLs the backends call into (import libraries of mingw-w64).
#   advapi32  registry, tokens and SIDs, GetUserNameW
#   netapi32  NetUserGetLocalGroups
#   shell32   SHGetKnownFolderPath, ShellExecuteExW; ole32 CoTaskMemFree; uuid FOLDERID_*
#   user32    LoadStringW
#   crypt32   CertOpenSystemStoreW (the certificate stores)
#   setupapi  SetupIterateCabinetW
#   wininet   the HTTP client
set(platform_win32_libs
  advapi32
  crypt32
  netapi32
  shell32
  ole32
  setupapi
  uuid
  user32
  wininet
)
