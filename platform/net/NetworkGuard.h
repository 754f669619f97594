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

// Windows: where a network made for the program says so. The lab, after it
// has booted a Wine prefix inside its client namespace, writes the client's
// IPv4 address here (REG_SZ under HKEY_LOCAL_MACHINE); the marker counts
// only while an adapter of this machine has that address, so a prefix
// carried out of the namespace no longer passes.
inline constexpr char kLabNetworkKey[] = "SOFTWARE\\VamoSetup\\LabNetwork";
inline constexpr char kLabClientAddressValue[] = "ClientAddress";

// True inside a network made for the program, and anywhere when
// bHostNetwork (a command-line switch) is set or the environment has
// VAMO_HOST_NETWORK=1. False means: do not probe. Windows' release build
// (the Release configuration, what users run) has no guard and is always
// true; test and development builds guard as described.
bool MayProbeNetwork(bool bHostNetwork = false);

}  // namespace platform::net
