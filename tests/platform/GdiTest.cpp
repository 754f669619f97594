// Pixel tests of the device context on image surfaces: text placement and
// the fonts the dialogs name, as the Linux backend draws them. Blits, DIBs
// and the saved state are in tests/gdi, which runs on both systems.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/DC.h"
#include "platform/gui/Font.h"
#include "tests/support/GdiCanvas.h"

using namespace platform::gui;

namespace {

using vamo_test::Canvas;
using vamo_test::kInk;
using vamo_test::kPaper;

Font MakeFont(int height, int weight = FW_NORMAL, const char* face = "굴림") {
  Font font;
  EXPECT_TRUE(font.CreateFont(height, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0, 0, face));
  return font;
}

TEST(GdiResources, BitmapsLoadFromTheProgramAndMissingIdsLeaveTheObjectEmpty) {
  Bitmap background;
  ASSERT_TRUE(background.LoadBitmap(160));
  EXPECT_EQ(background.GetSize(), (Size{550, 450}));
  Bitmap missing;
  EXPECT_FALSE(missing.LoadBitmap(999));
  EXPECT_TRUE(missing.IsNull());
  // A failed load keeps what the object held.
  EXPECT_FALSE(background.LoadBitmap(999));
  EXPECT_EQ(background.GetSize(), (Size{550, 450}));
}

TEST(GdiFonts, KoreanFacesResolveToTheShippedFontAndHeightsFollowCreateFont) {
  for (const char* face : {"굴림", "돋음", "Gulim", "Dotum"}) {
    Font font = MakeFont(12, FW_NORMAL, face);
    EXPECT_EQ(font.GetResolvedFamily(), "NanumGothic") << face;
  }
  Font cell = MakeFont(12);
  EXPECT_EQ(cell.GetTextMetrics().tmHeight, 12);
  EXPECT_GT(cell.GetTextMetrics().tmAscent, 6);
  // A negative height is the em size: the cell is taller than 12.
  Font em = MakeFont(-12);
  EXPECT_GT(em.GetTextMetrics().tmHeight, 12);

  // Bold draws heavier strokes of the same text.
  Font bold = MakeFont(12, FW_BOLD);
  auto inkPixels = [](const Font& font) {
    Canvas canvas(120, 16);
    canvas.dc.SelectObject(&font);
    canvas.dc.SetBkMode(TRANSPARENT);
    canvas.dc.TextOut(0, 0, "케보 전자결제");
    int count = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 120; ++x) count += canvas.At(x, y) != kPaper;
    return count;
  };
  EXPECT_GT(inkPixels(bold), inkPixels(cell) * 11 / 10);
}

// Text placement: each case draws with DrawText and compares the pixels
// with the same text drawn by TextOut where DrawText must put it.
class DrawTextFixture : public ::testing::Test {
 protected:
  void SetUp() override { m_font = MakeFont(12); }
  void Prepare(Canvas& canvas) {
    canvas.dc.SelectObject(&m_font);
    canvas.dc.SetBkMode(TRANSPARENT);
    canvas.dc.SetTextColor(kInk);
  }
  int Width(const char* text) {
    Canvas scratch(1, 1);
    Prepare(scratch);
    return scratch.dc.GetTextExtent(text).cx;
  }
  Font m_font;
};

TEST_F(DrawTextFixture, CalcRectMeasuresLinesAtLineBreaks) {
  Canvas canvas(10, 10);
  Prepare(canvas);
  Rect rc{38, 170, 38, 170};
  const int height = canvas.dc.DrawText("첫째 줄\n\n셋째 줄이 더 깁니다", &rc, DT_CALCRECT);
  EXPECT_EQ(height, 36);
  EXPECT_EQ(rc, (Rect{38, 170, 38 + Width("셋째 줄이 더 깁니다"), 206}));

  Rect single{0, 0, 0, 0};
  EXPECT_EQ(canvas.dc.DrawText("a\nb", &single, DT_CALCRECT | DT_SINGLELINE), 12);
  EXPECT_EQ(single.right, Width("ab"));
  // Nothing is drawn while measuring.
  EXPECT_EQ(canvas.Ink(), Rect{});
}

