#include "tools/publish/ArchiveDigest.h"

#include <unzip.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <vector>

#include "transfer/FileVerify.h"

namespace {

constexpr size_t kTarBlock = 512;

struct UnzipClose {
  void operator()(void* p) const { unzClose(p); }
};
struct GzClose {
  void operator()(gzFile_s* p) const { gzclose(p); }
};

std::optional<std::string> DigestText(const std::vector<uint8_t>& bytes, std::string& why) {
  std::string text;
  if (int rc = BytesDigestText(bytes.data(), bytes.size(), text); rc != 0) {
    why = "the digest failed (" + std::to_string(rc) + ")";
    return std::nullopt;
  }
  return text;
}

// Zip: every entry that is not a folder is a file; the last one wins.
std::optional<std::vector<uint8_t>> LastZipFile(const std::string& hostPath, bool& isZip, std::string& why) {
  std::unique_ptr<void, UnzipClose> zip(unzOpen64(hostPath.c_str()));
  isZip = zip != nullptr;
  if (!zip) return std::nullopt;
  std::optional<std::vector<uint8_t>> last;
  for (int rc = unzGoToFirstFile(zip.get()); rc == UNZ_OK; rc = unzGoToNextFile(zip.get())) {
    unz_file_info64 info{};
    char name[1024] = {};
    if (unzGetCurrentFileInfo64(zip.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
      why = "a zip entry cannot be read";
      return std::nullopt;
    }
    size_t nameLength = std::strlen(name);
    bool folder = (nameLength > 0 && name[nameLength - 1] == '/') || (info.external_fa & 0x10) != 0;
    if (folder) continue;
    std::vector<uint8_t> bytes(info.uncompressed_size);
    if (unzOpenCurrentFile(zip.get()) != UNZ_OK) {
      why = std::string("zip entry ") + name + " cannot be unpacked";
      return std::nullopt;
    }
    int got = bytes.empty() ? 0 : unzReadCurrentFile(zip.get(), bytes.data(), static_cast<unsigned>(bytes.size()));
    unzCloseCurrentFile(zip.get());
    if (got < 0 || static_cast<size_t>(got) != bytes.size()) {
      why = std::string("zip entry ") + name + " cannot be unpacked";
      return std::nullopt;
    }
    last = std::move(bytes);
  }
  if (!last) why = "the zip archive holds no file";
  return last;
}

uint64_t Octal(const uint8_t* field, size_t length) {
  size_t i = 0;
  while (i < length && (field[i] == ' ' || field[i] == '\t')) ++i;
  uint64_t value = 0;
  for (; i < length && field[i] >= '0' && field[i] <= '7'; ++i) value = value * 8 + (field[i] - '0');
  return value;
}

bool ValidTarHeader(const uint8_t* header) {
  uint64_t sum = 0;
  for (size_t i = 0; i < kTarBlock; ++i) sum += (i >= 148 && i < 156) ? ' ' : header[i];
  return sum == Octal(header + 148, 8);
}

}  // namespace

std::optional<std::string> DigestOfArchiveMember(const std::string& hostPath, std::string& why) {
  bool isZip = false;
  std::optional<std::vector<uint8_t>> member = LastZipFile(hostPath, isZip, why);
  if (isZip) {
    if (!member) return std::nullopt;
    return DigestText(*member, why);
  }

  std::unique_ptr<gzFile_s, GzClose> gz(gzopen(hostPath.c_str(), "rb"));
  if (!gz) {
    why = "not a zip or gzip archive";
    return std::nullopt;
  }
  std::vector<uint8_t> content;
  uint8_t buffer[65536];
  for (;;) {
    int got = gzread(gz.get(), buffer, sizeof buffer);
    if (got < 0) {
      why = "the gzip data cannot be read";
      return std::nullopt;
    }
    if (got == 0) break;
    content.insert(content.end(), buffer, buffer + got);
  }
  // A tar inside the gzip: walk the valid headers, keep the last regular file.
  if (content.size() >= kTarBlock && ValidTarHeader(content.data())) {
    std::optional<std::vector<uint8_t>> last;
    for (size_t at = 0; at + kTarBlock <= content.size() && ValidTarHeader(content.data() + at);) {
      const uint8_t* header = content.data() + at;
      uint64_t size = Octal(header + 124, 12);
      size_t data = at + kTarBlock;
      if (size > content.size() - data) {
        why = "a tar member runs past the end of the archive";
        return std::nullopt;
      }
      if (header[156] == '0' || header[156] == '\0') {
        last = std::vector<uint8_t>(content.begin() + static_cast<std::ptrdiff_t>(data),
                                    content.begin() + static_cast<std::ptrdiff_t>(data + size));
      }
      at = data + (size + kTarBlock - 1) / kTarBlock * kTarBlock;
    }
    if (!last) {
      why = "the tar archive holds no file";
      return std::nullopt;
    }
    return DigestText(*last, why);
  }
  return DigestText(content, why);
}
