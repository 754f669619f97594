#pragma once

#include <array>
#include <string_view>

// What the wizard knows about browsers, in one place: the processes it ends
// before installing and asks the user to close, and the kinds the browser
// analysis reports. The numbers of the kinds are the browser items' m_nKind.
enum class BrowserKind { kInternetExplorer = 0, kFirefox = 1, kSafari = 2, kChrome = 3, kOpera = 4, k360, kQq };

class CBrowsers {
 public:
  struct Process {
    BrowserKind kind;
    const char* pszImage;  // lower case
  };

  static constexpr int kProcessCount = 9;

  // In the order the browser-close prompt draws their icons; a prompt slot
  // is an index here.
  static constexpr std::array<Process, kProcessCount> kProcesses = {{
      {BrowserKind::kInternetExplorer, "iexplore.exe"},
      {BrowserKind::kFirefox, "firefox.exe"},
      {BrowserKind::kSafari, "safari.exe"},
      {BrowserKind::kChrome, "chrome.exe"},
      {BrowserKind::kOpera, "opera.exe"},
      {BrowserKind::k360, "360.exe"},
      {BrowserKind::k360, "360se.exe"},
      {BrowserKind::k360, "360browser.exe"},
      {BrowserKind::kQq, "qqbrowser.exe"},
  }};

  // The image names in the order they are ended before installing: Chrome
  // first, Internet Explorer after the other four, then the 360 browsers and
  // QQ.
  static std::array<const char*, kProcessCount> ImagesInEndOrder();

  // The slot of a process name (ASCII letters in any case), or -1.
  static int IndexOf(std::string_view processName);

  // The executable a browser of this kind runs as (its first image name).
  static const char* ImageOf(BrowserKind kind);
};
