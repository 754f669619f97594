#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "transfer/OpenSslHandles.h"

// Converts between bytes and base64 text with the library's streaming
// encoder: Init(direction), any number of Update, Final, then GetLength /
// CopyOut. Encoded text has a line feed after every 64 characters and after
// the last line; the decoder ignores line breaks.
//
// The Encoder reports no failures: Init, Update and Final return 0. Text
// that is not base64 decodes to whatever the library made of it (usually
// nothing), so a bad signature text shows up as a signature that does not
// match. MalformedInput() tells a caller that wants to know.
class Encoder {
 public:
  static constexpr bool kEncode = true;
  static constexpr bool kDecode = false;

  Encoder();
  virtual ~Encoder();
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  // Starts over in the given direction with an empty 32-byte output buffer.
  int Init(bool encode);
  // Keeps the output capacity at no less than twice the input received so
  // far (never under 32 bytes), which holds the encoded text with its line
  // feeds and whatever Final adds, so Final never grows the buffer.
  int Update(const void* bytes, size_t length);
  int Final();

  uint32_t GetLength() const { return m_nOutputLength; }
  uint32_t GetCapacity() const { return m_nCapacity; }
  // Zero-fills GetLength() bytes of the destination and copies the output in.
  int CopyOut(uint8_t* destination) const;
  const uint8_t* Data() const { return m_output.get(); }

  bool MalformedInput() const { return m_bMalformed; }

 private:
  void Reserve(uint64_t required);

  transfer::ossl::EncodeCtx m_context;
  bool m_bEncode = true;
  bool m_bStarted = false;
  bool m_bMalformed = false;
  uint32_t m_nInputTotal = 0;
  std::unique_ptr<uint8_t[]> m_output;
  uint32_t m_nOutputLength = 0;
  uint32_t m_nCapacity = 0;
};
