// vamo-publish: makes what the wizard checks.
//
//   vamo-publish digest FILE
//   vamo-publish sign --key PRIVATE.pem --in LIST.ini [--files DIR] --out LIST.ver
//   vamo-publish verify --pubkey PUBLIC.pem LIST.ver
//   vamo-publish keygen --out PREFIX
//   vamo-publish codesign --key KEY.pem --cert CERT.pem [--chain CHAIN.pem]
//                         [--digest sha256|sha512] --in PROGRAM --out SIGNED
//
// Paths are host paths: the tool runs on the release engineer's machine,
// not inside the simulated one.
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tools/publish/ArchiveDigest.h"
#include "platform/trust/Authenticode_openssl.h"
#include "tools/publish/ListSigner.h"
#include "tools/publish/ProgramSigner.h"
#include "transfer/FileVerify.h"
#include "transfer/OpenSslHandles.h"
#include "transfer/UpdateListLayout.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Usage() {
  std::fprintf(stderr,
               "usage: vamo-publish digest FILE\n"
               "       vamo-publish sign --key PRIVATE.pem --in LIST.ini [--files DIR] --out LIST.ver\n"
               "       vamo-publish verify --pubkey PUBLIC.pem LIST.ver\n"
               "       vamo-publish keygen --out PREFIX\n"
               "       vamo-publish codesign --key KEY.pem --cert CERT.pem [--chain CHAIN.pem]\n"
               "                             [--digest sha256|sha512] --in PROGRAM --out SIGNED\n");
  return kExitUsage;
}

std::optional<std::string> ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return content.str();
}

// Writes beside the target and renames, so a reader never sees half a file.
bool WriteWhole(const std::string& path, const std::string& bytes, std::filesystem::perms perms) {
  std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    std::error_code ec;
    std::filesystem::permissions(temp, perms, ec);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      std::filesystem::remove(temp, ec);
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) std::filesystem::remove(temp, ec);
  return !ec;
}

// --name value options; the rest are positional.
struct Arguments {
  std::map<std::string, std::string> options;
  std::vector<std::string> positional;
  bool valid = true;
};

Arguments Parse(const std::vector<std::string>& args, const std::vector<std::string>& known) {
  Arguments parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i].starts_with("--")) {
      std::string name = args[i].substr(2);
      if (std::find(known.begin(), known.end(), name) == known.end() || i + 1 >= args.size()) {
        parsed.valid = false;
        return parsed;
      }
      parsed.options[name] = args[++i];
    } else {
      parsed.positional.push_back(args[i]);
    }
  }
  return parsed;
}

std::optional<std::string> DigestOfFile(const std::string& hostPath, std::string& why) {
  std::string text;
  int rc = HostFileDigestText(hostPath, text);
  if (rc != 0) {
    why = "cannot be read (" + std::to_string(rc) + ")";
    return std::nullopt;
  }
  return text;
}

int Digest(const std::vector<std::string>& args) {
  if (args.size() != 1) return Usage();
  std::string why;
  std::optional<std::string> text = DigestOfFile(args[0], why);
  if (!text) {
    std::fprintf(stderr, "vamo-publish: %s %s\n", args[0].c_str(), why.c_str());
    return kExitFailed;
  }
  std::printf("%s\n", text->c_str());
  return kExitOk;
}

