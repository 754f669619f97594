#include "platform/sim/NetConfigText.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/text/Utf.h"

namespace platform::net {

namespace {

// ARPHRD_* hardware types of the links Windows has a type number for.
constexpr uint32_t kArphrdEther = 1;
constexpr uint32_t kArphrdIeee802 = 6;
constexpr uint32_t kArphrdSlip = 256;
constexpr uint32_t kArphrdCslip = 257;
constexpr uint32_t kArphrdSlip6 = 258;
constexpr uint32_t kArphrdCslip6 = 259;
constexpr uint32_t kArphrdPpp = 512;
constexpr uint32_t kArphrdLoopback = 772;
constexpr uint32_t kArphrdFddi = 774;
constexpr uint32_t kArphrdIeee802Tr = 800;

constexpr uint32_t kRouteUp = 0x0001;       // RTF_UP
constexpr uint32_t kRouteGateway = 0x0002;  // RTF_GATEWAY
constexpr uint32_t kRouteReject = 0x0200;   // RTF_REJECT

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    size_t end = at;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    if (end > at) words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

std::string_view StripComment(std::string_view line, std::string_view markers) {
  const size_t at = line.find_first_of(markers);
  return at == std::string_view::npos ? line : line.substr(0, at);
}

// Four decimal parts of 0-255, nothing else: the form Windows lists.
bool IsDottedIpv4(std::string_view text) {
  int parts = 0;
  size_t at = 0;
  while (parts < 4) {
    size_t digits = 0;
    unsigned value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 3) {
      value = value * 10 + static_cast<unsigned>(text[at] - '0');
      ++at;
      ++digits;
    }
    if (digits == 0 || value > 255) return false;
    ++parts;
    if (parts < 4) {
      if (at >= text.size() || text[at] != '.') return false;
      ++at;
    }
  }
  return at == text.size();
}

bool ParseHex32(std::string_view text, uint32_t& value) {
  if (text.empty() || text.size() > 8) return false;
  value = 0;
  for (char c : text) {
    uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      return false;
    }
    value = value << 4 | digit;
  }
  return true;
}

