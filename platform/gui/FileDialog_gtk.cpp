#include "platform/gui/FileDialog.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/fs/Path.h"
#include "platform/gui/FileFilter.h"
#include "platform/gui/NativeWindow_gtk.h"
#include "platform/gui/UiThread.h"
#include "platform/gui/Window.h"
#include "platform/sim/HostPath.h"

namespace platform::gui {

namespace {

void AddFilters(GtkFileChooser* chooser, std::string_view filter) {
  for (const FileFilter& entry : ParseFileFilter(filter)) {
    GtkFileFilter* gtkFilter = gtk_file_filter_new();
    gtk_file_filter_set_name(gtkFilter, entry.description.c_str());
    for (const std::string& pattern : entry.patterns) gtk_file_filter_add_pattern(gtkFilter, pattern.c_str());
    gtk_file_chooser_add_filter(chooser, gtkFilter);
  }
}

// Where a dialog without an initial folder opens: the current folder when a
// file there matches the filter, else the user's documents folder (or home).
std::string DefaultFolder(std::string_view filter) {
  std::error_code ec;
  const std::filesystem::path current = std::filesystem::current_path(ec);
  if (!ec) {
    const std::vector<FileFilter> filters = ParseFileFilter(filter);
    for (const auto& entry : std::filesystem::directory_iterator(current, ec)) {
      if (!entry.is_regular_file(ec)) continue;
      const std::string name = entry.path().filename().string();
      for (const FileFilter& each : filters)
        for (const std::string& pattern : each.patterns)
          if (g_pattern_match_simple(pattern.c_str(), name.c_str())) return current.string();
    }
  }
  if (const char* documents = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS);
      documents && std::filesystem::is_directory(documents, ec))
    return documents;
  return g_get_home_dir();
}

// The chooser's default size comes from the toolkit's settings and can be
// larger than a small screen (a 1024 × 768 virtual display): it may grow no
// larger than the work area of the owner's monitor, less a margin, and is
// centred on its owner.
void KeepOnScreen(GtkWindow* dialog, GtkWindow* parent) {
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = nullptr;
  if (parent && gtk_widget_get_window(GTK_WIDGET(parent)))
    monitor = gdk_display_get_monitor_at_window(display, gtk_widget_get_window(GTK_WIDGET(parent)));
  if (!monitor) monitor = gdk_display_get_primary_monitor(display);
  if (!monitor && gdk_display_get_n_monitors(display) > 0) monitor = gdk_display_get_monitor(display, 0);
  if (monitor) {
    constexpr int kMargin = 48;
    GdkRectangle area;
    gdk_monitor_get_workarea(monitor, &area);
    GdkGeometry hints{};
    hints.max_width = std::max(320, area.width - 2 * kMargin);
    hints.max_height = std::max(240, area.height - 2 * kMargin);
    gtk_window_set_geometry_hints(dialog, nullptr, &hints, GDK_HINT_MAX_SIZE);
  }
  gtk_window_set_position(dialog, parent ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
}

}  // namespace

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
  const std::string folder = m_strInitialDir.empty() ? DefaultFolder(m_strFilter) : ToHostPath(m_strInitialDir);
  if (!folder.empty()) gtk_file_chooser_set_current_folder(chooser, folder.c_str());
  if (!m_strFileName.empty()) {
    const std::string name = m_strFileName.substr(FileNameStart(m_strFileName));
    if (m_bOpen) {
      const std::string host = ToHostPath(m_strFileName);
      if (!host.empty()) gtk_file_chooser_set_filename(chooser, host.c_str());
    } else {
      gtk_file_chooser_set_current_name(chooser, name.c_str());
    }
  }
  AddFilters(chooser, m_strFilter);
  KeepOnScreen(GTK_WINDOW(dialog), parent);

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
      if (!m_strDefExt.empty() && path.find('.', FileNameStart(path)) == std::string::npos) path += "." + m_strDefExt;
      m_strPathName = path;
      result = IDOK;
    }
  }
  gtk_widget_destroy(dialog);
  return result;
}

}  // namespace platform::gui
