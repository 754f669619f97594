#include "system/ArchiveReader.h"

#include <unzip.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/fs/FileStream.h"
#include "platform/fs/Path.h"
#include "system/ArchiveInput.h"
#include "system/GzipStream.h"
#include "system/Trace.h"

namespace {

constexpr char kErrNotOpened[] = "Archive not opened";
constexpr char kErrArchiveType[] = "Could not determine archive type !";
constexpr char kErrGzipRead[] = "Could not read data from gzip archive !";
constexpr char kErrZipFiles[] = "Could not get files from the archive !";
constexpr char kErrZipPosition[] = "Could not get file at the specified position from the archive !";
constexpr char kErrZipUnzip[] = "Could not unzip file at the specified position from the archive !";
constexpr char kErrPosition[] = "Invalid file position !";
constexpr char kErrSink[] = "Could not write the unpacked data !";

constexpr size_t kTarBlock = 512;
constexpr size_t kTransferBytes = 256 * 1024;

constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrNormal = 0x80;
constexpr uint32_t kUnixTypeMask = 0170000;
constexpr uint32_t kUnixDirectory = 0040000;
constexpr uint32_t kUnixRegular = 0100000;
constexpr uint16_t kHostUnix = 3;

uint64_t RoundUpToBlock(uint64_t size) { return (size + kTarBlock - 1) / kTarBlock * kTarBlock; }

// The zip library's file functions, over the archive input its opaque
// pointer names: it opens the archive by its Windows name, reads, seeks and
// closes through it, and never writes.
voidpf ZCALLBACK ZipOpen(voidpf opaque, const void* path, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ || path == nullptr) return nullptr;
  auto* input = static_cast<CArchiveInput*>(opaque);
  return input->Open(static_cast<const char*>(path)) ? input : nullptr;
}

uLong ZCALLBACK ZipRead(voidpf, voidpf stream, void* buffer, uLong size) {
  auto got = static_cast<CArchiveInput*>(stream)->Read(static_cast<uint8_t*>(buffer), size);
  return got ? static_cast<uLong>(*got) : 0;
}

uLong ZCALLBACK ZipWrite(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK ZipTell(voidpf, voidpf stream) { return static_cast<CArchiveInput*>(stream)->Tell(); }

long ZCALLBACK ZipSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* input = static_cast<CArchiveInput*>(stream);
  uint64_t base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = input->Tell(); break;
    case ZLIB_FILEFUNC_SEEK_END: {
      auto size = input->Size();
      if (!size) return -1;
      base = *size;
      break;
    }
    default: return -1;
  }
  if (offset > UINT64_MAX - base) return -1;
  input->Seek(base + offset);
  return 0;
}

int ZCALLBACK ZipClose(voidpf, voidpf stream) {
  static_cast<CArchiveInput*>(stream)->Close();
  return 0;
}

int ZCALLBACK ZipError(voidpf, voidpf stream) { return static_cast<CArchiveInput*>(stream)->Failed() ? 1 : 0; }

}  // namespace

struct CArchiveReader::Gzip {
  CGzipStream stream;
};

struct CArchiveReader::Zip {
  CArchiveInput input;  // outlives the library's handle, which reads through it
  unzFile file = nullptr;
  int current = -1;  // entry the library is positioned at, -1 before the first
  ~Zip() {
    if (file != nullptr) unzClose(file);
  }
};

bool CMemoryArchiveSink::Write(const uint8_t* data, size_t size) {
  if (size > m_nMaxBytes - m_data.size()) return false;
  m_data.insert(m_data.end(), data, data + size);
  return true;
}

CArchiveReader::CArchiveReader() = default;
CArchiveReader::~CArchiveReader() = default;

uint32_t CArchiveReader::MapZipAttributes(std::string_view name, uint32_t externalAttributes,
                                          uint16_t versionMadeBy) {
  bool isDirectory = (!name.empty() && (name.back() == '/' || name.back() == '\\')) ||
                     (externalAttributes & kAttrDirectory) != 0;
  bool isOtherType = false;
  uint32_t mode = externalAttributes >> 16;
  // Only a Unix-made entry defines the upper half; Windows tools leave it 0,
  // but some write a mode there too, so a folder mode counts from any host.
  if ((mode & kUnixTypeMask) == kUnixDirectory) isDirectory = true;
  if ((versionMadeBy >> 8) == kHostUnix && (mode & kUnixTypeMask) != 0 &&
      (mode & kUnixTypeMask) != kUnixRegular && (mode & kUnixTypeMask) != kUnixDirectory) {
    isOtherType = true;
  }
  uint32_t attributes = externalAttributes & 0xFF & ~kAttrNormal;
  if (isDirectory) return attributes | kAttrDirectory;
  if (isOtherType) return attributes;
  return attributes | kAttrNormal;
}