bool ParseDecimal(std::string_view text, int64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

// A dhclient time: "epoch 1704362400" or "<weekday> 2024/01/04 10:00:00"
// (UTC). 0 for "never" and anything unreadable.
int64_t ParseLeaseTime(const std::vector<std::string_view>& words) {
  if (words.size() >= 3 && words[1] == "epoch") {
    int64_t value = 0;
    return ParseDecimal(words[2], value) ? value : 0;
  }
  if (words.size() < 4) return 0;
  const std::string date(words[2]);
  const std::string time(words[3]);
  int year = 0;
  unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (std::sscanf(date.c_str(), "%d/%u/%u", &year, &month, &day) != 3) return 0;
  if (std::sscanf(time.c_str(), "%u:%u:%u", &hour, &minute, &second) != 3) return 0;
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return 0;
  return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

std::string_view Unquote(std::string_view text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  return text;
}

// "a, b, c" after an option name, as separate addresses.
std::vector<std::string> AddressList(const std::vector<std::string_view>& words, size_t from) {
  std::vector<std::string> list;
  for (size_t i = from; i < words.size(); ++i) {
    std::string_view word = words[i];
    size_t start = 0;
    while (start <= word.size()) {
      size_t comma = word.find(',', start);
      if (comma == std::string_view::npos) comma = word.size();
      std::string_view part = word.substr(start, comma - start);
      if (IsDottedIpv4(part)) list.emplace_back(part);
      start = comma + 1;
    }
  }
  return list;
}

}  // namespace

std::vector<std::string> ParseResolvConfServers(std::string_view text) {
  std::vector<std::string> servers;
  for (std::string_view line : Lines(text)) {
    const std::vector<std::string_view> words = Words(StripComment(line, "#;"));
    if (words.size() >= 2 && words[0] == "nameserver" && IsDottedIpv4(words[1])) servers.emplace_back(words[1]);
  }
  return servers;
}

std::string ParseResolvConfDomain(std::string_view text) {
  std::string domain;
  for (std::string_view line : Lines(text)) {
    const std::vector<std::string_view> words = Words(StripComment(line, "#;"));
    if (words.size() >= 2 && (words[0] == "domain" || words[0] == "search")) domain = words[1];
  }
  return domain;
}

bool NsswitchUsesDns(std::string_view text) {
  for (std::string_view line : Lines(text)) {
    const std::vector<std::string_view> words = Words(StripComment(line, "#"));
    if (words.empty() || words[0] != "hosts:") continue;
    for (size_t i = 1; i < words.size(); ++i) {
      if (words[i] == "dns") return true;
    }
    return false;
  }
  return false;
}

std::vector<RouteEntry> ParseRouteTable(std::string_view text) {
  std::vector<RouteEntry> routes;
  bool header = true;
  for (std::string_view line : Lines(text)) {
    if (header) {
      header = false;
      continue;
    }
    // Iface Destination Gateway Flags RefCnt Use Metric Mask MTU Window IRTT
    const std::vector<std::string_view> words = Words(line);
    if (words.size() < 8) continue;
    RouteEntry entry;
    entry.strInterface = words[0];
    int64_t metric = 0;
    if (!ParseHex32(words[1], entry.destination) || !ParseHex32(words[2], entry.gateway) ||
        !ParseHex32(words[3], entry.flags) || !ParseDecimal(words[6], metric) || !ParseHex32(words[7], entry.mask) ||
        metric > std::numeric_limits<uint32_t>::max()) {
      continue;
    }
    entry.metric = static_cast<uint32_t>(metric);
    // The kernel prints each address as the 32-bit number it holds in
    // memory, so the parsed number, kept in the host's byte order, is the
    // address in network order again.
    routes.push_back(std::move(entry));
  }
  return routes;
}

std::string DefaultGateway(const std::vector<RouteEntry>& routes, std::string_view interfaceName) {
  const RouteEntry* best = nullptr;
  for (const RouteEntry& route : routes) {
    if (route.strInterface != interfaceName || route.destination != 0 || route.mask != 0) continue;
    if ((route.flags & (kRouteUp | kRouteGateway)) != (kRouteUp | kRouteGateway)) continue;
    if ((route.flags & kRouteReject) != 0 || route.gateway == 0) continue;
    if (best == nullptr || route.metric < best->metric) best = &route;
  }
  return best == nullptr ? std::string(kNoAddress) : Ipv4Text(best->gateway);
}

std::string Ipv4Text(uint32_t networkOrder) {
  uint8_t bytes[4];
  std::memcpy(bytes, &networkOrder, 4);
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
  return text;
}

std::string PrefixMaskText(unsigned prefixLength) {
  if (prefixLength > 32) prefixLength = 32;
  const uint32_t mask = prefixLength == 0 ? 0 : 0xFFFFFFFFu << (32 - prefixLength);
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", mask >> 24, (mask >> 16) & 0xFF, (mask >> 8) & 0xFF, mask & 0xFF);
  return text;
}

std::optional<DhcpLease> ParseDhclientLeases(std::string_view text, std::string_view interfaceName) {
  std::optional<DhcpLease> found;
  DhcpLease current;
  std::string strInterface;
  int64_t leaseTime = 0;
  bool inLease = false;
  for (std::string_view line : Lines(text)) {
    std::string_view statement = StripComment(line, "#");
    while (!statement.empty() && (IsBlank(statement.back()) || statement.back() == ';')) statement.remove_suffix(1);
    const std::vector<std::string_view> words = Words(statement);
    if (words.empty()) continue;
    if (!inLease) {
      if (words[0] == "lease" && words.back() == "{") {
        inLease = true;
        current = DhcpLease{};
        strInterface.clear();
        leaseTime = 0;
      }
      continue;
    }
    if (words[0] == "}") {
      inLease = false;
      if ((strInterface.empty() || strInterface == interfaceName) && !current.strAddress.empty()) {
        if (current.expires != 0 && leaseTime > 0) current.obtained = current.expires - leaseTime;
        found = current;
      }
      continue;
    }
    if (words[0] == "interface" && words.size() >= 2) {
      strInterface = Unquote(words[1]);
    } else if (words[0] == "fixed-address" && words.size() >= 2 && IsDottedIpv4(words[1])) {
      current.strAddress = words[1];
    } else if (words[0] == "expire") {
      current.expires = ParseLeaseTime(words);
    } else if (words[0] == "option" && words.size() >= 3) {
      const std::string_view option = words[1];
      if (option == "subnet-mask" && IsDottedIpv4(words[2])) {
        current.strMask = words[2];
      } else if (option == "dhcp-server-identifier" && IsDottedIpv4(words[2])) {
        current.strServer = words[2];
      } else if (option == "dhcp-lease-time") {
        ParseDecimal(words[2], leaseTime);
      } else if (option == "netbios-name-servers") {
        const std::vector<std::string> wins = AddressList(words, 2);
        if (!wins.empty()) current.strPrimaryWins = wins[0];
        if (wins.size() > 1) current.strSecondaryWins = wins[1];
      }
    }
  }
  return found;
}

std::optional<DhcpLease> ParseNetworkdLease(std::string_view text, int64_t fileTime) {
  DhcpLease lease;
  int64_t lifetime = 0;
  for (std::string_view line : Lines(text)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, equals);
    const std::string_view value = line.substr(equals + 1);
    if (key == "ADDRESS" && IsDottedIpv4(value)) lease.strAddress = value;
    if (key == "NETMASK" && IsDottedIpv4(value)) lease.strMask = value;
    if (key == "SERVER_ADDRESS" && IsDottedIpv4(value)) lease.strServer = value;
    if (key == "LIFETIME") ParseDecimal(value, lifetime);
  }
  if (lease.strAddress.empty()) return std::nullopt;
  lease.obtained = fileTime;
  if (fileTime != 0 && lifetime > 0) lease.expires = fileTime + lifetime;
  return lease;
}

uint32_t InterfaceTypeFromHardware(uint32_t arphrd, bool bWireless) {
  switch (arphrd) {
    case kArphrdEther: return bWireless ? kIfTypeIeee80211 : kIfTypeEthernet;
    case kArphrdIeee802:
    case kArphrdIeee802Tr: return kIfTypeTokenRing;
    case kArphrdFddi: return kIfTypeFddi;
    case kArphrdPpp: return kIfTypePpp;
    case kArphrdLoopback: return kIfTypeLoopback;
    case kArphrdSlip:
    case kArphrdCslip:
    case kArphrdSlip6:
    case kArphrdCslip6: return kIfTypeSlip;
    default: return kIfTypeOther;
  }
}

}  // namespace platform::net
