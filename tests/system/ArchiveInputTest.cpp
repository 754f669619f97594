#include "system/ArchiveInput.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/fs/FileSystem.h"
#include "tests/support/ScratchSpace.h"

namespace {

// One read of a sequence: where it starts and how much it asks for.
struct Step {
  uint64_t position;
  size_t size;
};

struct ReadPattern {
  const char* label;
  std::vector<Step> steps;
};

void PrintTo(const ReadPattern& p, std::ostream* os) { *os << p.label; }

constexpr size_t kFileBytes = 1300 * 1024;  // longer than two windows

class ArchiveInputTest : public ::testing::TestWithParam<ReadPattern> {
 protected:
  void SetUp() override {
    std::mt19937 random(7);
    m_bytes.resize(kFileBytes);
    for (auto& b : m_bytes) b = static_cast<char>(random());
    ASSERT_EQ(platform::fs::MakeDirectory(scratch.PathOf("arc")), platform::kErrorSuccess);
    ASSERT_EQ(platform::fs::WriteFileAtomic(scratch.PathOf("arc\\data.bin"), m_bytes), platform::kErrorSuccess);
  }

  ScratchSpace scratch;
  std::string m_bytes;
};

// Every read returns exactly the file's bytes at its position, wherever the
// window stands, and stops short only at the end of the file.
TEST_P(ArchiveInputTest, ReadsReturnTheFileBytesAtThePosition) {
  CArchiveInput input;
  ASSERT_TRUE(input.Open(scratch.PathOf("arc\\data.bin")));
  ASSERT_EQ(input.Size(), kFileBytes);
  std::vector<uint8_t> buffer;
  for (const Step& step : GetParam().steps) {
    input.Seek(step.position);
    buffer.assign(step.size, 0);
    auto got = input.Read(buffer.data(), buffer.size());
    ASSERT_TRUE(got.has_value());
    size_t expected = step.position >= kFileBytes ? 0 : std::min<uint64_t>(step.size, kFileBytes - step.position);
    ASSERT_EQ(*got, expected) << step.position << "+" << step.size;
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + *got),
              m_bytes.substr(std::min<uint64_t>(step.position, kFileBytes), *got))
        << step.position << "+" << step.size;
    EXPECT_EQ(input.Tell(), step.position + *got);
  }
  EXPECT_FALSE(input.Failed());
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, ArchiveInputTest,
    ::testing::Values(
        // A header, then a member's data in 16 KiB pieces across windows.
        ReadPattern{"SequentialPieces",
                    [] {
                      std::vector<Step> steps{{0, 30}};
                      for (uint64_t at = 30; at < kFileBytes; at += 16384) steps.push_back({at, 16384});
                      return steps;
                    }()},
        // The end-of-directory search: backwards from the end in 1 KiB reads.
        ReadPattern{"BackwardsFromTheEnd",
                    [] {
                      std::vector<Step> steps;
                      for (uint64_t at = kFileBytes - 1024; at > kFileBytes - 70 * 1024; at -= 1020) {
                        steps.push_back({at, 1024});
                      }
                      return steps;
                    }()},
        // Jumps between a directory and members, inside and outside the window.
        ReadPattern{"Jumps", {{1200000, 46}, {5, 30}, {1200046, 46}, {600000, 30}, {1200092, 100}, {10, 20000}}},
        // Reads larger than the window, and reads over the end of the file.
        ReadPattern{"LargeAndPastTheEnd",
                    {{3, 700 * 1024}, {kFileBytes - 10, 100}, {kFileBytes, 10}, {kFileBytes + 5000, 10},
                     {0, kFileBytes + 100}}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ArchiveInputOpenTest, MissingFileDoesNotOpen) {
  ScratchSpace scratch;
  CArchiveInput input;
  EXPECT_FALSE(input.Open(scratch.PathOf("nothere.zip")));
  uint8_t byte = 0;
  EXPECT_FALSE(input.Read(&byte, 1).has_value());
}

}  // namespace