uint64_t CArchiveReader::ParseTarOctal(const uint8_t* field, size_t length) {
  size_t i = 0;
  while (i < length && (field[i] == ' ' || field[i] == '\t' || field[i] == '\n' ||
                        field[i] == '\r' || field[i] == '\v' || field[i] == '\f')) {
    ++i;
  }
  uint64_t value = 0;
  for (; i < length && field[i] >= '0' && field[i] <= '7'; ++i) value = value * 8 + (field[i] - '0');
  return value;
}

bool CArchiveReader::IsValidTarHeader(const uint8_t* header) {
  uint64_t sum = 0;
  for (size_t i = 0; i < kTarBlock; ++i) sum += (i >= 148 && i < 156) ? 32u : header[i];
  return ParseTarOctal(header + 148, 8) == sum;
}

int CArchiveReader::Open(std::string_view path) {
  Close();
  std::string windowsPath(path);  // the zip library wants it NUL-terminated
  if (OpenZip(windowsPath)) return 1;
  if (!m_strLastError.empty()) return 0;  // a zip, but a hostile one
  return OpenGzip(windowsPath);
}

int CArchiveReader::OpenZip(const std::string& path) {
  auto zip = std::make_unique<Zip>();
  zlib_filefunc64_def functions{ZipOpen, ZipRead, ZipWrite, ZipTell, ZipSeek, ZipClose, ZipError, &zip->input};
  zip->file = unzOpen2_64(path.c_str(), &functions);
  if (zip->file == nullptr) return 0;

  // Entries whose data ranges overlap make a few kilobytes unpack to
  // gigabytes; no tool that writes zips produces them.
  std::vector<std::pair<uint64_t, uint64_t>> ranges;
  for (int rc = unzGoToFirstFile(zip->file); rc == UNZ_OK; rc = unzGoToNextFile(zip->file)) {
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(zip->file, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) break;
    if (info.compressed_size == 0) continue;
    int method = 0, level = 0;
    if (unzOpenCurrentFile2(zip->file, &method, &level, 1) != UNZ_OK) continue;
    uint64_t start = unzGetCurrentFileZStreamPos64(zip->file);
    unzCloseCurrentFile(zip->file);
    ranges.emplace_back(start, start + info.compressed_size);
  }
  std::sort(ranges.begin(), ranges.end());
  for (size_t i = 1; i < ranges.size(); ++i) {
    if (ranges[i].first < ranges[i - 1].second) {
      m_strLastError = kErrZipFiles;
      return 0;
    }
  }
  m_zip = std::move(zip);
  m_nKind = kKindZip;
  return 1;
}

int CArchiveReader::OpenGzip(const std::string& path) {
  // Only a file that starts with the gzip magic is a gzip archive here.
  platform::fs::FileStream probe;
  uint8_t magic[2] = {0, 0};
  if (probe.Open(path, platform::fs::FileMode::kRead) != platform::kErrorSuccess) {
    m_strLastError = kErrArchiveType;
    return 0;
  }
  auto got = probe.Read(magic);
  probe.Close();
  if (!got || *got != 2 || magic[0] != 0x1F || magic[1] != 0x8B) {
    m_strLastError = kErrArchiveType;
    return 0;
  }

  auto gzip = std::make_unique<Gzip>();
  if (!gzip->stream.Open(path)) {
    m_strLastError = kErrArchiveType;
    return 0;
  }
  m_gzip = std::move(gzip);
  m_nContentPos = 0;

  uint8_t header[kTarBlock];
  long n = ReadContent(header, sizeof header);
  if (n < 0) {
    m_gzip.reset();
    m_strLastError = kErrGzipRead;
    return 0;
  }
  m_nKind = (n == static_cast<long>(kTarBlock) && IsValidTarHeader(header)) ? kKindTarGz : kKindGzip;
  m_nTarIndex = 0;
  m_nTarOffset = 0;
  return 1;
}

