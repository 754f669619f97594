// The program's icon: every image of its group. The dialog templates are
// read in tests/gdi, on both systems.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gui/Icon.h"

using namespace platform::gui;

namespace {

TEST(IconResource, TheProgramIconLoadsEveryImageOfItsGroup) {
  Icon icon;
  ASSERT_TRUE(icon.LoadIcon(128));
  // Every image of the group, in the group's order.
  std::vector<Size> sizes(icon.GetSizes().begin(), icon.GetSizes().end());
  EXPECT_EQ(sizes, (std::vector<Size>{{256, 256}, {48, 48}, {32, 32}, {16, 16}}));
  Icon missing;
  EXPECT_FALSE(missing.LoadIcon(129));
  EXPECT_TRUE(missing.IsNull());
}

}  // namespace
