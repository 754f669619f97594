#pragma once

// The trace channel: developer diagnostics on the debug output, every line
// "[VamoUpdater3] " + message + "\n". It is silent unless [GENERAL] DEBUG is
// exactly "TRACE" in the installed VamoPlugin.ver; the switch is read afresh
// for every line, so editing the file takes effect at the next line.
//
// printf rules; %s takes UTF-8 text. A message longer than the 4096-character
// line buffer is cut to fit (never inside a character).
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The prefix every trace line starts with.
inline constexpr char kTracePrefix[] = "[VamoUpdater3] ";
