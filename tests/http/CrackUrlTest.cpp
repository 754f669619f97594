#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/http/HttpClient.h"

namespace http = platform::http;

namespace {

struct CrackCase {
  const char* name;
  const char* url;
  std::optional<http::UrlParts> parts;
};

class CrackUrlCases : public ::testing::TestWithParam<CrackCase> {};

// The connection is made to what the parser finds, and the request line
// names its object: a wrong split sends the request elsewhere.
TEST_P(CrackUrlCases, SplitsIntoSchemeHostPortAndObject) {
  const CrackCase& c = GetParam();
  std::optional<http::UrlParts> parts = http::CrackUrl(c.url);
  ASSERT_EQ(parts.has_value(), c.parts.has_value()) << c.url;
  if (!parts) return;
  EXPECT_EQ(parts->scheme, c.parts->scheme);
  EXPECT_EQ(parts->host, c.parts->host);
  EXPECT_EQ(parts->port, c.parts->port);
  EXPECT_EQ(parts->object, c.parts->object);
}

http::UrlParts Parts(const char* scheme, const char* host, int port, const char* object) {
  return http::UrlParts{scheme, host, port, object};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CrackUrlCases,
    ::testing::Values(
        CrackCase{"DefaultHttpPort", "http://example.test/a/b.cab", Parts("http", "example.test", 80, "/a/b.cab")},
        CrackCase{"DefaultHttpsPort", "HTTPS://Example.test", Parts("https", "Example.test", 443, "/")},
        CrackCase{"PortAndQuery", "http://127.0.0.1:8080/list.ver?v=2", Parts("http", "127.0.0.1", 8080, "/list.ver?v=2")},
        CrackCase{"QueryWithoutPath", "http://h.test?x=1", Parts("http", "h.test", 80, "/?x=1")},
        CrackCase{"FragmentIsNotSent", "http://h.test/f#part", Parts("http", "h.test", 80, "/f")},
        CrackCase{"UserInfoIsNoHost", "http://user:pw@h.test:81/f", Parts("http", "h.test", 81, "/f")},
        CrackCase{"AtInPathIsPath", "http://h.test/a@b", Parts("http", "h.test", 80, "/a@b")},
        CrackCase{"Ipv6Literal", "http://[::1]:8080/f", Parts("http", "[::1]", 8080, "/f")},
        CrackCase{"OtherScheme", "ftp://h.test/f", Parts("ftp", "h.test", 21, "/f")},
        CrackCase{"EmptyPortIsDefault", "http://h.test:/f", Parts("http", "h.test", 80, "/f")},
        CrackCase{"NoHost", "http://", std::nullopt}, CrackCase{"NoHostBeforePath", "http:///f", std::nullopt},
        CrackCase{"NoScheme", "h.test/f", std::nullopt}, CrackCase{"PortZero", "http://h.test:0/", std::nullopt},
        CrackCase{"PortTooLarge", "http://h.test:65536/", std::nullopt},
        CrackCase{"PortNotANumber", "http://h.test:8o/", std::nullopt},
        CrackCase{"BlankInUrl", "http://h.test/a b", std::nullopt},
        CrackCase{"LineBreakInUrl", "http://h.test/a\r\nX-Injected: 1", std::nullopt},
        CrackCase{"UnclosedIpv6", "http://[::1/f", std::nullopt}),
    [](const ::testing::TestParamInfo<CrackCase>& info) { return std::string(info.param.name); });

}  // namespace
