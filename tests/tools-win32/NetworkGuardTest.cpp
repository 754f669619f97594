// The network guard of a test build on Windows: the lab's marker lets a
// program probe only while this machine has the address it names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/net/AdaptersInfo.h"
#include "platform/net/NetworkGuard.h"
#include "platform/registry/Registry.h"

namespace {

using platform::RegKey;
using platform::RegRoot;

class NetworkGuardTest : public ::testing::Test {
 protected:
  void TearDown() override { RemoveMarker(); }

  static void WriteMarker(const std::string& strAddress) {
    RegKey key;
    ASSERT_EQ(key.Create(RegRoot::kLocalMachine, platform::net::kLabNetworkKey), platform::kErrorSuccess);
    ASSERT_EQ(key.SetString(platform::net::kLabClientAddressValue, strAddress), platform::kErrorSuccess);
  }

  static void RemoveMarker() {
    RegKey parent;
    if (parent.Open(RegRoot::kLocalMachine, "SOFTWARE\\VamoSetup") == platform::kErrorSuccess) {
      parent.DeleteTree("LabNetwork");
    }
  }

  // An IPv4 address an adapter of this machine has, "" when none has one.
  static std::string SomeAdapterAddress() {
    uint32_t nSize = 0;
    if (platform::net::GetAdaptersInfoSize(nSize) != platform::kErrorBufferOverflow) return {};
    std::vector<platform::net::AdapterInfo> adapters;
    if (platform::net::GetAdaptersInfo(nSize, adapters) != platform::kErrorSuccess) return {};
    for (const auto& adapter : adapters) {
      for (const auto& entry : adapter.ipAddressList) {
        if (entry.strAddress != platform::net::kNoAddress) return entry.strAddress;
      }
    }
    return {};
  }
};

TEST_F(NetworkGuardTest, RefusesWithoutTheLabsMarkerUnlessAskedFor) {
  RemoveMarker();
  EXPECT_FALSE(platform::net::MayProbeNetwork());
  EXPECT_TRUE(platform::net::MayProbeNetwork(true));
}

// A marker whose address no adapter has is a prefix taken out of the lab's
// namespace (the documentation range is on no real network).
TEST_F(NetworkGuardTest, MarkerCountsOnlyForAnAddressOfThisMachine) {
  WriteMarker("198.51.100.254");
  EXPECT_FALSE(platform::net::MayProbeNetwork());
  WriteMarker(platform::net::kNoAddress);
  EXPECT_FALSE(platform::net::MayProbeNetwork());

  const std::string address = SomeAdapterAddress();
  if (address.empty()) GTEST_SKIP() << "no adapter with an IPv4 address";
  WriteMarker(address);
  EXPECT_TRUE(platform::net::MayProbeNetwork());
}

}  // namespace
