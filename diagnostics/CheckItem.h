#pragma once

#include <string>

// One finding of the network analysis: what was checked, what came out and
// the short verdict shown for it. The kinds of check add their own facts.
class CCheckItem {
 public:
  // m_nState values.
  static constexpr int kStateConfirmed = 0;
  static constexpr int kStateDegraded = 1;  // medium not connected, or one of two channels failed
  static constexpr int kStateFailed = 2;
  static constexpr int kStateNotTested = 3;

  virtual ~CCheckItem();

  std::string m_strName;
  // Lines ending in "\r\n".
  std::string m_strDescription;
  int m_nState = kStateNotTested;
  std::string m_strStatusText;
};
