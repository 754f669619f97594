#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/sim/HostPath.h"
#include "platform/fs/Path.h"
#include "platform/sim/Prefix.h"
#include "platform/text/Utf.h"
#include "platform/trust/AuthenticodeLayout.h"
#include "tests/data/authenticode/Fixtures.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"
#include "tests/transfer/TransferTestSupport.h"
#include "transfer/UpdateListLayout.h"

namespace {

ToolOutput Publish(const std::vector<std::string>& args) { return RunProgram(VAMO_PUBLISH_PATH, args); }

std::string OpensslDigestText(const std::string& hostPath) {
  return Shell("openssl dgst -sha512 -binary " + ShellQuote(hostPath) + " | base64 -w0").out;
}

// The value of KEY in [SECTION] of CR LF text, or "" when absent.
std::string ValueIn(const std::string& text, const std::string& section, const std::string& key) {
  size_t at = text.find("[" + section + "]\r\n");
  if (at == std::string::npos) return {};
  size_t end = text.find("\r\n[", at + 1);
  std::string body = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
  size_t line = body.find("\r\n" + key + "=");
  if (line == std::string::npos) return {};
  size_t value = line + 2 + key.size() + 1;
  return body.substr(value, body.find("\r\n", value) - value);
}

class PublishTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_files = m_dir.Path() + "/files";
    std::filesystem::create_directories(m_files);
    ToolOutput keygen = Publish({"keygen", "--out", m_dir.Path() + "/release"});
    ASSERT_EQ(keygen.exitStatus, 0) << keygen.err;
    m_private = m_dir.Path() + "/release.key.pem";
    m_public = m_dir.Path() + "/release.pub.pem";
  }

  TempDir m_dir;
  std::string m_files;
  std::string m_private;
  std::string m_public;
};

TEST_F(PublishTest, KeygenWritesAPublicKeyBlockOf451Characters) {
  std::string pub = ReadHostFile(m_public);
  EXPECT_EQ(pub.size(), 451u);
  EXPECT_TRUE(pub.starts_with("-----BEGIN PUBLIC KEY-----\n"));
  auto perms = std::filesystem::status(m_private).permissions();
  EXPECT_EQ(perms & std::filesystem::perms::group_read, std::filesystem::perms::none);
  EXPECT_EQ(Shell("openssl rsa -pubin -in " + ShellQuote(m_public) + " -noout -text | head -1").out,
            "Public-Key: (2048 bit)\n");
}

