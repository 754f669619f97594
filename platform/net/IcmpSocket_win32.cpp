#include "platform/net/IcmpSocket.h"

#include "platform/net/Sockaddr_win32.h"
// After winsock2.h: the ICMP declarations use its address types.
#include <iphlpapi.h>
#include <icmpapi.h>

#include <cstring>
#include <utility>

// Windows Vista's call with a source address; iphlpapi exports it, the
// mingw-w64 header leaves it out.
extern "C" __declspec(dllimport) DWORD WINAPI IcmpSendEcho2Ex(HANDLE hIcmp, HANDLE hEvent, void* pApcRoutine,
                                                              void* pApcContext, IPAddr source, IPAddr destination,
                                                              void* pRequestData, WORD nRequestSize,
                                                              PIP_OPTION_INFORMATION pOptions, void* pReplyBuffer,
                                                              DWORD nReplySize, DWORD nTimeoutMs);

namespace platform::net {

namespace {

constexpr uint8_t kEchoRequestType = 8;
constexpr size_t kEchoHeaderSize = 8;
// How long the echo service itself waits for a reply; the caller's own
// wait (WaitReadable) is what ends the probe, this only bounds the request.
constexpr DWORD kEchoServiceWaitMs = 10000;
// Room for one reply: the record, the echoed data, 8 bytes for an ICMP
// error and the IO_STATUS_BLOCK the service keeps at the end.
constexpr size_t kReplyRoom = sizeof(ICMP_ECHO_REPLY) + 1500 + 8 + 16;

// The echo service of iphlpapi with one request in flight at a time.
struct EchoService {
  HANDLE hIcmp = INVALID_HANDLE_VALUE;
  HANDLE hEvent = nullptr;
  IPAddr source = 0;
  bool bPending = false;
  std::vector<uint8_t> request;  // the caller's message, for the reply's header
  std::vector<uint8_t> reply = std::vector<uint8_t>(kReplyRoom);

