#pragma once

#include <string>

#include "system/ReportSink.h"

// The setup report: one growing UTF-16 text, the log of everything a run did.
// It stays in memory until the user saves it from the error page.
//
// AppendLine is called by the worker during the run and by the window thread
// after the worker ended, never both at once, so it takes no lock.
class CSetupReport : public IReportSink {
 public:
  // Formats with printf rules (%s takes UTF-8) into a 4096-character buffer
  // and appends the result; the caller puts the "\r\n" in the format. A text
  // that may hold a percent sign goes in as the argument of "%s", never as the
  // format. A line longer than 4095 UTF-16 characters is cut there.
  void AppendLine(const char* format, ...) override __attribute__((format(printf, 2, 3)));

  // Creates or truncates the file (a Windows path), writes FF FE and then the
  // report as UTF-16LE without a terminator. 0, or -1 when the file cannot be
  // written (a partly written file is removed).
  int Save(const std::string& path) const;

  const std::u16string& Text() const { return m_strText; }
  std::string TextUtf8() const;
  void Clear() { m_strText.clear(); }

 private:
  std::u16string m_strText;
};
