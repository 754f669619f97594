#include "platform/gui/FileDialog.h"

#include <string>
#include <vector>

#include "platform/fs/Path.h"
#include "platform/gui/NativeWindow_linux.h"
#include "platform/gui/UiThread.h"
#include "platform/gui/Window.h"

namespace platform::gui {

namespace {

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

void AddFilters(GtkFileChooser* chooser, std::string_view filter) {
  const std::vector<std::string> parts = Split(filter, '|');
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    const std::string& description = parts[i];
    if (description.empty()) break;  // "||" ends the list
    const std::string patterns = parts[i + 1].empty() ? description : parts[i + 1];
    GtkFileFilter* gtkFilter = gtk_file_filter_new();
    gtk_file_filter_set_name(gtkFilter, description.c_str());
    for (const std::string& pattern : Split(patterns, ';'))
      if (!pattern.empty()) gtk_file_filter_add_pattern(gtkFilter, pattern.c_str());
    gtk_file_chooser_add_filter(chooser, gtkFilter);
  }
}

size_t NameStart(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

FileDialog::FileDialog(BOOL bOpenFileDialog, std::string_view defExt, std::string_view fileName, DWORD dwFlags,
                       std::string_view filter, Window* pParentWnd)
    : m_bOpen(bOpenFileDialog != FALSE),
      m_strDefExt(defExt),
      m_strFileName(fileName),
      m_dwFlags(dwFlags),
      m_strFilter(filter),
      m_pParentWnd(pParentWnd) {}

intptr_t FileDialog::DoModal() {
  if (!Initialize()) return IDCANCEL;
  GtkWindow* parent = m_pParentWnd ? GtkWindowOf(m_pParentWnd->m_hWnd) : nullptr;
  const GtkFileChooserAction action = m_bOpen ? GTK_FILE_CHOOSER_ACTION_OPEN : GTK_FILE_CHOOSER_ACTION_SAVE;
  const char* title = !m_strTitle.empty() ? m_strTitle.c_str() : m_bOpen ? "열기" : "다른 이름으로 저장";
  GtkWidget* dialog = gtk_file_chooser_dialog_new(title, parent, action, "취소", GTK_RESPONSE_CANCEL,
                                                  m_bOpen ? "열기" : "저장", GTK_RESPONSE_ACCEPT, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  if (!m_bOpen) gtk_file_chooser_set_do_overwrite_confirmation(chooser, (m_dwFlags & OFN_OVERWRITEPROMPT) != 0);
  if (!m_strInitialDir.empty()) {
    const std::string folder = ToHostPath(m_strInitialDir);
    if (!folder.empty()) gtk_file_chooser_set_current_folder(chooser, folder.c_str());
  }
  if (!m_strFileName.empty()) {
    const std::string name = m_strFileName.substr(NameStart(m_strFileName));
    if (m_bOpen) {
      const std::string host = ToHostPath(m_strFileName);
      if (!host.empty()) gtk_file_chooser_set_filename(chooser, host.c_str());
    } else {
      gtk_file_chooser_set_current_name(chooser, name.c_str());
    }
  }
  AddFilters(chooser, m_strFilter);

  WindowData* owner = m_pParentWnd ? TopLevelOf(LookUp(m_pParentWnd->m_hWnd)) : nullptr;
  const bool disableOwner = owner && !(owner->style & WS_DISABLED);
  if (disableOwner) owner->style |= WS_DISABLED;
  const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
  if (disableOwner && LookUp(owner)) owner->style &= ~WS_DISABLED;

  intptr_t result = IDCANCEL;
  if (response == GTK_RESPONSE_ACCEPT) {
    if (gchar* chosen = gtk_file_chooser_get_filename(chooser)) {
      std::string path = ToWindowsPath(chosen);
      g_free(chosen);
      if (!m_strDefExt.empty() && path.find('.', NameStart(path)) == std::string::npos) path += "." + m_strDefExt;
      m_strPathName = path;
      result = IDOK;
    }
  }
  gtk_widget_destroy(dialog);
  return result;
}

std::string FileDialog::GetFileName() const { return m_strPathName.substr(NameStart(m_strPathName)); }

std::string FileDialog::GetFileExt() const {
  const std::string name = GetFileName();
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

}  // namespace platform::gui
