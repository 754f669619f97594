#pragma once

// The guard every program that runs a whole analysis or repair passes before
// it probes the network (pings, DNS queries, connects): tests and
// demonstrations must never probe the machine's own network, only one made
// for them.
namespace platform::net {

// The environment variable by which whoever starts a program that probes the
// network says that the machine's own network is meant ("1"); for programs
// without a command line, such as the wizard.
inline constexpr char kHostNetworkVariable[] = "VAMO_HOST_NETWORK";

// True inside a network made for the program, and anywhere when
// bHostNetwork (a command-line switch) is set or the environment has
// VAMO_HOST_NETWORK=1. False means: do not probe.
bool MayProbeNetwork(bool bHostNetwork = false);

}  // namespace platform::net