int Sign(const std::vector<std::string>& args) {
  Arguments parsed = Parse(args, {"key", "in", "files", "out"});
  if (!parsed.valid || !parsed.positional.empty() || !parsed.options.contains("key") ||
      !parsed.options.contains("in") || !parsed.options.contains("out")) {
    return Usage();
  }
  std::optional<std::string> key = ReadWhole(parsed.options["key"]);
  std::optional<std::string> ini = ReadWhole(parsed.options["in"]);
  if (!key || !ini) {
    std::fprintf(stderr, "vamo-publish: cannot read %s\n", (!key ? parsed.options["key"] : parsed.options["in"]).c_str());
    return kExitFailed;
  }
  // The wizard reads the list as a C string and cuts it at its markers: a
  // NUL byte or a marker inside the INI text would make a list it refuses.
  if (ini->find('\0') != std::string::npos || ini->find(kSignatureBeginMarker) != std::string::npos ||
      ini->find(kSignatureEndMarker) != std::string::npos) {
    std::fprintf(stderr, "vamo-publish: %s holds a NUL byte or a signature marker; it cannot be signed\n",
                 parsed.options["in"].c_str());
    return kExitFailed;
  }

  FillResult filled;
  if (parsed.options.contains("files")) {
    filled = FillSecureData(*ini, parsed.options["files"], DigestOfFile, DigestOfArchiveMember);
  } else {
    filled.text = NormalizeLineEnds(*ini);
  }
  for (const std::string& error : filled.errors) std::fprintf(stderr, "vamo-publish: %s\n", error.c_str());
  if (!filled.errors.empty()) {
    std::fprintf(stderr, "vamo-publish: nothing written\n");
    return kExitFailed;
  }
  for (const std::string& name : filled.filled) std::printf("SECURE_DATA filled: [%s]\n", name.c_str());
  for (const std::string& name : filled.skipped) {
    std::printf("not in the files folder, SECURE_DATA left as it was: %s\n", name.c_str());
  }

  std::string why;
  std::optional<std::string> signature = SignBytes(*key, filled.text, why);
  if (!signature) {
    std::fprintf(stderr, "vamo-publish: %s: %s\n", parsed.options["key"].c_str(), why.c_str());
    return kExitFailed;
  }
  std::string list = filled.text + SignatureBlock(*signature);

  // The wizard's own check, before anything is written.
  std::string publicKey = PublicKeyOf(*key);
  CUpdateListLayout layout;
  std::vector<uint8_t> bytes(list.begin(), list.end());
  if (int rc = layout.VerifyBytes(bytes, parsed.options["out"], publicKey, nullptr); rc != 0) {
    std::fprintf(stderr, "vamo-publish: the signed list does not pass the wizard's check (%d)\n", rc);
    return kExitFailed;
  }
  if (!WriteWhole(parsed.options["out"], list, std::filesystem::perms(0644))) {
    std::fprintf(stderr, "vamo-publish: cannot write %s\n", parsed.options["out"].c_str());
    return kExitFailed;
  }
  std::printf("signed: %s (%zu signed bytes)\n", parsed.options["out"].c_str(), filled.text.size());
  return kExitOk;
}

const char* ListCodeText(int code) {
  switch (code) {
    case kListOpenFail: return "the file cannot be opened";
    case kListSizeZero: return "the file is empty";
    case kListNotSigned: return "no BEGIN SIGNATURE marker";
    case kListInvalidSign: return "no END SIGNATURE marker after the BEGIN marker";
    case kListKeyMissing: return "no public key";
    case kListVerifyInit: return "the verifier did not start";
    case kListVerifyUpdate: return "the verifier did not take the signed bytes";
    case kListVerifyFinal: return "the signature does not match";
    case kListCheckMarkerTwice: return "a signature marker occurs more than once";
    case kListCheckTrailing: return "something other than filler follows the END marker";
    default: return "the signature block is not well-formed";
  }
}

int Verify(const std::vector<std::string>& args) {
  Arguments parsed = Parse(args, {"pubkey"});
  if (!parsed.valid || parsed.positional.size() != 1 || !parsed.options.contains("pubkey")) return Usage();
  std::optional<std::string> key = ReadWhole(parsed.options["pubkey"]);
  if (!key) {
    std::fprintf(stderr, "vamo-publish: cannot read %s\n", parsed.options["pubkey"].c_str());
    return kExitFailed;
  }
  // The wizard's key is its resource's bytes up to the first NUL.
  std::string_view keyText(*key);
  keyText = keyText.substr(0, keyText.find('\0'));

  const std::string& path = parsed.positional[0];
  std::optional<std::string> list = ReadWhole(path);
  CUpdateListLayout layout;
  int rc = kListOpenFail;
  if (list) {
    std::vector<uint8_t> bytes(list->begin(), list->end());
    rc = layout.VerifyBytes(bytes, path, keyText, nullptr);
  }
  if (rc != 0) {
    std::printf("%s: FAILED (%d: %s)\n", path.c_str(), rc, ListCodeText(rc));
    return kExitFailed;
  }
  std::printf("%s: OK (%zu signed bytes)\n", path.c_str(), layout.SignedBytes().size());
  return kExitOk;
}

