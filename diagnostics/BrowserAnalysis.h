#pragma once

#include <memory>
#include <string>
#include <vector>

#include "diagnostics/BrowserItem.h"
#include "system/Browsers.h"
#include "system/ReportSink.h"

// The third analysis phase: finds the installed browsers (Internet Explorer,
// Chrome, Safari, Opera, Firefox) and their versions in the registry, the
// known folders and the executables' version resources, keeps one item per
// browser found and writes the browser section of the report. The run owns
// the object, so the list lives as long as the run.
class CBrowserAnalysis {
 public:
  CBrowserAnalysis() = default;
  virtual ~CBrowserAnalysis() = default;
  CBrowserAnalysis(const CBrowserAnalysis&) = delete;
  CBrowserAnalysis& operator=(const CBrowserAnalysis&) = delete;

  // Runs the five steps, sets bOtherBrowser to 1 when Chrome, Safari, Opera
  // or Firefox was found (it is never reset to 0 here) and appends the
  // browser section. Always 0.
  int AnalyzeBrowsers(IReportSink& report, int& bOtherBrowser);

  // The steps: 1 when the browser was found and its item added, else 0 with
  // nothing added. Internet Explorer is always listed (with empty values
  // when its key is missing).
  int CheckInternetExplorer();
  int CheckChrome();
  int CheckSafari();
  int CheckOpera();
  int CheckFirefox();

  // The list owns its items, in the order they were found.
  std::vector<std::unique_ptr<CBrowserItem>> m_browserList;

  // The pause after each step; 100 ms in the product, less in tests.
  int m_nStepPauseMs = 100;

 private:
  // The common part of the executable-based steps: the application folder
  // must exist, the executable in it must exist and carry a version
  // resource. 1 when the item was added.
  int AddBrowserFromFolder(const std::string& strFolder, BrowserKind kind);
  int AddBrowserFromExecutable(const std::string& strExecutable, BrowserKind kind);
  void Pause() const;
};
