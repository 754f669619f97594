#pragma once

#include <cstdint>
#include <span>
#include <string>

// The Authenticode check before a downloaded program or cabinet is used.
// Nothing is shown to the user; the result is a return code, and a failure
// leaves one trace line.

// What one check found: 0 = signed and trusted, -1 = anything else, and for
// -1 the message text that names the reason (with its trailing "\n").
struct CodeSignOutcome {
  int nResult = 0;
  std::string strMessage;
};

// Runs the trust check on the file (a Windows path) and classifies the
// verdict into its message text. Writes no trace line.
CodeSignOutcome CheckCodeSign(const std::string& strPath);

// The same check on the bytes of a file the caller holds (a program it will
// start from that same open file); `strPath` only names it in the message.
CodeSignOutcome CheckCodeSign(std::span<const uint8_t> image, const std::string& strPath);

// The message text for a WinVerifyTrust result and the last error it left;
// empty for 0.
std::string CodeSignMessage(uint32_t result, uint32_t lastError, const std::string& strPath);

// The shared body of the check: returns 0 when the file is signed and
// trusted, -1 otherwise, and on -1 writes the message text to the trace
// channel inside "<strOperation>() Fail [%s]...". Never throws.
int VerifyCodeSignWithFrame(const std::string& strPath, const char* strOperation);
// The same on bytes already read from the file (see CheckCodeSign).
int VerifyCodeSignWithFrame(std::span<const uint8_t> image, const std::string& strPath, const char* strOperation);

// FileVerifyCodeSign: the check for downloaded files and cabinets, traced as
// "FileVerifyCodeSign() Fail [%s]...".
int FileVerifyCodeSign(const std::string& strPath);
// The same on bytes already read from the file (see CheckCodeSign).
int FileVerifyCodeSign(std::span<const uint8_t> image, const std::string& strPath);
