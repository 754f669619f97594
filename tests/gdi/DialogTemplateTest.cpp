// Dialog templates as windres compiles them into the program, and hostile
// ones: read alike on both systems.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gui/DialogTemplate.h"
#include "platform/resources/ModuleResources.h"

using namespace platform::gui;

namespace {

std::vector<uint8_t> TemplateBytes(uint16_t id) {
  auto bytes = platform::FindModuleResource(platform::ResourceName(platform::kRtDialog), platform::ResourceName(id));
  return bytes ? std::vector<uint8_t>(bytes->begin(), bytes->end()) : std::vector<uint8_t>();
}

TEST(DialogTemplate, ReadsStyleFontAndEveryControlOfTheProgramsTemplates) {
  struct Expected {
    uint16_t id;
    bool visible;
    std::vector<UINT> controls;
  };
  for (const Expected& e : {Expected{102, true, {1001, 1000, 1, 2}}, Expected{130, false, {1, 2}},
                            Expected{131, false, {1, 2}}, Expected{132, false, {1003, 1, 2, 1002}}}) {
    auto t = DialogTemplate::Load(e.id);
    ASSERT_TRUE(t.has_value()) << e.id;
    EXPECT_TRUE(t->extended);
    EXPECT_EQ(t->style & WS_POPUP, WS_POPUP);
    EXPECT_EQ((t->style & WS_VISIBLE) != 0, e.visible) << e.id;
    EXPECT_EQ(t->faceName, "굴림");
    EXPECT_EQ(t->pointSize, 9);
    EXPECT_EQ(t->weight, 400);
    std::vector<UINT> ids;
    for (const DialogItemTemplate& item : t->items) {
      ids.push_back(item.id);
      EXPECT_EQ(item.className, "Button");
      EXPECT_EQ(item.style & BS_TYPEMASK, BS_OWNERDRAW);
    }
    EXPECT_EQ(ids, e.controls) << e.id;
  }
  auto main = DialogTemplate::Load(102);
  EXPECT_EQ(main->rect, (Rect{0, 0, 367, 300}));
  EXPECT_EQ(main->items[3].rect, (Rect{345, 9, 357, 21}));
  EXPECT_FALSE(DialogTemplate::Load(999).has_value());
}

TEST(DialogTemplate, EveryTruncationAndCorruptCountIsRefusedWithoutReadingPastTheEnd) {
  const std::vector<uint8_t> full = TemplateBytes(132);
  ASSERT_FALSE(full.empty());
  // Cut anywhere before the last control's end: refused, never read beyond.
  for (size_t size = 0; size + 8 < full.size(); ++size) {
    std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_FALSE(DialogTemplate::Parse(cut).has_value()) << size;
  }
  // A control count far beyond the data.
  std::vector<uint8_t> counted = full;
  counted[16] = 0xFF;
  counted[17] = 0x03;
  EXPECT_FALSE(DialogTemplate::Parse(counted).has_value());
  // A title without its terminator.
  std::vector<uint8_t> unterminated(full.begin(), full.begin() + 30);
  for (size_t i = 26; i < unterminated.size(); ++i) unterminated[i] = 'A';
  EXPECT_FALSE(DialogTemplate::Parse(unterminated).has_value());
}

TEST(DialogTemplate, PlainDialogTemplatesAreReadToo) {
  // DLGTEMPLATE: style WS_POPUP|DS_SETFONT, one control; font 8 "A"; a
  // "Button" ordinal control with id 7 and the text "OK".
  std::vector<uint8_t> t = {0x40, 0, 0, 0x80, 0, 0, 0, 0, 1, 0, 1, 0, 2, 0, 30, 0, 20, 0,  // header
                            0, 0, 0, 0, 0, 0,                                                  // menu, class, title
                            8, 0, 'A', 0, 0, 0,                                                // font
                            0, 0,                                                              // align to 4
                            0, 0, 0, 0x50, 0, 0, 0, 0, 3, 0, 4, 0, 10, 0, 8, 0, 7, 0,          // item
                            0xFF, 0xFF, 0x80, 0, 'O', 0, 'K', 0, 0, 0, 0, 0};
  auto parsed = DialogTemplate::Parse(t);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_FALSE(parsed->extended);
  EXPECT_EQ(parsed->faceName, "A");
  ASSERT_EQ(parsed->items.size(), 1u);
  EXPECT_EQ(parsed->items[0].id, 7u);
  EXPECT_EQ(parsed->items[0].className, "Button");
  EXPECT_EQ(parsed->items[0].text, "OK");
  EXPECT_EQ(parsed->items[0].rect, (Rect{3, 4, 13, 12}));
}

}  // namespace
