#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"

// The checks scripts/release applies to the signed program before shipping
// it, on small Windows programs made here with the cross compiler: one that
// is right passes, and each fault is refused with its reason.

namespace {

#ifdef VAMO_DEMO_RELEASE_WIN32
const std::string kRelease = VAMO_DEMO_RELEASE_WIN32;
#define SKIP_WITHOUT_RELEASE()
#else
const std::string kRelease;
#define SKIP_WITHOUT_RELEASE() GTEST_SKIP() << "no cross compiler: the Windows demo release is not made"
#endif

const std::string kSource = VAMO_SOURCE_DIR;

ToolOutput Shell(const std::string& command) { return RunProgram("/bin/sh", {"-c", command}); }

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

class ReleaseCheck : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (kRelease.empty()) return;
    s_dir = std::make_unique<TempDir>();
    const std::string d = Quoted(s_dir->Path());
    // The wizard's shape (windowed, administrator) and vamo-tool's (console,
    // as invoker); a console program asking for administrator rights; one
    // without a manifest; one that needs a DLL Windows does not have; one
    // over the size limit. Each signed by the demo CA's signer; one more
    // signed by a CA nobody trusts.
    const std::string pki = Quoted(kRelease + "/pki");
    const std::string made = Shell(
        "set -e; cd " + d + "; cc=x86_64-w64-mingw32-gcc-posix; rc=x86_64-w64-mingw32-windres\n"
        "echo 'int main(void) { return 0; }' > main.c\n"
        "echo '__declspec(dllexport) int Foreign(void) { return 1; }' > foreign.c\n"
        "echo 'int Foreign(void); int main(void) { return Foreign(); }' > usesforeign.c\n"
        "for level in requireAdministrator asInvoker; do\n"
        "  sed \"s/@VAMO_MANIFEST_LEVEL@/$level/\" " + Quoted(kSource + "/cmake/Win32Manifest.xml.in") +
        " > $level.manifest\n"
        "  echo \"1 24 \\\"$level.manifest\\\"\" > $level.rc\n"
        "  $rc $level.rc -O coff -o $level.o\n"
        "done\n"
        "$cc -s -static -mwindows main.c requireAdministrator.o -o requireAdministrator.exe\n"
        "$cc -s -static main.c asInvoker.o -o asInvoker.exe\n"
        "$cc -s -static main.c requireAdministrator.o -o console.exe\n"
        "$cc -s -static -mwindows main.c -o nomanifest.exe\n"
        "$cc -shared -s foreign.c -o vamoforeign.dll -Wl,--out-implib,libvamoforeign.a\n"
        "$cc -s -static -mwindows usesforeign.c requireAdministrator.o -L. -lvamoforeign -o foreign.exe\n"
        // RT_RCDATA (10): 9 MiB of pictures the wizard would carry.
        "head -c 9437184 /dev/zero > heavy.bin\n"
        "echo '2 10 \"heavy.bin\"' > heavy.rc\n"
        "$rc heavy.rc -O coff -o heavy.o\n"
        "$cc -s -static -mwindows main.c requireAdministrator.o heavy.o -o heavy.exe\n"
        "for p in requireAdministrator asInvoker console nomanifest foreign heavy; do\n"
        "  osslsigncode sign -certs " + pki + "/signer.pem -key " + pki + "/signer.key -h sha256"
        " -in $p.exe -out signed-$p.exe >/dev/null\n"
        "done\n" +
        Quoted(kSource + "/tools/pki/make-codesign-ca.sh") + " other 'Other'\n"
        "osslsigncode sign -certs other/signer.pem -key other/signer.key -h sha256"
        " -in requireAdministrator.exe -out othersigned.exe >/dev/null\n"
        "cp signed-requireAdministrator.exe tampered.exe\n"
        "printf X | dd of=tampered.exe bs=1 seek=1024 conv=notrunc status=none\n")
        .err;
    s_made = made;
  }
  static void TearDownTestSuite() { s_dir.reset(); }

  void SetUp() override {
    SKIP_WITHOUT_RELEASE();
    ASSERT_TRUE(s_made.empty()) << s_made;
  }

  static ToolOutput Check(const std::string& program, const std::string& level, const std::string& subsystem) {
    return RunProgram(kSource + "/tools/release/check-program.sh",
                      {s_dir->Path() + "/" + program, level, subsystem, kRelease + "/pki/ca.pem", VAMO_TOOL_PATH});
  }

  static std::unique_ptr<TempDir> s_dir;
  static std::string s_made;
};

std::unique_ptr<TempDir> ReleaseCheck::s_dir;
std::string ReleaseCheck::s_made;

TEST_F(ReleaseCheck, ASignedProgramWithItsLevelAndSubsystemPasses) {
  const ToolOutput admin = Check("signed-requireAdministrator.exe", "requireAdministrator", "gui");
  EXPECT_EQ(admin.exitStatus, 0) << admin.err;
  const ToolOutput invoker = Check("signed-asInvoker.exe", "asInvoker", "console");
  EXPECT_EQ(invoker.exitStatus, 0) << invoker.err;
}

