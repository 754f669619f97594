#pragma once

#include <array>
#include <string>

#include "platform/gui/WinUser.h"
#include "system/Browsers.h"

// The browser processes the wizard looks for before it starts (CBrowsers'
// table, in the order the browser-close prompt draws their icons) with the
// icon each is drawn with, and the scan of the running processes for them.
// Names are compared in lower case, so "Chrome.exe" is Chrome.
class CBrowserScan {
 public:
  static constexpr int kBrowserCount = CBrowsers::kProcessCount;
  struct Browser {
    const char* pszProcess;
    platform::gui::UINT nIcon;
  };
  static const std::array<Browser, kBrowserCount>& Browsers();

  // The entry of a process name (any letter case), or -1.
  static int IndexOf(const std::string& strProcessName);

  // Looks at every running process: each browser's running flag and the
  // number of browsers running (several processes of one browser count
  // once). False, with no browser running, when the processes cannot be
  // listed.
  bool Scan();
  int Count() const { return m_nCount; }
  bool IsRunning(int nIndex) const;

  // Start-up's question: is any of the nine running? 1 when one is (its
  // name lower-cased in *pName), 0 when none is, -1 when the processes
  // cannot be listed.
  static int FindRunningBrowser(std::string* pName = nullptr);

 private:
  std::array<int, kBrowserCount> m_bRunning{};
  int m_nCount = 0;
};
