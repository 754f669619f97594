#include "platform/gui/Shell.h"

#include <gio/gio.h>

#include <string>

namespace platform::gui {

BOOL OpenUrlInBrowser(std::string_view url) {
  const std::string address(url);
  if (address.empty()) return FALSE;
  GError* error = nullptr;
  // GIO spawns the handler asynchronously and reaps it; nothing waits here.
  const gboolean launched = g_app_info_launch_default_for_uri(address.c_str(), nullptr, &error);
  if (error) g_error_free(error);
  return launched ? TRUE : FALSE;
}

}  // namespace platform::gui
