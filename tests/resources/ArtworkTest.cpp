#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "platform/resources/ModuleResources.h"
#include "resources/resource.h"

namespace {

uint32_t Read32(std::span<const uint8_t> bytes, size_t at) {
  uint32_t value = 0;
  if (at + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

uint16_t Read16(std::span<const uint8_t> bytes, size_t at) {
  uint16_t value = 0;
  if (at + 2 <= bytes.size()) std::memcpy(&value, bytes.data() + at, 2);
  return value;
}

struct Rgb {
  int r;
  int g;
  int b;
  bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << "," << c.g << "," << c.b << ")";
}

// An RT_BITMAP resource: BITMAPINFOHEADER, then bottom-up rows.
struct Dib {
  int width = 0;
  int height = 0;
  int bitCount = 0;
  std::span<const uint8_t> bytes;

  Rgb At(int x, int y) const {
    const size_t stride = static_cast<size_t>((width * 3 + 3) & ~3);
    const size_t at = 40 + static_cast<size_t>(height - 1 - y) * stride + static_cast<size_t>(x) * 3;
    return {bytes[at + 2], bytes[at + 1], bytes[at]};
  }
};

std::optional<Dib> LoadPicture(uint16_t id) {
  const auto data = platform::FindModuleResource(platform::kRtBitmap, id);
  if (!data || data->size() < 40 || Read32(*data, 0) != 40) return std::nullopt;
  Dib dib{static_cast<int>(Read32(*data, 4)), static_cast<int>(Read32(*data, 8)), Read16(*data, 14), *data};
  return dib;
}

struct PictureSize {
  uint16_t id;
  int width;
  int height;
};

// Every picture the dialogs use, in the size they lay it out by.
const std::vector<PictureSize> kPictureSizes = {
    {IDB_CONFIRM_NORMAL, 61, 30},     {IDB_CONFIRM_PRESSED, 61, 30},     {IDB_CONFIRM_HOVER, 61, 30},
    {IDB_CLOSE_X_NORMAL, 17, 18},     {IDB_CLOSE_X_PRESSED, 17, 18},     {IDB_CLOSE_X_HOVER, 17, 18},
    {IDB_CANCEL_NORMAL, 61, 30},      {IDB_CANCEL_PRESSED, 61, 30},      {IDB_CANCEL_HOVER, 61, 30},
    {IDB_ERROR_CLOSE_NORMAL, 61, 30}, {IDB_ERROR_CLOSE_PRESSED, 61, 30}, {IDB_ERROR_CLOSE_HOVER, 61, 30},
    {IDB_SAVE_NORMAL, 111, 30},       {IDB_SAVE_PRESSED, 111, 30},       {IDB_SAVE_HOVER, 111, 30},
    {IDB_ERROR_DETAIL_HOVER, 150, 16}, {IDB_ERROR_DETAIL_PRESSED, 150, 16}, {IDB_ERROR_DETAIL_NORMAL, 150, 16},
    {IDB_NEXT_PRESSED, 61, 30},       {IDB_NEXT_HOVER, 61, 30},          {IDB_NEXT_NORMAL, 61, 30},
    {IDB_GUIDE_PRESSED, 99, 30},      {IDB_GUIDE_HOVER, 99, 30},         {IDB_GUIDE_NORMAL, 99, 30},
    {IDB_ERROR_SMALL_CLOSE, 17, 18},  {IDB_MAIN_BACKGROUND, 550, 450},   {IDB_BROWSER_BACKGROUND, 550, 450},
    {IDB_WELCOME_BACKGROUND, 550, 450}, {IDB_WELCOME_HEADING, 246, 22},  {IDB_BROWSER_NOTICE, 370, 20},
    {IDB_STEP_ARROW_ON, 20, 20},      {IDB_STEP_ARROW_OFF, 20, 20},      {IDB_STEP1_OFF, 85, 54},
    {IDB_STEP1_ON, 85, 54},           {IDB_STEP2_OFF, 85, 54},           {IDB_STEP2_ON, 85, 54},
    {IDB_STEP3_OFF, 85, 54},          {IDB_STEP3_ON, 85, 54},            {IDB_STEP4_OFF, 100, 54},
    {IDB_STEP4_ON, 100, 54},          {IDB_STEP5_OFF, 55, 54},           {IDB_STEP5_ON, 55, 54},
    {IDB_GLOBE, 90, 90},              {IDB_MONITOR, 90, 90},             {IDB_PROGRESS_TRACK, 249, 12},
    {IDB_PROGRESS_ERROR_FILL, 1, 12}, {IDB_PROGRESS_FILL, 1, 12},        {IDB_ERROR_MARK, 17, 17},
    {IDB_CONTACT_BANNER, 336, 50},    {IDB_ERROR_BODY, 460, 266},        {IDB_ERROR_LINE_TOP, 418, 1},
    {IDB_ERROR_LINE_BOTTOM, 418, 1},  {IDB_ERROR_CONTACTS, 337, 22},     {IDB_ERROR_ADVICE, 393, 29},
    {IDB_ERROR_TITLE, 460, 34},       {IDB_ERROR_HELP_QUESTION, 225, 11}, {IDB_ICON_SAFARI, 65, 65},
    {IDB_ICON_CHROME, 65, 65},        {IDB_ICON_FIREFOX, 65, 65},        {IDB_ICON_IE, 65, 65},
    {IDB_ICON_OPERA, 70, 65},         {IDB_ICON_360, 65, 65},            {IDB_ICON_QQ, 65, 65},
};

void PrintTo(const PictureSize& p, std::ostream* out) { *out << p.id << " " << p.width << "x" << p.height; }

class ProgramPicture : public ::testing::TestWithParam<PictureSize> {};

// The dialogs place, stretch and size themselves by these pictures; one of
// another size or depth would break the layout.
TEST_P(ProgramPicture, LoadsAsA24BitBitmapOfItsSize) {
  const auto dib = LoadPicture(GetParam().id);
  ASSERT_TRUE(dib.has_value());
  EXPECT_EQ(dib->width, GetParam().width);
  EXPECT_EQ(dib->height, GetParam().height);
  EXPECT_EQ(dib->bitCount, 24);
  EXPECT_EQ(Read32(dib->bytes, 16), 0u) << "BI_RGB";
  const size_t stride = static_cast<size_t>((GetParam().width * 3 + 3) & ~3);
  EXPECT_GE(dib->bytes.size(), 40 + stride * static_cast<size_t>(GetParam().height));
}

INSTANTIATE_TEST_SUITE_P(Artwork, ProgramPicture, ::testing::ValuesIn(kPictureSizes),
                         [](const ::testing::TestParamInfo<PictureSize>& info) {
                           return "Bitmap" + std::to_string(info.param.id);
                         });

std::string ReadText(const char* path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A picture added to the resource script without a size here, or a size
// here for a picture the script no longer has, is a layout nobody checks.
TEST(ProgramArtwork, TheScriptNamesExactlyThePicturesWithKnownSizes) {
  std::map<std::string, int> ids;
  std::istringstream header(ReadText(VAMO_RESOURCE_HEADER));
  for (std::string line; std::getline(header, line);) {
    std::istringstream words(line);
    std::string directive, name;
    int value = 0;
    if (words >> directive >> name >> value && directive == "#define") ids[name] = value;
  }
  std::set<int> named;
  std::istringstream script(ReadText(VAMO_RC_FILE));
  for (std::string line; std::getline(script, line);) {
    std::istringstream words(line);
    std::string name, type;
    if (!(words >> name >> type) || type != "BITMAP") continue;
    ASSERT_TRUE(ids.contains(name)) << name;
    named.insert(ids[name]);
  }
  std::set<int> sized;
  for (const PictureSize& picture : kPictureSizes) sized.insert(picture.id);
  EXPECT_EQ(named, sized);
}

// The program icon: one group with the sizes a desktop asks for, every
// image present as a 32-bit DIB with its AND mask.
TEST(ProgramArtwork, IconHoldsEveryImageOfItsGroup) {
  const auto group = platform::FindModuleResource(platform::kRtGroupIcon, IDR_MAINFRAME);
  ASSERT_TRUE(group.has_value());
  ASSERT_GE(group->size(), 6u);
  EXPECT_EQ(Read16(*group, 2), 1) << "icon, not cursor";
  const int count = Read16(*group, 4);
  ASSERT_EQ(group->size(), 6u + 14u * static_cast<size_t>(count));
  std::set<int> sizes;
  for (int i = 0; i < count; ++i) {
    const size_t entry = 6 + 14 * static_cast<size_t>(i);
    const int size = (*group)[entry] == 0 ? 256 : (*group)[entry];
    sizes.insert(size);
    const uint16_t imageId = Read16(*group, entry + 12);
    const auto image = platform::FindModuleResource(platform::kRtIcon, imageId);
    ASSERT_TRUE(image.has_value()) << "image " << imageId;
    EXPECT_EQ(image->size(), Read32(*group, entry + 8));
    EXPECT_EQ(Read32(*image, 0), 40u);
    EXPECT_EQ(static_cast<int>(Read32(*image, 4)), size);
    EXPECT_EQ(static_cast<int>(Read32(*image, 8)), 2 * size);
    EXPECT_EQ(Read16(*image, 14), 32);
    const size_t maskStride = static_cast<size_t>((size + 31) / 32 * 4);
    EXPECT_EQ(image->size(), 40 + static_cast<size_t>(size * size) * 4 + maskStride * static_cast<size_t>(size));
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 32, 48, 256}));
}

// Straight alpha with a matching AND mask: premultiplied colours would give
// the mark dark fringes wherever the desktop shows through its edges.
TEST(ProgramArtwork, IconImagesHaveStraightAlphaAndAMatchingMask) {
  const auto group = platform::FindModuleResource(platform::kRtGroupIcon, IDR_MAINFRAME);
  ASSERT_TRUE(group.has_value());
  for (int i = 0; i < Read16(*group, 4); ++i) {
    const auto image = platform::FindModuleResource(platform::kRtIcon, Read16(*group, 6 + 14 * static_cast<size_t>(i) + 12));
    ASSERT_TRUE(image.has_value());
    const int size = static_cast<int>(Read32(*image, 4));
    const size_t maskAt = 40 + static_cast<size_t>(size * size) * 4;
    const size_t maskStride = static_cast<size_t>((size + 31) / 32 * 4);
    int edges = 0;
    for (int row = 0; row < size; ++row) {
      for (int x = 0; x < size; ++x) {
        const size_t at = 40 + (static_cast<size_t>(row * size + x)) * 4;
        const uint8_t red = (*image)[at + 2];
        const uint8_t alpha = (*image)[at + 3];
        const bool masked = ((*image)[maskAt + static_cast<size_t>(row) * maskStride + static_cast<size_t>(x / 8)] >>
                             (7 - x % 8)) & 1;
        ASSERT_EQ(masked, alpha == 0) << size << " px, pixel " << x << "," << row;
        if (alpha > 0 && alpha < 255) {
          ++edges;
          // Every colour of the mark is pink or white: red stays high.
          EXPECT_GE(red, 190) << size << " px, pixel " << x << "," << row << " alpha " << int(alpha);
        }
      }
    }
    EXPECT_GT(edges, 0) << "the mark's edges are antialiased";
  }
}

// Rows are stored bottom-up: a picture written the other way round would
// still have the right size but show its title band at the bottom.
TEST(ProgramArtwork, BackgroundsHaveTheirTitleBandAtTheTop) {
  for (uint16_t id : {IDB_MAIN_BACKGROUND, IDB_BROWSER_BACKGROUND, IDB_WELCOME_BACKGROUND}) {
    const auto dib = LoadPicture(id);
    ASSERT_TRUE(dib.has_value());
    const Rgb band = dib->At(275, 25);
    const Rgb body = dib->At(275, 445);
    EXPECT_GT(band.r - band.g, 80) << id << " band " << band;
    EXPECT_LT(std::abs(body.r - body.g) + std::abs(body.g - body.b), 10) << id << " body " << body;
  }
}

struct ButtonStates {
  uint16_t normal;
  uint16_t pressed;
  uint16_t hover;
};

void PrintTo(const ButtonStates& p, std::ostream* out) { *out << p.normal << "/" << p.pressed << "/" << p.hover; }

class SkinnedButton : public ::testing::TestWithParam<ButtonStates> {};

// A state that looks like another would leave the user without feedback.
TEST_P(SkinnedButton, StatesLookDifferent) {
  const auto normal = LoadPicture(GetParam().normal);
  const auto pressed = LoadPicture(GetParam().pressed);
  const auto hover = LoadPicture(GetParam().hover);
  ASSERT_TRUE(normal && pressed && hover);
  const std::vector<uint8_t> a(normal->bytes.begin(), normal->bytes.end());
  const std::vector<uint8_t> b(pressed->bytes.begin(), pressed->bytes.end());
  const std::vector<uint8_t> c(hover->bytes.begin(), hover->bytes.end());
  EXPECT_NE(a, b);
  EXPECT_NE(a, c);
  EXPECT_NE(b, c);
}

INSTANTIATE_TEST_SUITE_P(Artwork, SkinnedButton,
                         ::testing::Values(ButtonStates{IDB_CONFIRM_NORMAL, IDB_CONFIRM_PRESSED, IDB_CONFIRM_HOVER},
                                           ButtonStates{IDB_CLOSE_X_NORMAL, IDB_CLOSE_X_PRESSED, IDB_CLOSE_X_HOVER},
                                           ButtonStates{IDB_CANCEL_NORMAL, IDB_CANCEL_PRESSED, IDB_CANCEL_HOVER},
                                           ButtonStates{IDB_ERROR_CLOSE_NORMAL, IDB_ERROR_CLOSE_PRESSED,
                                                        IDB_ERROR_CLOSE_HOVER},
                                           ButtonStates{IDB_SAVE_NORMAL, IDB_SAVE_PRESSED, IDB_SAVE_HOVER},
                                           ButtonStates{IDB_ERROR_DETAIL_NORMAL, IDB_ERROR_DETAIL_PRESSED,
                                                        IDB_ERROR_DETAIL_HOVER},
                                           ButtonStates{IDB_NEXT_NORMAL, IDB_NEXT_PRESSED, IDB_NEXT_HOVER},
                                           ButtonStates{IDB_GUIDE_NORMAL, IDB_GUIDE_PRESSED, IDB_GUIDE_HOVER}),
                         [](const ::testing::TestParamInfo<ButtonStates>& info) {
                           return "Bitmap" + std::to_string(info.param.normal);
                         });

struct Placement {
  uint16_t picture;
  uint16_t ground;  // the background it is drawn on
  int x;            // where, in the ground's pixels
  int y;
};

void PrintTo(const Placement& p, std::ostream* out) {
  *out << p.picture << " on " << p.ground << " at " << p.x << "," << p.y;
}

class PlacedPicture : public ::testing::TestWithParam<Placement> {};

// Pictures are copied as opaque rectangles: their corners must be the
// pixels of the ground they cover, or every one of them shows a box.
TEST_P(PlacedPicture, CornersMatchTheGroundBeneath) {
  const auto picture = LoadPicture(GetParam().picture);
  const auto ground = LoadPicture(GetParam().ground);
  ASSERT_TRUE(picture && ground);
  const int right = picture->width - 1;
  const int bottom = picture->height - 1;
  for (auto [px, py] : {std::pair{0, 0}, {right, 0}, {0, bottom}, {right, bottom}}) {
    EXPECT_EQ(picture->At(px, py), ground->At(GetParam().x + px, GetParam().y + py)) << "corner " << px << "," << py;
  }
}

// The error dialog's body picture lies 34 pixels down, under its title.
constexpr int kBody = -34;

INSTANTIATE_TEST_SUITE_P(
    Artwork, PlacedPicture,
    ::testing::Values(
        Placement{IDB_CLOSE_X_NORMAL, IDB_MAIN_BACKGROUND, 517, 14},
        Placement{IDB_CLOSE_X_HOVER, IDB_BROWSER_BACKGROUND, 517, 14},
        Placement{IDB_CLOSE_X_PRESSED, IDB_WELCOME_BACKGROUND, 517, 14},
        Placement{IDB_ERROR_SMALL_CLOSE, IDB_ERROR_TITLE, 432, 9},
        Placement{IDB_CANCEL_NORMAL, IDB_MAIN_BACKGROUND, 245, 408},
        Placement{IDB_CONFIRM_HOVER, IDB_MAIN_BACKGROUND, 245, 408},
        Placement{IDB_CONFIRM_NORMAL, IDB_BROWSER_BACKGROUND, 245, 408},
        Placement{IDB_NEXT_PRESSED, IDB_WELCOME_BACKGROUND, 245, 408},
        Placement{IDB_ERROR_DETAIL_NORMAL, IDB_MAIN_BACKGROUND, 38, 214},
        Placement{IDB_STEP1_ON, IDB_MAIN_BACKGROUND, 30, 74},
        Placement{IDB_STEP5_OFF, IDB_MAIN_BACKGROUND, 465, 74},
        Placement{IDB_STEP_ARROW_ON, IDB_MAIN_BACKGROUND, 445, 94},
        Placement{IDB_MONITOR, IDB_MAIN_BACKGROUND, 40, 277},
        Placement{IDB_GLOBE, IDB_MAIN_BACKGROUND, 422, 277},
        Placement{IDB_ERROR_MARK, IDB_MAIN_BACKGROUND, 154, 294},
        Placement{IDB_CONTACT_BANNER, IDB_MAIN_BACKGROUND, 110, 298},
        Placement{IDB_WELCOME_HEADING, IDB_WELCOME_BACKGROUND, 153, 82},
        Placement{IDB_BROWSER_NOTICE, IDB_BROWSER_BACKGROUND, 90, 175},
        Placement{IDB_ICON_IE, IDB_BROWSER_BACKGROUND, 17, 90},
        Placement{IDB_ICON_OPERA, IDB_BROWSER_BACKGROUND, 396, 90},
        Placement{IDB_ICON_QQ, IDB_BROWSER_BACKGROUND, 455, 90},
        Placement{IDB_ERROR_ADVICE, IDB_ERROR_BODY, 21, 124 + kBody},
        Placement{IDB_ERROR_CONTACTS, IDB_ERROR_BODY, 61, 171 + kBody},
        Placement{IDB_ERROR_HELP_QUESTION, IDB_ERROR_BODY, 61, 208 + kBody},
        Placement{IDB_GUIDE_NORMAL, IDB_ERROR_BODY, 305, 197 + kBody},
        Placement{IDB_SAVE_PRESSED, IDB_ERROR_BODY, 142, 257 + kBody},
        Placement{IDB_ERROR_CLOSE_HOVER, IDB_ERROR_BODY, 257, 257 + kBody}),
    [](const ::testing::TestParamInfo<Placement>& info) {
      return "Bitmap" + std::to_string(info.param.picture) + "On" + std::to_string(info.param.ground) + "At" +
             std::to_string(info.param.x) + "x" + std::to_string(info.param.y < 0 ? 0 : info.param.y);
    });

struct PlainArea {
  uint16_t ground;
  int left;
  int top;
  int right;  // exclusive
  int bottom;
};

void PrintTo(const PlainArea& p, std::ostream* out) {
  *out << p.ground << " (" << p.left << "," << p.top << ")-(" << p.right << "," << p.bottom << ")";
}

class TextGround : public ::testing::TestWithParam<PlainArea> {};

// Where the program writes its own text and draws its bars, the ground must
// be one plain colour, so that nothing shows through or behind the text.
TEST_P(TextGround, IsOnePlainColour) {
  const PlainArea area = GetParam();
  const auto ground = LoadPicture(area.ground);
  ASSERT_TRUE(ground.has_value());
  const Rgb expected = ground->At(area.left, area.top);
  int different = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (!(ground->At(x, y) == expected)) ++different;
    }
  }
  EXPECT_EQ(different, 0) << "in (" << area.left << "," << area.top << ")-(" << area.right << "," << area.bottom << ")";
}

INSTANTIATE_TEST_SUITE_P(Artwork, TextGround,
                         ::testing::Values(
                             // Main window: status text, progress bars and labels, the error marks.
                             PlainArea{IDB_MAIN_BACKGROUND, 38, 170, 512, 240},
                             PlainArea{IDB_MAIN_BACKGROUND, 154, 281, 403, 356},
                             // Browser prompt: the icon row, the warning lines, the version line.
                             PlainArea{IDB_BROWSER_BACKGROUND, 17, 90, 520, 155},
                             PlainArea{IDB_BROWSER_BACKGROUND, 38, 243, 520, 300},
                             PlainArea{IDB_BROWSER_BACKGROUND, 16, 396, 240, 416},
                             // Welcome: the text lines.
                             PlainArea{IDB_WELCOME_BACKGROUND, 38, 151, 520, 300},
                             // Error dialog: the message text.
                             PlainArea{IDB_ERROR_BODY, 21, 45 + kBody, 439, 111 + kBody}),
                         [](const ::testing::TestParamInfo<PlainArea>& info) {
                           return "Bitmap" + std::to_string(info.param.ground) + "At" +
                                  std::to_string(info.param.left) + "x" + std::to_string(info.param.top);
                         });

}  // namespace