long CArchiveReader::ReadContent(uint8_t* buffer, size_t size) {
  int64_t n = m_gzip->stream.Read(buffer, size);
  if (n < 0) return -1;
  m_nContentPos += static_cast<uint64_t>(n);
  return static_cast<long>(n);
}

bool CArchiveReader::SeekContent(uint64_t offset) {
  if (offset < m_nContentPos) {
    if (!m_gzip->stream.Rewind()) return false;
    m_nContentPos = 0;
  }
  if (m_buffer.size() < kTransferBytes) m_buffer.resize(kTransferBytes);
  while (m_nContentPos < offset) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(offset - m_nContentPos, m_buffer.size()));
    long n = ReadContent(m_buffer.data(), want);
    if (n < 0) return false;
    if (static_cast<size_t>(n) < want) break;  // the end comes first
  }
  return true;
}

bool CArchiveReader::ReadTarHeader(uint64_t offset, uint8_t* header, bool& readError) {
  readError = false;
  if (!SeekContent(offset)) {
    readError = true;
    return false;
  }
  if (m_nContentPos != offset) return false;
  long n = ReadContent(header, kTarBlock);
  if (n < 0) {
    readError = true;
    return false;
  }
  return n == static_cast<long>(kTarBlock);
}

int CArchiveReader::Count() {
  switch (m_nKind) {
    case kKindZip: {
      unz_global_info64 info;
      if (unzGetGlobalInfo64(m_zip->file, &info) != UNZ_OK || info.number_entry > INT32_MAX) {
        m_strLastError = kErrZipFiles;
        return -1;
      }
      return static_cast<int>(info.number_entry);
    }
    case kKindGzip:
      return 1;
    case kKindTarGz: {
      int count = 0;
      uint64_t offset = 0;
      uint8_t header[kTarBlock];
      bool readError = false;
      while (count < INT32_MAX && ReadTarHeader(offset, header, readError) && IsValidTarHeader(header)) {
        ++count;
        offset += kTarBlock + RoundUpToBlock(ParseTarOctal(header + 124, 12));
      }
      // Damage behind a valid header belongs to that member: it is counted,
      // and reading it fails later with the member's own error.
      if (readError && count == 0) {
        m_strLastError = kErrGzipRead;
        return -1;
      }
      return count;
    }
    default:
      m_strLastError = kErrNotOpened;
      return -1;
  }
}

int CArchiveReader::GetFile(int index, IArchiveSink& sink, CArchiveMember& member) {
  member = CArchiveMember();
  switch (m_nKind) {
    case kKindZip: return GetZipFile(index, sink, member);
    case kKindGzip: return GetGzipFile(sink, member);
    case kKindTarGz: return GetTarFile(index, sink, member);
    default:
      m_strLastError = kErrNotOpened;
      return 0;
  }
}

