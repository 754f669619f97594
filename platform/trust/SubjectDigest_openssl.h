#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/trust/SubjectSource.h"

// The image digest of an Authenticode signature, computed over the digest
// ranges of the file's layout (AuthenticodeLayout.h) with libcrypto, for the
// algorithms a signature may name: SHA-1 and the SHA-2 family. MD5 is
// refused, as Windows refuses it.
namespace platform::trust {

enum class DigestMatch {
  kMatches,
  kDiffers,
  kUnknownAlgorithm,  // an OID that names no algorithm we accept
  kUnreadable,        // the source failed (its Error() says why) or libcrypto did
};

// Compares the digest of `ranges` of the subject, under the algorithm named
// by the dotted `digestOid`, with `expected`.
DigestMatch MatchSubjectDigest(SubjectSource& subject, const std::vector<ByteRange>& ranges,
                               std::string_view digestOid, std::span<const uint8_t> expected);

}  // namespace platform::trust
