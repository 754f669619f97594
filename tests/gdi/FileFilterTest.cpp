// The file dialogs' MFC filter strings, read the same way by the toolkit's
// dialog and by the common dialog.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gui/FileFilter.h"

using platform::gui::FileFilter;
using platform::gui::ParseFileFilter;

namespace {

struct FilterCase {
  const char* name;
  const char* filter;
  std::vector<FileFilter> expected;
};

class FileFilters : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FileFilters, PairsDescriptionsWithTheirPatterns) {
  const FilterCase& c = GetParam();
  const std::vector<FileFilter> parsed = ParseFileFilter(c.filter);
  ASSERT_EQ(parsed.size(), c.expected.size());
  for (size_t i = 0; i < parsed.size(); ++i) {
    EXPECT_EQ(parsed[i].description, c.expected[i].description) << i;
    EXPECT_EQ(parsed[i].patterns, c.expected[i].patterns) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Strings, FileFilters,
    ::testing::Values(
        // The report dialog's filter: no pattern, so the description is one.
        FilterCase{"descriptionIsThePattern", "*.rpt||", {{"*.rpt", {"*.rpt"}}}},
        FilterCase{"severalPairsAndPatterns", "Reports|*.rpt;*.txt;|All files|*.*||",
                   {{"Reports", {"*.rpt", "*.txt"}}, {"All files", {"*.*"}}}},
        // The list ends at the first empty description, whatever follows.
        FilterCase{"endsAtEmptyDescription", "A|*.a||B|*.b||", {{"A", {"*.a"}}}},
        FilterCase{"unterminated", "A|*.a|B", {{"A", {"*.a"}}}},
        FilterCase{"empty", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
