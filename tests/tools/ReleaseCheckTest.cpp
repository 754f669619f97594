#include <gtest/gtest.h>

#include <memory>
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
    // Programs with each manifest, without one, and one that needs a DLL
    // Windows does not have; each signed by the demo CA's signer. One more
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
        "  $cc -s -static main.c $level.o -o $level.exe\n"
        "done\n"
        "$cc -s -static main.c -o nomanifest.exe\n"
        "$cc -shared -s foreign.c -o vamoforeign.dll -Wl,--out-implib,libvamoforeign.a\n"
        "$cc -s -static usesforeign.c requireAdministrator.o -L. -lvamoforeign -o foreign.exe\n"
        "for p in requireAdministrator asInvoker nomanifest foreign; do\n"
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

  static ToolOutput Check(const std::string& program, const std::string& level) {
    return RunProgram(kSource + "/tools/release/check-program.sh",
                      {s_dir->Path() + "/" + program, level, kRelease + "/pki/ca.pem", VAMO_TOOL_PATH});
  }

  static std::unique_ptr<TempDir> s_dir;
  static std::string s_made;
};

std::unique_ptr<TempDir> ReleaseCheck::s_dir;
std::string ReleaseCheck::s_made;

TEST_F(ReleaseCheck, ASignedProgramWithItsLevelPasses) {
  const ToolOutput admin = Check("signed-requireAdministrator.exe", "requireAdministrator");
  EXPECT_EQ(admin.exitStatus, 0) << admin.err;
  const ToolOutput invoker = Check("signed-asInvoker.exe", "asInvoker");
  EXPECT_EQ(invoker.exitStatus, 0) << invoker.err;
}

struct Refusal {
  const char* program;
  const char* reason;
};

TEST_F(ReleaseCheck, EachFaultIsRefusedWithItsReason) {
  for (const Refusal& r : {
           Refusal{"requireAdministrator.exe", "osslsigncode does not verify"},  // unsigned
           Refusal{"othersigned.exe", "osslsigncode does not verify"},           // an untrusted CA
           Refusal{"tampered.exe", "osslsigncode does not verify"},              // changed after signing
           Refusal{"signed-asInvoker.exe", "does not ask for requireAdministrator"},
           Refusal{"signed-nomanifest.exe", "carries no manifest"},
           Refusal{"signed-foreign.exe", "not part of Windows"},
           Refusal{"main.c", "not a PE image"},
       }) {
    const ToolOutput checked = Check(r.program, "requireAdministrator");
    EXPECT_EQ(checked.exitStatus, 1) << r.program;
    EXPECT_NE(checked.err.find(r.reason), std::string::npos) << r.program << ": " << checked.err;
  }
}

}  // namespace
