#include "transfer/UpdateListLayout.h"

#include <algorithm>
#include <cstdio>

#include "platform/fs/FileSystem.h"
#include "system/ReportSink.h"
#include "system/Trace.h"
#include "transfer/Encoder.h"
#include "transfer/SignatureVerifier.h"
#include "transfer/TransferCodes.h"

namespace {

// Two bytes (CR LF) follow the BEGIN marker before the signature text; they
// are skipped by count, as the signing tool writes them.
constexpr size_t kBeginLineBreak = 2;

std::string_view AsText(std::span<const uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool IsFiller(unsigned char c) { return c == '-' || c == '\r' || c == '\n' || c == '\t' || c == ' '; }

// A byte for a trace line: itself when printable ASCII, else its hex value,
// so a trace never carries a broken character or a NUL.
std::string Printable(unsigned char c) {
  if (c >= 0x20 && c < 0x7f) return std::string(1, static_cast<char>(c));
  char text[8];
  std::snprintf(text, sizeof text, "\\x%02X", c);
  return text;
}

void Report(IReportSink* report, const char* line) {
  if (report != nullptr) report->AppendLine("%s", line);
}

}  // namespace

int VerFileCheck(uint32_t count, const std::string& path) {
  auto bytes = platform::fs::ReadFileBytes(path);
  if (!bytes) {
    Trace("CVamoUpdaterCtrl::VerFileCheck .. File not [%s]...", path.c_str());
    return kVerFileOpenFail;
  }
  return VerFileCheck(count, *bytes, path);
}

int VerFileCheck(uint32_t /*count*/, std::span<const uint8_t> bytes, const std::string& path) {
  if (bytes.empty()) {
    Trace("CVamoUpdaterCtrl::VerFileCheck .. Ver File Size is 0... [%s]...", path.c_str());
    return kVerFileEmpty;
  }
  std::string_view text = AsText(bytes);
  if (text.find(kSignatureBeginMarker) != text.rfind(kSignatureBeginMarker) ||
      text.find(kSignatureEndMarker) != text.rfind(kSignatureEndMarker)) {
    Trace("CVamoUpdaterCtrl::VerFileCheck .. Signature가 위변조 되었습니다. [%s] ", path.c_str());
    return kVerFileMarkerTwice;
  }
  size_t end = text.find(kSignatureEndMarker);
  if (end != std::string_view::npos) {
    for (size_t i = end + kSignatureEndMarker.size(); i < text.size(); ++i) {
      auto c = static_cast<unsigned char>(text[i]);
      if (!IsFiller(c)) {
        Trace("CVamoUpdaterCtrl::VerFileCheck .. [%s] 파일이 위변조 되었습니다.[%s] ", path.c_str(),
              Printable(c).c_str());
        return kVerFileTrailing;
      }
    }
  }
  return kVerFileOk;
}

int CUpdateListLayout::Fail(int code) {
  m_bCut = false;
  m_nSignedLength = m_nSignatureBegin = m_nSignatureEnd = 0;
  return code;
}

int CUpdateListLayout::Cut(std::span<const uint8_t> bytes) {
  if (bytes.data() != m_bytes.data() || bytes.size() != m_bytes.size()) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    m_bytes.swap(copy);
  }
  if (m_bytes.empty()) return Fail(kListSizeZero);
  // The markers are looked for in the text as a C string sees it: a NUL
  // byte ends the search, so no marker hides behind one.
  std::string_view text = AsText(m_bytes);
  text = text.substr(0, text.find('\0'));
  size_t begin = text.find(kSignatureBeginMarker);
  if (begin == std::string_view::npos) return Fail(kListNotSigned);
  size_t end = text.find(kSignatureEndMarker, begin + kSignatureBeginMarker.size());
  if (end == std::string_view::npos) return Fail(kListInvalidSign);

  m_nSignedLength = begin;
  // The signature text ends where the END marker starts; whatever filler
  // follows the marker is not part of it.
  m_nSignatureEnd = end;
  m_nSignatureBegin = std::min(begin + kSignatureBeginMarker.size() + kBeginLineBreak, end);
  m_bCut = true;
  return 0;
}

int CUpdateListLayout::Verify(const std::string& path, std::optional<std::string_view> publicKeyPem,
                              IReportSink* report) {
  auto bytes = platform::fs::ReadFileBytes(path);
  if (!bytes) {
    Fail(0);
    m_bytes.clear();
    Trace("ProcInstallVerify() UpdateFile Open Fail...[%s]...", path.c_str());
    Report(report, "Updatelist Verify Fail (Update File Open Fail)\r\n");
    return kListOpenFail;
  }
  m_bytes = std::move(*bytes);
  return VerifyBytes(m_bytes, path, publicKeyPem, report);
}

