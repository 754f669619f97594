#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/transfer/SigningKeys.h"
#include "transfer/MessageDigest.h"
#include "transfer/SignatureVerifier.h"
#include "transfer/TransferCodes.h"

namespace {

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
  std::string key = ReadKeyFile(keys.publicKey);
  std::string signature = OpensslSign(keys.privateKey, Signed());
  EXPECT_EQ(Verify(signature, key, Signed()), 0);
  for (size_t i : {size_t{0}, Signed().size() / 2, Signed().size() - 1}) {
    std::string changed = Signed();
    changed[i] ^= 0x01;
    EXPECT_EQ(Verify(signature, key, changed), kErrVerifyMismatch) << i;
  }
  EXPECT_EQ(Verify(signature, ReadKeyFile(keys.otherPublicKey), Signed()), kErrVerifyMismatch);
  EXPECT_EQ(Verify(signature.substr(0, signature.size() - 1), key, Signed()), kErrVerifyMismatch);
  EXPECT_EQ(Verify(signature + '\0', key, Signed()), kErrVerifyMismatch);
  EXPECT_EQ(Verify("", key, Signed()), kErrVerifyMismatch);
}

TEST(SignatureVerifier, InitCodesAndKeyProblems) {
  const TestKeys& keys = SharedTestKeys();
  std::string key = ReadKeyFile(keys.publicKey);
  std::string signature = OpensslSign(keys.privateKey, Signed());
  EXPECT_EQ(Verify(signature, key, Signed(), 0), kErrVerifyNoAlgorithm);
  EXPECT_EQ(Verify(signature, key, Signed(), 6), kErrVerifyInit);
  EXPECT_EQ(Verify(signature, key, Signed(), -3), kErrVerifyInit);
  // A signature over SHA-512 checked as SHA-256 does not match.
  EXPECT_EQ(Verify(signature, key, Signed(), kAlgSha256), kErrVerifyMismatch);

  EXPECT_EQ(Verify(signature, "", Signed()), kErrVerifyPublicKey);
  EXPECT_EQ(Verify(signature, "-----BEGIN PUBLIC KEY-----\nAAAA\n-----END PUBLIC KEY-----\n", Signed()),
            kErrVerifyPublicKey);
  EXPECT_EQ(Verify(signature, ReadKeyFile(keys.privateKey).substr(0, 60), Signed()), kErrVerifyPublicKey);
  EXPECT_EQ(Verify(signature, ReadKeyFile(keys.ecPublicKey), Signed()), kErrVerifyPublicKey);

  SignatureVerifier noKey;
  noKey.SetSignature(reinterpret_cast<const uint8_t*>(signature.data()), static_cast<uint32_t>(signature.size()));
  ASSERT_EQ(noKey.VerifyInit(kAlgSha512), 0);
  EXPECT_EQ(noKey.VerifyFinal(), kErrVerifyPublicKey);
}

TEST(SignatureVerifier, KeyTextNeedNotEndInNulAndNullSignatureKeepsThePrevious) {
  const TestKeys& keys = SharedTestKeys();
  std::string key = ReadKeyFile(keys.publicKey);
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
  std::string pem = ReadKeyFile(privateKeyPath);
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
  EXPECT_EQ(Verify(signature, ReadKeyFile(keys.publicKey), Signed()), expected);
}

INSTANTIATE_TEST_SUITE_P(Blocks, ForgedSignature,
                         ::testing::Values(Forgery::kGenuine, Forgery::kBlockTypeTwo, Forgery::kPaddingByteNotFF,
                                           Forgery::kShortPadding, Forgery::kNoSeparator, Forgery::kWrongDigestOid,
                                           Forgery::kNoNullParameters, Forgery::kTruncatedDigest,
                                           Forgery::kSha256Digest, Forgery::kTrailingBytes));

}  // namespace
