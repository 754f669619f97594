#include "platform/gui/FileDialog.h"

#include <string>
#include <vector>

#include "platform/core/Wide_win32.h"
#include "platform/gui/FileFilter.h"
#include "platform/gui/Window.h"

namespace platform::gui {

namespace {

// The filter as OPENFILENAMEW wants it: description NUL patterns NUL ...,
// patterns joined by ";", the list ended by a second NUL.
std::wstring NativeFilter(std::string_view filter) {
  std::wstring list;
  for (const FileFilter& entry : ParseFileFilter(filter)) {
    std::string patterns;
    for (const std::string& pattern : entry.patterns) patterns += (patterns.empty() ? "" : ";") + pattern;
    list += Widen(entry.description) + L'\0' + Widen(patterns) + L'\0';
  }
  return list + L'\0';
}

// The longest path the dialog may hand back, terminator included.
constexpr size_t kPathCapacity = 32768;

}  // namespace

intptr_t FileDialog::DoModal() {
  const std::wstring filter = NativeFilter(m_strFilter);
  const std::wstring defExt = Widen(m_strDefExt);
  const std::wstring initialDir = Widen(m_strInitialDir);
  const std::wstring title = Widen(m_strTitle);
  std::wstring file = Widen(m_bOpen ? m_strFileName : m_strFileName.substr(FileNameStart(m_strFileName)));
  if (file.size() >= kPathCapacity) file.clear();
  file.resize(kPathCapacity, L'\0');

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr;
  ofn.lpstrFilter = filter.size() > 1 ? filter.c_str() : nullptr;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.lpstrDefExt = defExt.empty() ? nullptr : defExt.c_str();
  ofn.Flags = m_dwFlags | OFN_EXPLORER | OFN_NOCHANGEDIR;
  const BOOL chosen = m_bOpen ? ::GetOpenFileNameW(&ofn) : ::GetSaveFileNameW(&ofn);
  if (!chosen) return IDCANCEL;
  m_strPathName = Narrow(std::wstring_view(file.c_str()));
  return IDOK;
}

}  // namespace platform::gui
