// Fuzzes the update list checks: layout and markers, VerFileCheck, base64
// decoding and the signature verification, on arbitrary bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "transfer/Encoder.h"
#include "transfer/UpdateListLayout.h"

namespace {

// Any RSA public key will do: no input is expected to carry a signature it
// accepts, the point is to walk the decoder and the verifier on every shape.
constexpr char kPublicKey[] =
    "-----BEGIN PUBLIC KEY-----\n"
    "MIIBIjANBgkqhkiG9w0BAQEFAAOCAQ8AMIIBCgKCAQEAifZZQde/Mlgxm96KoAzq\n"
    "zkuUZuBi4GG3COiHjkYrOU/sYRFlsEutyd/ZQF8riRUy81d0o5+GEkHOocH53DdM\n"
    "NN4K+7LV0kYvLEi7fm0XhyyyxFfuT87+m5qqIaNlwnn8lwBR8PSA4SP7PMgBJrxi\n"
    "qTnLFOHTcDp4uINj5fwLjS2DRdIYhzGmEkRR7+ievZSImHP8nww5HmA0o38PuCKr\n"
    "n5yoLca42jrCZI/ZklJjM8WuKk4Oj9nEBLVdn1WRFhfbMwKc1h+f5tfgS/W6eLMP\n"
    "8pZQbP0eL3W5yXHQS2A3W6r6bJkJUWQNmRRdWZAykCx0Lw2xmiuC7LhwokscuH+S\n"
    "NQIDAQAB\n"
    "-----END PUBLIC KEY-----\n"
    ;

std::string g_prefix;

void RemovePrefix() {
  std::error_code ec;
  std::filesystem::remove_all(g_prefix, ec);
}

}  // namespace

// The checks write trace lines, and the trace switch lives in the prefix:
// the fuzzer gets a prefix of its own, never the user's.
extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  std::string templ = std::filesystem::temp_directory_path().string() + "/vamo-fuzz-XXXXXX";
  if (mkdtemp(templ.data()) == nullptr) std::abort();
  g_prefix = templ;
  setenv("VAMO_PREFIX", (g_prefix + "/prefix").c_str(), 1);
  std::atexit(RemovePrefix);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> bytes(data, size);

  CUpdateListLayout layout;
  int rc = layout.VerifyBytes(bytes, "fuzz.ver", std::string_view(kPublicKey, sizeof kPublicKey - 1), nullptr);
  if (rc == 0) std::abort();  // nobody holds the private key of kPublicKey
  if (layout.Cut(bytes) == 0) {
    // The signed bytes are the start of the input and hold no BEGIN marker.
    std::span<const uint8_t> signedBytes = layout.SignedBytes();
    if (signedBytes.size() > size || (size > 0 && std::memcmp(signedBytes.data(), data, signedBytes.size()) != 0)) {
      std::abort();
    }
    std::string_view signedText(reinterpret_cast<const char*>(signedBytes.data()), signedBytes.size());
    if (signedText.substr(0, signedText.find('\0')).find(kSignatureBeginMarker) != std::string_view::npos) {
      std::abort();
    }
    std::string_view signature = layout.SignatureText();
    if (signature.find(kSignatureEndMarker) != std::string_view::npos) std::abort();
  }
  VerFileCheck(static_cast<uint32_t>(size + 1), bytes, "fuzz.ver");

  // Whatever the bytes, encoding then decoding gives them back.
  Encoder encoder;
  encoder.Init(Encoder::kEncode);
  encoder.Update(data, size);
  encoder.Final();
  std::string text(reinterpret_cast<const char*>(encoder.Data()), encoder.GetLength());
  Encoder decoder;
  decoder.Init(Encoder::kDecode);
  decoder.Update(text.data(), text.size());
  decoder.Final();
  if (decoder.GetLength() != size || (size > 0 && std::memcmp(decoder.Data(), data, size) != 0)) std::abort();

  // And decoding the raw input never writes past its buffer.
  decoder.Init(Encoder::kDecode);
  decoder.Update(data, size);
  decoder.Final();
  return 0;
}
