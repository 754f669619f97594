#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/fs/FileStream.h"

// The unpacked bytes of a gzip file opened by Windows path, read in order.
// It reads what gzip -d and zlib's gzread read: members written one after
// another are one stream, and anything after a complete member that does not
// start another member is ignored (tape padding, a signature appended by a
// mirror).
class CGzipStream {
 public:
  CGzipStream() = default;
  ~CGzipStream();
  CGzipStream(const CGzipStream&) = delete;
  CGzipStream& operator=(const CGzipStream&) = delete;

  // False when the file cannot be opened.
  bool Open(std::string_view path);
  // Up to size bytes (fewer only at the end of the data), or -1 when the file
  // cannot be read or its data is damaged or cut short; after -1 every read
  // fails until Rewind.
  int64_t Read(uint8_t* buffer, size_t size);
  // Back to the first byte; false when the file cannot be repositioned.
  bool Rewind();
  void Close();

 private:
  enum class State { kInflating, kBetweenMembers, kEnd, kFailed };

  // Moves the unread input to the front of the buffer and reads more behind
  // it; false on a read error.
  bool Refill();
  // After a member: another follows only where the gzip magic does.
  bool StartNextMember();
  int64_t Fail();

  platform::fs::FileStream m_file;
  z_stream m_stream{};
  bool m_bInflateReady = false;
  State m_state = State::kInflating;
  std::vector<uint8_t> m_input;  // one large buffer, so the file is read in few calls
};
