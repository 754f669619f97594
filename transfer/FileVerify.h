#pragma once

#include <cstddef>
#include <string>

class IReportSink;
class MessageDigest;

namespace platform::fs {
class FileStream;
}

// Digest text of a file: base64 of its SHA-512 digest without line breaks
// (88 characters ending in "=="). The file is read in 64 KiB blocks, so
// memory use does not grow with its size.
//
// Returns 0 and fills `digestText`, -1 when the file (Windows path) cannot
// be opened or read, or the MessageDigest code (-9401, -9402, -9403).
// `digestText` is left empty on failure.
int FileDigestText(const std::string& path, std::string& digestText);

// The digest text of a finished SHA-512 digest.
std::string DigestText(const MessageDigest& digest);

// The digest text of bytes in memory. Returns 0, or the MessageDigest code
// with `digestText` left empty.
int BytesDigestText(const void* bytes, size_t length, std::string& digestText);

// Compares the file's digest text with `expected`, exactly (case and every
// character count; only the computed text loses its line feeds). 0 when
// they agree; -1 when the file cannot be opened or read or the texts
// differ; -9401, -9402 or -9403 when the digest fails. Each failure writes a
// trace line and a report line (report may be null). The file is left in
// place whatever the outcome.
int FileVerify(const std::string& path, const std::string& expected, IReportSink* report);
// The same for a file the caller holds open (`path` only names it in the
// lines): it is read from its start, and the caller can go on to use exactly
// the bytes that were checked. A stream that is not open counts as a file
// that cannot be opened.
int FileVerify(platform::fs::FileStream& file, const std::string& path, const std::string& expected,
               IReportSink* report);
