#pragma once

#include <array>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Font.h"
#include "system/VersionInfo.h"
#include "ui/BrowserScan.h"
#include "ui/ButtonSkin.h"
#include "ui/SkinnedDialog.h"

// The browser-close prompt, shown before the welcome page when a known
// browser runs: the icons of the running browsers, a notice that they will
// be closed, a two-point warning, the program's version and the confirm
// and close buttons. Start-up goes on with any answer but IDCANCEL; the
// dialog itself closes no process.
class CDialogBrowser : public CSkinnedDialog {
 public:
  // Where one icon is drawn, and how big.
  struct IconPlace {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
  };
  // Height of the icons when eight or nine share the panel in two rows.
  static constexpr int kSmallIconHeight = 48;

  explicit CDialogBrowser(platform::gui::Window* pParentWnd = nullptr);

  // The places of the running browsers' icons, given their sizes in
  // drawing order. One to seven icons stand in one row at y = 90, at their
  // own size, on the slots of the layout table. Eight or nine do not fit
  // that row: they are drawn smaller (48 pixels high) in two rows, the
  // first seven centred on the seven-slot row's slots, the rest centred
  // below them, all above the notice. Empty for no icon.
  static std::vector<IconPlace> IconPlaces(const std::vector<platform::gui::Size>& sizes);

  const CBrowserScan& Scan() const { return m_scan; }

 protected:
  void DoDataExchange(platform::gui::DataExchange* pDX) override;
  platform::gui::BOOL OnInitDialog() override;
  void OnPaint() override;
  void OnDestroy() override;

 private:
  struct Entry {
    platform::gui::Bitmap bmpIcon;
    platform::gui::Bitmap bmpSmall;  // made only when two rows are needed
    int nWidth = 0;
    int nHeight = 0;
  };

  void DrawIcons(platform::gui::DC* pDC);

  CButtonSkin m_btnConfirm;
  CButtonSkin m_btnClose;
  platform::gui::Bitmap m_bmpBackground;
  platform::gui::Bitmap m_bmpNotice;
  std::array<Entry, CBrowserScan::kBrowserCount> m_entries;
  CBrowserScan m_scan;
  platform::gui::Font m_fontText;
  platform::gui::Font m_fontVersion;
  CVersionInfo m_version;
};
