#include "system/InfInstaller.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "system/CabinetInstaller.h"
#include "tests/support/TempPrefix.h"

namespace {

struct DestDirCase {
  const char* value;
  const char* folder;
};

class DestDirTest : public ::testing::TestWithParam<DestDirCase> {
 protected:
  TempPrefix prefix;
};

TEST_P(DestDirTest, ResolvesTheDocumentedFolders) {
  EXPECT_EQ(CCabinetInstaller::ResolveDestDir(GetParam().value), GetParam().folder);
}

void PrintTo(const DestDirCase& c, std::ostream* os) { *os << "'" << c.value << "'"; }

INSTANTIATE_TEST_SUITE_P(Values, DestDirTest,
                         ::testing::Values(DestDirCase{"10", "C:\\Windows"}, DestDirCase{" 11 ", "C:\\Windows\\System32"},
                                           DestDirCase{"12", "C:\\Windows\\System32\\drivers"},
                                           DestDirCase{"", "C:\\Windows\\Downloaded Program Files"},
                                           DestDirCase{"17", "C:\\Windows\\Downloaded Program Files"}));

TEST(InfInstallerTest, FolderIdsNameTheDocumentedFolders) {
  TempPrefix prefix;
  CInfInstaller inf("C:\\dl\\x\\setup.inf");
  const std::map<int, std::string> expected = {
      {1, "C:\\dl\\x"},           {10, "C:\\Windows"},      {11, "C:\\Windows\\System32"},
      {12, "C:\\Windows\\System32\\drivers"}, {17, "C:\\Windows\\inf"}, {24, "C:\\"}, {25, "C:\\Windows"}};
  for (const auto& [id, folder] : expected) EXPECT_EQ(inf.DirIdFolder(id).value_or("?"), folder) << id;
  for (int id : {0, 2, 13, 16, 18, 26, 30, -1}) EXPECT_FALSE(inf.DirIdFolder(id).has_value()) << id;
  EXPECT_EQ(inf.Install(), CInfInstaller::kResultFail);  // no such INF
}

}  // namespace
