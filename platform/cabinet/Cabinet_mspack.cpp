#include "platform/cabinet/Cabinet.h"

#include <mspack.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/fs/FileSystem.h"
#include "platform/fs/Path.h"
#include "platform/sim/HostPath.h"
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

std::expected<Decompressor, Win32Error> MakeDecompressor(mspack_system* system = nullptr) {
  Decompressor cabd(mspack_create_cab_decompressor(system));
  if (!cabd) return std::unexpected(kErrorNotEnoughMemory);
  return cabd;
}

// The library's file access for a cabinet held in memory: the cabinet is
// read from the caller's bytes (whenever the library opens it, also again
// for each folder's data), extracted files are written to the host.
constexpr char kImageName[] = "<cabinet image>";

struct ImageSystem : mspack_system {
  std::span<const uint8_t> image;
};

struct SystemFile : mspack_file {
  std::span<const uint8_t> image;  // the cabinet, or empty for a host file
  size_t position = 0;
  std::FILE* host = nullptr;
};

SystemFile* Of(mspack_file* file) { return static_cast<SystemFile*>(file); }

mspack_file* ImageOpen(mspack_system* self, const char* filename, int mode) {
  if (filename == nullptr) return nullptr;
  auto* file = new (std::nothrow) SystemFile();
  if (file == nullptr) return nullptr;
  if (std::strcmp(filename, kImageName) == 0) {
    if (mode != MSPACK_SYS_OPEN_READ) {
      delete file;
      return nullptr;
    }
    file->image = static_cast<ImageSystem*>(self)->image;
    return file;
  }
  const char* modes[] = {"rb", "wb", "r+b", "ab"};
  if (mode < 0 || mode > MSPACK_SYS_OPEN_APPEND || (file->host = std::fopen(filename, modes[mode])) == nullptr) {
    delete file;
    return nullptr;
  }
  return file;
}

// The library may hand any of these a null file (as its own file access
// allows), after a failed open for example.
void ImageClose(mspack_file* handle) {
  SystemFile* file = Of(handle);
  if (file == nullptr) return;
  if (file->host != nullptr) std::fclose(file->host);
  delete file;
}

int ImageRead(mspack_file* handle, void* buffer, int bytes) {
  SystemFile* file = Of(handle);
  if (file == nullptr || buffer == nullptr || bytes < 0) return -1;
  if (file->host != nullptr) {
    const size_t count = std::fread(buffer, 1, static_cast<size_t>(bytes), file->host);
    return std::ferror(file->host) ? -1 : static_cast<int>(count);
  }
  const size_t count = std::min(static_cast<size_t>(bytes), file->image.size() - file->position);
  std::memcpy(buffer, file->image.data() + file->position, count);
  file->position += count;
  return static_cast<int>(count);
}

int ImageWrite(mspack_file* handle, void* buffer, int bytes) {
  SystemFile* file = Of(handle);
  if (file == nullptr || file->host == nullptr || buffer == nullptr || bytes < 0) return -1;
  const size_t count = std::fwrite(buffer, 1, static_cast<size_t>(bytes), file->host);
  return count == static_cast<size_t>(bytes) ? bytes : -1;
}

int ImageSeek(mspack_file* handle, off_t offset, int mode) {
  SystemFile* file = Of(handle);
  if (file == nullptr) return -1;
  if (file->host != nullptr) {
    const int whence = mode == MSPACK_SYS_SEEK_START ? SEEK_SET : mode == MSPACK_SYS_SEEK_CUR ? SEEK_CUR : SEEK_END;
    return fseeko(file->host, offset, whence);
  }
  const off_t base = mode == MSPACK_SYS_SEEK_START ? 0
                     : mode == MSPACK_SYS_SEEK_CUR ? static_cast<off_t>(file->position)
                                                   : static_cast<off_t>(file->image.size());
  // Past the end is refused: the library reads a seek there as a cabinet cut short.
  if (offset > static_cast<off_t>(file->image.size()) - base || offset < -base) return -1;
  file->position = static_cast<size_t>(base + offset);
  return 0;
}

off_t ImageTell(mspack_file* handle) {
  SystemFile* file = Of(handle);
  if (file == nullptr) return -1;
  return file->host != nullptr ? ftello(file->host) : static_cast<off_t>(file->position);
}

// The library's warnings about damaged cabinets; the caller sees the outcome.
void ImageMessage(mspack_file*, const char*, ...) {}

void* ImageAlloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
void ImageFree(void* pointer) { std::free(pointer); }
void ImageCopy(void* source, void* target, size_t bytes) { std::memmove(target, source, bytes); }

ImageSystem MakeImageSystem(std::span<const uint8_t> image) {
  ImageSystem system{};
  system.open = ImageOpen;
  system.close = ImageClose;
  system.read = ImageRead;
  system.write = ImageWrite;
  system.seek = ImageSeek;
  system.tell = ImageTell;
  system.message = ImageMessage;
  system.alloc = ImageAlloc;
  system.free = ImageFree;
  system.copy = ImageCopy;
  system.null_ptr = nullptr;
  system.image = image;
  return system;
}

// The iteration itself, over a cabinet the decompressor has opened.
void ExtractFiles(mscab_decompressor* cabd, mscabd_cabinet* cab, ICabinetCallback& callback) {
  for (mscabd_file* file = cab->files; file != nullptr; file = file->next) {
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
    int rc = cabd->extract(cabd, file, targetHost.c_str());
    Win32Error error = MapMspackError(rc);
    // Windows knows no separate permission to run a file: what a cabinet
    // brings may be run, as its INF often does.
    if (error == kErrorSuccess) ::chmod(targetHost.c_str(), 0755);
    callback.FileExtracted(described, *target, error);
  }
}

Win32Error OpenAndExtract(mscab_decompressor* cabd, const char* name, ICabinetCallback& callback) {
  OpenCabinet cab(cabd, cabd->open(cabd, name));
  if (cab.get() == nullptr) return cabd->last_error(cabd) == MSPACK_ERR_OPEN ? kErrorFileNotFound : kErrorInvalidData;
  ExtractFiles(cabd, cab.get(), callback);
  return kErrorSuccess;
}

}  // namespace

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
  return OpenAndExtract(cabd->get(), host.c_str(), callback);
}

Win32Error IterateCabinet(std::span<const uint8_t> image, ICabinetCallback& callback) {
  ImageSystem system = MakeImageSystem(image);
  auto cabd = MakeDecompressor(&system);
  if (!cabd) return cabd.error();
  const Win32Error error = OpenAndExtract(cabd->get(), kImageName, callback);
  // An image that is no cabinet cannot be "not found".
  return error == kErrorFileNotFound ? kErrorInvalidData : error;
}

}  // namespace platform::cabinet