int CArchiveReader::GetZipFile(int index, IArchiveSink& sink, CArchiveMember& member) {
  Zip& zip = *m_zip;
  if (index < 0) {
    m_strLastError = kErrZipPosition;
    return 0;
  }
  // Walk forward from where the library stands; only a step back rewinds, so
  // reading every entry in order costs one pass over the directory.
  if (zip.current < 0 || index < zip.current) {
    if (unzGoToFirstFile(zip.file) != UNZ_OK) {
      zip.current = -1;
      m_strLastError = kErrZipPosition;
      return 0;
    }
    zip.current = 0;
  }
  while (zip.current < index) {
    if (unzGoToNextFile(zip.file) != UNZ_OK) {
      zip.current = -1;
      m_strLastError = kErrZipPosition;
      return 0;
    }
    ++zip.current;
  }

  unz_file_info64 info;
  if (unzGetCurrentFileInfo64(zip.file, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
    m_strLastError = kErrZipPosition;
    return 0;
  }
  std::string name(info.size_filename, '\0');
  if (unzGetCurrentFileInfo64(zip.file, &info, name.data(), static_cast<uLong>(name.size() + 1),
                              nullptr, 0, nullptr, 0) != UNZ_OK) {
    m_strLastError = kErrZipPosition;
    return 0;
  }
  member.m_strName = name;
  member.m_dwAttributes = MapZipAttributes(name, static_cast<uint32_t>(info.external_fa),
                                           static_cast<uint16_t>(info.version));
  member.m_bIsFile = (member.m_dwAttributes & kAttrNormal) != 0;
  member.m_nSize = info.uncompressed_size;

  if (unzOpenCurrentFile(zip.file) != UNZ_OK) {
    m_strLastError = kErrZipUnzip;
    return 0;
  }
  if (!sink.Begin(member)) {
    unzCloseCurrentFile(zip.file);
    return 1;
  }
  if (m_buffer.size() < kTransferBytes) m_buffer.resize(kTransferBytes);
  for (;;) {
    int n = unzReadCurrentFile(zip.file, m_buffer.data(), static_cast<unsigned>(m_buffer.size()));
    if (n == 0) break;
    if (n < 0) {
      unzCloseCurrentFile(zip.file);
      m_strLastError = kErrZipUnzip;
      return 0;
    }
    if (!sink.Write(m_buffer.data(), static_cast<size_t>(n))) {
      unzCloseCurrentFile(zip.file);
      m_strLastError = kErrSink;
      return 0;
    }
  }
  // The CRC of the whole entry is checked only here.
  if (unzCloseCurrentFile(zip.file) != UNZ_OK) {
    m_strLastError = kErrZipUnzip;
    return 0;
  }
  return 1;
}

int CArchiveReader::GetGzipFile(IArchiveSink& sink, CArchiveMember& member) {
  member.m_strName = "unknown";
  member.m_dwAttributes = kAttrNormal;
  member.m_bIsFile = true;
  if (!SeekContent(0)) {
    m_strLastError = kErrGzipRead;
    return 0;
  }
  if (!sink.Begin(member)) return 1;
  if (m_buffer.size() < kTransferBytes) m_buffer.resize(kTransferBytes);
  for (;;) {
    long n = ReadContent(m_buffer.data(), m_buffer.size());
    if (n < 0) {
      m_strLastError = kErrGzipRead;
      return 0;
    }
    if (n > 0 && !sink.Write(m_buffer.data(), static_cast<size_t>(n))) {
      m_strLastError = kErrSink;
      return 0;
    }
    if (static_cast<size_t>(n) < m_buffer.size()) break;
  }
  return 1;
}

int CArchiveReader::GetTarFile(int index, IArchiveSink& sink, CArchiveMember& member) {
  if (index < 0) {
    m_strLastError = kErrPosition;
    return 0;
  }
  int at = 0;
  uint64_t offset = 0;
  if (index >= m_nTarIndex) {
    at = m_nTarIndex;
    offset = m_nTarOffset;
  }
  uint8_t header[kTarBlock];
  bool readError = false;
  for (; at < index; ++at) {
    if (!ReadTarHeader(offset, header, readError) || !IsValidTarHeader(header)) {
      m_strLastError = readError ? kErrGzipRead : kErrPosition;
      return 0;
    }
    offset += kTarBlock + RoundUpToBlock(ParseTarOctal(header + 124, 12));
  }
  if (!ReadTarHeader(offset, header, readError) || !IsValidTarHeader(header)) {
    if (readError) m_strLastError = kErrGzipRead;
    return 0;
  }
  m_nTarIndex = index;
  m_nTarOffset = offset;

  uint64_t size = ParseTarOctal(header + 124, 12);
  size_t nameLength = 0;
  while (nameLength < 100 && header[nameLength] != 0) ++nameLength;
  member.m_strName.assign(reinterpret_cast<const char*>(header), nameLength);
  member.m_bIsFile = header[156] == '0' || header[156] == 0;
  member.m_dwAttributes = member.m_bIsFile ? kAttrNormal : kAttrDirectory;
  member.m_nSize = size;
  if (!sink.Begin(member)) return 1;

  if (m_buffer.size() < kTransferBytes) m_buffer.resize(kTransferBytes);
  uint64_t left = size;
  while (left > 0) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(left, m_buffer.size()));
    long n = ReadContent(m_buffer.data(), want);
    if (n < 0 || static_cast<size_t>(n) < want) {
      // A header that promises more data than the archive holds.
      m_strLastError = kErrGzipRead;
      return 0;
    }
    if (!sink.Write(m_buffer.data(), want)) {
      m_strLastError = kErrSink;
      return 0;
    }
    left -= want;
  }
  return 1;
}

void CArchiveReader::Close() {
  m_gzip.reset();
  m_zip.reset();
  m_nContentPos = 0;
  m_nTarIndex = 0;
  m_nTarOffset = 0;
  m_strLastError.clear();
  m_nKind = kKindNone;
  std::vector<uint8_t>().swap(m_buffer);
}

