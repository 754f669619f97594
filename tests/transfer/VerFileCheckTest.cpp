#include <gtest/gtest.h>

#include <string>

#include "platform/fs/FileSystem.h"
#include "tests/support/ScratchSpace.h"
#include "transfer/UpdateListLayout.h"

namespace {

// VerFileCheck judges the signature block of a list file on its own: it needs
// only the file, so it runs against the system's own file service.
struct BlockCase {
  const char* name;
  std::string text;
  int result;
};

class VerFileCheckCases : public ::testing::TestWithParam<BlockCase> {};

TEST_P(VerFileCheckCases, JudgesTheSignatureBlock) {
  ScratchSpace scratch;
  ASSERT_EQ(platform::fs::WriteFileAtomic(scratch.PathOf("v.ver"), GetParam().text), platform::kErrorSuccess);
  uint32_t count = static_cast<uint32_t>(GetParam().text.find("-----BEGIN") + 1);
  EXPECT_EQ(VerFileCheck(count, scratch.PathOf("v.ver")), GetParam().result);
}

const std::string kBlock = "[G]\r\n-----BEGIN SIGNATURE-----\r\nQUJD\r\n-----END SIGNATURE-----";

INSTANTIATE_TEST_SUITE_P(
    Cases, VerFileCheckCases,
    ::testing::Values(BlockCase{"WellFormed", kBlock, kVerFileOk},
                      BlockCase{"HyphensAfterEnd", kBlock + "\r\n-----\r\n", kVerFileOk},
                      BlockCase{"NoMarkersAtAll", "[G]\r\nA=1\r\n", kVerFileOk},
                      BlockCase{"Empty", "", kVerFileEmpty},
                      BlockCase{"TwoBegins", kBlock + "-----BEGIN SIGNATURE-----", kVerFileMarkerTwice},
                      BlockCase{"LetterAfterEnd", kBlock + "\r\nq", kVerFileTrailing},
                      // A short signed part must not shorten the inspected tail.
                      BlockCase{"LetterBeyondCount", kBlock + std::string(64, '-') + "q", kVerFileTrailing}),
    [](const ::testing::TestParamInfo<BlockCase>& info) { return std::string(info.param.name); });

TEST(VerFileCheck, MissingFileIsZero) {
  ScratchSpace scratch;
  EXPECT_EQ(VerFileCheck(1, scratch.PathOf("nothing.ver")), kVerFileOpenFail);
}

}  // namespace
