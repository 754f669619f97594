#include "platform/trust/SubjectDigest_openssl.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <memory>

namespace platform::trust {

namespace {

struct DigestName {
  std::string_view oid;
  const char* name;
};
constexpr std::array<DigestName, 4> kDigests = {{
    {"1.3.14.3.2.26", "SHA1"},
    {"2.16.840.1.101.3.4.2.1", "SHA256"},
    {"2.16.840.1.101.3.4.2.2", "SHA384"},
    {"2.16.840.1.101.3.4.2.3", "SHA512"},
}};

struct MdFree {
  void operator()(EVP_MD* md) const { EVP_MD_free(md); }
};
struct MdCtxFree {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

}  // namespace

DigestMatch MatchSubjectDigest(SubjectSource& subject, const std::vector<ByteRange>& ranges,
                               std::string_view digestOid, std::span<const uint8_t> expected) {
  const auto found =
      std::find_if(kDigests.begin(), kDigests.end(), [&](const DigestName& d) { return d.oid == digestOid; });
  if (found == kDigests.end()) return DigestMatch::kUnknownAlgorithm;
  std::unique_ptr<EVP_MD, MdFree> md(EVP_MD_fetch(nullptr, found->name, nullptr));
  std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
  if (!md || !ctx || EVP_DigestInit_ex(ctx.get(), md.get(), nullptr) != 1) return DigestMatch::kUnreadable;
  subject.BeginRanges(ranges);
  for (std::span<const uint8_t> piece = subject.NextPiece(); !piece.empty(); piece = subject.NextPiece()) {
    if (EVP_DigestUpdate(ctx.get(), piece.data(), piece.size()) != 1) return DigestMatch::kUnreadable;
  }
  if (subject.Error() != kErrorSuccess) return DigestMatch::kUnreadable;
  unsigned char value[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx.get(), value, &length) != 1) return DigestMatch::kUnreadable;
  return length == expected.size() && CRYPTO_memcmp(value, expected.data(), length) == 0 ? DigestMatch::kMatches
                                                                                          : DigestMatch::kDiffers;
}

}  // namespace platform::trust
