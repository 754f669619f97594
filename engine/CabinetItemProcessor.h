#pragma once

class CItemStep;

// A CABINET item: downloads the cabinet, checks its code signature and
// installs it through its INF. The cabinet is deleted after every outcome
// that got past the download.
class CCabinetItemProcessor {
 public:
  // Failures keep -9101 (download), -9201 (signature) or -9401 (install).
  void Process(CItemStep& step) const;
};
