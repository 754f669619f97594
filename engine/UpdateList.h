#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "transfer/UpdateListLayout.h"

class CInstallPlan;
class IReportSink;
struct CPlanFolders;

// The update list of one run: downloaded into the temporary folder, read
// once, checked against the public key, and parsed into the install plan
// from exactly the bytes that were checked. A list swapped on disk after its
// check is never parsed; nothing is parsed before a check succeeded.
class CUpdateList {
 public:
  explicit CUpdateList(IReportSink& report);

  // Fetches the list (quiet form) to the local path. 0, or -9201 with a
  // report line; nothing is left at the path on failure.
  int ProcInstallDownload(const std::string& strUrl, const std::string& strLocalPath);

  // Reads the local file once and checks its signature block and signature
  // with the PEM key (nullopt: the program has no key). 0, or the code of
  // the first failing check (-1 ... -16) with its trace line and, where it
  // has one, its report line. The file is left where it is.
  int ProcInstallVerify(const std::string& strLocalPath, std::optional<std::string_view> publicKeyPem);

  // Adds one item per section of the checked list to the plan, in file
  // order, then deletes the local file. -1 when no list has passed the check
  // (nothing is added), -2 for an empty one; 0 otherwise.
  int ProcInstallParse(const std::string& strLocalPath, CInstallPlan& plan, const CPlanFolders& folders);

  // The public key of the program (resource KEY 181): its bytes up to the
  // first NUL, as PEM text; nullopt when the resource is missing.
  static std::optional<std::string> PublicKeyFromResources();

  bool IsVerified() const { return m_bVerified; }

 private:
  IReportSink& m_report;
  CUpdateListLayout m_layout;
  bool m_bVerified = false;
};
