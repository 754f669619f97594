#include "tests/transfer/SigningKeys.h"

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

#include "platform/fs/FileSystem.h"

const TestKeys& SharedTestKeys() {
  static const TestKeys keys = [] {
    const std::string d = VAMO_TEST_KEYS_DIR;
    return TestKeys{d + "/key.pem", d + "/key.pub", d + "/other.pem", d + "/other.pub", d + "/ec.pub"};
  }();
  return keys;
}

std::string ReadKeyFile(const std::string& path) {
  auto bytes = platform::fs::ReadFileBytes(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

// libcrypto's own signing: PKCS #1 v1.5 is deterministic, so these are the
// bytes the openssl command would have written. Empty on any failure, which
// no verification accepts.
std::string OpensslSign(const std::string& privateKeyPath, const std::string& bytes) {
  std::string pem = ReadKeyFile(privateKeyPath);
  std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), &BIO_free);
  if (!bio) return {};
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
      PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr), &EVP_PKEY_free);
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t length = 0;
  if (!key || !context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha512(), nullptr, key.get()) != 1 ||
      EVP_DigestSign(context.get(), nullptr, &length, data, bytes.size()) != 1) {
    return {};
  }
  std::string signature(length, '\0');
  if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length, data,
                     bytes.size()) != 1) {
    return {};
  }
  signature.resize(length);
  return signature;
}
