#include "transfer/Encoder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr uint32_t kMinCapacity = 32;
// One library call takes an int length; larger inputs go in slices.
constexpr size_t kMaxSlice = size_t{1} << 24;

}  // namespace

Encoder::Encoder() : m_context(EVP_ENCODE_CTX_new()) { Init(kEncode); }

Encoder::~Encoder() = default;

int Encoder::Init(bool encode) {
  m_bEncode = encode;
  m_bMalformed = false;
  m_nInputTotal = 0;
  m_nOutputLength = 0;
  m_output.reset(new uint8_t[kMinCapacity]());
  m_nCapacity = kMinCapacity;
  m_bStarted = m_context != nullptr;
  if (!m_bStarted) return 0;
  if (encode) {
    EVP_EncodeInit(m_context.get());
  } else {
    EVP_DecodeInit(m_context.get());
  }
  return 0;
}

void Encoder::Reserve(uint64_t required) {
  if (required <= m_nCapacity) return;
  auto grown = std::unique_ptr<uint8_t[]>(new uint8_t[required]());
  std::memcpy(grown.get(), m_output.get(), m_nOutputLength);
  m_output = std::move(grown);
  m_nCapacity = static_cast<uint32_t>(required);
}

int Encoder::Update(const void* bytes, size_t length) {
  if (!m_bStarted || length == 0 || bytes == nullptr) return 0;
  // The counters are 32-bit; text of 2 GiB and more is not something this
  // class is for, so such input is refused rather than overflowing them.
  if (length > std::numeric_limits<uint32_t>::max() / 2 - m_nInputTotal) {
    m_bMalformed = true;
    return 0;
  }
  m_nInputTotal += static_cast<uint32_t>(length);
  Reserve(std::max<uint64_t>(uint64_t{2} * m_nInputTotal, kMinCapacity));

  const auto* data = static_cast<const uint8_t*>(bytes);
  while (length > 0) {
    int slice = static_cast<int>(std::min(length, kMaxSlice));
    int produced = 0;
    uint8_t* out = m_output.get() + m_nOutputLength;
    if (m_bEncode) {
      if (EVP_EncodeUpdate(m_context.get(), out, &produced, data, slice) != 1) produced = 0;
    } else if (EVP_DecodeUpdate(m_context.get(), out, &produced, data, slice) < 0) {
      m_bMalformed = true;
    }
    if (produced > 0) m_nOutputLength += static_cast<uint32_t>(produced);
    data += slice;
    length -= static_cast<size_t>(slice);
  }
  return 0;
}

int Encoder::Final() {
  if (!m_bStarted) return 0;
  int produced = 0;
  uint8_t* out = m_output.get() + m_nOutputLength;
  if (m_bEncode) {
    EVP_EncodeFinal(m_context.get(), out, &produced);
  } else if (EVP_DecodeFinal(m_context.get(), out, &produced) < 0) {
    m_bMalformed = true;
  }
  if (produced > 0) m_nOutputLength += static_cast<uint32_t>(produced);
  m_bStarted = false;
  return 0;
}

int Encoder::CopyOut(uint8_t* destination) const {
  std::memset(destination, 0, m_nOutputLength);
  std::memcpy(destination, m_output.get(), m_nOutputLength);
  return 0;
}