int CUpdateListLayout::VerifyBytes(std::span<const uint8_t> bytes, const std::string& path,
                                   std::optional<std::string_view> publicKeyPem, IReportSink* report) {
  const char* p = path.c_str();
  int cut = Cut(bytes);
  if (cut == kListSizeZero) {
    Trace("ProcInstallVerify() Size is 0... [%s]...", p);
    Report(report, "Updatelist Verify Fail (Update File Size Zero)\r\n");
    return cut;
  }
  if (cut == kListNotSigned) {
    Trace("ProcInstallVerify() Is Not Sign File....[%s]", p);
    Report(report, "Updatelist Verify Fail (Update File Not Sign)\r\n");
    return cut;
  }
  if (cut == kListInvalidSign) {
    Trace("ProcInstallVerify() Invalid Sign File....[%s]", p);
    Report(report, "Updatelist Verify Fail (Update File Invalid Sign)\r\n");
    return cut;
  }

  switch (VerFileCheck(static_cast<uint32_t>(m_nSignedLength + 1), m_bytes, path)) {
    case kVerFileOpenFail:
      Trace("CUpdater::UpdateList_Verify()=>VerFileCheck() UpdateFile Open Fail...[%s]...", p);
      return Fail(kListCheckOpenFail);
    case kVerFileEmpty:
      Trace("CUpdater::UpdateList_Verify()=>VerFileCheck() File Size Zero...[%s]...", p);
      return Fail(kListCheckEmpty);
    case kVerFileMarkerTwice:
      Trace("CUpdater::UpdateList_Verify()=>VerFileCheck() UpdateFile Signature 필드가 또 있음...[%s]...", p);
      return Fail(kListCheckMarkerTwice);
    case kVerFileTrailing:
      Trace("CUpdater::UpdateList_Verify()=>VerFileCheck() Version 파일이 위변조 되었음...[%s]...", p);
      return Fail(kListCheckTrailing);
    default:
      break;
  }

  Encoder decoder;
  if (decoder.Init(Encoder::kDecode) != 0) {
    Trace("ProcInstallVerify() Encoder Init Fail...[%s]", p);
    return Fail(kListEncoderInit);
  }
  std::string_view signatureText = SignatureText();
  if (decoder.Update(signatureText.data(), signatureText.size()) != 0) {
    Trace("ProcInstallVerify() Encoder Update Fail...[%s]", p);
    return Fail(kListEncoderUpdate);
  }
  if (decoder.Final() != 0) {
    Trace("ProcInstallVerify() Encoder Final Fail...[%s]", p);
    return Fail(kListEncoderFinal);
  }

  if (!publicKeyPem) {
    Trace("ProcInstallVerify() FindResource Fail...[%s]", p);
    Report(report, "Updatelist Verify Fail (Public Key Find Fail)\r\n");
    return Fail(kListKeyMissing);
  }

  SignatureVerifier verifier;
  verifier.SetSignature(decoder.Data(), decoder.GetLength());
  verifier.SetPublicKey(publicKeyPem->data(), static_cast<uint32_t>(publicKeyPem->size()));
  if (verifier.VerifyInit(kAlgSha512) != 0) {
    Trace("ProcInstallVerify() VerifyInit Fail...[%s]", p);
    return Fail(kListVerifyInit);
  }
  std::span<const uint8_t> signedBytes = SignedBytes();
  if (verifier.VerifyUpdate(signedBytes.data(), signedBytes.size()) != 0) {
    Trace("ProcInstallVerify() VerifyUpdate Fail...[%s]", p);
    return Fail(kListVerifyUpdate);
  }
  if (verifier.VerifyFinal() != 0) {
    Trace("ProcInstallVerify() VerifyFinal Fail...[%s]", p);
    return Fail(kListVerifyFinal);
  }

  Trace("ProcInstallVerify Verify Complete...[%s]", p);
  Report(report, "Updatelist Verify Complete\r\n");
  return 0;
}

std::span<const uint8_t> CUpdateListLayout::SignedBytes() const {
  if (!m_bCut) return {};
  return std::span<const uint8_t>(m_bytes).first(m_nSignedLength);
}

std::string_view CUpdateListLayout::SignatureText() const {
  if (!m_bCut) return {};
  return AsText(m_bytes).substr(m_nSignatureBegin, m_nSignatureEnd - m_nSignatureBegin);
}
