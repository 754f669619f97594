#pragma once

// Which network the process sees. Tools that probe the network (pings, DNS
// queries, connects) use this to refuse to run against the machine's own
// network unless told to.
namespace platform::net {

// Whether the process runs in a network namespace that was made for it or
// its ancestors: true when the first process of the machine or one of the
// process's ancestors is in another network namespace. False when every
// ancestor that can be looked at shares the process's namespace, which is
// then taken to be the machine's own network.
bool IsPrivateNetworkNamespace();

}  // namespace platform::net
