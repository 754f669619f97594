#pragma once

#include <string>

#include "system/Browsers.h"

// One installed browser the browser analysis confirmed.
class CBrowserItem {
 public:
  // m_nKind values.
  static constexpr int kInternetExplorer = static_cast<int>(BrowserKind::kInternetExplorer);
  static constexpr int kFirefox = static_cast<int>(BrowserKind::kFirefox);
  static constexpr int kSafari = static_cast<int>(BrowserKind::kSafari);
  static constexpr int kChrome = static_cast<int>(BrowserKind::kChrome);
  static constexpr int kOpera = static_cast<int>(BrowserKind::kOpera);

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
