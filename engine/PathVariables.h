#pragma once

#include <string>
#include <string_view>

// The path variables an update list may use in INSTALL_PATH,
// INSTALL_PATH_VISTA and KEY_VALUE.
class CPathVariables {
 public:
  // The text with every variable replaced, case-sensitively, in the order of
  // the table in PathVariables.cpp; a variable written in another case stays
  // as it is. An empty text yields the install folder. A folder that cannot
  // be found replaces its variable with an empty text.
  static std::string ExpandPathVariables(std::string_view text, const std::string& strInstallFolder);
};
