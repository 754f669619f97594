#include "tests/transfer/CodeSignVerdicts.h"

#include <cctype>

namespace {

constexpr const char* kNotSigned = "The file \"%s\" is not signed.\n";
constexpr const char* kUnknown = "An unknown error occurred trying to verify the signature of the \"%s\" file.\n";
constexpr const char* kDisallowed = "The signature is present, but specifically disallowed.\n";
constexpr const char* kBadDigest = "Error is: 0x80096010.\n";
constexpr const char* kUntrustedRoot = "Error is: 0x800b0109.\n";
constexpr const char* kChaining = "Error is: 0x800b010a.\n";
constexpr const char* kWrongUsage = "Error is: 0x800b0110.\n";

}  // namespace

const std::vector<CodeSignVerdict>& PortableCodeSignVerdicts() {
  static const std::vector<CodeSignVerdict> table = {
      // Signed by the trusted test CA: PE32+ (SHA-256), PE32 (SHA-1), a
      // resource-only library, cabinets with either digest.
      {"app64-signed.exe", nullptr, 0, ""},
      {"app32-signed.exe", nullptr, 0, ""},
      {"neutral64-signed.dll", nullptr, 0, ""},
      {"signed.cab", nullptr, 0, ""},
      {"signed-sha1.cab", nullptr, 0, ""},
      // Unsigned files of known formats, a file of no known format, none.
      {"app64.exe", nullptr, -1, kNotSigned},
      {"plain.cab", nullptr, -1, kNotSigned},
      {"notes.txt", nullptr, -1, kNotSigned},
      {"missing.exe", nullptr, -1, kUnknown},
      // Tampered copies.
      {"app64-code-byte.exe", nullptr, -1, kBadDigest},
      {"app64-signature-byte.exe", nullptr, -1, kBadDigest},
      {"tampered.cab", nullptr, -1, kBadDigest},
      {"app64-appended.exe", nullptr, -1, kUnknown},
      // Bytes after the DER inside the certificate entry: Windows by default
      // accepts them; both verifiers refuse them.
      {"app64-trailing.exe", nullptr, -1, kUnknown},
      // Trust decisions.
      {"app64-untrusted.exe", nullptr, -1, kUntrustedRoot},
      {"untrusted.cab", nullptr, -1, kUntrustedRoot},
      {"app64-unknown-issuer.exe", nullptr, -1, kChaining},
      {"app64-wrong-usage.exe", nullptr, -1, kWrongUsage},
      {"app64-signed.exe", "pki/signer.pem", -1, kDisallowed},
      {"app64-signed.exe", "pki/ca.pem", -1, kDisallowed},
      {"signed.cab", "pki/signer.pem", -1, kDisallowed},
  };
  return table;
}

std::string CodeSignMessageFor(const CodeSignVerdict& verdict, const std::string& path) {
  std::string text = verdict.message;
  const size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, path);
  return text;
}

std::string CodeSignVerdictName(const CodeSignVerdict& verdict) {
  std::string name = verdict.file;
  if (verdict.distrust) name += std::string("_distrusting_") + verdict.distrust;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}
