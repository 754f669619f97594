#include "system/GzipStream.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace {

// Large reads: a compressed file is consumed front to back, and every read
// is a system call.
constexpr size_t kInputBytes = 512 * 1024;
constexpr size_t kMaxInflateChunk = size_t{1} << 30;  // fits inflate's 32-bit counters
constexpr uint8_t kGzipMagic0 = 0x1F;
constexpr uint8_t kGzipMagic1 = 0x8B;

}  // namespace

CGzipStream::~CGzipStream() { Close(); }

bool CGzipStream::Open(std::string_view path) {
  Close();
  if (m_file.Open(path, platform::fs::FileMode::kRead) != platform::kErrorSuccess) return false;
  m_stream = z_stream{};
  // 16 + MAX_WBITS: a gzip wrapper only, its CRC and length checked at the
  // end of every member.
  if (inflateInit2(&m_stream, 16 + MAX_WBITS) != Z_OK) {
    m_file.Close();
    return false;
  }
  m_bInflateReady = true;
  m_input.resize(kInputBytes);
  m_stream.next_in = m_input.data();
  m_stream.avail_in = 0;
  m_state = State::kInflating;
  return true;
}

void CGzipStream::Close() {
  if (m_bInflateReady) inflateEnd(&m_stream);
  m_bInflateReady = false;
  m_file.Close();
  std::vector<uint8_t>().swap(m_input);
  m_state = State::kInflating;
}

bool CGzipStream::Rewind() {
  if (!m_bInflateReady || m_file.Seek(0) != platform::kErrorSuccess) return false;
  inflateReset(&m_stream);
  m_stream.next_in = m_input.data();
  m_stream.avail_in = 0;
  m_state = State::kInflating;
  return true;
}

int64_t CGzipStream::Fail() {
  m_state = State::kFailed;
  return -1;
}

bool CGzipStream::Refill() {
  size_t kept = m_stream.avail_in;
  if (kept > 0 && m_stream.next_in != m_input.data()) std::memmove(m_input.data(), m_stream.next_in, kept);
  m_stream.next_in = m_input.data();
  auto got = m_file.Read(std::span<uint8_t>(m_input.data() + kept, m_input.size() - kept));
  if (!got) return false;
  m_stream.avail_in = static_cast<uInt>(kept + *got);
  return true;
}

bool CGzipStream::StartNextMember() {
  // Two bytes decide, as with gzread: one lone byte at the end is garbage.
  while (m_stream.avail_in < 2) {
    uInt before = m_stream.avail_in;
    if (!Refill()) return false;
    if (m_stream.avail_in == before) break;  // the end of the file
  }
  if (m_stream.avail_in >= 2 && m_stream.next_in[0] == kGzipMagic0 && m_stream.next_in[1] == kGzipMagic1) {
    inflateReset(&m_stream);
    m_state = State::kInflating;
  } else {
    m_state = State::kEnd;
  }
  return true;
}

int64_t CGzipStream::Read(uint8_t* buffer, size_t size) {
  if (m_state == State::kFailed || !m_bInflateReady) return -1;
  size_t total = 0;
  while (total < size && m_state != State::kEnd) {
    if (m_state == State::kBetweenMembers) {
      if (!StartNextMember()) return Fail();
      continue;
    }
    if (m_stream.avail_in == 0) {
      if (!Refill()) return Fail();
      // The file ends inside a member: cut short.
      if (m_stream.avail_in == 0) return Fail();
    }
    uInt chunk = static_cast<uInt>(std::min(size - total, kMaxInflateChunk));
    m_stream.next_out = buffer + total;
    m_stream.avail_out = chunk;
    uInt inBefore = m_stream.avail_in;
    int rc = inflate(&m_stream, Z_NO_FLUSH);
    total += chunk - m_stream.avail_out;
    if (rc == Z_STREAM_END) {
      m_state = State::kBetweenMembers;
    } else if (rc == Z_BUF_ERROR && m_stream.avail_in == inBefore && m_stream.avail_out == chunk) {
      return Fail();  // no progress with input and room: never loop on it
    } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
      // Z_DATA_ERROR: damaged data or a CRC or length that does not match.
      return Fail();
    }
  }
  return static_cast<int64_t>(total);
}