TEST_F(DrawTextFixture, FlagsZeroDrawsEachLineAtTheLeftOneCellApart) {
  Canvas drawn(200, 60), expected(200, 60);
  Prepare(drawn);
  Prepare(expected);
  Rect rc{5, 3, 200, 60};
  drawn.dc.DrawText("결제 오류\n잠시만", &rc, 0);
  expected.dc.TextOut(5, 3, "결제 오류");
  expected.dc.TextOut(5, 15, "잠시만");
  EXPECT_TRUE(drawn.SamePixels(expected));
}

TEST_F(DrawTextFixture, SingleLineCentresVerticallyAndAlignsRight) {
  Canvas drawn(200, 60), expected(200, 60);
  Prepare(drawn);
  Prepare(expected);
  Rect rc{10, 10, 150, 41};  // 31 high: the 12-pixel cell starts at (10 + 41 - 12) / 2 = 19
  drawn.dc.DrawText("오류", &rc, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  expected.dc.TextOut(150 - Width("오류"), 19, "오류");
  EXPECT_TRUE(drawn.SamePixels(expected));
  EXPECT_LE(drawn.Ink().right, 150);
}

TEST_F(DrawTextFixture, WordEllipsisCutsAtAWordBoundaryInsideTheWidth) {
  const char* text = "setup.cab 다운로드 중입니다";
  const int limit = Width("setup.cab 다운로드...") + 2;
  ASSERT_LT(limit, Width(text));
  Canvas drawn(300, 20), expected(300, 20);
  Prepare(drawn);
  Prepare(expected);
  Rect rc{20, 0, 20 + limit, 16};
  drawn.dc.DrawText(text, &rc, DT_SINGLELINE | DT_RIGHT | DT_WORD_ELLIPSIS);
  expected.dc.TextOut(20 + limit - Width("setup.cab 다운로드..."), 0, "setup.cab 다운로드...");
  EXPECT_TRUE(drawn.SamePixels(expected));

  // Text that fits is drawn whole.
  Canvas whole(300, 20), plain(300, 20);
  Prepare(whole);
  Prepare(plain);
  Rect wide{0, 0, 300, 16};
  whole.dc.DrawText(text, &wide, DT_SINGLELINE | DT_WORD_ELLIPSIS);
  plain.dc.TextOut(0, 0, text);
  EXPECT_TRUE(whole.SamePixels(plain));
}

TEST_F(DrawTextFixture, WordBreakWrapsAtSpacesAndClipsAtTheRectangle) {
  const char* text = "인터넷 접속을 다시 한번 확인하시기 바랍니다";
  const int width = Width("인터넷 접속을 다시") + 1;
  Canvas drawn(300, 80), expected(300, 80);
  Prepare(drawn);
  Prepare(expected);
  Rect rc{4, 2, 4 + width, 2 + 24};  // room for two lines of three
  drawn.dc.DrawText(text, &rc, DT_WORDBREAK);
  expected.dc.TextOut(4, 2, "인터넷 접속을 다시");
  expected.dc.TextOut(4, 14, "한번 확인하시기");
  EXPECT_TRUE(drawn.SamePixels(expected));
  EXPECT_LE(drawn.Ink().bottom, 26);

  Canvas measure(10, 10);
  Prepare(measure);
  Rect calc{0, 0, width, 0};
  EXPECT_EQ(measure.dc.DrawText(text, &calc, DT_WORDBREAK | DT_CALCRECT), 36);
  EXPECT_LE(calc.right, width);
}

TEST_F(DrawTextFixture, PrefixUnderlinesAndDoubledAmpersandIsLiteral) {
  Canvas canvas(10, 10);
  Prepare(canvas);
  Rect a{0, 0, 0, 0}, b{0, 0, 0, 0};
  canvas.dc.DrawText("A&&B", &a, DT_CALCRECT | DT_SINGLELINE);
  canvas.dc.DrawText("A&B", &b, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(a.right, b.right);
}

}  // namespace
