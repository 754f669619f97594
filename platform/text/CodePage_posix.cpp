#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "platform/sysinfo/WindowsVersion.h"
#include "platform/text/CodePage.h"

namespace platform {

namespace {

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD

class ScopedIconv {
 public:
  ScopedIconv(const char* to, const char* from) : m_cd(::iconv_open(to, from)) {}
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

std::string IconvName(uint32_t codePage) { return "CP" + std::to_string(codePage); }

// Length of the UTF-8 sequence that starts with this byte (1 for a stray one).
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

// Code page 1252 leaves 0x81, 0x8D, 0x8F, 0x90 and 0x9D unassigned, and 932
// and 949 their single byte 0x80; Windows maps them to the C1 control
// characters of the same value both ways, where iconv refuses them.
bool IsControlGap(uint32_t codePage, unsigned char byte) {
  if (codePage == 1252) return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
  return (codePage == 932 || codePage == 949) && byte == 0x80;
}

// Runs the converter over the whole input; onError is called with the
// input left at the sequence it could not convert and must consume at least
// one byte of it.
template <typename OnError>
void Convert(const ScopedIconv& cd, std::string_view text, std::string& out, OnError onError) {
  char buffer[1024];
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t rc = ::iconv(cd.Get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ (no such character) or EINVAL (cut sequence at the end).
    size_t used = onError(std::string_view(in, inLeft), out);
    in += used;
    inLeft -= used;
  }
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
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

std::string Utf8ToAnsi(std::string_view text) { return Utf8ToAnsi(text, GetAnsiCodePage()); }

std::string Utf8ToAnsi(std::string_view text, uint32_t codePage) {
  if (IsAscii(text)) return std::string(text);
  ScopedIconv cd(IconvName(codePage).c_str(), "UTF-8");
  std::string out;
  if (!cd.Valid()) {
    // Without the converter only ASCII survives.
    for (size_t i = 0; i < text.size();) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      out += c < 0x80 ? static_cast<char>(c) : '?';
      i += c < 0x80 ? 1 : SequenceLength(c);
    }
    return out;
  }
  Convert(cd, text, out, [codePage](std::string_view rest, std::string& converted) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(rest[i]); };
    // U+0080..U+009F is C2 80..C2 9F in UTF-8.
    if (rest.size() >= 2 && byte(0) == 0xC2 && IsControlGap(codePage, byte(1))) {
      converted += static_cast<char>(byte(1));
      return size_t{2};
    }
    // One "?" for the character, then on.
    converted += '?';
    return std::min(rest.size(), SequenceLength(byte(0)));
  });
  return out;
}

std::string AnsiToUtf8(std::string_view bytes, uint32_t codePage) {
  if (IsAscii(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  ScopedIconv cd("UTF-8", IconvName(codePage).c_str());
  if (!cd.Valid()) {
    for (char c : bytes) {
      if (static_cast<unsigned char>(c) < 0x80) {
        out += c;
      } else {
        out += kReplacementUtf8;
      }
    }
    return out;
  }
  Convert(cd, bytes, out, [codePage](std::string_view rest, std::string& converted) {
    unsigned char byte = static_cast<unsigned char>(rest[0]);
    if (IsControlGap(codePage, byte)) {
      converted += static_cast<char>(0xC2);
      converted += static_cast<char>(byte);
    } else {
      converted += kReplacementUtf8;
    }
    // One byte only: the next one may be a line end or start a valid character.
    return size_t{1};
  });
  return out;
}

}  // namespace platform
