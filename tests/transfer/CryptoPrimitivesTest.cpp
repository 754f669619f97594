#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "transfer/Encoder.h"
#include "transfer/MessageDigest.h"
#include "transfer/TransferCodes.h"

namespace {

std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text;
}

std::vector<uint8_t> Result(const MessageDigest& digest) {
  std::vector<uint8_t> out(digest.GetLength());
  digest.CopyResult(out.data());
  return out;
}

std::vector<uint8_t> DigestInPieces(int code, const std::string& input, size_t piece) {
  MessageDigest digest;
  digest.SetAlgorithm(code);
  EXPECT_EQ(digest.Init(), 0);
  for (size_t i = 0; i < input.size(); i += piece) {
    EXPECT_EQ(digest.Update(input.data() + i, std::min(piece, input.size() - i)), 0);
  }
  EXPECT_EQ(digest.Final(), 0);
  return Result(digest);
}

struct KnownDigest {
  int code;
  const char* input;
  const char* hex;
};

class MessageDigestKnownAnswer : public ::testing::TestWithParam<KnownDigest> {};

TEST_P(MessageDigestKnownAnswer, MatchesPublishedVectorWholeAndInPieces) {
  const KnownDigest& known = GetParam();
  std::string input = known.input;
  EXPECT_EQ(Hex(DigestInPieces(known.code, input, input.size() + 1)), known.hex);
  EXPECT_EQ(Hex(DigestInPieces(known.code, input, 1)), known.hex);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, MessageDigestKnownAnswer,
    ::testing::Values(
        KnownDigest{kAlgMd5, "abc", "900150983cd24fb0d6963f7d28e17f72"},
        KnownDigest{kAlgSha1, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        KnownDigest{kAlgSha256, "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        KnownDigest{kAlgSha384, "abc",
                    "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c8"
                    "25a7"},
        KnownDigest{kAlgSha512, "abc",
                    "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feeb"
                    "bd454d4423643ce80e2a9ac94fa54ca49f"},
        KnownDigest{kAlgSha512, "",
                    "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877ee"
                    "c2f63b931bd47417a81a538327af927da3e"}));

TEST(MessageDigest, RefusesCallsOutOfOrderAndUnknownCodes) {
  MessageDigest digest;
  digest.SetAlgorithm(kAlgSha512);
  EXPECT_EQ(digest.Update("x", 1), kErrDigestUpdate);
  EXPECT_EQ(digest.Final(), kErrDigestFinal);
  EXPECT_EQ(digest.GetLength(), 0u);

  for (int code : {0, 11, -1}) {
    digest.SetAlgorithm(code);
    EXPECT_EQ(digest.Init(), kErrDigestInit) << code;
  }
  // A second Init starts over and the object is usable again.
  digest.SetAlgorithm(kAlgSha512);
  ASSERT_EQ(digest.Init(), 0);
  ASSERT_EQ(digest.Update("abc", 3), 0);
  ASSERT_EQ(digest.Init(), 0);
  ASSERT_EQ(digest.Final(), 0);
  EXPECT_EQ(digest.GetLength(), 64u);
  EXPECT_EQ(Hex(Result(digest)).substr(0, 16), "cf83e1357eefb8bd");
  EXPECT_EQ(digest.Final(), kErrDigestFinal);
}

struct HmacCase {
  int code;
  size_t keyLength;
};

class KeyedHash : public ::testing::TestWithParam<HmacCase> {};

TEST_P(KeyedHash, AgreesWithOpenSslHmac) {
  const HmacCase& c = GetParam();
  std::vector<uint8_t> key(c.keyLength);
  for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(0xA0 + i);
  std::string message = "The update list names every file the plug-in needs.";

  MessageDigest digest;
  digest.SetAlgorithm(c.code);
  ASSERT_TRUE(digest.SetKey(key.data(), key.size()));
  ASSERT_EQ(digest.Init(), 0);
  ASSERT_EQ(digest.Update(message.data(), 10), 0);
  ASSERT_EQ(digest.Update(message.data() + 10, message.size() - 10), 0);
  ASSERT_EQ(digest.Final(), 0);

  const EVP_MD* md = c.code == kAlgHmacMd5    ? EVP_md5()
                     : c.code == kAlgHmacSha1 ? EVP_sha1()
                     : c.code == kAlgHmacSha256 ? EVP_sha256()
                     : c.code == kAlgHmacSha384 ? EVP_sha384()
                                                : EVP_sha512();
  unsigned char expected[EVP_MAX_MD_SIZE];
  unsigned int expectedLength = 0;
  ASSERT_NE(HMAC(md, key.data(), static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(message.data()),
                 message.size(), expected, &expectedLength),
            nullptr);
  EXPECT_EQ(Hex(Result(digest)), Hex(std::vector<uint8_t>(expected, expected + expectedLength)));
}

INSTANTIATE_TEST_SUITE_P(Codes, KeyedHash,
                         ::testing::Values(HmacCase{kAlgHmacMd5, 16}, HmacCase{kAlgHmacSha1, 20},
                                           HmacCase{kAlgHmacSha256, 32}, HmacCase{kAlgHmacSha384, 5},
                                           HmacCase{kAlgHmacSha512, 32}, HmacCase{kAlgHmacSha512, 1}));

TEST(KeyedHash, KeyStoreHoldsAtMost32Bytes) {
  MessageDigest digest;
  std::vector<uint8_t> key(33, 7);
  EXPECT_FALSE(digest.SetKey(key.data(), key.size()));
  EXPECT_FALSE(digest.SetKey(nullptr, 4));
  EXPECT_TRUE(digest.SetKey(key.data(), 32));
}

std::string EncodeText(const std::string& bytes) {
  Encoder encoder;
  encoder.Init(Encoder::kEncode);
  encoder.Update(bytes.data(), bytes.size());
  uint32_t capacityBeforeFinal = encoder.GetCapacity();
  encoder.Final();
  EXPECT_EQ(encoder.GetCapacity(), capacityBeforeFinal) << "Final must not grow the buffer";
  std::string out(encoder.GetLength(), '\0');
  encoder.CopyOut(reinterpret_cast<uint8_t*>(out.data()));
  return out;
}

std::string DecodeText(const std::string& text, size_t piece) {
  Encoder decoder;
  decoder.Init(Encoder::kDecode);
  for (size_t i = 0; i < text.size(); i += piece) decoder.Update(text.data() + i, std::min(piece, text.size() - i));
  decoder.Final();
  std::string out(decoder.GetLength(), '\0');
  decoder.CopyOut(reinterpret_cast<uint8_t*>(out.data()));
  return out;
}

TEST(Encoder, SixtyFourBytesGiveEightyEightCharactersInTwoLines) {
  std::string bytes(64, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  std::string text = EncodeText(bytes);
  ASSERT_EQ(text.size(), 90u);
  EXPECT_EQ(text[64], '\n');
  EXPECT_EQ(text[89], '\n');
  EXPECT_EQ(text.substr(87, 2), "==");
}

TEST(Encoder, CapacityStaysAtTwiceTheInput) {
  Encoder encoder;
  encoder.Init(Encoder::kEncode);
  EXPECT_EQ(encoder.GetCapacity(), 32u);
  std::string chunk(250, 'x');
  for (int i = 0; i < 4; ++i) encoder.Update(chunk.data(), chunk.size());
  EXPECT_GE(encoder.GetCapacity(), 2000u);
  encoder.Init(Encoder::kDecode);
  EXPECT_EQ(encoder.GetCapacity(), 32u);
  EXPECT_EQ(encoder.GetLength(), 0u);
}

class EncoderRoundTrip : public ::testing::TestWithParam<size_t> {};

TEST_P(EncoderRoundTrip, DecodesWhatItEncodedWhateverTheLineBreaks) {
  size_t length = GetParam();
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 131 + 17) & 0xff);
  std::string text = EncodeText(bytes);
  EXPECT_EQ(DecodeText(text, 1), bytes);
  EXPECT_EQ(DecodeText(text, 7), bytes);
  // Line feeds and CR LF pairs anywhere between groups are ignored.
  std::string bare;
  for (char c : text) {
    if (c != '\n') bare += c;
  }
  std::string broken;
  for (size_t i = 0; i < bare.size(); i += 4) broken += bare.substr(i, 4) + (i % 8 == 0 ? "\r\n" : "\n");
  EXPECT_EQ(DecodeText(broken, 5), bytes);
}

INSTANTIATE_TEST_SUITE_P(Lengths, EncoderRoundTrip, ::testing::Values(0, 1, 2, 3, 47, 48, 49, 256, 1000));

TEST(Encoder, MalformedTextIsNoticedButNotAFailure) {
  Encoder decoder;
  decoder.Init(Encoder::kDecode);
  EXPECT_EQ(decoder.Update("QUJD*RUY=", 9), 0);
  EXPECT_EQ(decoder.Final(), 0);
  EXPECT_TRUE(decoder.MalformedInput());
}

}  // namespace
