// The main window's picture, painted into an image surface: the step strip
// in every phase with the blink on and off, the status text's centring, the
// failed looks, the bars' widths, the marquee's travel and wrap, and the
// sub-label's ellipsis. "Ink" is every pixel that differs from the
// background picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine/SetupRun.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/DC.h"
#include "resources/resource.h"
#include "ui/MainPainter.h"

using namespace platform::gui;

namespace {

struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;  // empty when right <= left
  bool Empty() const { return right <= left || bottom <= top; }
};

class Canvas {
 public:
  Canvas() {
    m_bitmap.CreateBitmap(550, 450);
    m_dc.CreateCompatibleDC(nullptr);
    m_dc.SelectObject(&m_bitmap);
  }
  DC* Dc() { return &m_dc; }
  const Bitmap& Picture() const { return m_bitmap; }
  COLORREF At(int x, int y) const { return m_bitmap.GetPixel(x, y); }

 private:
  Bitmap m_bitmap;
  DC m_dc;
};

class MainPainterTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_painter = new CMainPainter;
    ASSERT_TRUE(s_painter->Load());
    s_background = new Bitmap;
    ASSERT_TRUE(s_background->LoadBitmap(IDB_MAIN_BACKGROUND));
  }
  static void TearDownTestSuite() {
    delete s_painter;
    delete s_background;
  }

  static CMainView View(int nPhase, bool bBlink = true, bool bErrorMode = false) {
    CMainView view;
    view.run.m_nPhase = static_cast<SetupPhase>(nPhase);
    view.run.m_strStatus = CSetupRun::kInitialStatusText;
    view.run.m_strCountLabel = CSetupRun::kInitialCountLabel;
    view.bBlink = bBlink;
    view.run.m_bErrorMode = bErrorMode;
    return view;
  }
  void Paint(const CMainView& view, int nOffset = 0) {
    m_nOffset = nOffset;
    s_painter->Paint(m_canvas.Dc(), view, m_nOffset);
  }

  // The picture shows the bitmap exactly at (x, y).
  bool Shows(UINT nID, int x, int y) const {
    Bitmap expected;
    if (!expected.LoadBitmap(nID)) return false;
    const Size size = expected.GetSize();
    for (int py = 0; py < size.cy; ++py)
      for (int px = 0; px < size.cx; ++px)
        if (m_canvas.At(x + px, y + py) != expected.GetPixel(px, py)) return false;
    return true;
  }
  // The smallest box around the pixels of the area that differ from the
  // background picture.
  Box Ink(const Box& area) const {
    Box ink{area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        if (m_canvas.At(x, y) != s_background->GetPixel(x, y)) {
          ink.left = std::min(ink.left, x);
          ink.top = std::min(ink.top, y);
          ink.right = std::max(ink.right, x + 1);
          ink.bottom = std::max(ink.bottom, y + 1);
        }
    return ink;
  }
  // Columns of one row, from `from` on, that show the colour of a 1 x 12
  // fill column at the same height within its bar.
  int FilledColumns(UINT nFill, int nBarTop, int y, int from = 154, int to = 403) const {
    Bitmap fill;
    fill.LoadBitmap(nFill);
    const COLORREF colour = fill.GetPixel(0, y - nBarTop);
    int n = 0;
    for (int x = from; x < to; ++x) n += m_canvas.At(x, y) == colour;
    return n;
  }
  // First and one past the last column of a row in the fill's colour.
  std::pair<int, int> FillSpan(UINT nFill, int nBarTop, int y) const {
    Bitmap fill;
    fill.LoadBitmap(nFill);
    const COLORREF colour = fill.GetPixel(0, y - nBarTop);
    int first = -1, last = -1;
    for (int x = 154; x < 403; ++x)
      if (m_canvas.At(x, y) == colour) {
        if (first < 0) first = x;
        last = x + 1;
      }
    return {first, last};
  }

  static CMainPainter* s_painter;
  static Bitmap* s_background;
  Canvas m_canvas;
  int m_nOffset = 0;
};

CMainPainter* MainPainterTest::s_painter = nullptr;
Bitmap* MainPainterTest::s_background = nullptr;

// Text is antialiased, so its colour shows in the glyphs' cores, blended
// with the ground at their edges: colours are told apart by their hue.
bool IsPinkish(COLORREF c) { return GetRValue(c) > GetGValue(c) + 60; }
// Pink blended into white, as a thin line's half-covered rows are.
bool IsPinkTint(COLORREF c) { return GetRValue(c) > GetGValue(c) + 25 && GetRValue(c) >= GetBValue(c); }
bool IsVioletish(COLORREF c) { return GetBValue(c) > GetRValue(c) + 40 && GetBValue(c) > GetGValue(c) + 40; }
// Darker than the body text's (102, 102, 102) ever gets, and grey.
bool IsDarkerThanBodyText(COLORREF c) {
  return GetRValue(c) < 90 && GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c);
}

