// The comparison of the two builds' pictures: bitmaps pixel for pixel, text
// within the tolerance stated in ScreenCompare.h. The pictures here are
// drawn with cairo the way the two rasterisers differ (anti-aliased or not,
// a pixel lower, a size smaller), and with the faults the comparison must
// catch.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "tests/support/ScreenCompare.h"
#include "tests/support/TempPrefix.h"
#include "tests/wine-ui/WizardScreenRegions.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kPanel = 0xF4F4F4;
constexpr uint32_t kTextColour = 0x333333;
const TextRegion kTextRegion{"status", {30, 40, 260, 90}};

struct TextLook {
  std::string strText = "전자결제 마법사를 시작합니다";
  uint32_t colour = kTextColour;
  double x = 40, y = 70, size = 13;
  bool bAntialias = true;
};

// A window of 300 x 200: a two-colour bitmap frame and a panel with a line of text.
ScreenImage Draw(const TextLook& look) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 300, 200);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0.85, 0.2, 0.5);
  cairo_paint(cr);
  cairo_rectangle(cr, 10, 30, 280, 160);
  cairo_set_source_rgb(cr, 0xF4 / 255.0, 0xF4 / 255.0, 0xF4 / 255.0);
  cairo_fill(cr);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, look.bAntialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
  cairo_select_font_face(cr, "NanumGothic", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, look.size);
  cairo_set_source_rgb(cr, ((look.colour >> 16) & 0xFF) / 255.0, ((look.colour >> 8) & 0xFF) / 255.0,
                       (look.colour & 0xFF) / 255.0);
  cairo_move_to(cr, look.x, look.y);
  cairo_show_text(cr, look.strText.c_str());
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  ScreenImage image(300, 200);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) image.Set(x, y, reinterpret_cast<const uint32_t*>(data + y * stride)[x]);
  cairo_surface_destroy(surface);
  return image;
}

struct Variant {
  const char* name;
  std::function<ScreenImage()> draw;
  std::vector<std::string> failing;  // the regions that must differ; none when the pictures count as the same
};

void PrintTo(const Variant& variant, std::ostream* os) { *os << variant.name; }

class ScreenCompareVariants : public ::testing::TestWithParam<Variant> {};

TEST_P(ScreenCompareVariants, AgainstTheAntialiasedLine) {
  const ScreenImage expected = Draw({});
  const std::vector<RegionVerdict> verdicts = CompareScreens(expected, GetParam().draw(), {kTextRegion});
  std::string report;
  const bool bSame = AllSame(verdicts, &report);
  const std::vector<std::string>& failing = GetParam().failing;
  EXPECT_EQ(bSame, failing.empty()) << report;
  for (const RegionVerdict& verdict : verdicts) {
    const bool bExpectedSame = std::find(failing.begin(), failing.end(), verdict.strName) == failing.end();
    EXPECT_EQ(verdict.bSame, bExpectedSame) << verdict.strName << ": " << verdict.strWhy;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, ScreenCompareVariants,
    ::testing::Values(
        Variant{"Identical", [] { return Draw({}); }, {}},
        // What another rasteriser does to the same line.
        Variant{"AliasedALowerPixelAndASizeSmaller",
                [] {
                  TextLook look;
                  look.bAntialias = false;
                  look.y += 1;
                  look.size -= 1;
                  return Draw(look);
                },
                {}},
        Variant{"OneBitmapPixel",
                [] {
                  ScreenImage image = Draw({});
                  image.Set(5, 150, 0x000000);
                  return image;
                },
                {"bitmaps"}},
        Variant{"NoText",
                [] {
                  TextLook look;
                  look.strText = "";
                  return Draw(look);
                },
                {"status"}},
        Variant{"AnotherColour",
                [] {
                  TextLook look;
                  look.colour = 0xE0308A;
                  return Draw(look);
                },
                {"status"}},
        Variant{"ALineLower",
                [] {
                  TextLook look;
                  look.y += 16;
                  return Draw(look);
                },
                {"status"}},
        Variant{"AShorterText",
                [] {
                  TextLook look;
                  look.strText = "마법사를 시작합니다";
                  return Draw(look);
                },
                {"status"}},
        // Text that runs past its region is drawn over bitmaps.
        Variant{"TextOutsideItsRegion",
                [] {
                  TextLook look;
                  look.strText = "전자결제 마법사를 시작합니다 - 전자결제";
                  return Draw(look);
                },
                {"bitmaps", "status"}}),
    [](const ::testing::TestParamInfo<Variant>& info) { return std::string(info.param.name); });

TEST(ScreenCompare, PicturesOfAnotherSizeDifferAsAWhole) {
  const std::vector<RegionVerdict> verdicts = CompareScreens(Draw({}), ScreenImage(300, 201), {kTextRegion});
  ASSERT_EQ(verdicts.size(), 1u);
  EXPECT_EQ(verdicts[0].strName, "size");
  EXPECT_FALSE(verdicts[0].bSame);
}

TEST(ScreenCompare, ReadsAPngPixelForPixelAndRefusesWhatIsNone) {
  TempDir folder;
  const ScreenImage drawn = Draw({});
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 300, 200);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) reinterpret_cast<uint32_t*>(data + y * stride)[x] = drawn.At(x, y);
  cairo_surface_mark_dirty(surface);
  ASSERT_EQ(cairo_surface_write_to_png(surface, (folder.Path() + "/a.png").c_str()), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(surface);
  const std::optional<ScreenImage> read = ScreenImage::Load(folder.Path() + "/a.png");
  ASSERT_TRUE(read.has_value());
  EXPECT_TRUE(AllSame(CompareScreens(drawn, *read, {})));
  EXPECT_FALSE(ScreenImage::Load(folder.Path() + "/missing.png").has_value());
}

// The Windows build's pictures beside the Linux build's, made by
// WizardUnderWineTest; each is compared with its Linux twin.
TEST(WizardScreens, TheWindowsPicturesMatchTheLinuxOnes) {
  const fs::path docs = fs::path(VAMO_SOURCE_DIR) / "docs/screenshots";
  int nCompared = 0;
  for (const WizardScreen& screen : WizardScreens()) {
    const fs::path windows = docs / "wizard-win32" / (screen.strName + ".png");
    if (!fs::exists(windows)) continue;
    const std::optional<ScreenImage> want = ScreenImage::Load(docs / "wizard" / (screen.strName + ".png"));
    const std::optional<ScreenImage> got = ScreenImage::Load(windows);
    ASSERT_TRUE(want && got) << screen.strName;
    std::string report;
    EXPECT_TRUE(AllSame(CompareScreens(*want, *got, screen.text), &report)) << screen.strName << ":\n" << report;
    ++nCompared;
  }
  if (nCompared == 0) GTEST_SKIP() << "no pictures of the Windows build in docs/screenshots/wizard-win32";
}

}  // namespace
