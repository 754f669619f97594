#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "system/UtilityCodes.h"

// What GetFile tells about a member besides its bytes.
struct CArchiveMember {
  std::string m_strName;
  // Windows file attributes as the zip library of the design reported them:
  // 0x80 (normal file) set for a regular file, 0x10 for a folder.
  uint32_t m_dwAttributes = 0;
  bool m_bIsFile = false;
  // The size the archive states for the member (zip entry, tar header);
  // 0 for a gzip file, whose size is known only once it is unpacked.
  uint64_t m_nSize = 0;
};

// Receives a member's bytes while it is unpacked, so that no member is ever
// held whole in memory.
class IArchiveSink {
 public:
  virtual ~IArchiveSink() = default;
  // Called once the member is known, before any byte: false means the sink
  // does not want this member's bytes (GetFile still succeeds).
  virtual bool Begin(const CArchiveMember& member) = 0;
  // Returns false to stop unpacking; GetFile then fails.
  virtual bool Write(const uint8_t* data, size_t size) = 0;
};

// Collects a member in memory, up to a limit (for small members and tests).
class CMemoryArchiveSink : public IArchiveSink {
 public:
  explicit CMemoryArchiveSink(size_t maxBytes = std::numeric_limits<size_t>::max())
      : m_nMaxBytes(maxBytes) {}
  bool Begin(const CArchiveMember&) override { return true; }
  bool Write(const uint8_t* data, size_t size) override;
  std::vector<uint8_t> m_data;

 private:
  size_t m_nMaxBytes;
};

// Reads a zip archive, a gzip-compressed file or a tar archive inside gzip
// compression, one member at a time. Archive paths are Windows paths.
class CArchiveReader {
 public:
  enum : int { kKindNone = 0, kKindZip = 1, kKindGzip = 2, kKindTarGz = 3 };

  CArchiveReader();
  ~CArchiveReader();
  CArchiveReader(const CArchiveReader&) = delete;
  CArchiveReader& operator=(const CArchiveReader&) = delete;

  // 1 when the file is a zip, gzip or tar.gz archive; 0 otherwise, with the
  // last error text set: "Could not determine archive type !" for anything
  // that is neither, "Could not read data from gzip archive !" for a gzip
  // file whose start cannot be unpacked, "Could not get files from the
  // archive !" for a zip whose entries overlap (a zip bomb's trick).
  int Open(std::string_view path);
  // Number of members, or -1 with the last error text set. For a tar.gz the
  // headers are walked from the start while their checksums hold.
  int Count();
  // Unpacks the member at the index into the sink and describes it. 1 on
  // success; 0 on failure with the last error text set (a bad index, damaged
  // or truncated data, a checksum mismatch, or the sink refusing bytes).
  // Bytes already handed to the sink stay there.
  int GetFile(int index, IArchiveSink& sink, CArchiveMember& member);
  const std::string& LastError() const { return m_strLastError; }
  // Releases everything and empties the last error text.
  void Close();
  int Kind() const { return m_nKind; }

  // The is-file rule for a zip entry: a folder is a name ending in "/" or
  // "\", the folder attribute (0x10) in the low byte, or a folder mode in a
  // Unix upper half; a Unix mode of any other non-regular type (link, device,
  // pipe) is not a file either; everything else is a regular file and carries
  // 0x80. Returns the attributes GetFile reports.
  static uint32_t MapZipAttributes(std::string_view name, uint32_t externalAttributes,
                                   uint16_t versionMadeBy);

  // A ustar header: checksum field equal to the unsigned sum of the 512 bytes
  // with the checksum bytes counted as spaces.
  static bool IsValidTarHeader(const uint8_t* header);
  // An octal header field: leading white space skipped, digits up to the
  // first non-octal character or the end of the field.
  static uint64_t ParseTarOctal(const uint8_t* field, size_t length);

 private:
  struct Gzip;
  struct Zip;

  int OpenZip(const std::string& path);
  int OpenGzip(const std::string& path);
  int GetZipFile(int index, IArchiveSink& sink, CArchiveMember& member);
  int GetGzipFile(IArchiveSink& sink, CArchiveMember& member);
  int GetTarFile(int index, IArchiveSink& sink, CArchiveMember& member);
  // Positions the gzip stream at the decompressed offset (forward by
  // reading, backward by rewinding). False on a read error or the limit.
  bool SeekContent(uint64_t offset);
  // Reads up to size bytes at the current position (fewer only at the end);
  // -1 on a read error, truncated or damaged data included.
  long ReadContent(uint8_t* buffer, size_t size);
  // Reads the header at the offset; false at the end of the content.
  bool ReadTarHeader(uint64_t offset, uint8_t* header, bool& readError);

  std::unique_ptr<Gzip> m_gzip;
  std::unique_ptr<Zip> m_zip;
  std::string m_strLastError;
  int m_nKind = kKindNone;
  uint64_t m_nContentPos = 0;   // decompressed offset of the gzip stream
  int m_nTarIndex = 0;           // a header known to be valid, for walking on
  uint64_t m_nTarOffset = 0;
  std::vector<uint8_t> m_buffer;  // one bounded transfer buffer
};

// Limits of the archive extraction operation.
struct CExtractLimits {
  // Bytes kept free on the target's volume: a member may be written only as
  // long as it leaves this much space, so a decompression bomb ends in a
  // failure code before it fills the disk.
  uint64_t m_nFreeSpaceMargin = 64ull << 20;
  // When non-zero, replaces the free-space rule (for tests).
  uint64_t m_nMaxMemberBytes = 0;
};

// The archive extraction operation: writes every file member of the archive
// to the target name in the archive's own folder (the last one remains) and
// returns 0, or utility_codes::kArchiveNoFileMember, utility_codes::kArchiveMemberUnreadable,
// utility_codes::kArchiveOpenFailed, utility_codes::kArchiveTargetFailed. A member is streamed into a
// temporary file beside the target and renamed over it only when complete,
// so a failure leaves the target as it was before.
int ExtractArchive(std::string_view archivePath, std::string_view targetName,
                   const CExtractLimits& limits = CExtractLimits());
