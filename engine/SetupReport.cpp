#include "engine/SetupReport.h"

#include <cstdarg>
#include <vector>

#include "platform/fs/FileSystem.h"
#include "platform/text/Format.h"
#include "platform/text/Utf.h"

namespace {

// A line is formatted into a buffer of 4096 UTF-16 characters, one of which
// holds the terminating NUL.
constexpr size_t kLineBufferChars = 4096;

}  // namespace

void CSetupReport::AppendLine(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string line = platform::FormatV(format, args);
  va_end(args);
  m_strText += platform::Utf8ToUtf16(platform::TruncateUtf16(line, kLineBufferChars - 1));
}

int CSetupReport::Save(const std::string& path) const {
  std::vector<uint8_t> bytes;
  bytes.reserve(2 + m_strText.size() * 2);
  bytes.push_back(0xFF);
  bytes.push_back(0xFE);
  platform::AppendUtf16Bytes(bytes, std::u16string_view(m_strText));
  return platform::fs::WriteFileAtomic(path, bytes) == platform::kErrorSuccess ? 0 : -1;
}

std::string CSetupReport::TextUtf8() const { return platform::Utf16ToUtf8(m_strText); }
