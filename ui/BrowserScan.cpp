#include "ui/BrowserScan.h"

#include "platform/process/Process.h"
#include "resources/resource.h"

namespace {

std::string LowerCase(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace

const std::array<CBrowserScan::Browser, CBrowserScan::kBrowserCount>& CBrowserScan::Browsers() {
  static constexpr std::array<Browser, kBrowserCount> kBrowsers = {{
      {"iexplore.exe", IDB_ICON_IE},
      {"firefox.exe", IDB_ICON_FIREFOX},
      {"safari.exe", IDB_ICON_SAFARI},
      {"chrome.exe", IDB_ICON_CHROME},
      {"opera.exe", IDB_ICON_OPERA},
      {"360.exe", IDB_ICON_360},
      {"360se.exe", IDB_ICON_360},
      {"360browser.exe", IDB_ICON_360},
      {"qqbrowser.exe", IDB_ICON_QQ},
  }};
  return kBrowsers;
}

int CBrowserScan::IndexOf(const std::string& strProcessName) {
  const std::string name = LowerCase(strProcessName);
  for (int i = 0; i < kBrowserCount; ++i)
    if (name == Browsers()[static_cast<size_t>(i)].pszProcess) return i;
  return -1;
}

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
    if (pName) *pName = LowerCase(process.imageName);
    return 1;
  }
  return 0;
}
