#pragma once

#include <string>

class CItemStep;

// A file item (every TYPE but REGISTRY, REMOVE and CABINET): download,
// unpack, verify, copy, register, run, record in the installed-version file.
//
// The installed bytes are the verified bytes: the downloaded file is opened
// once; its digest is checked through that open file, and the copy reads it
// again through the same open file into a new file beside the target, which
// replaces the target only when the copied bytes have the expected digest
// too. A file put in place of the download after its check, or changed in
// place, never reaches the target. Likewise a program that is run is started
// from the very file whose signature was checked.
class CFileItemProcessor {
 public:
  // The installed-version file (VamoPlugin.ver) that records each item.
  explicit CFileItemProcessor(std::string strInstalledVersionFile);

  // Failures keep -9101 (download), -9202 (unpack), -9201 (digest), or the
  // code of the failing copy, registration, signature check or run.
  void Process(CItemStep& step) const;

 private:
  bool Download(CItemStep& step) const;
  bool Unpack(CItemStep& step) const;
  bool VerifyAndCopy(CItemStep& step) const;
  bool Register(CItemStep& step) const;
  bool Run(CItemStep& step) const;
  void Record(CItemStep& step) const;

  std::string m_strInstalledVersionFile;
};
