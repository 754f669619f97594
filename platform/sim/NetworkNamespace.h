#pragma once

// Which network the process sees: the Linux side of the network guard
// (platform/net/NetworkGuard.h).
namespace platform::net {

// Whether the process runs in a network namespace that was made for it or
// its ancestors: true when the first process of the machine or one of the
// process's ancestors is in another network namespace. False when every
// ancestor that can be looked at shares the process's namespace, which is
// then taken to be the machine's own network.
bool IsPrivateNetworkNamespace();

}  // namespace platform::net
