// Hostile signed files: the signature-layout search (PE certificate table,
// cabinet reserve, the trailer of an ELF program), the DER walk of
// SpcIndirectDataContent and the PKCS#7 decoding (detached for ELF) must
// reach a verdict for any input.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/trust/Authenticode_openssl.h"
#include "platform/trust/AuthenticodeLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const platform::trust::TrustStores stores = platform::trust::TrustStores::Empty();
  const std::span<const uint8_t> file(data, size);
  const platform::trust::SignatureLayout layout = platform::trust::FindSignatureLayout(file);
  volatile uint8_t sink = 0;
  for (std::span<const uint8_t> range : layout.digestRanges) {
    if (!range.empty()) sink = sink ^ range.front() ^ range.back();
  }
  platform::trust::VerifyAuthenticode(file, stores);
  return 0;
}
