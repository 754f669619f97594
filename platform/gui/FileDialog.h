#pragma once

#include <string>
#include <string_view>

#include "platform/gui/WinUser.h"

namespace platform::gui {

class Window;

// An open or save dialog, used as CFileDialog is: the common dialog
// (GetOpenFileNameW, GetSaveFileNameW) on Windows, the toolkit's own on Linux.
//
// The filter is MFC's "description|pattern|...||" string; patterns are
// separated by ";". A pair whose pattern is empty ("*.rpt||") uses its
// description as the pattern. With OFN_OVERWRITEPROMPT the save dialog asks
// before it returns an existing file. Paths are Windows paths (on Linux the
// chosen host file comes back on drive Z:, or C: inside the prefix). The
// dialog stays within the screen its owner is on, centred on the owner.
class FileDialog {
 public:
  FileDialog(BOOL bOpenFileDialog, std::string_view defExt = {}, std::string_view fileName = {},
             DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, std::string_view filter = {},
             Window* pParentWnd = nullptr);

  // IDOK when the user chose a file, IDCANCEL when they cancelled (or there
  // is no display). The owner is disabled while the dialog runs.
  intptr_t DoModal();
  // The chosen file (Windows path), with the default extension added when
  // one was given and the name has none.
  std::string GetPathName() const { return m_strPathName; }
  std::string GetFileName() const;
  // The extension without the dot; empty when the name has none.
  std::string GetFileExt() const;

  // Folder the dialog opens in (Windows path). Empty, as Windows does: the
  // current folder when it holds a file the filter shows, else the user's
  // documents folder (the home folder when there is none).
  std::string m_strInitialDir;
  std::string m_strTitle;

 private:
  bool m_bOpen;
  std::string m_strDefExt;
  std::string m_strFileName;
  DWORD m_dwFlags;
  std::string m_strFilter;
  Window* m_pParentWnd;
  std::string m_strPathName;
};

}  // namespace platform::gui
