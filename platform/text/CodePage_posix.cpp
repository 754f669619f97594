#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "platform/sysinfo/WindowsVersion.h"
#include "platform/text/CodePage.h"

namespace platform {

namespace {

class ScopedIconv {
 public:
  explicit ScopedIconv(const char* to) : m_cd(::iconv_open(to, "UTF-8")) {}
  ~ScopedIconv() {
    if (Valid()) ::iconv_close(m_cd);
  }
  ScopedIconv(const ScopedIconv&) = delete;
  ScopedIconv& operator=(const ScopedIconv&) = delete;
  bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
  iconv_t Get() const { return m_cd; }

 private:
  iconv_t m_cd;
};

// Length of the UTF-8 sequence that starts with this byte (1 for a stray one).
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

}  // namespace

uint32_t GetAnsiCodePage() {
  switch (GetSystemLanguage() & 0x3FF) {  // primary language
    case 0x12: return 949;
    case 0x11: return 932;
    case 0x04: return (GetSystemLanguage() == 0x0404 || GetSystemLanguage() == 0x0C04) ? 950 : 936;
    default: return 1252;
  }
}

std::string Utf8ToAnsi(std::string_view text) {
  std::string name = "CP" + std::to_string(GetAnsiCodePage());
  ScopedIconv cd(name.c_str());
  if (!cd.Valid()) {
    // Without the converter only ASCII survives.
    std::string out;
    for (size_t i = 0; i < text.size();) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      out += c < 0x80 ? static_cast<char>(c) : '?';
      i += c < 0x80 ? 1 : SequenceLength(c);
    }
    return out;
  }
  std::string out;
  char buffer[256];
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t rc = ::iconv(cd.Get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ (no such character, or bad UTF-8) or EINVAL (cut sequence):
    // one "?" for the character, then on.
    out += '?';
    size_t skip = std::min(inLeft, SequenceLength(static_cast<unsigned char>(*in)));
    in += skip;
    inLeft -= skip;
  }
  return out;
}

}  // namespace platform
