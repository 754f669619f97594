#pragma once

// Helpers of the diagnostics tests: a report and a status display that keep
// what they are given, and registry edits for the machines the tests make.
#include <cstdarg>
#include <string>
#include <vector>

#include "diagnostics/StatusSink.h"
#include "platform/registry/Registry.h"
#include "platform/text/Format.h"
#include "system/ReportSink.h"

class CollectingReport : public IReportSink {
 public:
  void AppendLine(const char* format, ...) override __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, format);
    m_lines.push_back(platform::FormatV(format, args));
    va_end(args);
  }
  // Everything appended, as one text.
  std::string Text() const {
    std::string text;
    for (const std::string& line : m_lines) text += line;
    return text;
  }
  // The appended line that starts with the prefix, or "(none)".
  std::string LineStartingWith(const std::string& prefix) const {
    for (const std::string& line : m_lines) {
      if (line.rfind(prefix, 0) == 0) return line;
    }
    return "(none)";
  }
  std::vector<std::string> m_lines;
};

class CollectingStatus : public IStatusSink {
 public:
  void SetStatusText(const std::string& strText) override { m_texts.push_back(strText); }
  std::vector<std::string> m_texts;
};

// One change to the prefix registry under HKEY_LOCAL_MACHINE.
struct RegEdit {
  enum Kind { kString, kMultiString, kDword, kDeleteValue, kDeleteKey };
  Kind kind;
  std::string key;
  std::string name;  // the value; for kDeleteKey the key to delete below `key`
  std::string data;  // text; strings of a multi-string separated by '|'; a number for kDword
};

inline bool ApplyEdit(const RegEdit& edit) {
  platform::RegKey key;
  if (key.Create(platform::RegRoot::kLocalMachine, edit.key) != platform::kErrorSuccess) return false;
  switch (edit.kind) {
    case RegEdit::kString: return key.SetString(edit.name, edit.data) == platform::kErrorSuccess;
    case RegEdit::kDword:
      return key.SetDword(edit.name, static_cast<uint32_t>(std::stoul(edit.data))) == platform::kErrorSuccess;
    case RegEdit::kMultiString: {
      std::vector<uint8_t> bytes;
      // "a|b" is stored as a\0b\0\0 (ASCII names only).
      for (char c : edit.data + "||") {
        const char unit = c == '|' ? '\0' : c;
        bytes.push_back(static_cast<uint8_t>(unit));
        bytes.push_back(0);
      }
      return key.SetValue(edit.name, platform::kRegMultiSz, bytes) == platform::kErrorSuccess;
    }
    case RegEdit::kDeleteValue: return key.DeleteValue(edit.name) == platform::kErrorSuccess;
    case RegEdit::kDeleteKey: return key.DeleteTree(edit.name) == platform::kErrorSuccess;
  }
  return false;
}
