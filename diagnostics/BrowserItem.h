#pragma once

#include <string>

// One installed browser the browser analysis confirmed.
class CBrowserItem {
 public:
  // m_nKind values.
  static constexpr int kInternetExplorer = 0;
  static constexpr int kFirefox = 1;
  static constexpr int kSafari = 2;
  static constexpr int kChrome = 3;
  static constexpr int kOpera = 4;

  // m_nState values.
  static constexpr int kStateConfirmed = 0;
  static constexpr int kStateCreated = 3;

  virtual ~CBrowserItem();

  // "InternetExplorer", or the product name of the browser's executable.
  std::string m_strName;
  // Lines ending in "\r\n".
  std::string m_strDescription;
  int m_nKind = kInternetExplorer;
  int m_nState = kStateCreated;
  std::string m_strStatusText;
  std::string m_strVersion;
  // Internet Explorer only.
  std::string m_strUpdateVersion;
  std::string m_strUpdateNumber;
};
