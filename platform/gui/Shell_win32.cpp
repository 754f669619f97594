#include "platform/gui/Shell.h"

#include <shellapi.h>

#include "platform/core/Wide_win32.h"

namespace platform::gui {

// ShellExecuteExW "open" of iexplore.exe with the address as its parameters,
// shown; no process handle is asked for, nothing waits for the browser, and
// SEE_MASK_FLAG_NO_UI keeps a failure from opening an error box.
BOOL OpenUrlInBrowser(std::string_view url) {
  if (url.empty()) return FALSE;
  const std::wstring parameters = Widen(url);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = L"iexplore.exe";
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOW;
  return ::ShellExecuteExW(&info) ? TRUE : FALSE;
}

}  // namespace platform::gui
