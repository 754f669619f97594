#pragma once

#include <string>

// A network of the test's own. Enter() moves the whole test process into new
// network and mount namespaces (once; it stays there, and CTest runs every
// test in a process of its own): loopback is up, /sys shows the new
// namespace's interfaces, and /etc/resolv.conf and /etc/hosts are files of
// the test, so nothing the code under test does can reach the machine's own
// network or name servers. Needs root; call it before the test starts any
// thread.
namespace network_sandbox {

// True when the process is inside its own network; false when it cannot be
// made (not root, no namespaces), and the caller skips.
bool Enter();
// Whether Enter() has moved the process already.
bool Entered();

// What the code under test reads as /etc/resolv.conf and /etc/hosts.
void SetResolvConf(const std::string& text);
void SetHosts(const std::string& text);

// Runs a shell command (ip, sysctl writes ...) in the sandbox; its exit
// status, or -1.
int Shell(const std::string& command);

// Writes a value under /proc/sys (per-namespace switches such as
// net/ipv4/icmp_echo_ignore_all). False when it cannot be written.
bool WriteSysctl(const std::string& name, const std::string& value);

}  // namespace network_sandbox

// Skips the current test when the sandbox cannot be made.
#define VAMO_REQUIRE_NETWORK_SANDBOX()                                                   \
  do {                                                                                   \
    if (!network_sandbox::Enter()) GTEST_SKIP() << "needs root for a network namespace"; \
  } while (false)