  ~EchoService() {
    // A request in flight writes into `reply` until it completes or is
    // abandoned with the handle; the handle goes first.
    if (hIcmp != INVALID_HANDLE_VALUE) ::IcmpCloseHandle(hIcmp);
    if (bPending && hEvent != nullptr) ::WaitForSingleObject(hEvent, kEchoServiceWaitMs);
    if (hEvent != nullptr) ::CloseHandle(hEvent);
  }
};

EchoService& Service(const std::shared_ptr<void>& pointer) { return *static_cast<EchoService*>(pointer.get()); }

// The echo reply a raw socket would have read for `request`: its header with
// type 0 and the checksum moved by exactly that change (the type is the
// high byte of the first word), then the data that came back. A reply whose
// data differs from the request's then fails the caller's checks, as it
// would have on a raw socket.
std::vector<uint8_t> EchoReplyFor(const std::vector<uint8_t>& request, const uint8_t* data, size_t nDataSize) {
  std::vector<uint8_t> message(request.begin(), request.begin() + kEchoHeaderSize);
  message[0] = 0;
  uint32_t sum = static_cast<uint32_t>(message[2] << 8 | message[3]) + (static_cast<uint32_t>(kEchoRequestType) << 8);
  while ((sum >> 16) != 0) sum = (sum & 0xFFFF) + (sum >> 16);
  message[2] = static_cast<uint8_t>(sum >> 8);
  message[3] = static_cast<uint8_t>(sum & 0xFF);
  message.insert(message.end(), data, data + nDataSize);
  return message;
}

std::expected<std::shared_ptr<void>, Win32Error> OpenEchoService(const std::optional<SocketAddress>& source) {
  auto service = std::make_shared<EchoService>();
  service->hIcmp = ::IcmpCreateFile();
  if (service->hIcmp == INVALID_HANDLE_VALUE) return std::unexpected(static_cast<Win32Error>(::GetLastError()));
  // Manual reset: WaitReadable may be asked again before the read.
  service->hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (service->hEvent == nullptr) return std::unexpected(static_cast<Win32Error>(::GetLastError()));
  if (source) std::memcpy(&service->source, source->bytes.data(), 4);
  return std::shared_ptr<void>(std::move(service));
}

}  // namespace

IcmpSocket::~IcmpSocket() { Close(); }

IcmpSocket::IcmpSocket(IcmpSocket&& other) noexcept
    : m_socket(std::exchange(other.m_socket, kNoNativeSocket)),
      m_pEchoService(std::move(other.m_pEchoService)),
      m_bRaw(other.m_bRaw),
      m_nIdentifier(other.m_nIdentifier) {}

IcmpSocket& IcmpSocket::operator=(IcmpSocket&& other) noexcept {
  if (this != &other) {
    Close();
    m_socket = std::exchange(other.m_socket, kNoNativeSocket);
    m_pEchoService = std::move(other.m_pEchoService);
    m_bRaw = other.m_bRaw;
    m_nIdentifier = other.m_nIdentifier;
  }
  return *this;
}

void IcmpSocket::Close() {
  if (m_socket != kNoNativeSocket) ::closesocket(static_cast<SOCKET>(m_socket));
  m_socket = kNoNativeSocket;
  m_pEchoService.reset();
}

std::expected<IcmpSocket, Win32Error> IcmpSocket::Open(const char* sourceAddress, uint16_t nIdentifier) {
  std::optional<SocketAddress> source;
  if (sourceAddress != nullptr) {
    source = ParseIpv4(sourceAddress);
    if (!source) return std::unexpected(kWsaEinval);
  }
  IcmpSocket result;
  result.m_nIdentifier = nIdentifier;
  const SOCKET handle =
      ::WSASocketW(AF_INET, SOCK_RAW, IPPROTO_ICMP, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (handle == INVALID_SOCKET) {
    const Win32Error error = LastSocketError();
    // A standard user may not open raw sockets; the echo service needs no
    // privilege and sends the request with the caller's identifier.
    if (error != kWsaEacces) return std::unexpected(error);
    std::expected<std::shared_ptr<void>, Win32Error> service = OpenEchoService(source);
    if (!service) return std::unexpected(service.error());
    result.m_pEchoService = std::move(*service);
    return result;
  }
  result.m_socket = static_cast<NativeSocket>(handle);
  result.m_bRaw = true;
  if (source) {
    SOCKADDR_STORAGE storage{};
    const int length = ToSockaddr(*source, storage);
    if (::bind(handle, reinterpret_cast<const SOCKADDR*>(&storage), length) != 0) {
      return std::unexpected(LastSocketError());
    }
  }
  return result;
}

Win32Error IcmpSocket::SendTo(std::span<const uint8_t> message, const SocketAddress& target) {
  if (target.family != kAfInet) return kWsaEafnosupport;
  if (m_pEchoService) {
    EchoService& service = Service(m_pEchoService);
    if (message.size() < kEchoHeaderSize || message[0] != kEchoRequestType) return kWsaEinval;
    if (service.bPending) return kWsaEinprogress;
    service.request.assign(message.begin(), message.end());
    IPAddr destination = 0;
    std::memcpy(&destination, target.bytes.data(), 4);
    ::ResetEvent(service.hEvent);
    const std::span<const uint8_t> data = message.subspan(kEchoHeaderSize);
    const DWORD rc = ::IcmpSendEcho2Ex(service.hIcmp, service.hEvent, nullptr, nullptr, service.source, destination,
                                       const_cast<uint8_t*>(data.data()), static_cast<WORD>(data.size()), nullptr,
                                       service.reply.data(), static_cast<DWORD>(service.reply.size()),
                                       kEchoServiceWaitMs);
    if (rc == 0 && ::GetLastError() != ERROR_IO_PENDING) return static_cast<Win32Error>(::GetLastError());
    service.bPending = true;
    return kErrorSuccess;
  }
  if (m_socket == kNoNativeSocket) return kWsaEnotsock;
  SOCKADDR_STORAGE storage{};
  const int length = ToSockaddr(target, storage);
  const int sent = ::sendto(static_cast<SOCKET>(m_socket), reinterpret_cast<const char*>(message.data()),
                            static_cast<int>(message.size()), 0, reinterpret_cast<const SOCKADDR*>(&storage), length);
  if (sent == SOCKET_ERROR) return LastSocketError();
  return static_cast<size_t>(sent) == message.size() ? kErrorSuccess : kWsaEmsgsize;
}

std::expected<bool, Win32Error> IcmpSocket::WaitReadable(int nTimeoutMs) const {
  if (m_pEchoService) {
    const EchoService& service = Service(m_pEchoService);
    if (!service.bPending) return false;
    const DWORD rc = ::WaitForSingleObject(service.hEvent, nTimeoutMs < 0 ? 0 : static_cast<DWORD>(nTimeoutMs));
    if (rc == WAIT_FAILED) return std::unexpected(static_cast<Win32Error>(::GetLastError()));
    return rc == WAIT_OBJECT_0;
  }
  if (m_socket == kNoNativeSocket) return std::unexpected(kWsaEnotsock);
  const int ready = SelectFor(static_cast<SOCKET>(m_socket), false, nTimeoutMs);
  if (ready < 0) return std::unexpected(LastSocketError());
  return ready > 0;
}

std::expected<std::vector<uint8_t>, Win32Error> IcmpSocket::ReceiveMessage(size_t nMaxBytes) {
  if (m_pEchoService) {
    EchoService& service = Service(m_pEchoService);
    if (!service.bPending || ::WaitForSingleObject(service.hEvent, 0) != WAIT_OBJECT_0) {
      return std::unexpected(kWsaEwouldblock);
    }
    service.bPending = false;
    ::ResetEvent(service.hEvent);
    if (::IcmpParseReplies(service.reply.data(), static_cast<DWORD>(service.reply.size())) == 0) {
      return std::vector<uint8_t>{};
    }
    const auto* reply = reinterpret_cast<const ICMP_ECHO_REPLY*>(service.reply.data());
    // Only an echo reply stands for a message; an unreachable or expired
    // answer is an ICMP error the caller would skip anyway.
    if (reply->Status != IP_SUCCESS) return std::vector<uint8_t>{};
    std::vector<uint8_t> message =
        EchoReplyFor(service.request, static_cast<const uint8_t*>(reply->Data), reply->DataSize);
    if (message.size() > nMaxBytes) message.resize(nMaxBytes);
    return message;
  }
  if (m_socket == kNoNativeSocket) return std::unexpected(kWsaEnotsock);
  std::vector<uint8_t> buffer(nMaxBytes);
  const int received =
      ::recv(static_cast<SOCKET>(m_socket), reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0);
  if (received == SOCKET_ERROR && LastSocketError() != kWsaEmsgsize) return std::unexpected(LastSocketError());
  if (received != SOCKET_ERROR) buffer.resize(static_cast<size_t>(received));
  // A raw socket hands over the IP header too; its length is in the header.
  const size_t headerLength = buffer.empty() ? 0 : static_cast<size_t>(buffer[0] & 0x0F) * 4;
  if (headerLength < 20 || headerLength > buffer.size()) return std::vector<uint8_t>{};
  buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(headerLength));
  return buffer;
}

}  // namespace platform::net
