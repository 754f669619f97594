#pragma once

#include <string_view>

// Ends every running process with a given executable name (the browsers
// that hold the plug-in's files open).
class CProcessTerminator {
 public:
  // Compares each process's image name with the name, ignoring case, and
  // ends every match. Returns 1 when the whole list was walked (all matches
  // ended, or none matched), 0 for an empty name or when the process list
  // cannot be taken, and otherwise the Win32 error of the first termination
  // that failed (the walk stops there; processes ended before stay ended).
  static int TerminateProcesses(std::string_view imageName);
};
