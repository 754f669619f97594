#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/TempPrefix.h"
#include "tests/transfer/TransferTestSupport.h"
#include "transfer/Encoder.h"
#include "transfer/MessageDigest.h"
#include "transfer/SignatureVerifier.h"
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

// --- SignatureVerifier ------------------------------------------------------

std::string Signed() { return "[GENERAL]\r\nVERSION=1.0.1.8\r\n"; }

int Verify(const std::string& signature, const std::string& keyText, const std::string& data, int code = kAlgSha512) {
  SignatureVerifier verifier;
  verifier.SetSignature(reinterpret_cast<const uint8_t*>(signature.data()), static_cast<uint32_t>(signature.size()));
  verifier.SetPublicKey(keyText.data(), static_cast<uint32_t>(keyText.size()));
  if (int rc = verifier.VerifyInit(code); rc != 0) return rc;
  if (int rc = verifier.VerifyUpdate(data.data(), data.size()); rc != 0) return rc;
  return verifier.VerifyFinal();
}

TEST(SignatureVerifier, AcceptsOpensslSignatureAndRejectsAnyChangedByte) {
  const TestKeys& keys = SharedTestKeys();
  std::string key = ReadHostFile(keys.publicKey);
  std::string signature = OpensslSign(keys.privateKey, Signed());
  EXPECT_EQ(Verify(signature, key, Signed()), 0);
  for (size_t i : {size_t{0}, Signed().size() / 2, Signed().size() - 1}) {
    std::string changed = Signed();
    changed[i] ^= 0x01;
    EXPECT_EQ(Verify(signature, key, changed), kErrVerifyMismatch) << i;
  }
  EXPECT_EQ(Verify(signature, ReadHostFile(keys.otherPublicKey), Signed()), kErrVerifyMismatch);
  EXPECT_EQ(Verify(signature.substr(0, signature.size() - 1), key, Signed()), kErrVerifyMismatch);
  EXPECT_EQ(Verify(signature + '\0', key, Signed()), kErrVerifyMismatch);
  EXPECT_EQ(Verify("", key, Signed()), kErrVerifyMismatch);
}

TEST(SignatureVerifier, InitCodesAndKeyProblems) {
  const TestKeys& keys = SharedTestKeys();
  std::string key = ReadHostFile(keys.publicKey);
  std::string signature = OpensslSign(keys.privateKey, Signed());
  EXPECT_EQ(Verify(signature, key, Signed(), 0), kErrVerifyNoAlgorithm);
  EXPECT_EQ(Verify(signature, key, Signed(), 6), kErrVerifyInit);
  EXPECT_EQ(Verify(signature, key, Signed(), -3), kErrVerifyInit);
  // A signature over SHA-512 checked as SHA-256 does not match.
  EXPECT_EQ(Verify(signature, key, Signed(), kAlgSha256), kErrVerifyMismatch);

  EXPECT_EQ(Verify(signature, "", Signed()), kErrVerifyPublicKey);
  EXPECT_EQ(Verify(signature, "-----BEGIN PUBLIC KEY-----\nAAAA\n-----END PUBLIC KEY-----\n", Signed()),
            kErrVerifyPublicKey);
  EXPECT_EQ(Verify(signature, ReadHostFile(keys.privateKey).substr(0, 60), Signed()), kErrVerifyPublicKey);
  EXPECT_EQ(Verify(signature, ReadHostFile(keys.ecPublicKey), Signed()), kErrVerifyPublicKey);

  SignatureVerifier noKey;
  noKey.SetSignature(reinterpret_cast<const uint8_t*>(signature.data()), static_cast<uint32_t>(signature.size()));
  ASSERT_EQ(noKey.VerifyInit(kAlgSha512), 0);
  EXPECT_EQ(noKey.VerifyFinal(), kErrVerifyPublicKey);
}

TEST(SignatureVerifier, KeyTextNeedNotEndInNulAndNullSignatureKeepsThePrevious) {
  const TestKeys& keys = SharedTestKeys();
  std::string key = ReadHostFile(keys.publicKey);
  std::string signature = OpensslSign(keys.privateKey, Signed());
  // The key sits in a larger buffer followed by junk; only `length` counts.
  std::string buffer = key + "-----BEGIN PUBLIC KEY-----\ngarbage";

  SignatureVerifier verifier;
  verifier.SetSignature(reinterpret_cast<const uint8_t*>(signature.data()), static_cast<uint32_t>(signature.size()));
  verifier.SetSignature(nullptr, 5);
  verifier.SetPublicKey(buffer.data(), static_cast<uint32_t>(key.size()));
  ASSERT_EQ(verifier.VerifyInit(kAlgSha512), 0);
  ASSERT_EQ(verifier.VerifyUpdate(Signed().data(), 7), 0);
  ASSERT_EQ(verifier.VerifyUpdate(Signed().data() + 7, Signed().size() - 7), 0);
  EXPECT_EQ(verifier.VerifyFinal(), 0);
  // A second Final without a new Init has nothing to check.
  EXPECT_EQ(verifier.VerifyFinal(), kErrVerifyMismatch);
}

