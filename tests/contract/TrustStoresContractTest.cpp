#include "platform/trust/SystemStores.h"

#include <gtest/gtest.h>
#include <openssl/x509.h>

#include <climits>

namespace {

using platform::trust::ReadSystemStoreCertificates;
using platform::trust::SystemStore;

class SystemStores : public ::testing::TestWithParam<SystemStore> {};

// Each entry is one certificate, as DER, whole: OpenSSL reads it to its last
// byte and writes the same bytes back.
TEST_P(SystemStores, HoldWholeDerCertificates) {
  for (const std::vector<uint8_t>& der : ReadSystemStoreCertificates(GetParam())) {
    ASSERT_LT(der.size(), static_cast<size_t>(INT_MAX));
    const unsigned char* cursor = der.data();
    X509* cert = d2i_X509(nullptr, &cursor, static_cast<long>(der.size()));
    ASSERT_NE(cert, nullptr);
    EXPECT_EQ(cursor, der.data() + der.size());
    EXPECT_EQ(i2d_X509(cert, nullptr), static_cast<int>(der.size()));
    X509_free(cert);
  }
}

INSTANTIATE_TEST_SUITE_P(RootAndDisallowed, SystemStores,
                         ::testing::Values(SystemStore::kRoot, SystemStore::kDisallowed),
                         [](const auto& info) { return info.param == SystemStore::kRoot ? "Root" : "Disallowed"; });

}  // namespace
