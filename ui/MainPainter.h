#pragma once

#include <array>
#include <string>

#include "engine/SetupState.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/DC.h"
#include "platform/gui/Font.h"

// What one paint of the main window shows: the run's fields as one
// snapshot (with the failed look) and the blink state of the step strip.
struct CMainView {
  CSetupState run;
  bool bBlink = false;
};

// The picture of the main wizard window: background, five-step strip,
// status or error text, and the progress area (the marquee while the
// analyses run, the count and percent bars while the install runs, the
// contact banner when the run is done), all from the program's bitmaps and
// fonts. The window paints through it into its off-screen buffer; tests
// paint into a bitmap.
//
// Bitmaps and fonts are loaded once (Load) and kept until Release or the
// painter's end; a picture that does not load is left out of every paint.
class CMainPainter {
 public:
  // Width of the progress tracks; a bar's fill is at most this wide.
  static constexpr int kBarWidth = 249;
  // The 100-pixel block of the marquee wraps back to this offset once it
  // has left the bar.
  static constexpr int kMarqueeRestart = -100;
  static constexpr int kMarqueeBlock = 100;

  static constexpr char kErrorTextAnalysis[] =
      "현재 인터넷 접속이 원활하지 않아 전자결제창 마법사 및 전자결제 서비스가 원활하지\n\n"
      "않을 수 있습니다. 인터넷 접속을 다시 한번 확인하시기 바랍니다.";
  static constexpr char kErrorTextInstall[] = "하나 이상의 파일에서 오류가 발생 하였습니다. ";
  static constexpr char kErrorContactsBegin[] = "고객센터 ( ";
  static constexpr char kErrorContactsEnd[] = " )로 문의 주시기 바랍니다.";
  static constexpr char kFailedWord[] = "오류";

  CMainPainter() = default;
  CMainPainter(const CMainPainter&) = delete;
  CMainPainter& operator=(const CMainPainter&) = delete;

  // Loads the pictures, makes the five fonts and reads the support
  // contacts from the string table. FALSE when a picture or font is
  // missing; everything that did load is used.
  platform::gui::BOOL Load();
  // Deletes the pictures and fonts.
  void Release();

  // Paints the whole window into pDC at (0, 0). The marquee offset is the
  // window's: a paint that finds it past the bar sets it back to -100.
  void Paint(platform::gui::DC* pDC, const CMainView& view, int& nMarqueeOffset);

  // Width in pixels of a bar's fill for current of total: current / total
  // x 100 x 249 x 0.01 with the two constants in single precision,
  // truncated. A whole-number width comes out one pixel short (full: 248,
  // a third: 82); a total of 0 or a negative share gives 0, a share above
  // the total no more than the track.
  static int FillWidth(int nCurrent, int nTotal);

  // The size the window takes: its background's (550 x 450).
  platform::gui::Size BackgroundSize() const;

  // The rectangles the window invalidates (client coordinates).
  platform::gui::Rect StepStripRect() const { return m_rcStepStrip; }
  platform::gui::Rect StatusRect() const { return m_rcStatus; }
  static constexpr platform::gui::Rect kMarqueeBar{154, 313, 403, 325};
  static constexpr platform::gui::Rect kCountBar{154, 300, 403, 312};
  static constexpr platform::gui::Rect kCountLabel{154, 284, 403, 300};
  static constexpr platform::gui::Rect kPercentBar{154, 344, 403, 356};
  static constexpr platform::gui::Rect kPercentLabel{154, 328, 403, 344};

  const std::string& SupportPhone() const { return m_strSupportPhone; }
  const std::string& SupportEmail() const { return m_strSupportEmail; }

 private:
  struct Step {
    platform::gui::Bitmap bmpOn;
    platform::gui::Bitmap bmpOff;
  };

  void DrawStepStrip(platform::gui::DC* pDC, const CMainView& view);
  void DrawStatusText(platform::gui::DC* pDC, const std::string& strStatus);
  void DrawErrorText(platform::gui::DC* pDC, SetupPhase phase);
  void DrawMarqueeRow(platform::gui::DC* pDC, const CMainView& view, int& nMarqueeOffset);
  void DrawCountRow(platform::gui::DC* pDC, const CMainView& view);
  void DrawPercentRow(platform::gui::DC* pDC, const CMainView& view);
  // The red mark at (154, nTop) and "오류" 4 pixels right of it, centred on it.
  void DrawFailedMark(platform::gui::DC* pDC, int nTop);
  // The 1 x 12 column stretched over the rectangle; nothing for an empty one.
  static void StretchFill(platform::gui::DC* pDC, platform::gui::Bitmap& fill, const platform::gui::Rect& rc);

  platform::gui::Bitmap m_bmpBackground;
  std::array<Step, 5> m_steps;
  platform::gui::Bitmap m_bmpArrowOn;
  platform::gui::Bitmap m_bmpArrowOff;
  platform::gui::Bitmap m_bmpMonitor;
  platform::gui::Bitmap m_bmpGlobe;
  platform::gui::Bitmap m_bmpTrack;
  platform::gui::Bitmap m_bmpFill;
  platform::gui::Bitmap m_bmpErrorFill;
  platform::gui::Bitmap m_bmpErrorMark;
  platform::gui::Bitmap m_bmpBanner;

  platform::gui::Font m_fontText;
  platform::gui::Font m_fontLink;
  platform::gui::Font m_fontBoldCount;
  platform::gui::Font m_fontBoldPercent;
  platform::gui::Font m_fontSmall;

  platform::gui::Rect m_rcStepStrip{30, 74, 520, 128};
  platform::gui::Rect m_rcStatus{38, 170, 512, 240};
  std::string m_strSupportPhone;
  std::string m_strSupportEmail;
};
