#include "diagnostics/ProbePackets.h"

#include <algorithm>
#include <string>

namespace {

constexpr size_t kDnsNameBuffer = 100;
constexpr uint16_t kDnsFlagsRecursionDesired = 0x0100;
constexpr uint16_t kDnsTypeA = 1;
constexpr uint16_t kDnsClassIn = 1;

uint32_t FoldedSum(std::span<const uint8_t> data) {
  uint32_t sum = 0;
  size_t i = 0;
  for (; i + 1 < data.size(); i += 2) sum += static_cast<uint32_t>(data[i] << 8 | data[i + 1]);
  if (i < data.size()) sum += static_cast<uint32_t>(data[i] << 8);
  while ((sum >> 16) != 0) sum = (sum & 0xFFFF) + (sum >> 16);
  return sum;
}

void Put16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value & 0xFF));
}

uint16_t Get16(std::span<const uint8_t> data, size_t at) { return static_cast<uint16_t>(data[at] << 8 | data[at + 1]); }

}  // namespace

uint16_t InternetChecksum(std::span<const uint8_t> data) { return static_cast<uint16_t>(~FoldedSum(data) & 0xFFFF); }

bool InternetChecksumVerifies(std::span<const uint8_t> data) { return FoldedSum(data) == 0xFFFF; }

std::vector<uint8_t> BuildEchoRequest(uint16_t nIdentifier) {
  std::vector<uint8_t> request;
  request.reserve(kEchoRequestSize);
  request.push_back(kIcmpEchoRequest);
  request.push_back(0);  // code
  Put16(request, 0);     // checksum, filled in below
  Put16(request, nIdentifier);
  Put16(request, 0);  // sequence
  request.insert(request.end(), kEchoPayloadSize, kEchoPayloadByte);
  const uint16_t checksum = InternetChecksum(request);
  request[2] = static_cast<uint8_t>(checksum >> 8);
  request[3] = static_cast<uint8_t>(checksum & 0xFF);
  return request;
}

bool IsEchoReplyTo(std::span<const uint8_t> message, std::span<const uint8_t> request) {
  if (message.size() < kEchoHeaderSize || request.size() < kEchoHeaderSize) return false;
  if (message[0] != kIcmpEchoReply) return false;
  if (Get16(message, 4) != Get16(request, 4) || Get16(message, 6) != Get16(request, 6)) return false;
  if (!InternetChecksumVerifies(message)) return false;
  return std::ranges::equal(message.subspan(kEchoHeaderSize), request.subspan(kEchoHeaderSize));
}

std::vector<uint8_t> EncodeDnsName(std::string_view name) {
  std::string dotted(name.substr(0, kDnsNameBuffer - 1));
  dotted += '.';
  std::vector<uint8_t> encoded;
  size_t start = 0;
  while (start < dotted.size()) {
    const size_t dot = dotted.find('.', start);
    encoded.push_back(static_cast<uint8_t>(dot - start));
    encoded.insert(encoded.end(), dotted.begin() + static_cast<std::ptrdiff_t>(start),
                   dotted.begin() + static_cast<std::ptrdiff_t>(dot));
    start = dot + 1;
  }
  encoded.push_back(0);
  return encoded;
}

std::vector<uint8_t> BuildDnsQuery(uint16_t nIdentifier, std::string_view name) {
  std::vector<uint8_t> query;
  Put16(query, nIdentifier);
  Put16(query, kDnsFlagsRecursionDesired);
  Put16(query, 1);  // questions
  Put16(query, 0);  // answers
  Put16(query, 0);  // authority records
  Put16(query, 0);  // additional records
  const std::vector<uint8_t> encoded = EncodeDnsName(name);
  query.insert(query.end(), encoded.begin(), encoded.end());
  Put16(query, kDnsTypeA);
  Put16(query, kDnsClassIn);
  return query;
}