// Hand-made PKCS #1 v1.5 blocks, turned into signatures with the private key
// through raw RSA: each is a way a lax verifier could be fooled.
enum class Forgery {
  kGenuine,           // the correct block: must verify, proving the crafting
  kBlockTypeTwo,      // 00 02 instead of 00 01
  kPaddingByteNotFF,  // one padding byte changed
  kShortPadding,      // 7 padding bytes, the rest as zeros after the hash
  kNoSeparator,       // the 00 after the padding missing
  kWrongDigestOid,    // SHA-256 OID in front of a SHA-512 hash
  kNoNullParameters,  // DigestInfo without the NULL parameters
  kTruncatedDigest,   // DigestInfo claims 64 bytes, 63 follow
  kSha256Digest,      // a correct SHA-256 block over the same bytes
  kTrailingBytes,     // padding shortened, 4 bytes after the hash
};

const uint8_t kSha512Info[] = {0x30, 0x51, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                               0x65, 0x03, 0x04, 0x02, 0x03, 0x05, 0x00, 0x04, 0x40};
const uint8_t kSha256Info[] = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                               0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};

std::vector<uint8_t> Digest(const EVP_MD* md, const std::string& data) {
  std::vector<uint8_t> out(EVP_MD_get_size(md));
  unsigned int length = 0;
  EVP_Digest(data.data(), data.size(), out.data(), &length, md, nullptr);
  return out;
}

std::vector<uint8_t> Block(Forgery forgery, const std::string& data, size_t modulusBytes) {
  std::vector<uint8_t> tail;  // DigestInfo + hash (+ extra)
  std::vector<uint8_t> hash = Digest(EVP_sha512(), data);
  switch (forgery) {
    case Forgery::kWrongDigestOid:
      tail.assign(kSha512Info, kSha512Info + sizeof kSha512Info);
      tail[14] = 0x01;
      break;
    case Forgery::kNoNullParameters:
      tail = {0x30, 0x4f, 0x30, 0x0b, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x03, 0x04, 0x40};
      break;
    case Forgery::kSha256Digest:
      tail.assign(kSha256Info, kSha256Info + sizeof kSha256Info);
      hash = Digest(EVP_sha256(), data);
      break;
    default:
      tail.assign(kSha512Info, kSha512Info + sizeof kSha512Info);
  }
  if (forgery == Forgery::kTruncatedDigest) hash.pop_back();
  tail.insert(tail.end(), hash.begin(), hash.end());
  if (forgery == Forgery::kTrailingBytes) tail.insert(tail.end(), {0xde, 0xad, 0xbe, 0xef});

  std::vector<uint8_t> block(modulusBytes, 0xff);
  block[0] = 0x00;
  block[1] = forgery == Forgery::kBlockTypeTwo ? 0x02 : 0x01;
  size_t separator = modulusBytes - tail.size() - 1;
  if (forgery == Forgery::kShortPadding) {
    separator = 2 + 7;
    std::fill(block.begin() + static_cast<std::ptrdiff_t>(separator), block.end(), 0x00);
  }
  block[separator] = forgery == Forgery::kNoSeparator ? 0xff : 0x00;
  std::copy(tail.begin(), tail.end(), block.begin() + static_cast<std::ptrdiff_t>(separator + 1));
  if (forgery == Forgery::kPaddingByteNotFF) block[5] = 0xfe;
  return block;
}

std::string RawRsaSign(const std::string& privateKeyPath, const std::vector<uint8_t>& block) {
  std::string pem = ReadHostFile(privateKeyPath);
  BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  EVP_PKEY* key = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr);
  BIO_free(bio);
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
  std::string signature(static_cast<size_t>(EVP_PKEY_get_size(key)), '\0');
  size_t length = signature.size();
  bool ok = ctx != nullptr && EVP_PKEY_sign_init(ctx) == 1 &&
            EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_NO_PADDING) == 1 &&
            EVP_PKEY_sign(ctx, reinterpret_cast<unsigned char*>(signature.data()), &length, block.data(),
                          block.size()) == 1;
  EVP_PKEY_CTX_free(ctx);
  EVP_PKEY_free(key);
  if (!ok) return {};
  signature.resize(length);
  return signature;
}

class ForgedSignature : public ::testing::TestWithParam<Forgery> {};

TEST_P(ForgedSignature, OnlyTheGenuineBlockVerifies) {
  const TestKeys& keys = SharedTestKeys();
  std::string signature = RawRsaSign(keys.privateKey, Block(GetParam(), Signed(), 256));
  ASSERT_EQ(signature.size(), 256u);
  int expected = GetParam() == Forgery::kGenuine ? 0 : kErrVerifyMismatch;
  EXPECT_EQ(Verify(signature, ReadHostFile(keys.publicKey), Signed()), expected);
}

INSTANTIATE_TEST_SUITE_P(Blocks, ForgedSignature,
                         ::testing::Values(Forgery::kGenuine, Forgery::kBlockTypeTwo, Forgery::kPaddingByteNotFF,
                                           Forgery::kShortPadding, Forgery::kNoSeparator, Forgery::kWrongDigestOid,
                                           Forgery::kNoNullParameters, Forgery::kTruncatedDigest,
                                           Forgery::kSha256Digest, Forgery::kTrailingBytes));

}  // namespace
