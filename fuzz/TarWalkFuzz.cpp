// Feeds arbitrary bytes to the archive reader: as a tar stream wrapped in
// gzip (the first byte even), or as the archive file itself (odd), so the
// tar header walk, the gzip reader and the zip reader all see hostile input.
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "system/ArchiveReader.h"

namespace {

std::string g_hostFile;

std::vector<uint8_t> Gzip(const uint8_t* data, size_t size) {
  z_stream stream{};
  deflateInit2(&stream, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  std::vector<uint8_t> out(deflateBound(&stream, size) + 64);
  stream.next_in = const_cast<uint8_t*>(data);
  stream.avail_in = static_cast<uInt>(size);
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_hostFile = "/tmp/vamo-tarwalk-fuzz-" + std::to_string(getpid()) + ".bin";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<uint8_t> file = (data[0] & 1) == 0 ? Gzip(data + 1, size - 1)
                                                  : std::vector<uint8_t>(data + 1, data + size);
  {
    std::ofstream out(g_hostFile, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  }
  CArchiveReader reader;
  // Drive Z: is the host root.
  if (reader.Open("Z:" + g_hostFile) == 1) {
    int count = reader.Count();
    for (int i = 0; i < count && i < 64; ++i) {
      CMemoryArchiveSink sink(1 << 20);
      CArchiveMember member;
      reader.GetFile(i, sink, member);
    }
    // And once out of order, so the reader has to go back.
    if (count > 1) {
      CMemoryArchiveSink sink(1 << 20);
      CArchiveMember member;
      reader.GetFile(0, sink, member);
    }
  }
  std::remove(g_hostFile.c_str());
  return 0;
}
