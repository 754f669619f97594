#pragma once

#include <string>

// The error record of a run: the last code, its numbered Korean message for
// the error page, a detail text (the path that could not be used) and whether
// the failure lies in the network.
class CErrorInfo {
 public:
  // Stores code and detail, clears m_bNetwork, then formats m_strMessage from
  // the message table with the code in its brackets. A code without a row in
  // the table leaves m_strMessage as it was.
  void SetError(int code, const std::string& detail);

  std::string m_strMessage;
  std::string m_strDetail;
  int m_bNetwork = 0;
  int m_nCode = 0;
};
