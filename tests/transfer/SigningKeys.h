#pragma once

#include <string>

// Signing keys made with the openssl command: two 2048-bit RSA pairs (PEM
// files) and an EC public key. On Linux they are made once per test process;
// the Windows suite, which has no openssl command to run, finds them made by
// the build and reads them through drive Z:.
struct TestKeys {
  std::string privateKey;
  std::string publicKey;
  std::string otherPrivateKey;
  std::string otherPublicKey;
  std::string ecPublicKey;
};
const TestKeys& SharedTestKeys();

// The text of one of the key files above; empty when it cannot be read.
std::string ReadKeyFile(const std::string& path);

// The raw signature `openssl dgst -sha512 -sign` makes over the bytes
// (PKCS #1 v1.5 over SHA-512, so the same bytes however it is made).
std::string OpensslSign(const std::string& privateKeyPath, const std::string& bytes);

// Base64 with CR LF after every 64 characters, as a signed list carries it.
std::string Base64Lines(const std::string& bytes);
// INI text + BEGIN line + signature text + CR LF + END marker.
std::string MakeSignedList(const std::string& ini, const std::string& privateKeyPath);
