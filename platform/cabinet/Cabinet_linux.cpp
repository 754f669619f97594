#include "platform/cabinet/Cabinet.h"

#include <mspack.h>
#include <sys/stat.h>

#include <memory>

#include "platform/fs/FileSystem.h"
#include "platform/fs/Path.h"
#include "platform/text/Utf.h"

namespace platform::cabinet {

namespace {

struct DecompressorDeleter {
  void operator()(mscab_decompressor* cabd) const { mspack_destroy_cab_decompressor(cabd); }
};
using Decompressor = std::unique_ptr<mscab_decompressor, DecompressorDeleter>;

// The cabinet handle belongs to its decompressor, which must outlive it.
class OpenCabinet {
 public:
  OpenCabinet(mscab_decompressor* cabd, mscabd_cabinet* cab) : m_cabd(cabd), m_cab(cab) {}
  ~OpenCabinet() {
    if (m_cab != nullptr) m_cabd->close(m_cabd, m_cab);
  }
  OpenCabinet(const OpenCabinet&) = delete;
  OpenCabinet& operator=(const OpenCabinet&) = delete;
  mscabd_cabinet* get() const { return m_cab; }

 private:
  mscab_decompressor* m_cabd;
  mscabd_cabinet* m_cab;
};

std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

CabinetFile Describe(const mscabd_file* file) {
  CabinetFile out;
  std::string_view raw = file->filename != nullptr ? file->filename : "";
  // A name flagged UTF-8 is not always UTF-8: broken sequences become
  // U+FFFD before the name is listed or becomes a file name.
  out.name = (file->attribs & MSCAB_ATTRIB_UTF_NAME) ? ToValidUtf8(raw) : Latin1ToUtf8(raw);
  out.size = static_cast<uint64_t>(file->length);
  out.attributes = static_cast<uint32_t>(file->attribs);
  return out;
}

Win32Error MapMspackError(int err) {
  switch (err) {
    case MSPACK_ERR_OK: return kErrorSuccess;
    case MSPACK_ERR_OPEN: return kErrorFileNotFound;
    case MSPACK_ERR_READ: return kErrorReadFault;
    case MSPACK_ERR_WRITE: return kErrorWriteFault;
    case MSPACK_ERR_NOMEMORY: return kErrorNotEnoughMemory;
    default: return kErrorInvalidData;
  }
}

std::expected<Decompressor, Win32Error> MakeDecompressor() {
  Decompressor cabd(mspack_create_cab_decompressor(nullptr));
  if (!cabd) return std::unexpected(kErrorNotEnoughMemory);
  return cabd;
}

}  // namespace

bool IsSafeMemberName(std::string_view name) {
  if (name.empty() || name[0] == '\\' || name[0] == '/') return false;
  if (name.find(':') != std::string_view::npos) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = name.size();
    std::string_view part = name.substr(start, end - start);
    size_t dots = 0;
    bool onlyDotsAndSpaces = !part.empty();
    for (char c : part) {
      if (c == '.') {
        ++dots;
      } else if (c != ' ') {
        onlyDotsAndSpaces = false;
      }
    }
    if (onlyDotsAndSpaces && dots >= 2) return false;
    start = end + 1;
  }
  return true;
}

std::expected<std::vector<CabinetFile>, Win32Error> ListCabinet(std::string_view cabinetPath) {
  std::string host = ToHostPath(cabinetPath);
  if (host.empty()) return std::unexpected(kErrorPathNotFound);
  auto cabd = MakeDecompressor();
  if (!cabd) return std::unexpected(cabd.error());
  OpenCabinet cab(cabd->get(), (*cabd)->open(cabd->get(), host.c_str()));
  if (cab.get() == nullptr) {
    int err = (*cabd)->last_error(cabd->get());
    return std::unexpected(err == MSPACK_ERR_OPEN ? kErrorFileNotFound : kErrorInvalidData);
  }
  std::vector<CabinetFile> files;
  for (const mscabd_file* file = cab.get()->files; file != nullptr; file = file->next) {
    files.push_back(Describe(file));
  }
  return files;
}

Win32Error IterateCabinet(std::string_view cabinetPath, ICabinetCallback& callback) {
  std::string host = ToHostPath(cabinetPath);
  if (host.empty()) return kErrorPathNotFound;
  auto cabd = MakeDecompressor();
  if (!cabd) return cabd.error();
  OpenCabinet cab(cabd->get(), (*cabd)->open(cabd->get(), host.c_str()));
  if (cab.get() == nullptr) {
    int err = (*cabd)->last_error(cabd->get());
    return err == MSPACK_ERR_OPEN ? kErrorFileNotFound : kErrorInvalidData;
  }
  for (mscabd_file* file = cab.get()->files; file != nullptr; file = file->next) {
    CabinetFile described = Describe(file);
    if (!IsSafeMemberName(described.name)) {
      callback.NameRefused(described);
      continue;
    }
    std::optional<std::string> target = callback.FileInCabinet(described);
    if (!target) continue;
    SplitPath parts = SplitWindowsPath(*target);
    if (!parts.dir.empty()) {
      Win32Error made = fs::CreateDirectoryPath(parts.drive + parts.dir);
      if (made != kErrorSuccess) {
        callback.FileExtracted(described, *target, made);
        continue;
      }
    }
    // Mapped after the folders exist, so the host name follows their case.
    std::string targetHost = ToHostPath(*target);
    if (targetHost.empty()) {
      callback.FileExtracted(described, *target, kErrorPathNotFound);
      continue;
    }
    int rc = (*cabd)->extract(cabd->get(), file, targetHost.c_str());
    Win32Error error = MapMspackError(rc);
    if (error == kErrorSuccess) ::chmod(targetHost.c_str(), 0755);
    callback.FileExtracted(described, *target, error);
  }
  return kErrorSuccess;
}

}  // namespace platform::cabinet
