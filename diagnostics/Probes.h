#pragma once

#include <string>

// The connectivity probes of the network analysis: plain functions that take
// addresses as text and answer with small numbers. Each closes its socket and
// frees its resolver results on every way out.

// How long PingHost waits for the matching echo reply.
inline constexpr int kPingReplyWaitMs = 1000;
// How long QueryDns waits for an answer.
inline constexpr int kDnsAnswerWaitMs = 3000;
// How long ConnectTcp waits for each connect: the time Windows' own stack
// gives up after (3 s, 6 s, 12 s of retransmissions), rather than the host's
// default of about two minutes.
inline constexpr int kConnectTimeLimitMs = 21000;

// Sends one 40-byte ICMP echo request to the target (bound to the source
// address when one is given) and waits up to kPingReplyWaitMs for the
// matching reply; other datagrams that arrive meanwhile are read and passed
// over. 0 when the reply came; -1 when it did not, when the addresses are not
// IPv4 texts, or when a socket call failed.
int PingHost(const char* sourceAddress, const char* targetAddress);

// Sends the query for the A record of strQueryName to UDP port 53 of the
// server and waits up to kDnsAnswerWaitMs. 0 when any answer arrived (even an
// error answer), -1 otherwise (no answer, a malformed or empty address, a
// failed socket call).
int QueryDns(const std::string& strServerAddress, const std::string& strQueryName);

// Resolves host and port (any family, stream, TCP) and connects to the
// addresses in turn until one accepts, each within kConnectTimeLimitMs;
// nothing is sent. 1 when connected, else 0 after printing on standard
// output "getaddrinfo failed with error: %d", "socket failed with error: %ld"
// or "Unable to connect to server!".
int ConnectTcp(const std::string& strHost, const std::string& strPort);

// The host name of an IPv4 address; empty when it has none or the text is
// not an IPv4 address.
std::string ReverseLookup(const std::string& strAddress);