constexpr UINT kStepOn[5] = {IDB_STEP1_ON, IDB_STEP2_ON, IDB_STEP3_ON, IDB_STEP4_ON, IDB_STEP5_ON};
constexpr UINT kStepOff[5] = {IDB_STEP1_OFF, IDB_STEP2_OFF, IDB_STEP3_OFF, IDB_STEP4_OFF, IDB_STEP5_OFF};
constexpr int kStepX[5] = {30, 135, 240, 345, 465};
constexpr int kArrowX[4] = {115, 220, 325, 445};

// ---------------------------------------------------------------- step strip and areas by phase

struct PhaseCase {
  int nPhase;
  int bBlink;
};

class PhasePictureTest : public MainPainterTest, public ::testing::WithParamInterface<PhaseCase> {};

TEST_P(PhasePictureTest, CurrentStepAndItsArrowBlinkAndTheProgressAreaFitsThePhase) {
  const auto [nPhase, bBlink] = GetParam();
  Paint(View(nPhase, bBlink));
  for (int k = 0; k < 5; ++k) {
    const bool bOn = k == nPhase && bBlink;
    EXPECT_TRUE(Shows(bOn ? kStepOn[k] : kStepOff[k], kStepX[k], 74)) << "step " << k;
  }
  for (int a = 0; a < 4; ++a) {
    const bool bOn = a == nPhase && bBlink;
    EXPECT_TRUE(Shows(bOn ? IDB_STEP_ARROW_ON : IDB_STEP_ARROW_OFF, kArrowX[a], 94)) << "arrow " << a;
  }
  if (nPhase == 4) {
    EXPECT_TRUE(Shows(IDB_CONTACT_BANNER, 110, 298));
    // No monitor, globe or track: left of the banner the panel is bare.
    EXPECT_TRUE(Ink({40, 277, 110, 367}).Empty());
    EXPECT_TRUE(Ink({446, 277, 512, 367}).Empty());
    EXPECT_TRUE(Ink({154, 356, 403, 384}).Empty());
  } else {
    EXPECT_TRUE(Shows(IDB_MONITOR, 40, 277));
    EXPECT_TRUE(Shows(IDB_GLOBE, 422, 277));
    if (nPhase < 3) {
      EXPECT_TRUE(Ink({154, 284, 403, 312}).Empty()) << "count row outside the install phase";
      EXPECT_TRUE(Ink({154, 326, 403, 360}).Empty()) << "percent row outside the install phase";
    } else {
      EXPECT_TRUE(Shows(IDB_PROGRESS_TRACK, 154, 300));
      EXPECT_TRUE(Shows(IDB_PROGRESS_TRACK, 154, 344));
      // The count label shows from this phase on; its count text is empty.
      EXPECT_FALSE(Ink({154, 284, 403, 300}).Empty());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryPhaseBlinkOnAndOff, PhasePictureTest,
                         ::testing::Values(PhaseCase{0, 1}, PhaseCase{0, 0}, PhaseCase{1, 1}, PhaseCase{1, 0},
                                           PhaseCase{2, 1}, PhaseCase{2, 0}, PhaseCase{3, 1}, PhaseCase{3, 0},
                                           PhaseCase{4, 1}, PhaseCase{4, 0}));

TEST_F(MainPainterTest, StatusTextIsCentredOnTheMiddleOfItsRectangle) {
  for (const char* text : {CSetupRun::kInitialStatusText, "한 줄", "첫 줄\n\n셋째 줄\n\n다섯째 줄"}) {
    CMainView view = View(1);
    view.run.m_strStatus = text;
    Paint(view);
    const Box ink = Ink({38, 150, 512, 260});
    ASSERT_FALSE(ink.Empty()) << text;
    EXPECT_GE(ink.left, 38);
    EXPECT_LE(ink.right, 512);
    // The glyphs sit inside their cells, so the ink's middle lies within a
    // few pixels of the cell block's middle, y = 205.
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 205.0, 4.0) << text;
  }
}

// ---------------------------------------------------------------- failed looks

TEST_F(MainPainterTest, FailedAnalysisTurnsTheMarqueeRedWithMarkAndShowsTheConnectionTextAtTheTop) {
  for (int nPhase : {0, 1, 2}) {
    Paint(View(nPhase, 1, 1), 60);
    EXPECT_EQ(FilledColumns(IDB_PROGRESS_ERROR_FILL, 313, 318), 249) << "phase " << nPhase;
    EXPECT_EQ(FilledColumns(IDB_PROGRESS_FILL, 313, 318), 0);
    EXPECT_TRUE(Shows(IDB_ERROR_MARK, 154, 294));
    // "오류" right of the mark, within its height.
    const Box word = Ink({171, 290, 260, 313});
    ASSERT_FALSE(word.Empty());
    EXPECT_GE(word.left, 175);
    EXPECT_GE(word.top, 294);
    EXPECT_LE(word.bottom, 311);
    // The connection text starts at the top of the status rectangle, not
    // centred, and the status text is gone.
    const Box text = Ink({38, 160, 512, 250});
    EXPECT_GE(text.top, 170);
    EXPECT_LT(text.top, 174);
    EXPECT_LE(text.bottom, 240);
  }
}

TEST_F(MainPainterTest, FailedInstallTurnsBothBarsRedAndShowsTheContactLine) {
  CMainView view = View(3, 0, 1);
  view.run.m_strCountText = "(3/7)";
  view.run.m_nCountCurrent = 3;
  view.run.m_nCountTotal = 7;
  view.run.m_strPercentLabel = "다운로드";
  view.run.m_strPercentText = "( 50.00%)";
  view.run.m_nPercentDone = 1;
  view.run.m_nPercentTotal = 2;
  Paint(view);
  EXPECT_EQ(FilledColumns(IDB_PROGRESS_ERROR_FILL, 300, 305), 249);
  EXPECT_EQ(FilledColumns(IDB_PROGRESS_ERROR_FILL, 344, 349), 249);
  EXPECT_TRUE(Shows(IDB_ERROR_MARK, 154, 281));
  EXPECT_TRUE(Shows(IDB_ERROR_MARK, 154, 326));
  // Labels, count and percent are not drawn: right of "오류" the rows are bare.
  EXPECT_TRUE(Ink({215, 281, 403, 300}).Empty());
  EXPECT_TRUE(Ink({215, 326, 403, 344}).Empty());

  // First line at the top; the second holds the telephone number in dark
  // grey and the e-mail address in pink.
  const Box first = Ink({38, 160, 512, 183});
  EXPECT_GE(first.top, 170);
  EXPECT_LT(first.top, 174);
  int nPhone = 0, nEmail = 0;
  for (int y = 184; y < 202; ++y)
    for (int x = 38; x < 512; ++x) {
      nPhone += IsDarkerThanBodyText(m_canvas.At(x, y));
      nEmail += IsPinkish(m_canvas.At(x, y));
    }
  EXPECT_GT(nPhone, 10);
  EXPECT_GT(nEmail, 10);
  // The address is underlined: one row below it runs pink for its whole
  // width, not cut off at the bottom of its measured cell.
  int nLongestRun = 0;
  for (int y = 184; y < 204; ++y) {
    int nRun = 0;
    for (int x = 38; x < 512; ++x) {
      nRun = IsPinkTint(m_canvas.At(x, y)) ? nRun + 1 : 0;
      nLongestRun = std::max(nLongestRun, nRun);
    }
  }
  EXPECT_GT(nLongestRun, 60);
  // The pieces follow each other on one line that stays in the rectangle.
  const Box second = Ink({38, 184, 512, 202});
  EXPECT_GE(second.left, 38);
  EXPECT_LT(second.right, 512);
}

// ---------------------------------------------------------------- bars

struct BarCase {
  int nCurrent;
  int nTotal;
  int nWidth;
};

class BarWidthTest : public MainPainterTest, public ::testing::WithParamInterface<BarCase> {};

TEST_P(BarWidthTest, CountAndPercentBarsFillTheirShareOfTheTrack) {
  const auto [nCurrent, nTotal, nWidth] = GetParam();
  EXPECT_EQ(CMainPainter::FillWidth(nCurrent, nTotal), nWidth);
  CMainView view = View(3);
  view.run.m_nCountCurrent = nCurrent;
  view.run.m_nCountTotal = nTotal;
  view.run.m_nPercentDone = nCurrent;
  view.run.m_nPercentTotal = nTotal;
  Paint(view);
  const std::pair<int, int> none{-1, -1};
  const std::pair<int, int> span{154, 154 + nWidth};
  EXPECT_EQ(FillSpan(IDB_PROGRESS_FILL, 300, 306), nWidth ? span : none) << "count bar";
  EXPECT_EQ(FillSpan(IDB_PROGRESS_FILL, 344, 350), nWidth ? span : none) << "percent bar";
  if (nWidth < 249) {
    // The track's own pixels stay right of the fill.
    Bitmap track;
    track.LoadBitmap(IDB_PROGRESS_TRACK);
    EXPECT_EQ(m_canvas.At(154 + nWidth, 306), track.GetPixel(nWidth, 6));
  }
}

// A whole-number width comes out one pixel short: 248, 82 and 165 where the
// exact values are 249, 83 and 166. A total of 0 draws nothing.
INSTANTIATE_TEST_SUITE_P(Shares, BarWidthTest,
                         ::testing::Values(BarCase{0, 3, 0}, BarCase{1, 3, 82}, BarCase{2, 3, 165},
                                           BarCase{3, 3, 248}, BarCase{50, 100, 124}, BarCase{5, 0, 0},
                                           BarCase{0, 0, 0}, BarCase{-2, 3, 0}, BarCase{9, 3, 249},
                                           BarCase{2000000000, 2000000000, 248}));

TEST_F(MainPainterTest, CountAndPercentTextsFollowTheirLabels) {
  CMainView view = View(3);
  view.run.m_strCountLabel = "설치";
  view.run.m_strCountText = "(1/3)";
  view.run.m_strPercentLabel = "다운로드";
  view.run.m_strPercentText = "( 10.00%)";
  Paint(view);
  // The count text in violet, the percent text in pink, both right of
  // their labels within the label rows.
  int nViolet = 0, nPink = 0;
  for (int y = 284; y < 300; ++y)
    for (int x = 154; x < 403; ++x) nViolet += IsVioletish(m_canvas.At(x, y));
  for (int y = 328; y < 344; ++y)
    for (int x = 154; x < 403; ++x) nPink += IsPinkish(m_canvas.At(x, y));
  EXPECT_GT(nViolet, 5);
  EXPECT_GT(nPink, 5);
}

// ---------------------------------------------------------------- marquee

struct MarqueeCase {
  int nOffset;
  int nFirst;  // -1: nothing drawn
  int nEnd;
  int nOffsetAfter;
};

class MarqueeTest : public MainPainterTest, public ::testing::WithParamInterface<MarqueeCase> {};

TEST_P(MarqueeTest, BlockMovesRightAndReentersFromTheLeft) {
  const MarqueeCase& c = GetParam();
  Paint(View(1), c.nOffset);
  EXPECT_EQ(FillSpan(IDB_PROGRESS_FILL, 313, 319), std::make_pair(c.nFirst, c.nEnd));
  EXPECT_EQ(FilledColumns(IDB_PROGRESS_FILL, 313, 319), c.nFirst < 0 ? 0 : c.nEnd - c.nFirst);
  EXPECT_EQ(m_nOffset, c.nOffsetAfter);
}

INSTANTIATE_TEST_SUITE_P(Offsets, MarqueeTest,
                         ::testing::Values(MarqueeCase{0, 154, 254, 0}, MarqueeCase{150, 304, 403, 150},
                                           MarqueeCase{240, 394, 403, 240}, MarqueeCase{249, -1, -1, 249},
                                           MarqueeCase{250, -1, -1, -100}, MarqueeCase{-90, 154, 164, -90},
                                           MarqueeCase{-100, -1, -1, -100}));

// ---------------------------------------------------------------- sub-label

TEST_F(MainPainterTest, SubLabelStaysRightAlignedAndGivesWayWithAnEllipsis) {
  CMainView view = View(3);
  view.run.m_strPercentLabel = "다운로드";
  view.run.m_strPercentText = "( 42.50%)";
  view.run.m_strPercentSubLabel = "Vamo.cab";
  Paint(view);
  const Box shortLabel = Ink({300, 328, 403, 344});
  ASSERT_FALSE(shortLabel.Empty());
  EXPECT_LE(shortLabel.right, 403);
  EXPECT_GE(shortLabel.right, 398);

  // Far too long for the space left: cut, still ending at the bar's end,
  // and never running into the percent text.
  view.run.m_strPercentSubLabel = "VamoPlugin_Component_Installer_Package_With_A_Very_Long_Name.cab 파일 받는 중";
  Paint(view);
  const Box percentRow = Ink({154, 328, 403, 344});
  const Box longLabel = Ink({280, 328, 403, 344});
  EXPECT_LE(longLabel.right, 403);
  EXPECT_GE(longLabel.right, 395);
  EXPECT_LE(percentRow.right, 403);
  // Where the sub-label may start: right of the label, the percent text
  // and two 4-pixel gaps. Nothing of it lies left of that.
  CMainView noSub = view;
  noSub.run.m_strPercentSubLabel.clear();
  Canvas bare;
  int nOffset = 0;
  s_painter->Paint(bare.Dc(), noSub, nOffset);
  int nTextEnd = 154;
  for (int x = 154; x < 403; ++x)
    for (int y = 328; y < 344; ++y)
      if (bare.At(x, y) != s_background->GetPixel(x, y)) nTextEnd = x + 1;
  for (int x = 154; x < nTextEnd + 4; ++x)
    for (int y = 328; y < 344; ++y) EXPECT_EQ(m_canvas.At(x, y), bare.At(x, y)) << x << "," << y;
  // Some of the long name is shown: the cut text fills most of its space.
  EXPECT_LT(longLabel.left, nTextEnd + 40);
}

}  // namespace