struct Refusal {
  const char* program;
  const char* reason;
  const char* subsystem = "gui";
};

TEST_F(ReleaseCheck, EachFaultIsRefusedWithItsReason) {
  for (const Refusal& r : {
           Refusal{"requireAdministrator.exe", "osslsigncode does not verify"},  // unsigned
           Refusal{"othersigned.exe", "osslsigncode does not verify"},           // an untrusted CA
           Refusal{"tampered.exe", "osslsigncode does not verify"},              // changed after signing
           Refusal{"signed-asInvoker.exe", "does not ask for requireAdministrator", "console"},
           Refusal{"signed-nomanifest.exe", "carries no manifest"},
           Refusal{"signed-foreign.exe", "not part of Windows"},
           Refusal{"main.c", "not a PE image"},
           Refusal{"signed-console.exe", "is not a gui program"},
           Refusal{"signed-heavy.exe", "more than 8388608"},
       }) {
    const ToolOutput checked = Check(r.program, "requireAdministrator", r.subsystem);
    EXPECT_EQ(checked.exitStatus, 1) << r.program;
    EXPECT_NE(checked.err.find(r.reason), std::string::npos) << r.program << ": " << checked.err;
  }
}

// The release road itself (scripts/release) on the Windows build beside the
// source, or the one VAMO_WIN32_BUILD_DIR names: the program it ships is the
// one the build names, signed, checked, and recorded with its digest.
std::string Win32BuildDir() {
  const char* named = std::getenv("VAMO_WIN32_BUILD_DIR");
  return named && *named ? named : kSource + "/build-win32";
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Named(const std::string& text, const std::string& key) {
  const std::string marker = key + "=";
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with(marker)) return line.substr(marker.size());
  }
  return {};
}

TEST(ReleaseRoad, ShipsTheNamedProgramSignedCheckedAndRecorded) {
  SKIP_WITHOUT_RELEASE();
  const std::string win = Win32BuildDir();
  const std::string named = FileText(win + "/release-program.txt");
  if (named.empty()) GTEST_SKIP() << "no Windows build in " << win;
  if (Named(named, "artwork") != "yes") GTEST_SKIP() << win << " is built without the pictures";
  const std::string target = Named(named, "target");
  const std::string file = std::filesystem::path(Named(named, "file")).filename().string();
  // The wizard, once the build has it, is a windowed program asking for
  // administrator rights; a stand-in keeps its own shape.
  if (target == "VamoSetup") {
    EXPECT_EQ(file, "VamoSetup.exe");
    EXPECT_EQ(Named(named, "level"), "requireAdministrator");
    EXPECT_EQ(Named(named, "subsystem"), "gui");
  }

  TempDir dir;
  const std::string out = dir.Path() + "/dist";
  const std::vector<std::string> env = {"VAMO_BUILD_DIR=" VAMO_BUILD_DIR, "VAMO_WIN32_BUILD_DIR=" + win};
  const ToolOutput made = RunProgram(kSource + "/scripts/release", {out}, env);
  ASSERT_EQ(made.exitStatus, 0) << made.err;

  const std::string program = out + "/" + file;
  ASSERT_TRUE(std::filesystem::exists(program)) << made.out;
  const auto size = std::filesystem::file_size(program);
  EXPECT_LT(size, 8u * 1024 * 1024);
  EXPECT_NE(made.out.find("size    " + std::to_string(size) + " bytes"), std::string::npos) << made.out;
  const std::string record = FileText(out + "/release.txt");
  EXPECT_FALSE(record.empty());
  EXPECT_TRUE(made.out.starts_with(record)) << made.out;
  // The recorded digest is the shipped file's.
  const ToolOutput sums = Shell("cd " + Quoted(out) + " && sha256sum -c release.sha256");
  EXPECT_EQ(sums.exitStatus, 0) << sums.out << sums.err;
  EXPECT_NE(made.out.find(FileText(out + "/release.sha256").substr(0, 64)), std::string::npos);
  // The signature is the release engineer's, and nothing was changed after.
  const ToolOutput verified =
      Shell("osslsigncode verify -CAfile " + Quoted(out + "/codesign-ca.pem") + " -in " + Quoted(program));
  EXPECT_EQ(verified.exitStatus, 0) << verified.out;
  EXPECT_TRUE(std::filesystem::exists(out + "/site")) << made.out;
  EXPECT_NE(made.out.find(".ver"), std::string::npos) << made.out;

  // A folder the script did not make keeps what it holds.
  const std::string foreign = dir.Path() + "/mine";
  std::filesystem::create_directories(foreign);
  std::ofstream(foreign + "/notes.txt") << "mine";
  const ToolOutput refused = RunProgram(kSource + "/scripts/release", {foreign}, env);
  EXPECT_EQ(refused.exitStatus, 1);
  EXPECT_NE(refused.err.find("holds no earlier release"), std::string::npos) << refused.err;
  EXPECT_EQ(FileText(foreign + "/notes.txt"), "mine");
}

}  // namespace