namespace {

// Streams one file member into a temporary file beside the target, within a
// byte budget.
class CTargetFileSink : public IArchiveSink {
 public:
  CTargetFileSink(std::string tempPath, uint64_t budget)
      : m_strTempPath(std::move(tempPath)), m_nBudget(budget) {}

  bool Begin(const CArchiveMember& member) override {
    if (!member.m_bIsFile) return false;
    if (member.m_nSize > m_nBudget) {
      m_bOverBudget = true;
      return false;
    }
    if (m_file.Open(m_strTempPath, platform::fs::FileMode::kCreate) != platform::kErrorSuccess) {
      m_bCreateFailed = true;
      return false;
    }
    m_bStarted = true;
    return true;
  }

  bool Write(const uint8_t* data, size_t size) override {
    if (size > m_nBudget - m_nWritten) {
      m_bOverBudget = true;
      return false;
    }
    if (m_file.Write(std::span<const uint8_t>(data, size)) != platform::kErrorSuccess) {
      m_bWriteFailed = true;
      return false;
    }
    m_nWritten += size;
    return true;
  }

  // Closes the temporary file; false when its data could not be written.
  bool Finish() {
    if (m_file.Close() != platform::kErrorSuccess) m_bWriteFailed = true;
    return !m_bWriteFailed;
  }

  void Discard() {
    m_file.Close();
    if (m_bStarted) platform::fs::RemoveFile(m_strTempPath);
  }

  bool m_bStarted = false;
  bool m_bOverBudget = false;
  bool m_bCreateFailed = false;
  bool m_bWriteFailed = false;

 private:
  std::string m_strTempPath;
  uint64_t m_nBudget;
  uint64_t m_nWritten = 0;
  platform::fs::FileStream m_file;
};

}  // namespace

int ExtractArchive(std::string_view archivePath, std::string_view targetName,
                   const CExtractLimits& limits) {
  CArchiveReader reader;
  if (!reader.Open(archivePath)) {
    Trace("ExtractArchive() Open Fail... [%s] [%s]", reader.LastError().c_str(),
          std::string(archivePath).c_str());
    return utility_codes::kArchiveOpenFailed;
  }
  platform::SplitPath parts = platform::SplitWindowsPath(archivePath);
  std::string folder = parts.drive + parts.dir;
  std::string target = folder + std::string(targetName);
  std::string temp = folder + "~" + std::string(targetName) + ".vamo-part";

  uint64_t budget = limits.m_nMaxMemberBytes;
  if (budget == 0) {
    // Whatever the archive claims, a member may fill the volume only up to
    // the margin; without a known free space only the disk's own end stops it.
    auto freeBytes = platform::fs::GetDiskFreeBytes(folder.empty() ? target : folder);
    budget = !freeBytes                               ? UINT64_MAX
             : *freeBytes > limits.m_nFreeSpaceMargin ? *freeBytes - limits.m_nFreeSpaceMargin
                                                      : 0;
  }

  int count = reader.Count();
  if (count < 0) {
    Trace("ExtractArchive() Count Fail... [%s]", reader.LastError().c_str());
    return utility_codes::kArchiveNoFileMember;
  }
  int written = 0;
  for (int i = 0; i < count; ++i) {
    CTargetFileSink sink(temp, budget);
    CArchiveMember member;
    int ok = reader.GetFile(i, sink, member);
    if (!member.m_bIsFile) continue;
    if (sink.m_bOverBudget) {
      sink.Discard();
      Trace("ExtractArchive() Member too large... [%s] limit [%llu]", member.m_strName.c_str(),
            static_cast<unsigned long long>(budget));
      return utility_codes::kArchiveMemberUnreadable;
    }
    if (sink.m_bCreateFailed || sink.m_bWriteFailed) {
      sink.Discard();
      Trace("ExtractArchive() Write Fail... [%s]", target.c_str());
      return utility_codes::kArchiveTargetFailed;
    }
    if (!ok) {
      sink.Discard();
      Trace("ExtractArchive() GetFile Fail... [%d][%s]", i, reader.LastError().c_str());
      return utility_codes::kArchiveMemberUnreadable;
    }
    if (!sink.Finish() || platform::fs::ReplaceFileWith(temp, target) != platform::kErrorSuccess) {
      sink.Discard();
      Trace("ExtractArchive() Write Fail... [%s]", target.c_str());
      return utility_codes::kArchiveTargetFailed;
    }
    ++written;
  }
  return written > 0 ? 0 : utility_codes::kArchiveNoFileMember;
}
