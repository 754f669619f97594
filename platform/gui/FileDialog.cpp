#include "platform/gui/FileDialog.h"

#include "platform/gui/FileFilter.h"

namespace platform::gui {

FileDialog::FileDialog(BOOL bOpenFileDialog, std::string_view defExt, std::string_view fileName, DWORD dwFlags,
                       std::string_view filter, Window* pParentWnd)
    : m_bOpen(bOpenFileDialog != FALSE),
      m_strDefExt(defExt),
      m_strFileName(fileName),
      m_dwFlags(dwFlags),
      m_strFilter(filter),
      m_pParentWnd(pParentWnd) {}

std::string FileDialog::GetFileName() const { return m_strPathName.substr(FileNameStart(m_strPathName)); }

std::string FileDialog::GetFileExt() const {
  const std::string name = GetFileName();
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

}  // namespace platform::gui
