#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// The packets of the connectivity probes: the ICMP echo request and the
// check of its reply, the one-question DNS query, and the Internet checksum
// both use. All multi-byte fields are in network byte order.

inline constexpr size_t kEchoRequestSize = 40;
inline constexpr size_t kEchoHeaderSize = 8;
inline constexpr size_t kEchoPayloadSize = 32;
inline constexpr uint8_t kEchoPayloadByte = 0x78;  // 'x'
inline constexpr uint8_t kIcmpEchoReply = 0;
inline constexpr uint8_t kIcmpEchoRequest = 8;

// The RFC 1071 one's-complement checksum: the data as 16-bit words whose
// first byte is the high byte (an odd last byte is the high byte of a last
// word), carries folded back until the sum fits, then complemented.
uint16_t InternetChecksum(std::span<const uint8_t> data);
// Whether data that includes its checksum field verifies: the folded sum is
// 0xFFFF.
bool InternetChecksumVerifies(std::span<const uint8_t> data);

// The 40-byte echo request: type 8, code 0, checksum, the identifier,
// sequence 0 and 32 bytes of 'x'.
std::vector<uint8_t> BuildEchoRequest(uint16_t nIdentifier);

// Whether an ICMP message (without IP header) is the reply to the request:
// type 0, the request's identifier and sequence, a checksum that verifies,
// and exactly the request's payload after the header.
bool IsEchoReplyTo(std::span<const uint8_t> message, std::span<const uint8_t> request);

// The name in DNS label form: the dotted name with a dot appended, each run
// up to a dot as a length byte and its characters, and a final zero byte
// ("abc.de" is 3 a b c 2 d e 0). The name is held in a 100-byte buffer
// first, so only its first 99 characters count.
std::vector<uint8_t> EncodeDnsName(std::string_view name);

// The query for the A record (class IN) of the name: the identifier, flags
// 0x0100 (recursion desired), one question, no other records.
std::vector<uint8_t> BuildDnsQuery(uint16_t nIdentifier, std::string_view name);
