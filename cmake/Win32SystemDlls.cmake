# The DLLs a Windows program of ours may import: those of Windows 7 and later
# (regular expressions over upper-case names). Anything else would have to be
# shipped beside the program, and the wizard ships as a single executable.
set(VAMO_WIN32_SYSTEM_DLLS
  KERNEL32\\.DLL USER32\\.DLL GDI32\\.DLL ADVAPI32\\.DLL SHELL32\\.DLL OLE32\\.DLL
  OLEAUT32\\.DLL WS2_32\\.DLL IPHLPAPI\\.DLL WININET\\.DLL WINTRUST\\.DLL
  CRYPT32\\.DLL SETUPAPI\\.DLL ADVPACK\\.DLL COMCTL32\\.DLL COMDLG32\\.DLL
  SHLWAPI\\.DLL VERSION\\.DLL MSIMG32\\.DLL UXTHEME\\.DLL PSAPI\\.DLL DNSAPI\\.DLL
  BCRYPT\\.DLL USERENV\\.DLL SECUR32\\.DLL NTDLL\\.DLL NETAPI32\\.DLL
  # The C runtime: msvcrt on Windows 7, the universal CRT's forwarders later.
  MSVCRT\\.DLL API-MS-WIN-CRT-[A-Z0-9-]+\\.DLL)
