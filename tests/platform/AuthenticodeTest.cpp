#include "platform/trust/Authenticode_openssl.h"
#include "platform/sim/HostPath.h"
#include "platform/trust/AuthenticodeLayout.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/core/Win32Error.h"
#include "platform/fs/Path.h"
#include "platform/sim/Prefix.h"
#include "platform/trust/SubjectSource.h"
#include "tests/data/authenticode/Fixtures.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"

namespace {

using namespace platform::trust;

std::vector<uint8_t> FixtureBytes(const std::string& name) {
  const std::string text = ReadHostFile(FixtureHostPath(name));
  return std::vector<uint8_t>(text.begin(), text.end());
}

// How osslsigncode verify, given the same CA file, judges the fixture.
enum class Peer {
  kAgrees,       // same verdict (trusted or not)
  kWeAreStricter,  // the peer accepts what we refuse on purpose
  kNoStore,      // the peer has no Untrusted Publishers store to compare
};

struct Case {
  const char* file;
  const char* disallow;  // PKI file put into the distrusted list, or nullptr
  uint32_t result;
  uint32_t lastError;
  Peer peer;
};

constexpr uint32_t kInvalidData = HResultFromWin32(platform::kErrorInvalidData);

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  std::string name = info.param.file;
  if (info.param.disallow) name += std::string("_distrusting_") + info.param.disallow;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

class AuthenticodeFixtures : public ::testing::TestWithParam<Case> {};

TEST_P(AuthenticodeFixtures, VerdictMatchesThePeer) {
  const Case& c = GetParam();
  TrustStores stores = TrustStores::Empty();
  ASSERT_EQ(stores.AddTrustedPemFile(FixtureHostPath("pki/ca.pem")), 1);
  if (c.disallow) {
    ASSERT_EQ(stores.AddDisallowedPemFile(FixtureHostPath(c.disallow)), 1);
  }

  const TrustVerdict verdict = VerifyAuthenticode(FixtureBytes(c.file), stores);
  EXPECT_EQ(verdict.result, c.result) << std::hex << verdict.result;
  EXPECT_EQ(verdict.lastError, c.lastError) << std::hex << verdict.lastError;

  if (c.peer == Peer::kNoStore) return;
  const ToolOutput peer = RunProgram(VAMO_OSSLSIGNCODE, {"verify", "-CAfile", FixtureHostPath("pki/ca.pem"),
                                                         "-in", FixtureHostPath(c.file)});
  ASSERT_GE(peer.exitStatus, 0) << peer.err;
  const bool peerTrusts = peer.exitStatus == 0;
  if (c.peer == Peer::kAgrees) {
    EXPECT_EQ(peerTrusts, verdict.result == 0) << peer.out;
  } else {
    EXPECT_TRUE(peerTrusts) << "the peer was expected to accept this file";
    EXPECT_NE(verdict.result, 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, AuthenticodeFixtures,
    ::testing::Values(
        // Signed by the trusted test CA: PE32+ (SHA-256), PE32 (SHA-1), a
        // resource-only library, cabinets with either digest.
        Case{"app64-signed.exe", nullptr, 0, 0, Peer::kAgrees},
        Case{"app32-signed.exe", nullptr, 0, 0, Peer::kAgrees},
        Case{"neutral64-signed.dll", nullptr, 0, 0, Peer::kAgrees},
        Case{"signed.cab", nullptr, 0, 0, Peer::kAgrees},
        Case{"signed-sha1.cab", nullptr, 0, 0, Peer::kAgrees},
        // Unsigned files of known formats, and a file of no known format.
        Case{"app64.exe", nullptr, kTrustENoSignature, kTrustENoSignature, Peer::kAgrees},
        Case{"app32.exe", nullptr, kTrustENoSignature, kTrustENoSignature, Peer::kAgrees},
        Case{"plain64.exe", nullptr, kTrustENoSignature, kTrustENoSignature, Peer::kAgrees},
        Case{"plain.cab", nullptr, kTrustENoSignature, kTrustENoSignature, Peer::kAgrees},
        Case{"notes.txt", nullptr, kTrustENoSignature, kTrustESubjectFormUnknown, Peer::kAgrees},
        // Tampered copies.
        Case{"app64-code-byte.exe", nullptr, kTrustEBadDigest, kTrustEBadDigest, Peer::kAgrees},
        Case{"app64-signature-byte.exe", nullptr, kTrustEBadDigest, kTrustEBadDigest, Peer::kAgrees},
        Case{"app64-appended.exe", nullptr, kTrustENoSignature, kInvalidData, Peer::kAgrees},
        Case{"tampered.cab", nullptr, kTrustEBadDigest, kTrustEBadDigest, Peer::kAgrees},
        // Bytes after the DER inside the certificate entry: Windows by
        // default and osslsigncode accept them; we refuse them.
        Case{"app64-trailing.exe", nullptr, kTrustENoSignature, kInvalidData, Peer::kWeAreStricter},
        // Trust decisions.
        Case{"app64-untrusted.exe", nullptr, kCertEUntrustedRoot, kCertEUntrustedRoot, Peer::kAgrees},
        Case{"untrusted.cab", nullptr, kCertEUntrustedRoot, kCertEUntrustedRoot, Peer::kAgrees},
        Case{"app64-wrong-usage.exe", nullptr, kCertEWrongUsage, kCertEWrongUsage, Peer::kAgrees},
        Case{"app64-signed.exe", "pki/signer.pem", kTrustEExplicitDistrust, kTrustEExplicitDistrust, Peer::kNoStore},
        Case{"app64-signed.exe", "pki/ca.pem", kTrustEExplicitDistrust, kTrustEExplicitDistrust, Peer::kNoStore},
        Case{"signed.cab", "pki/signer.pem", kTrustEExplicitDistrust, kTrustEExplicitDistrust, Peer::kNoStore}),
    CaseName);

// ELF programs with an appended detached signature, made by openssl cms: the
// same verdicts as for PE files, and where the signature can be split off,
// the same judgement as `openssl cms -verify` with the same CA file (which
// checks no usage and takes SHA-1, where we are stricter on purpose).
constexpr std::string_view kElfTool = VAMO_TEST_DATA_DIR "/authenticode/elf_signature.py";

class ElfFixtures : public ::testing::TestWithParam<Case> {};

TEST_P(ElfFixtures, VerdictMatchesThePeer) {
  const Case& c = GetParam();
  TrustStores stores = TrustStores::Empty();
  ASSERT_EQ(stores.AddTrustedPemFile(FixtureHostPath("pki/ca.pem")), 1);
  if (c.disallow) {
    ASSERT_EQ(stores.AddDisallowedPemFile(FixtureHostPath(c.disallow)), 1);
  }
  const TrustVerdict verdict = VerifyAuthenticode(FixtureBytes(c.file), stores);
  EXPECT_EQ(verdict.result, c.result) << std::hex << verdict.result;
  EXPECT_EQ(verdict.lastError, c.lastError) << std::hex << verdict.lastError;

  if (c.peer == Peer::kNoStore) return;
  TempDir work;
  const std::string content = work.Path() + "/content.bin";
  const std::string signature = work.Path() + "/signature.der";
  ASSERT_EQ(RunProgram("/usr/bin/env", {"python3", std::string(kElfTool), "split", FixtureHostPath(c.file), content,
                                        signature})
                .exitStatus,
            0);
  const ToolOutput peer = RunProgram("/usr/bin/env", {"openssl", "cms", "-verify", "-binary", "-inform", "DER", "-in",
                                                      signature, "-content", content, "-CAfile",
                                                      FixtureHostPath("pki/ca.pem"), "-purpose", "any", "-out",
                                                      "/dev/null"});
  const bool peerTrusts = peer.exitStatus == 0;
  if (c.peer == Peer::kAgrees) {
    EXPECT_EQ(peerTrusts, verdict.result == 0) << peer.err;
  } else {
    EXPECT_TRUE(peerTrusts) << "the peer was expected to accept this file: " << peer.err;
    EXPECT_NE(verdict.result, 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ElfFixtures,
    ::testing::Values(
        // Signed by the trusted test CA, with and without signed attributes.
        Case{"elf-signed", nullptr, 0, 0, Peer::kAgrees},
        Case{"elf-signed-sha512", nullptr, 0, 0, Peer::kAgrees},
        Case{"elf-signed-noattr", nullptr, 0, 0, Peer::kAgrees},
        // Unsigned, and signatures whose trailer no longer fits the file.
        Case{"elf-program", nullptr, kTrustENoSignature, kTrustENoSignature, Peer::kNoStore},
        Case{"elf-cut", nullptr, kTrustENoSignature, kInvalidData, Peer::kNoStore},
        Case{"elf-length", nullptr, kTrustENoSignature, kInvalidData, Peer::kNoStore},
        // Bytes after the trailer hide it: the file is not signed as it is.
        Case{"elf-append", nullptr, kTrustENoSignature, kTrustENoSignature, Peer::kNoStore},
        // Tampered program or signature.
        Case{"elf-code", nullptr, kTrustEBadDigest, kTrustEBadDigest, Peer::kAgrees},
        Case{"elf-sigbyte", nullptr, kTrustEBadDigest, kTrustEBadDigest, Peer::kAgrees},
        // Digests other than SHA-256 and SHA-512 are refused.
        Case{"elf-signed-sha1", nullptr, kNteBadAlgid, kNteBadAlgid, Peer::kWeAreStricter},
        // The signer's certificate must come with the signature.
        Case{"elf-signed-nocerts", nullptr, kTrustENoSignerCert, kTrustENoSignerCert, Peer::kAgrees},
        // Trust decisions.
        Case{"elf-untrusted", nullptr, kCertEUntrustedRoot, kCertEUntrustedRoot, Peer::kAgrees},
        Case{"elf-wrong-usage", nullptr, kCertEWrongUsage, kCertEWrongUsage, Peer::kWeAreStricter},
        Case{"elf-signed", "pki/signer.pem", kTrustEExplicitDistrust, kTrustEExplicitDistrust, Peer::kNoStore},
        Case{"elf-signed", "pki/ca.pem", kTrustEExplicitDistrust, kTrustEExplicitDistrust, Peer::kNoStore}),
    CaseName);

// The trailer is found only at the very end and only in an ELF file; every
// truncation of a signed program ends in a verdict, never in a read outside
// the buffer, and none of them passes.
TEST(ElfSignature, LayoutAndTruncations) {
  const std::vector<uint8_t> bytes = FixtureBytes("elf-signed");
  const SignatureLayout layout = FindSignatureLayout(bytes);
  ASSERT_EQ(layout.form, SubjectForm::kElf);
  ASSERT_EQ(layout.status, LayoutStatus::kSigned);
  const std::vector<uint8_t> program = FixtureBytes("elf-program");
  ASSERT_EQ(layout.digestRanges.size(), 1u);
  EXPECT_TRUE(std::equal(program.begin(), program.end(), layout.digestRanges[0].begin(), layout.digestRanges[0].end()));
  EXPECT_EQ(layout.signature.size() + program.size() + kElfSignatureTrailerSize, bytes.size());

  // The same bytes without the ELF magic are no format we know.
  std::vector<uint8_t> notElf = bytes;
  notElf[1] = 'X';
  EXPECT_EQ(FindSignatureLayout(notElf).form, SubjectForm::kUnknown);

  const TrustStores stores = TrustStores::Empty();
  for (size_t length = 0; length < bytes.size(); length += length < program.size() ? 257 : 1) {
    const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_NE(VerifyAuthenticode(part, stores).result, 0u) << length;
  }
}

// The trailer the signer appends is the one the layout reads.
TEST(ElfSignature, TrailerRoundTrip) {
  std::vector<uint8_t> file = FixtureBytes("elf-program");
  const size_t programSize = file.size();
  const std::vector<uint8_t> der = {0x30, 0x03, 0x02, 0x01, 0x05};
  file.insert(file.end(), der.begin(), der.end());
  const std::vector<uint8_t> trailer = MakeElfSignatureTrailer(static_cast<uint32_t>(der.size()));
  EXPECT_EQ(trailer.size(), kElfSignatureTrailerSize);
  file.insert(file.end(), trailer.begin(), trailer.end());
  const SignatureLayout layout = FindSignatureLayout(file);
  ASSERT_EQ(layout.status, LayoutStatus::kSigned);
  EXPECT_EQ(layout.digestRanges[0].size(), programSize);
  EXPECT_EQ(std::vector<uint8_t>(layout.signature.begin(), layout.signature.end()), der);
  // A SEQUENCE that is not a SignedData is a signature that cannot be read.
  EXPECT_EQ(VerifyAuthenticode(file, TrustStores::Empty()).result, kCryptEAsn1BadTag);
}

// The prefix's stores are what WinVerifyTrust consults: the test CA is
// trusted only once it is in certs/root/, distrusted once in
// certs/disallowed/.
TEST(WinVerifyTrust, UsesThePrefixStores) {
  TempPrefix prefix;
  const std::string file = FixtureWindowsPath("app64-signed.exe");
  EXPECT_EQ(WinVerifyTrust(file), kCertEChaining);

  std::filesystem::copy_file(FixtureHostPath("pki/ca.pem"), platform::PrefixCertsFolder("root") + "/test-ca.pem");
  EXPECT_EQ(WinVerifyTrust(file), 0u);
  EXPECT_EQ(platform::GetLastError(), 0u);

  std::filesystem::copy_file(FixtureHostPath("pki/signer.pem"),
                             platform::PrefixCertsFolder("disallowed") + "/signer.pem");
  EXPECT_EQ(WinVerifyTrust(file), kTrustEExplicitDistrust);
  EXPECT_EQ(platform::GetLastError(), kTrustEExplicitDistrust);
}

TEST(WinVerifyTrust, MissingFileIsNoSignatureWithTheFileError) {
  TempPrefix prefix;
  EXPECT_EQ(WinVerifyTrust(FixtureWindowsPath("no-such-file.exe")), kTrustENoSignature);
  EXPECT_EQ(platform::GetLastError(), HResultFromWin32(platform::kErrorFileNotFound));
}

TEST(WinVerifyTrust, FolderIsNoSignatureWithAccessDenied) {
  TempPrefix prefix;
  EXPECT_EQ(WinVerifyTrust(platform::ToWindowsPath(VAMO_AUTHENTICODE_FIXTURES)), kTrustENoSignature);
  EXPECT_EQ(platform::GetLastError(), HResultFromWin32(platform::kErrorAccessDenied));
}

// The host's roots come from OpenSSL's default locations; the bundle file
// is read only when a chain needs it, and then it counts.
TEST(WinVerifyTrust, HostBundleRootsAreTrusted) {
  TempPrefix prefix;
  const std::string file = FixtureWindowsPath("signed.cab");
  setenv("SSL_CERT_DIR", (prefix.Root() + "/no-such-folder").c_str(), 1);
  setenv("SSL_CERT_FILE", FixtureHostPath("pki/ca.pem").c_str(), 1);
  const uint32_t withBundle = WinVerifyTrust(file);
  setenv("SSL_CERT_FILE", FixtureHostPath("pki/other-ca.pem").c_str(), 1);
  const uint32_t withOtherBundle = WinVerifyTrust(file);
  unsetenv("SSL_CERT_FILE");
  unsetenv("SSL_CERT_DIR");
  EXPECT_EQ(withBundle, 0u);
  EXPECT_EQ(withOtherBundle, kCertEChaining);
}

// An unknown algorithm in the SignedData digest list makes OpenSSL's own
// content processing fail; the check must refuse the file and (under the
// sanitizer build) leave nothing allocated behind.
TEST(Authenticode, UnknownSignerDigestIsRefusedCleanly) {
  std::vector<uint8_t> bytes = FixtureBytes("app64-signed.exe");
  const std::vector<uint8_t> sha256Oid = {0x06, 0x09, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01};
  const auto at = std::search(bytes.begin(), bytes.end(), sha256Oid.begin(), sha256Oid.end());
  ASSERT_NE(at, bytes.end());
  *(at + static_cast<std::ptrdiff_t>(sha256Oid.size()) - 1) = 0x7F;
  TrustStores stores = TrustStores::Empty();
  stores.AddTrustedPemFile(FixtureHostPath("pki/ca.pem"));
  EXPECT_EQ(VerifyAuthenticode(bytes, stores).result, kTrustEBadDigest);
}

// Truncations of a signed file end in a verdict, never in a read outside
// the buffer: at every length the signature area is cut or the table no
// longer ends the file.
TEST(Authenticode, TruncatedSignedFilesAreRefused) {
  const std::vector<uint8_t> bytes = FixtureBytes("app64-signed.exe");
  const TrustStores stores = TrustStores::Empty();
  for (size_t length = 0; length < bytes.size(); length += 7) {
    const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_NE(VerifyAuthenticode(part, stores).result, 0u) << length;
  }
}

// The check by path reads the file in one pass; its verdicts are those of
// the check over the same bytes in memory, for every fixture and for cut
// copies of a signed image, a cabinet and a program.
TrustStores FixtureStores() {
  TrustStores stores = TrustStores::Empty();
  stores.AddTrustedPemFile(FixtureHostPath("pki/ca.pem"));
  return stores;
}

void ExpectSameVerdict(const std::string& hostPath, std::span<const uint8_t> bytes, const TrustStores& stores) {
  const TrustVerdict inMemory = VerifyAuthenticode(bytes, stores);
  const TrustVerdict byPath = VerifyAuthenticodeFile(platform::ToWindowsPath(hostPath), stores);
  EXPECT_EQ(byPath.result, inMemory.result) << hostPath << " " << std::hex << byPath.result;
  EXPECT_EQ(byPath.lastError, inMemory.lastError) << hostPath << " " << std::hex << byPath.lastError;
}

TEST(AuthenticodeFile, AgreesWithTheCheckInMemoryOnEveryFixture) {
  const TrustStores stores = FixtureStores();
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(VAMO_AUTHENTICODE_FIXTURES)) {
    if (!entry.is_regular_file()) continue;
    ExpectSameVerdict(entry.path().string(), FixtureBytes(entry.path().filename().string()), stores);
    ++checked;
  }
  EXPECT_GT(checked, 20);
}

class AuthenticodeFileCut : public ::testing::TestWithParam<const char*> {};

TEST_P(AuthenticodeFileCut, CutCopiesGetTheVerdictOfTheirBytes) {
  const std::vector<uint8_t> bytes = FixtureBytes(GetParam());
  const TrustStores stores = FixtureStores();
  TempDir work;
  const std::string copy = work.Path() + "/cut";
  // Every length near the end (where the signature and trailer sit), a
  // sample of the rest.
  for (size_t length = 0; length <= bytes.size(); length += bytes.size() - length > 96 ? 61 : 1) {
    std::ofstream(copy, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(length));
    const std::span<const uint8_t> part(bytes.data(), length);
    ExpectSameVerdict(copy, part, stores);
    if (length < bytes.size()) {
      EXPECT_NE(VerifyAuthenticode(part, stores).result, 0u) << length;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, AuthenticodeFileCut,
                         ::testing::Values("app64-signed.exe", "signed.cab", "elf-signed"));

// A file cut short or grown by someone else while its digested bytes are
// read: the check ends in a clean refusal, never in a read past the end nor
// in a verdict on bytes the signature does not cover.
enum class Change { kCut, kGrow };

class ChangingFile : public FileSubject {
 public:
  ChangingFile(std::string hostPath, Change change) : m_hostPath(std::move(hostPath)), m_change(change) {}

  void BeginRanges(std::vector<ByteRange> ranges) override {
    const uint64_t size = std::filesystem::file_size(m_hostPath);
    if (m_change == Change::kCut) {
      std::filesystem::resize_file(m_hostPath, size / 2);
    } else {
      std::ofstream(m_hostPath, std::ios::binary | std::ios::app) << "appended";
    }
    FileSubject::BeginRanges(std::move(ranges));
  }

 private:
  std::string m_hostPath;
  Change m_change;
};

class AuthenticodeFileChange : public ::testing::TestWithParam<std::tuple<const char*, Change>> {};

TEST_P(AuthenticodeFileChange, IsRefusedCleanly) {
  const auto& [name, change] = GetParam();
  TempDir work;
  const std::string copy = work.Path() + "/subject";
  std::filesystem::copy_file(FixtureHostPath(name), copy);
  const TrustStores stores = FixtureStores();
  ASSERT_EQ(VerifyAuthenticodeFile(platform::ToWindowsPath(copy), stores).result, 0u);

  ChangingFile subject(copy, change);
  ASSERT_EQ(subject.Open(platform::ToWindowsPath(copy)), platform::kErrorSuccess);
  const TrustVerdict verdict = VerifyAuthenticode(subject, stores);
  EXPECT_EQ(verdict.result, kTrustENoSignature);
  EXPECT_EQ(verdict.lastError, kInvalidData) << std::hex << verdict.lastError;
}

INSTANTIATE_TEST_SUITE_P(Formats, AuthenticodeFileChange,
                         ::testing::Combine(::testing::Values("app64-signed.exe", "signed.cab", "elf-signed",
                                                              "elf-signed-noattr"),
                                            ::testing::Values(Change::kCut, Change::kGrow)));

// What stands where a file is expected is read only when it is a regular
// file: a FIFO nobody writes to and a device are refused at once.
TEST(WinVerifyTrust, FifoAndDeviceAreNoSignatureWithAccessDenied) {
  TempPrefix prefix;
  ASSERT_EQ(mkfifo(platform::ToHostPath("C:\\pipe.exe").c_str(), 0600), 0);
  for (const char* path : {"C:\\pipe.exe", "Z:\\dev\\zero"}) {
    EXPECT_EQ(WinVerifyTrust(path), kTrustENoSignature) << path;
    EXPECT_EQ(platform::GetLastError(), HResultFromWin32(platform::kErrorAccessDenied)) << path;
  }
}

}  // namespace
