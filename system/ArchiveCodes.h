#pragma once

// Results of the archive extraction operation. They share the number range of
// the file operations' codes and, like them, stay in item results and trace
// lines.
inline constexpr int kArchiveNoFileMember = -9035;  // no file member, or the count failed
inline constexpr int kArchiveMemberUnreadable = -9036;  // a file member could not be read or unpacked
inline constexpr int kArchiveOpenFailed = -9037;  // not a zip, gzip or tar.gz we can read
inline constexpr int kArchiveTargetFailed = -9038;  // the target file could not be created or written
