#pragma once

#include <string>

// One install item: a section of the update list with its download and
// target paths resolved. Every text is as the list gave it (paths after
// expansion); flags hold 0 or 1. Item processing keeps the item's outcome in
// m_nResult.
class CInstallItem {
 public:
  CInstallItem();
  virtual ~CInstallItem();

  std::string m_strName;
  std::string m_strPlatform;
  std::string m_strType;
  std::string m_strVersion;
  std::string m_strModifiedDate;
  std::string m_strSize;
  std::string m_strClsid;
  std::string m_strDescription;
  std::string m_strInstallPath;
  std::string m_strInstallPathVista;
  std::string m_strInstallFullPath;
  std::string m_strDownloadUrl;
  std::string m_strDownloadFolder;
  std::string m_strDownloadFullPath;
  int m_bRegister = 0;
  int m_bRun = 0;
  int m_bRunSilent = 0;
  int m_bCompressed = 0;
  int m_bNpFlag = 0;
  int m_bErrorIgnore = 0;
  std::string m_strSecureData;
  std::string m_strRegistry;
  std::string m_strRootKey;
  std::string m_strSubKey;
  std::string m_strKeyName;
  std::string m_strKeyValue;
  // 0 for success, a skip or an ignored failure; otherwise the failure code.
  int m_nResult = 0;
};

// The TYPE values that item processing tells apart; any other is a file.
inline constexpr char kItemTypeFile[] = "FILE";
inline constexpr char kItemTypeCabinet[] = "CABINET";
inline constexpr char kItemTypeRegistry[] = "REGISTRY";
inline constexpr char kItemTypeRemove[] = "REMOVE";
