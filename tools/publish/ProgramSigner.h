#pragma once

#include <optional>
#include <string>

// What vamo-publish does to sign a program of this platform (an ELF file):
// a detached CMS SignedData over the program's bytes, made with the
// publisher's key and certificate (and the chain certificates, so the wizard
// can build the chain to its root), appended together with the trailer the
// wizard's code-sign check reads (platform/trust/AuthenticodeLayout.h). A
// program that is signed already is signed afresh; the old signature goes.
struct ProgramSignRequest {
  std::string program;      // the program's bytes
  std::string keyPem;       // the publisher's private key
  std::string certPem;      // the publisher's certificate
  std::string chainPem;     // more certificates to carry (may be empty)
  std::string digest = "sha256";  // "sha256" or "sha512"
};

struct ProgramSignResult {
  std::string signedProgram;  // the program followed by signature and trailer
  size_t programSize = 0;     // the bytes the signature covers
  size_t signatureSize = 0;   // the DER
};

// Returns nullopt with the reason in `why` when the input is no ELF program
// or carries a damaged signature, the key does not belong to the
// certificate, the certificate is not one for code signing, the digest is
// not one the wizard accepts, or OpenSSL fails.
std::optional<ProgramSignResult> SignProgram(const ProgramSignRequest& request, std::string& why);
