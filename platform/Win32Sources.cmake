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
  fs/HeldImageFile_win32.cpp
  fs/Path_win32.cpp
  fs/PendingFile_win32.cpp
  http/HttpClient_wininet.cpp
  library/Library_win32.cpp
  net/AdapterDevice_win32.cpp
  net/AdaptersInfo_win32.cpp
  net/IcmpSocket_win32.cpp
  net/NetworkGuard_win32.cpp
  net/NetworkParams_win32.cpp
  net/Resolver_win32.cpp
  net/SocketAddress_win32.cpp
  net/SocketLayer_win32.cpp
  net/Socket_win32.cpp
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
  trust/Authenticode_wintrust.cpp
  trust/SystemStores_win32.cpp
)

# Test and development builds probe the network only inside one made for
# them (the lab's marker); the Release configuration, what users run, has
# no such guard.
set_source_files_properties(net/NetworkGuard_win32.cpp PROPERTIES
  COMPILE_DEFINITIONS $<$<NOT:$<CONFIG:Release>>:VAMO_NETWORK_GUARD>)

# The system DLLs the backends call into (import libraries of mingw-w64).
#   advapi32  registry, tokens and SIDs, GetUserNameW
#   netapi32  NetUserGetLocalGroups
#   shell32   SHGetKnownFolderPath, ShellExecuteExW; ole32 CoTaskMemFree; uuid FOLDERID_*
#   user32    LoadStringW
#   crypt32   CertOpenSystemStoreW (the certificate stores), the chain policy
#   wintrust  WinVerifyTrust (Authenticode)
#   setupapi  SetupIterateCabinetW
#   ws2_32    Winsock; iphlpapi  GetAdaptersInfo, GetNetworkParams, IcmpSendEcho2
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
  wintrust
  ws2_32
  iphlpapi
  wininet
)

# The window layer's GDI and shell backends (the library vamo_platform_gui).
set(platform_gui_win32
  gui/Bitmap_win32.cpp
  gui/Button_win32.cpp
  gui/DC_win32.cpp
  gui/Dialog_win32.cpp
  gui/DesktopWindows_win32.cpp
  gui/FileDialog_win32.cpp
  gui/Font_win32.cpp
  gui/Icon_win32.cpp
  gui/MessageBox_win32.cpp
  gui/Shell_win32.cpp
  gui/UiThread_win32.cpp
  gui/Window_win32.cpp
)
#   gdi32     device contexts, bitmaps, fonts, text
#   user32    FillRect, DrawTextW, DrawIconEx, LoadImageW, MessageBoxW, FindWindowW,
#             the windows, dialogs, timers and message loops
#   comdlg32  GetSaveFileNameW, GetOpenFileNameW
#   shell32   ShellExecuteExW
set(platform_gui_win32_libs
  gdi32
  user32
  comdlg32
  shell32
)
