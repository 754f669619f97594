#include "transfer/CodeSign.h"

#include <cstdio>

#include "platform/core/Win32Error.h"
#include "platform/trust/Authenticode.h"
#include "system/Trace.h"

namespace {

std::string Format(const char* format, const std::string& argument) {
  const int length = std::snprintf(nullptr, 0, format, argument.c_str());
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length), '\0');
  std::snprintf(text.data(), text.size() + 1, format, argument.c_str());
  return text;
}

}  // namespace

std::string CodeSignMessage(uint32_t result, uint32_t lastError, const std::string& strPath) {
  using namespace platform::trust;
  switch (result) {
    case 0:
      return {};
    case kTrustENoSignature:
      if (lastError == kTrustENoSignature || lastError == kTrustESubjectFormUnknown ||
          lastError == kTrustEProviderUnknown) {
        return Format("The file \"%s\" is not signed.\n", strPath);
      }
      return Format("An unknown error occurred trying to verify the signature of the \"%s\" file.\n", strPath);
    case kTrustEExplicitDistrust:
      return "The signature is present, but specifically disallowed.\n";
    case kTrustESubjectNotTrusted:
      return "The signature is present, but not trusted.\n";
    case kCryptESecuritySettings:
      return "CRYPT_E_SECURITY_SETTINGS - The hash representing the subject or the publisher wasn't explicitly "
             "trusted by the admin and admin policy has disabled user trust. No signature, publisher or timestamp "
             "errors.\n";
    default: {
      char text[32];
      std::snprintf(text, sizeof(text), "Error is: 0x%x.\n", result);
      return text;
    }
  }
}

CodeSignOutcome CheckCodeSign(const std::string& strPath) {
  uint32_t result = 0;
  uint32_t lastError = 0;
  try {
    result = platform::trust::WinVerifyTrust(strPath);
    lastError = platform::GetLastError();
  } catch (...) {
    // Only allocation can throw here (a signature area too large to hold);
    // treat it as a file we could not check.
    result = platform::trust::kTrustENoSignature;
    lastError = platform::trust::HResultFromWin32(platform::kErrorNotEnoughMemory);
  }
  CodeSignOutcome outcome;
  if (result != 0) {
    outcome.nResult = -1;
    outcome.strMessage = CodeSignMessage(result, lastError, strPath);
  }
  return outcome;
}

CodeSignOutcome CheckCodeSign(std::span<const uint8_t> image, const std::string& strPath) {
  platform::trust::TrustVerdict verdict;
  try {
    verdict = platform::trust::VerifyImageTrust(image);
  } catch (...) {
    verdict.result = platform::trust::kTrustENoSignature;
    verdict.lastError = platform::trust::HResultFromWin32(platform::kErrorNotEnoughMemory);
  }
  CodeSignOutcome outcome;
  if (verdict.result != 0) {
    outcome.nResult = -1;
    outcome.strMessage = CodeSignMessage(verdict.result, verdict.lastError, strPath);
  }
  return outcome;
}

int VerifyCodeSignWithFrame(const std::string& strPath, const char* strOperation) {
  const CodeSignOutcome outcome = CheckCodeSign(strPath);
  if (outcome.nResult != 0) Trace("%s() Fail [%s]...", strOperation, outcome.strMessage.c_str());
  return outcome.nResult;
}

int FileVerifyCodeSign(const std::string& strPath) { return VerifyCodeSignWithFrame(strPath, "FileVerifyCodeSign"); }

int VerifyCodeSignWithFrame(std::span<const uint8_t> image, const std::string& strPath, const char* strOperation) {
  const CodeSignOutcome outcome = CheckCodeSign(image, strPath);
  if (outcome.nResult != 0) Trace("%s() Fail [%s]...", strOperation, outcome.strMessage.c_str());
  return outcome.nResult;
}

int FileVerifyCodeSign(std::span<const uint8_t> image, const std::string& strPath) {
  return VerifyCodeSignWithFrame(image, strPath, "FileVerifyCodeSign");
}
