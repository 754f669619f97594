// Pixel tests of the device context on image surfaces: blits, text
// placement and the fonts the dialogs name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/DC.h"
#include "platform/gui/Font.h"

using namespace platform::gui;

namespace {

constexpr COLORREF kPaper = RGB(250, 250, 250);
constexpr COLORREF kInk = RGB(0, 0, 0);

// A memory DC over a bitmap of its own, filled with one colour.
struct Canvas {
  Canvas(int cx, int cy, COLORREF fill = kPaper) {
    bitmap.CreateBitmap(cx, cy);
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(&bitmap);
    dc.FillSolidRect({0, 0, cx, cy}, fill);
  }
  COLORREF At(int x, int y) const { return bitmap.GetPixel(x, y); }
  // The bounding box of every pixel that differs from `background`.
  Rect Ink(COLORREF background = kPaper) const {
    Rect box{1 << 20, 1 << 20, -1, -1};
    const Size size = bitmap.GetSize();
    for (int y = 0; y < size.cy; ++y)
      for (int x = 0; x < size.cx; ++x)
        if (At(x, y) != background) {
          box.left = std::min(box.left, x);
          box.top = std::min(box.top, y);
          box.right = std::max(box.right, x + 1);
          box.bottom = std::max(box.bottom, y + 1);
        }
    return box.right < 0 ? Rect{} : box;
  }
  bool SamePixels(const Canvas& other) const {
    const Size size = bitmap.GetSize();
    for (int y = 0; y < size.cy; ++y)
      for (int x = 0; x < size.cx; ++x)
        if (At(x, y) != other.At(x, y)) return false;
    return true;
  }
  Bitmap bitmap;
  DC dc;
};

Font MakeFont(int height, int weight = FW_NORMAL, const char* face = "굴림") {
  Font font;
  EXPECT_TRUE(font.CreateFont(height, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0, 0, face));
  return font;
}

TEST(GdiBlit, BitBltCopiesExactlyTheSourceRectangle) {
  Canvas source(3, 2);
  source.dc.FillSolidRect({0, 0, 1, 1}, RGB(255, 0, 0));
  source.dc.FillSolidRect({1, 0, 2, 1}, RGB(0, 255, 0));
  source.dc.FillSolidRect({2, 0, 3, 1}, RGB(0, 0, 255));
  source.dc.FillSolidRect({0, 1, 3, 2}, RGB(10, 20, 30));
  Canvas target(12, 12, RGB(1, 2, 3));

  ASSERT_TRUE(target.dc.BitBlt(5, 7, 3, 2, &source.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(target.At(5, 7), RGB(255, 0, 0));
  EXPECT_EQ(target.At(6, 7), RGB(0, 255, 0));
  EXPECT_EQ(target.At(7, 7), RGB(0, 0, 255));
  EXPECT_EQ(target.At(7, 8), RGB(10, 20, 30));
  EXPECT_EQ(target.Ink(RGB(1, 2, 3)), (Rect{5, 7, 8, 9}));

  // A source rectangle that runs past the bitmap copies what exists and
  // leaves the rest of the destination as it was.
  Canvas clipped(12, 12, RGB(1, 2, 3));
  ASSERT_TRUE(clipped.dc.BitBlt(0, 0, 10, 4, &source.dc, 1, 1, SRCCOPY));
  EXPECT_EQ(clipped.Ink(RGB(1, 2, 3)), (Rect{0, 0, 2, 1}));
  EXPECT_FALSE(clipped.dc.BitBlt(0, 0, 1, 1, &source.dc, 0, 0, 0x00EE0086 /* SRCPAINT */));
}

TEST(GdiBlit, StretchedOneColumnFillEndsAtTheLastTargetColumn) {
  // The progress bars: a 1 x 12 fill stretched to 248 columns from x = 154.
  Canvas fill(1, 12, RGB(226, 86, 168));
  Canvas bar(420, 20, kPaper);
  ASSERT_TRUE(bar.dc.StretchBlt(154, 4, 248, 12, &fill.dc, 0, 0, 1, 12, SRCCOPY));
  EXPECT_EQ(bar.Ink(), (Rect{154, 4, 402, 16}));
  for (int x = 154; x <= 401; ++x) ASSERT_EQ(bar.At(x, 4), RGB(226, 86, 168)) << x;
  EXPECT_EQ(bar.At(153, 10), kPaper);
  EXPECT_EQ(bar.At(402, 10), kPaper);
  // A zero width draws nothing.
  Canvas empty(20, 20);
  EXPECT_TRUE(empty.dc.StretchBlt(3, 3, 0, 12, &fill.dc, 0, 0, 1, 12, SRCCOPY));
  EXPECT_EQ(empty.Ink(), Rect{});
}

TEST(GdiBlit, StretchIsNearestNeighbourWithoutBlending) {
  Canvas source(2, 2);
  source.dc.FillSolidRect({0, 0, 1, 1}, RGB(255, 0, 0));
  source.dc.FillSolidRect({1, 0, 2, 1}, RGB(0, 255, 0));
  source.dc.FillSolidRect({0, 1, 1, 2}, RGB(0, 0, 255));
  source.dc.FillSolidRect({1, 1, 2, 2}, RGB(255, 255, 255));
  Canvas target(6, 6);
  ASSERT_TRUE(target.dc.StretchBlt(0, 0, 6, 6, &source.dc, 0, 0, 2, 2, SRCCOPY));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(target.At(x, y), source.At(x / 3, y / 3)) << x << "," << y;
}

struct DibCase {
  const char* name;
  std::vector<uint8_t> dib;
  Size size;
  std::vector<COLORREF> topRow;  // empty: must not load
};

std::vector<uint8_t> Header(int width, int height, int bits, uint32_t colours = 0) {
  std::vector<uint8_t> h(40, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) h[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put32(0, 40);
  put32(4, static_cast<uint32_t>(width));
  put32(8, static_cast<uint32_t>(height));
  h[12] = 1;
  h[14] = static_cast<uint8_t>(bits);
  put32(32, colours);
  return h;
}

std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class DibLoad : public ::testing::TestWithParam<DibCase> {};

TEST_P(DibLoad, DecodesRowsAndColours) {
  const DibCase& c = GetParam();
  Bitmap bitmap;
  const BOOL loaded = bitmap.LoadFromDib(c.dib);
  if (c.topRow.empty()) {
    EXPECT_FALSE(loaded);
    BITMAP info;
    EXPECT_EQ(bitmap.GetObject(&info), 0);
    return;
  }
  ASSERT_TRUE(loaded);
  BITMAP info;
  ASSERT_EQ(bitmap.GetObject(&info), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ((Size{info.bmWidth, info.bmHeight}), c.size);
  for (size_t x = 0; x < c.topRow.size(); ++x) EXPECT_EQ(bitmap.GetPixel(static_cast<int>(x), 0), c.topRow[x]) << x;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DibLoad,
    ::testing::Values(
        // 24-bit, bottom-up, rows padded to four bytes: the top row is last.
        DibCase{"bits24",
                Cat(Header(2, 2, 24), {1, 2, 3, 4, 5, 6, 0, 0, /* top: */ 30, 20, 10, 60, 50, 40, 0, 0}),
                {2, 2},
                {RGB(10, 20, 30), RGB(40, 50, 60)}},
        // 8-bit top-down (negative height) through a two-colour table.
        DibCase{"bits8TopDown",
                Cat(Cat(Header(3, -1, 8, 2), {0, 0, 255, 0, 255, 0, 0, 0}), {1, 0, 1, 0}),
                {3, 1},
                {RGB(0, 0, 255), RGB(255, 0, 0), RGB(0, 0, 255)}},
        // 1-bit, most significant bit first.
        DibCase{"bits1", Cat(Cat(Header(3, 1, 1), {0, 0, 0, 0, 255, 255, 255, 0}), {0xA0, 0, 0, 0}), {3, 1},
                {RGB(255, 255, 255), RGB(0, 0, 0), RGB(255, 255, 255)}},
        DibCase{"truncatedPixels", Cat(Header(4, 4, 24), {1, 2, 3}), {}, {}},
        DibCase{"compressed", [] { auto h = Header(1, 1, 8); h[16] = 1; return Cat(h, std::vector<uint8_t>(8, 0)); }(),
                {}, {}},
        DibCase{"hugeWidth", Cat(Header(1 << 20, 1, 24), std::vector<uint8_t>(64, 0)), {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

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

TEST(GdiState, SaveAndRestoreBringBackFontColoursModeAndClip) {
  Canvas canvas(40, 40);
  Font font = MakeFont(12);
  canvas.dc.SelectObject(&font);
  const int level = canvas.dc.SaveDC();
  canvas.dc.SetTextColor(RGB(1, 2, 3));
  canvas.dc.SetBkMode(TRANSPARENT);
  canvas.dc.IntersectClipRect({0, 0, 10, 10});
  canvas.dc.SelectObject(static_cast<const Font*>(nullptr));
  canvas.dc.FillSolidRect({0, 0, 40, 40}, RGB(9, 9, 9));
  EXPECT_EQ(canvas.Ink(), (Rect{0, 0, 10, 10}));
  ASSERT_TRUE(canvas.dc.RestoreDC(level));
  EXPECT_EQ(canvas.dc.GetTextColor(), RGB(0, 0, 0));
  EXPECT_EQ(canvas.dc.GetBkMode(), OPAQUE);
  Rect clip;
  canvas.dc.GetClipBox(&clip);
  EXPECT_EQ(clip, (Rect{0, 0, 40, 40}));
  EXPECT_FALSE(canvas.dc.RestoreDC(level));
}

// Painting code leaves through any return: each guard brings back its own
// level, the outer one's changes survive the inner one's end, and a memory
// DC gets back the bitmap it held.
TEST(GdiState, ScopedGuardsRestoreOnEveryWayOut) {
  Canvas canvas(40, 40);
  auto paint = [&](bool bEarly) {
    ScopedDCState outer(&canvas.dc);
    canvas.dc.SetTextColor(RGB(1, 2, 3));
    {
      ScopedDCState inner(&canvas.dc);
      canvas.dc.SetBkMode(TRANSPARENT);
      canvas.dc.IntersectClipRect({0, 0, 10, 10});
      if (bEarly) return;
    }
    EXPECT_EQ(canvas.dc.GetTextColor(), RGB(1, 2, 3));
    EXPECT_EQ(canvas.dc.GetBkMode(), OPAQUE);
  };
  for (bool bEarly : {true, false}) {
    paint(bEarly);
    EXPECT_EQ(canvas.dc.GetTextColor(), RGB(0, 0, 0)) << bEarly;
    EXPECT_EQ(canvas.dc.GetBkMode(), OPAQUE) << bEarly;
    Rect clip;
    canvas.dc.GetClipBox(&clip);
    EXPECT_EQ(clip, (Rect{0, 0, 40, 40})) << bEarly;
    EXPECT_FALSE(canvas.dc.RestoreDC(-1)) << "a level was left behind";
  }

  Bitmap other;
  other.CreateBitmap(5, 5);
  {
    ScopedSelectBitmap select(&canvas.dc, &other);
    canvas.dc.FillSolidRect({0, 0, 40, 40}, RGB(9, 9, 9));
  }
  EXPECT_EQ(canvas.Ink(), Rect{}) << "the fill went into the canvas instead of the selected bitmap";
  canvas.dc.FillSolidRect({0, 0, 2, 2}, RGB(9, 9, 9));
  EXPECT_EQ(canvas.At(1, 1), RGB(9, 9, 9)) << "the canvas's bitmap was not selected back";
}

}  // namespace
