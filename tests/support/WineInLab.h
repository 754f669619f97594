#pragma once

#include <string>
#include <vector>

#include "tests/support/NetworkLab.h"

// Runs Windows programs under Wine inside a lab's client namespace, the way
// the Windows wizard meets a user's network. One Wine prefix is booted
// inside the namespace when the runner is made (so that Wine's network
// services see the namespace's adapters and its resolv.conf); every program
// then runs in a fresh copy of it (scripts/wine-run), with the lab's marker
// written into the copy, which is what lets a test build of the program
// probe there.
class WineInLab {
 public:
  explicit WineInLab(const NetworkLab& lab);
  // Removes the booted prefix.
  ~WineInLab();
  WineInLab(const WineInLab&) = delete;
  WineInLab& operator=(const WineInLab&) = delete;

  // False when the prefix could not be booted; Error() says why.
  bool IsReady() const { return m_bReady; }
  const std::string& Error() const { return m_strError; }

  // Runs PROGRAM.exe with its arguments inside the lab, standard output and
  // error collected as the program wrote them (CR LF line ends).
  ToolOutput Run(const std::vector<std::string>& command) const;
  // The same in the prefix folder strPrefix, made from the booted one on
  // its first use and kept afterwards, so that several programs work on one
  // machine and the test reads what they left (its drive_c, `reg query`).
  ToolOutput RunIn(const std::string& strPrefix, const std::vector<std::string>& command) const;

  // The Windows vamo-tool.exe to run: $VAMO_WIN32_TOOL, else the one of the
  // Windows build beside this one (build-win32); "" when neither exists.
  static std::string WindowsToolPath();
  // The Windows build's trust-roots.exe beside vamo-tool.exe; "" when missing.
  static std::string TrustRootsPath();
  // The demo machine's plug-in of an earlier release, which the demo list
  // removes, put in the ActiveX cache of the prefix whose drive_c is given.
  static void PlaceObsoletePlugin(const std::string& strDriveC);

 private:
  const NetworkLab& m_lab;
  std::string m_strRoot;  // holds the booted prefix
  std::string m_strError;
  bool m_bReady = false;
};
