#pragma once

#include <optional>
#include <string>

// Digest text of the file a COMPRESSED=TRUE item yields: the wizard unpacks
// the download (zip, gzip, or tar inside gzip) and keeps the last member that
// is a file, so that member's bytes are what it digests. nullopt, with the
// reason in `why`, when the archive cannot be read or holds no file.
std::optional<std::string> DigestOfArchiveMember(const std::string& hostPath, std::string& why);

// FileDigestText for a host file: the release tool works on the host, and
// every host file has a Windows name on drive Z:. -1 for an empty path.
int HostFileDigestText(const std::string& hostPath, std::string& digestText);
