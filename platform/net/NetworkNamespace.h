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

// The environment variable by which whoever starts a program that probes the
// network says that the machine's own network is meant ("1"); for programs
// without a command line, such as the wizard.
inline constexpr char kHostNetworkVariable[] = "VAMO_HOST_NETWORK";

// The guard every program that runs a whole analysis or repair passes first:
// true inside a network namespace made for it (IsPrivateNetworkNamespace),
// and anywhere when bHostNetwork (a command-line switch) is set or the
// environment has VAMO_HOST_NETWORK=1. False means: do not probe.
bool MayProbeNetwork(bool bHostNetwork = false);

}  // namespace platform::net
