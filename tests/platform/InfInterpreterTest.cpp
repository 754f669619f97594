#include "platform/setup/InfInterpreter.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/support/TempPrefix.h"

namespace {

using platform::setup::InfInterpreter;

TEST(InfInterpreterTest, FolderIdsNameTheDocumentedFolders) {
  TempPrefix prefix;
  InfInterpreter inf("C:\\dl\\x\\setup.inf");
  const std::map<int, std::string> expected = {
      {1, "C:\\dl\\x"},           {10, "C:\\Windows"},      {11, "C:\\Windows\\System32"},
      {12, "C:\\Windows\\System32\\drivers"}, {17, "C:\\Windows\\inf"}, {24, "C:\\"}, {25, "C:\\Windows"}};
  for (const auto& [id, folder] : expected) EXPECT_EQ(inf.DirIdFolder(id).value_or("?"), folder) << id;
  for (int id : {0, 2, 13, 16, 18, 26, 30, -1}) EXPECT_FALSE(inf.DirIdFolder(id).has_value()) << id;
  EXPECT_EQ(inf.Install(), InfInterpreter::kResultFail);  // no such INF
}

}  // namespace
