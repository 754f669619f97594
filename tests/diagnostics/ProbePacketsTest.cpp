#include "diagnostics/ProbePackets.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(InternetChecksum, MatchesTheRfcExampleAndVerifiesItself) {
  // RFC 1071, section 3: the words 0001 f203 f4f5 f6f7 sum to 2ddf0, which
  // folds to ddf2; the checksum is its complement.
  const Bytes data = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
  EXPECT_EQ(InternetChecksum(data), 0x220d);
  Bytes withSum = data;
  withSum.push_back(0x22);
  withSum.push_back(0x0d);
  EXPECT_TRUE(InternetChecksumVerifies(withSum));
  withSum[0] ^= 0x40;
  EXPECT_FALSE(InternetChecksumVerifies(withSum));
  // An odd last byte is the high byte of a last word.
  EXPECT_EQ(InternetChecksum(Bytes{0x12}), static_cast<uint16_t>(~0x1200));
  EXPECT_EQ(InternetChecksum(Bytes{}), 0xFFFF);
  // Carries that fold more than once.
  EXPECT_EQ(InternetChecksum(Bytes(64, 0xFF)), 0x0000);
}

TEST(EchoRequest, IsFortyBytesOfTheKnownLayout) {
  const Bytes request = BuildEchoRequest(0xBEEF);
  ASSERT_EQ(request.size(), kEchoRequestSize);
  EXPECT_EQ(request[0], 8);
  EXPECT_EQ(request[1], 0);
  EXPECT_EQ(request[4], 0xBE);
  EXPECT_EQ(request[5], 0xEF);
  EXPECT_EQ(request[6], 0);
  EXPECT_EQ(request[7], 0);
  EXPECT_EQ(Bytes(request.begin() + 8, request.end()), Bytes(32, 'x'));
  EXPECT_TRUE(InternetChecksumVerifies(request));
  Bytes zeroed = request;
  zeroed[2] = zeroed[3] = 0;
  EXPECT_EQ(InternetChecksum(zeroed), request[2] << 8 | request[3]);
}

// The reply a peer sends: the request as type 0 with its checksum redone.
Bytes ReplyTo(const Bytes& request) {
  Bytes reply = request;
  reply[0] = 0;
  reply[2] = reply[3] = 0;
  const uint16_t sum = InternetChecksum(reply);
  reply[2] = static_cast<uint8_t>(sum >> 8);
  reply[3] = static_cast<uint8_t>(sum);
  return reply;
}

void Reseal(Bytes& message) {
  message[2] = message[3] = 0;
  const uint16_t sum = InternetChecksum(message);
  message[2] = static_cast<uint8_t>(sum >> 8);
  message[3] = static_cast<uint8_t>(sum);
}

struct NearMiss {
  const char* name;
  std::function<void(Bytes&)> change;
};

class EchoReplyCheck : public ::testing::TestWithParam<NearMiss> {};

// Every field of the reply is checked; a datagram that differs in any of
// them is not the reply, even with a valid checksum.
TEST_P(EchoReplyCheck, NearMissIsNotTheReply) {
  const Bytes request = BuildEchoRequest(0x1234);
  Bytes reply = ReplyTo(request);
  ASSERT_TRUE(IsEchoReplyTo(reply, request));
  GetParam().change(reply);
  EXPECT_FALSE(IsEchoReplyTo(reply, request));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, EchoReplyCheck,
    ::testing::Values(NearMiss{"TheRequestItself", [](Bytes& m) { m[0] = 8, Reseal(m); }},
                      NearMiss{"Unreachable", [](Bytes& m) { m[0] = 3, Reseal(m); }},
                      NearMiss{"OtherIdentifier", [](Bytes& m) { m[5] ^= 1, Reseal(m); }},
                      NearMiss{"OtherSequence", [](Bytes& m) { m[7] = 1, Reseal(m); }},
                      NearMiss{"BadChecksum", [](Bytes& m) { m[3] ^= 0x10; }},
                      NearMiss{"OtherPayload", [](Bytes& m) { m[20] = 'y', Reseal(m); }},
                      NearMiss{"ShortPayload", [](Bytes& m) { m.resize(39), Reseal(m); }},
                      NearMiss{"LongPayload", [](Bytes& m) { m.push_back('x'), Reseal(m); }},
                      NearMiss{"HeaderOnly", [](Bytes& m) { m.resize(8), Reseal(m); }},
                      NearMiss{"Truncated", [](Bytes& m) { m.resize(5); }}),
    [](const ::testing::TestParamInfo<NearMiss>& info) { return info.param.name; });

TEST(DnsQuery, NameInLabelForm) {
  EXPECT_EQ(EncodeDnsName("abc.de"), (Bytes{3, 'a', 'b', 'c', 2, 'd', 'e', 0}));
  EXPECT_EQ(EncodeDnsName("www.vamo.test"),
            (Bytes{3, 'w', 'w', 'w', 4, 'v', 'a', 'm', 'o', 4, 't', 'e', 's', 't', 0}));
  EXPECT_EQ(EncodeDnsName(""), (Bytes{0, 0}));
  // Only the first 99 characters fit the name buffer.
  const std::string longName = std::string(60, 'a') + "." + std::string(60, 'b');
  const Bytes encoded = EncodeDnsName(longName);
  ASSERT_EQ(encoded.size(), 99u + 2u);
  EXPECT_EQ(encoded[0], 60);
  EXPECT_EQ(encoded[61], 38);
  EXPECT_EQ(encoded.back(), 0);
}

TEST(DnsQuery, OneQuestionForTheAddressRecord) {
  const Bytes query = BuildDnsQuery(0xA1B2, "abc.de");
  const Bytes expected = {0xA1, 0xB2, 0x01, 0x00, 0, 1, 0, 0, 0, 0, 0, 0,
                          3,    'a',  'b',  'c',  2, 'd', 'e', 0, 0, 1, 0, 1};
  EXPECT_EQ(query, expected);
  // The name in label form takes its length plus two bytes, so type and
  // class come after its final zero byte, not over it.
  EXPECT_EQ(query.size(), 12u + (6u + 2u) + 4u);
}

}  // namespace
