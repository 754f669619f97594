#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/InstallItem.h"
#include "platform/profile/Profile.h"

class CErrorInfo;
class IReportSink;

// Where the plan's paths point: the install folder, the temporary folder
// (downloads) and whether the system is Windows Vista or later (which makes
// INSTALL_PATH_VISTA count).
struct CPlanFolders {
  std::string m_strInstallFolder;
  std::string m_strTempFolder;
  bool m_bVistaOrLater = false;
};

// The install plan: the items of the update list in the order of its
// sections. The plan owns its items.
class CInstallPlan {
 public:
  // Builds one item from the section of that name in the (verified) list and
  // appends it; the section GENERAL makes none. Every key is read with an
  // empty default and at most 4095 characters. Always returns 0.
  int ProcInstallAddList(const platform::profile::Source& list, const std::string& strName,
                         const CPlanFolders& folders);

  // Makes the folder of every FILE item that is not left out for want of
  // another browser (NPFLAG) and tests it for reading and writing. 0, or
  // -9302 for the first folder that fails, with a report line and the error
  // record set to -9302 and that folder.
  int ProcInstallDirectoryCheck(int bOtherBrowser, IReportSink& report, CErrorInfo& errorInfo) const;

  void Clear() { m_items.clear(); }
  void Append(std::unique_ptr<CInstallItem> item) { m_items.push_back(std::move(item)); }
  int Count() const { return static_cast<int>(m_items.size()); }
  CInstallItem& Item(int nIndex) const { return *m_items.at(static_cast<size_t>(nIndex)); }
  const std::vector<std::unique_ptr<CInstallItem>>& Items() const { return m_items; }

 private:
  std::vector<std::unique_ptr<CInstallItem>> m_items;
};
