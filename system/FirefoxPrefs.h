#pragma once

#include <string>
#include <string_view>

// Keeps Firefox from running the plug-in's library out of process: appends
// the plug-in's preference lines to the current user's default Firefox
// profile, under both profile locations, adding only the lines not yet there.
class CFirefoxPrefs {
 public:
  // Tries "<local app data>\Mozilla\Firefox\Profiles\" and then
  // "<drive>\Users\<user>\AppData\Roaming\Mozilla\Firefox\Profiles\" (skipped
  // when the user name is unknown); a missing profile or prefs.js is passed
  // over. Returns 1 always.
  static int UpdatePreferences();

  // Name of the first folder matching "*.default" in the profiles folder (in
  // the order the folder lists them), or "" when there is none.
  static std::string DefaultProfile(std::string_view profilesFolder);

  // Appends each of the five lines that the file does not already contain
  // byte for byte. 1 when the file was read and the missing lines written;
  // 0 when it could not be opened, read or written (it is then left as the
  // failed write left it, never truncated).
  static int AppendPreferences(std::string_view prefsPath);

  static constexpr const char* kLines[5] = {
      "user_pref(\"dom.ipc.plugins.enabled.npvamoplugin.dll\", false);\n",
      "user_pref(\"dom.ipc.plugins.enabled.npvamoplugin_1.0.4.8.dll\", false);\n",
      "user_pref(\"dom.ipc.plugins.enabled.npvamoplugin_1.0.4.9.dll\", false);\n",
      "user_pref(\"dom.ipc.plugins.enabled.npvamoplugin_1.0.5.0.dll\", false);\n",
      "user_pref(\"dom.ipc.plugins.enabled.npvamoplugin_1.0.5.1.dll\", false);\n",
  };
};
