#include "ui/BrowserScan.h"

#include "platform/process/Process.h"
#include "platform/text/Utf.h"
#include "resources/resource.h"

namespace {

constexpr platform::gui::UINT IconOf(BrowserKind kind) {
  switch (kind) {
    case BrowserKind::kInternetExplorer:
      return IDB_ICON_IE;
    case BrowserKind::kFirefox:
      return IDB_ICON_FIREFOX;
    case BrowserKind::kSafari:
      return IDB_ICON_SAFARI;
    case BrowserKind::kChrome:
      return IDB_ICON_CHROME;
    case BrowserKind::kOpera:
      return IDB_ICON_OPERA;
    case BrowserKind::k360:
      return IDB_ICON_360;
    case BrowserKind::kQq:
      return IDB_ICON_QQ;
  }
  return 0;
}

}  // namespace

const std::array<CBrowserScan::Browser, CBrowserScan::kBrowserCount>& CBrowserScan::Browsers() {
  static constexpr std::array<Browser, kBrowserCount> kBrowsers = [] {
    std::array<Browser, kBrowserCount> browsers{};
    for (size_t i = 0; i < browsers.size(); ++i)
      browsers[i] = {CBrowsers::kProcesses[i].pszImage, IconOf(CBrowsers::kProcesses[i].kind)};
    return browsers;
  }();
  return kBrowsers;
}

int CBrowserScan::IndexOf(const std::string& strProcessName) { return CBrowsers::IndexOf(strProcessName); }

bool CBrowserScan::Scan() {
  m_bRunning.fill(0);
  m_nCount = 0;
  auto processes = platform::ListProcesses();
  if (!processes) return false;
  for (const platform::ProcessEntry& process : *processes) {
    const int nIndex = IndexOf(process.imageName);
    if (nIndex < 0 || m_bRunning[static_cast<size_t>(nIndex)]) continue;
    m_bRunning[static_cast<size_t>(nIndex)] = 1;
    ++m_nCount;
  }
  return true;
}

bool CBrowserScan::IsRunning(int nIndex) const {
  return nIndex >= 0 && nIndex < kBrowserCount && m_bRunning[static_cast<size_t>(nIndex)] != 0;
}

int CBrowserScan::FindRunningBrowser(std::string* pName) {
  auto processes = platform::ListProcesses();
  if (!processes) return -1;
  for (const platform::ProcessEntry& process : *processes) {
    if (IndexOf(process.imageName) < 0) continue;
    if (pName) *pName = platform::ToLowerAscii(process.imageName);
    return 1;
  }
  return 0;
}