TEST_F(PublishTest, SignFillsDigestsSignsAndBothSidesVerify) {
  WriteHostFile(m_files + "/a.dll", "first file");
  WriteHostFile(m_files + "/b.ocx", std::string(70000, 'b'));
  std::string ini =
      "[GENERAL]\nVERSION=1.0.1.8\n\n"
      "[a.dll]\nTYPE=FILE\nDOWNLOAD_FULL_URL=http://dl.example/plugin/a.dll\nVERSION=1.0\n\n"
      "[b.ocx]\nTYPE=FILE\nsecure_data=OLD\nDOWNLOAD_FULL_URL = \"http://dl.example/b.ocx\"\n"
      "[c.dll]\nDOWNLOAD_FULL_URL=http://dl.example/c.dll\nSECURE_DATA=KEPT\n";
  WriteHostFile(m_dir.Path() + "/list.ini", ini);
  std::string out = m_dir.Path() + "/list.ver";
  ToolOutput sign = Publish({"sign", "--key", m_private, "--in", m_dir.Path() + "/list.ini", "--files", m_files,
                             "--out", out});
  ASSERT_EQ(sign.exitStatus, 0) << sign.err;

  std::string list = ReadHostFile(out);
  ASSERT_TRUE(list.ends_with("-----END SIGNATURE-----"));
  std::string signedPart = list.substr(0, list.find("-----BEGIN SIGNATURE-----\r\n"));
  EXPECT_EQ(signedPart.find('\n'), signedPart.find("\r\n") + 1) << "line ends are CR LF";
  EXPECT_EQ(ValueIn(signedPart, "a.dll", "SECURE_DATA"), OpensslDigestText(m_files + "/a.dll"));
  EXPECT_EQ(ValueIn(signedPart, "b.ocx", "SECURE_DATA"), OpensslDigestText(m_files + "/b.ocx"));
  EXPECT_EQ(ValueIn(signedPart, "b.ocx", "secure_data"), "");
  EXPECT_EQ(ValueIn(signedPart, "c.dll", "SECURE_DATA"), "KEPT");
  EXPECT_NE(signedPart.find("VERSION=1.0\r\nSECURE_DATA="), std::string::npos);

  // openssl agrees with the signature over exactly the signed bytes.
  size_t begin = list.find("-----BEGIN SIGNATURE-----\r\n") + 27;
  std::string base64 = list.substr(begin, list.find("-----END") - begin);
  WriteHostFile(m_dir.Path() + "/signed.bin", signedPart);
  WriteHostFile(m_dir.Path() + "/sig.b64", base64);
  ToolOutput check = Shell("cd " + ShellQuote(m_dir.Path()) +
                           " && tr -d '\\r' < sig.b64 | base64 -d > sig.bin && openssl dgst -sha512 -verify " +
                           ShellQuote(m_public) + " -signature sig.bin signed.bin");
  EXPECT_EQ(check.out, "Verified OK\n") << check.err;

  ToolOutput verify = Publish({"verify", "--pubkey", m_public, out});
  EXPECT_EQ(verify.exitStatus, 0) << verify.out;

  std::string tampered = list;
  tampered[tampered.find("VERSION=1.0.1.8") + 8] = '2';
  WriteHostFile(out, tampered);
  verify = Publish({"verify", "--pubkey", m_public, out});
  EXPECT_EQ(verify.exitStatus, 1);
  EXPECT_NE(verify.out.find("FAILED (-11"), std::string::npos) << verify.out;

  WriteHostFile(out, list + "\r\nx");
  EXPECT_EQ(Publish({"verify", "--pubkey", m_public, out}).exitStatus, 1);
}