int Keygen(const std::vector<std::string>& args) {
  Arguments parsed = Parse(args, {"out"});
  if (!parsed.valid || !parsed.positional.empty() || !parsed.options.contains("out")) return Usage();
  transfer::ossl::Pkey key(EVP_RSA_gen(2048));
  transfer::ossl::Bio privateOut(BIO_new(BIO_s_mem()));
  transfer::ossl::Bio publicOut(BIO_new(BIO_s_mem()));
  if (!key || !privateOut || !publicOut ||
      PEM_write_bio_PrivateKey(privateOut.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
      PEM_write_bio_PUBKEY(publicOut.get(), key.get()) != 1) {
    std::fprintf(stderr, "vamo-publish: key generation failed (%s)\n", transfer::ossl::TakeErrorText().c_str());
    return kExitFailed;
  }
  auto text = [](BIO* bio) {
    char* data = nullptr;
    long length = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<size_t>(length));
  };
  std::string privatePath = parsed.options["out"] + ".key.pem";
  std::string publicPath = parsed.options["out"] + ".pub.pem";
  using std::filesystem::perms;
  if (!WriteWhole(privatePath, text(privateOut.get()), perms::owner_read | perms::owner_write) ||
      !WriteWhole(publicPath, text(publicOut.get()), perms(0644))) {
    std::fprintf(stderr, "vamo-publish: cannot write %s\n", parsed.options["out"].c_str());
    return kExitFailed;
  }
  std::printf("private key: %s\npublic key:  %s\n", privatePath.c_str(), publicPath.c_str());
  return kExitOk;
}

// Signs an ELF program for the wizard's code-sign check, then runs that
// check on the result: with the chain file's certificates as the only
// roots, a chain that ends at one of them must be trusted; without a root
// the signature itself must still hold.
int CodeSign(const std::vector<std::string>& args) {
  Arguments parsed = Parse(args, {"key", "cert", "chain", "digest", "in", "out"});
  if (!parsed.valid || !parsed.positional.empty()) return Usage();
  for (const char* required : {"key", "cert", "in", "out"}) {
    if (!parsed.options.contains(required)) return Usage();
  }
  ProgramSignRequest request;
  std::optional<std::string> key = ReadWhole(parsed.options["key"]);
  std::optional<std::string> cert = ReadWhole(parsed.options["cert"]);
  std::optional<std::string> chain = parsed.options.contains("chain") ? ReadWhole(parsed.options["chain"])
                                                                      : std::optional<std::string>("");
  std::optional<std::string> program = ReadWhole(parsed.options["in"]);
  for (const auto& [text, option] : {std::pair{&key, "key"}, {&cert, "cert"}, {&chain, "chain"}, {&program, "in"}}) {
    if (!*text) {
      std::fprintf(stderr, "vamo-publish: cannot read %s\n", parsed.options[option].c_str());
      return kExitFailed;
    }
  }
  request.keyPem = std::move(*key);
  request.certPem = std::move(*cert);
  request.chainPem = std::move(*chain);
  request.program = std::move(*program);
  if (parsed.options.contains("digest")) request.digest = parsed.options["digest"];

  std::string why;
  std::optional<ProgramSignResult> result = SignProgram(request, why);
  if (!result) {
    std::fprintf(stderr, "vamo-publish: %s: %s\n", parsed.options["in"].c_str(), why.c_str());
    return kExitFailed;
  }

  using namespace platform::trust;
  TrustStores stores = TrustStores::Empty();
  if (parsed.options.contains("chain")) stores.AddTrustedPemFile(parsed.options["chain"]);
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(result->signedProgram.data()),
                                       result->signedProgram.size());
  const TrustVerdict verdict = VerifyAuthenticode(bytes, stores);
  if (verdict.result != 0 && verdict.result != kCertEChaining && verdict.result != kCertEUntrustedRoot) {
    std::fprintf(stderr, "vamo-publish: the signed program does not pass the wizard's check (0x%x)\n",
                 verdict.result);
    return kExitFailed;
  }

  // The signed program keeps the input's permissions, so it still runs.
  std::error_code ec;
  const std::filesystem::perms perms = std::filesystem::status(parsed.options["in"], ec).permissions();
  if (!WriteWhole(parsed.options["out"], result->signedProgram, ec ? std::filesystem::perms(0755) : perms)) {
    std::fprintf(stderr, "vamo-publish: cannot write %s\n", parsed.options["out"].c_str());
    return kExitFailed;
  }
  std::printf("signed: %s (%s, %zu program bytes, %zu signature bytes)\n", parsed.options["out"].c_str(),
              request.digest.c_str(), result->programSize, result->signatureSize);
  std::printf(verdict.result == 0 ? "trusted by a root of the chain file\n"
                                  : "signature checked; its root is not in the chain file\n");
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "digest") return Digest(args);
  if (command == "sign") return Sign(args);
  if (command == "verify") return Verify(args);
  if (command == "keygen") return Keygen(args);
  if (command == "codesign") return CodeSign(args);
  if (command == "--help" || command == "help") {
    Usage();
    return kExitOk;
  }
  return Usage();
}
