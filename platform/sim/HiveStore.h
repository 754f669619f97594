#pragma once

#include <expected>
#include <functional>
#include <memory>
#include <string>

#include "platform/core/Win32Error.h"
#include "platform/sim/Hive.h"

// The hive files of the prefix: registry/machine.reg (HKEY_LOCAL_MACHINE) and
// registry/users.reg (HKEY_USERS).
//
// Readers take no lock: a hive file is only ever replaced by rename, so a
// reader sees the old file or the new one. Writers serialise on an exclusive
// flock of registry/.lock (and a mutex within the process), re-read the hive
// under the lock, apply their change and write a temporary file in the same
// folder, fsync it, rename it over the hive and fsync the folder.
namespace platform::reg {

enum class HiveFile { kMachine, kUsers };

// The hive as it is on disk now; an empty hive when the file does not exist.
// kErrorRegistryCorrupt when the file cannot be parsed, the mapped errno for
// other read failures. Parsed hives are cached by file identity (device,
// inode, size, times), so an unchanged file is not parsed again.
std::expected<std::shared_ptr<const Hive>, Win32Error> ReadHive(HiveFile file);

// A change applied under the lock. It sets `modified` when it changed the
// hive; a change that fails or modifies nothing causes no write.
using HiveChange = std::function<Win32Error(Hive& hive, bool& modified)>;

// Applies the change to the current hive and writes the result back. Returns
// the change's own error, kErrorRegistryCorrupt (the file is left as it is)
// when the current file cannot be parsed, or the I/O error of the write, in
// which case the hive file is untouched.
Win32Error ModifyHive(HiveFile file, const HiveChange& change);

// A transaction of the calling thread: from Begin to the matching End the
// lock is held and every change of this thread goes to a working copy that
// this thread's reads see; End writes each changed hive once. Nested pairs
// join the outer one. End returns the first error of opening or writing
// (kErrorSuccess when nothing was changed). When the lock cannot be taken,
// the changes in between are written one by one instead.
void BeginTransaction();
Win32Error EndTransaction();

// "HKEY_LOCAL_MACHINE" or "HKEY_USERS".
std::string_view HiveRootName(HiveFile file);

}  // namespace platform::reg