TEST_F(PublishTest, CompressedItemsGetTheDigestOfTheFileTheArchiveYields) {
  WriteHostFile(m_files + "/payload.dll", "unpacked bytes of the plug-in");
  ASSERT_EQ(Shell("cd " + ShellQuote(m_files) + " && gzip -c payload.dll > single.gz && mkdir d && "
                  "cp payload.dll d/ && tar czf bundle.tgz d && zip -q only-folder.zip d/ && "
                  "zip -q -r files.zip d")
                .exitStatus,
            0);
  std::string expected = OpensslDigestText(m_files + "/payload.dll");
  std::string ini =
      "[single]\nCOMPRESSED=TRUE\nDOWNLOAD_FULL_URL=http://x/single.gz\n"
      "[bundle]\nCOMPRESSED=TRUE\nDOWNLOAD_FULL_URL=http://x/bundle.tgz\n"
      "[zipped]\nCOMPRESSED=TRUE\nDOWNLOAD_FULL_URL=http://x/files.zip\n";
  WriteHostFile(m_dir.Path() + "/list.ini", ini);
  std::string out = m_dir.Path() + "/list.ver";
  ToolOutput sign = Publish({"sign", "--key", m_private, "--in", m_dir.Path() + "/list.ini", "--files", m_files,
                             "--out", out});
  ASSERT_EQ(sign.exitStatus, 0) << sign.err;
  std::string list = ReadHostFile(out);
  for (const char* item : {"single", "bundle", "zipped"}) EXPECT_EQ(ValueIn(list, item, "SECURE_DATA"), expected) << item;

  WriteHostFile(m_dir.Path() + "/bad.ini", "[empty]\nCOMPRESSED=TRUE\nDOWNLOAD_FULL_URL=http://x/only-folder.zip\n");
  std::filesystem::remove(out);
  sign = Publish({"sign", "--key", m_private, "--in", m_dir.Path() + "/bad.ini", "--files", m_files, "--out", out});
  EXPECT_NE(sign.exitStatus, 0);
  EXPECT_NE(sign.err.find("[empty] only-folder.zip: the archive holds no file"), std::string::npos) << sign.err;
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(PublishTest, DigestPrintsTheDigestTextAndSignRefusesMarkersInTheIni) {
  WriteHostFile(m_files + "/x.bin", "");
  ToolOutput digest = Publish({"digest", m_files + "/x.bin"});
  EXPECT_EQ(digest.exitStatus, 0);
  EXPECT_EQ(digest.out, OpensslDigestText(m_files + "/x.bin") + "\n");
  EXPECT_EQ(Publish({"digest", m_files + "/none.bin"}).exitStatus, 1);

  WriteHostFile(m_dir.Path() + "/list.ini", "[a]\r\nX=-----BEGIN SIGNATURE-----\r\n");
  ToolOutput sign = Publish({"sign", "--key", m_private, "--in", m_dir.Path() + "/list.ini", "--out",
                             m_dir.Path() + "/list.ver"});
  EXPECT_EQ(sign.exitStatus, 1);
  EXPECT_EQ(Publish({"sign", "--key", m_private}).exitStatus, 2);
}

// vamo-publish codesign signs an ELF program so that the wizard's check,
// `openssl cms -verify` and the program loader all accept the result.
TEST_F(PublishTest, CodesignSignsAProgramEveryoneAccepts) {
  const std::string signedPath = m_dir.Path() + "/helper";
  ToolOutput sign = Publish({"codesign", "--key", FixtureHostPath("pki/signer.key"), "--cert",
                             FixtureHostPath("pki/signer.pem"), "--chain", FixtureHostPath("pki/ca.pem"), "--in",
                             FixtureHostPath("elf-program"), "--out", signedPath});
  ASSERT_EQ(sign.exitStatus, 0) << sign.err;
  EXPECT_NE(sign.out.find("trusted by a root of the chain file"), std::string::npos) << sign.out;

  const std::string program = ReadHostFile(FixtureHostPath("elf-program"));
  const std::string signedProgram = ReadHostFile(signedPath);
  ASSERT_TRUE(signedProgram.starts_with(program));
  EXPECT_TRUE(signedProgram.ends_with(platform::trust::kElfSignatureMagic));

  // Our check with the test CA as the prefix's root, and the peer's.
  TempPrefix prefix;
  std::filesystem::copy_file(FixtureHostPath("pki/ca.pem"), platform::PrefixCertsFolder("root") + "/ca.pem");
  ToolOutput check = RunTool({"codesign", platform::ToWindowsPath(signedPath)});
  EXPECT_EQ(check.out, "result: 0\n");
  ToolOutput split = Shell("python3 " + ShellQuote(VAMO_TEST_DATA_DIR "/authenticode/elf_signature.py") + " split " +
                           ShellQuote(signedPath) + " " + ShellQuote(m_dir.Path() + "/c.bin") + " " +
                           ShellQuote(m_dir.Path() + "/s.der"));
  ASSERT_EQ(split.exitStatus, 0) << split.err;
  EXPECT_EQ(ReadHostFile(m_dir.Path() + "/c.bin"), program);
  ToolOutput peer = Shell("openssl cms -verify -binary -inform DER -in " + ShellQuote(m_dir.Path() + "/s.der") +
                          " -content " + ShellQuote(m_dir.Path() + "/c.bin") + " -CAfile " +
                          ShellQuote(FixtureHostPath("pki/ca.pem")) + " -purpose any -out /dev/null");
  EXPECT_EQ(peer.exitStatus, 0) << peer.err;

  // Still a program: it runs and does its work.
  ToolOutput run = RunProgram(signedPath, {m_dir.Path() + "/ran.txt"});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(ReadHostFile(m_dir.Path() + "/ran.txt"), "signed program ran\n");

  // Signing it again replaces the signature rather than adding one.
  const std::string again = m_dir.Path() + "/helper-512";
  sign = Publish({"codesign", "--key", FixtureHostPath("pki/signer.key"), "--cert", FixtureHostPath("pki/signer.pem"),
                  "--digest", "sha512", "--in", signedPath, "--out", again});
  ASSERT_EQ(sign.exitStatus, 0) << sign.err;
  EXPECT_NE(sign.out.find("its root is not in the chain file"), std::string::npos) << sign.out;
  const std::string resigned = ReadHostFile(again);
  EXPECT_TRUE(resigned.starts_with(program));
  const std::string_view magic = platform::trust::kElfSignatureMagic;
  EXPECT_EQ(resigned.find(magic), resigned.size() - magic.size()) << "one trailer, at the end";
  EXPECT_EQ(RunTool({"codesign", platform::ToWindowsPath(again)}).out, "result: 0\n");
}

struct RefusedSigning {
  const char* name;
  const char* key;
  const char* cert;
  const char* in;
  const char* digest;
  const char* reason;
};

class CodesignRefusals : public PublishTest, public ::testing::WithParamInterface<RefusedSigning> {};

// What the wizard would refuse is not signed, and nothing is written.
TEST_P(CodesignRefusals, WritesNothing) {
  const RefusedSigning& c = GetParam();
  const std::string out = m_dir.Path() + "/out";
  ToolOutput sign = Publish({"codesign", "--key", FixtureHostPath(c.key), "--cert", FixtureHostPath(c.cert),
                             "--digest", c.digest, "--in", FixtureHostPath(c.in), "--out", out});
  EXPECT_EQ(sign.exitStatus, 1);
  EXPECT_NE(sign.err.find(c.reason), std::string::npos) << sign.err;
  EXPECT_FALSE(std::filesystem::exists(out));
}

INSTANTIATE_TEST_SUITE_P(
    Refused, CodesignRefusals,
    ::testing::Values(
        RefusedSigning{"NotForCodeSigning", "pki/tls.key", "pki/tls.pem", "elf-program", "sha256",
                       "not one for code signing"},
        RefusedSigning{"KeyOfAnotherCertificate", "pki/other-signer.key", "pki/signer.pem", "elf-program", "sha256",
                       "does not belong"},
        RefusedSigning{"NotAProgram", "pki/signer.key", "pki/signer.pem", "notes.txt", "sha256", "not an ELF"},
        RefusedSigning{"PeFile", "pki/signer.key", "pki/signer.pem", "app64.exe", "sha256", "not an ELF"},
        RefusedSigning{"DamagedSignature", "pki/signer.key", "pki/signer.pem", "elf-cut", "sha256", "damaged"},
        RefusedSigning{"OtherDigest", "pki/signer.key", "pki/signer.pem", "elf-program", "sha1", "sha256 or sha512"}),
    [](const auto& info) { return std::string(info.param.name); });

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// Terminal cells of what a line shows: escape sequences take none, Hangul
// syllables two.
int VisibleCells(const std::string& text) {
  int cells = 0;
  std::u16string units = platform::Utf8ToUtf16(text);
  for (size_t i = 0; i < units.size(); ++i) {
    if (units[i] == 0x1B) {
      while (i < units.size() && !(units[i] >= 0x40 && units[i] <= 0x7E && units[i] != '[')) ++i;
      continue;
    }
    cells += units[i] >= 0xAC00 && units[i] <= 0xD7A3 ? 2 : 1;
  }
  return cells;
}

// Through a pipe the progress comes as plain lines, in tenths, between the
// report lines; nothing but text.
TEST(VamoToolTransfer, DownloadPrintsReportLinesAndResult) {
  TempPrefix prefix;
  TestHttpServer server;
  ToolOutput ok = RunTool({"download", server.Url("/file/9000"), "C:\\got.bin"});
  EXPECT_EQ(ok.exitStatus, 0) << ok.err;
  std::vector<std::string> lines = SplitLines(ok.out);
  ASSERT_GE(lines.size(), 5u) << ok.out;
  EXPECT_EQ(lines[0], "--FileDownload Start");
  EXPECT_EQ(lines[1], "--FileDownload Server [127.0.0.1:" + std::to_string(server.Port()) + "]");
  EXPECT_EQ(lines[lines.size() - 2], "--FileDownload End.");
  EXPECT_EQ(lines.back(), "result: 0");
  EXPECT_EQ(lines[lines.size() - 3], "현재 파일 got.bin 100%");
  for (size_t i = 2; i + 2 < lines.size(); ++i) EXPECT_TRUE(lines[i].starts_with("현재 파일 got.bin ")) << lines[i];
  EXPECT_EQ(ok.out.find_first_of("\r\x1b"), std::string::npos);
  EXPECT_EQ(ok.err, "");
  EXPECT_EQ(ReadHostFile(prefix.DriveC() + "/got.bin"), ServerPattern(9000));

  ToolOutput digest = RunTool({"digest", "C:\\got.bin"});
  EXPECT_EQ(digest.exitStatus, 0);
  EXPECT_EQ(digest.out, OpensslDigestText(prefix.DriveC() + "/got.bin") + "\n");

  ToolOutput missing = RunTool({"download", server.Url("/status/404"), "C:\\got.bin"});
  EXPECT_EQ(missing.exitStatus, 1);
  EXPECT_TRUE(missing.out.ends_with("--FileDownload End.\nresult: -9101\n")) << missing.out;
  EXPECT_FALSE(std::filesystem::exists(prefix.DriveC() + "/got.bin"));
}

// On a terminal (a pseudo-terminal of 50 columns made by script) the bar is
// redrawn in place, never wider than the terminal, and its line is ended
// before the report's next line.
TEST(VamoToolTransfer, DownloadRedrawsOneLineOnATerminal) {
  TempPrefix prefix;
  TestHttpServer server;
  std::string command = "stty cols 50 rows 20; export TERM=xterm; exec " + ShellQuote(VAMO_TOOL_PATH) +
                        " download " + ShellQuote(server.Url("/file/3000000")) +
                        " 'C:\\long name of the downloaded file.bin'";
  ToolOutput run = Shell("script -qfec " + ShellQuote(command) + " /dev/null");
  ASSERT_EQ(run.exitStatus, 0) << run.out << run.err;
  std::string out = run.out;
  for (size_t at; (at = out.find("\r\n")) != std::string::npos;) out.replace(at, 2, "\n");  // the tty's line ends

  std::vector<std::string> lines = SplitLines(out);
  auto end = std::find(lines.begin(), lines.end(), "--FileDownload End.");
  ASSERT_NE(end, lines.end()) << out;
  ASSERT_NE(end, lines.begin());
  const std::string& bar = *(end - 1);
  EXPECT_NE(bar.find('\r'), std::string::npos) << "redrawn in place: " << bar;
  std::string last = bar.substr(bar.rfind('\r') + 1);
  EXPECT_TRUE(last.starts_with("현재 파일 long name")) << last;
  EXPECT_NE(last.find("] 100%"), std::string::npos) << last;
  for (const std::string& line : lines) {
    size_t start = 0;
    do {
      size_t stop = line.find('\r', start);
      std::string shown = line.substr(start, stop == std::string::npos ? std::string::npos : stop - start);
      EXPECT_LE(VisibleCells(shown), 49) << shown;
      start = stop == std::string::npos ? stop : stop + 1;
    } while (start != std::string::npos);
  }
  EXPECT_EQ(lines.back(), "result: 0");
  EXPECT_EQ(ReadHostFile(prefix.DriveC() + "/long name of the downloaded file.bin"), ServerPattern(3000000));
}

}  // namespace
