#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// What vamo-publish does to an update list before it signs it: every item
// section whose DOWNLOAD_FULL_URL names a file of the files folder (by the
// URL's file name and extension, as the wizard names its download) gets that
// file's digest text as SECURE_DATA, replacing a value that was there. Line
// ends become CR LF. Every other byte stays as it was.
struct FillResult {
  std::string text;                    // the list, ready to be signed
  std::vector<std::string> filled;     // item names that got a digest
  std::vector<std::string> errors;     // items that could not be filled
  std::vector<std::string> skipped;    // items whose file is not in the folder
};

// `digestOf` returns the digest text of a host file, or nullopt with a
// reason in `why`. `compressedTarget` says what file a COMPRESSED=TRUE item
// yields from its archive (host path of the archive); nullopt (with `why`)
// when it yields none.
using DigestOf = std::function<std::optional<std::string>(const std::string& hostPath, std::string& why)>;
FillResult FillSecureData(const std::string& iniText, const std::string& filesFolder, const DigestOf& digestOf,
                          const DigestOf& compressedDigestOf);

// CR LF for every line end (lone LF, lone CR), and a final CR LF so that the
// signature block starts on a line of its own.
std::string NormalizeLineEnds(const std::string& text);

// The signature block for the signed bytes: "-----BEGIN SIGNATURE-----" CR LF,
// base64 in lines of 64 characters each ending in CR LF, and
// "-----END SIGNATURE-----" as the last bytes.
std::string SignatureBlock(const std::string& signature);

// RSA PKCS #1 v1.5 with SHA-512 over the bytes with the private key (PEM
// text). Returns nullopt with a reason when the key is not a usable RSA key.
std::optional<std::string> SignBytes(const std::string& privateKeyPem, const std::string& bytes, std::string& why);

// The PEM "PUBLIC KEY" text of a private key (PEM text); empty on failure.
std::string PublicKeyOf(const std::string& privateKeyPem);
