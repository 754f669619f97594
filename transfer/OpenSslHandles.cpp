#include "transfer/OpenSslHandles.h"

#include <openssl/err.h>

namespace transfer::ossl {

const EVP_MD* DigestForCode(int code) {
  if (code > 5) code -= 5;
  switch (code) {
    case 1: return EVP_md5();
    case 2: return EVP_sha1();
    case 3: return EVP_sha256();
    case 4: return EVP_sha384();
    case 5: return EVP_sha512();
    default: return nullptr;
  }
}

std::string TakeErrorText() {
  unsigned long error = ERR_get_error();
  ERR_clear_error();
  if (error == 0) return {};
  char text[256];
  ERR_error_string_n(error, text, sizeof text);
  return text;
}

}  // namespace transfer::ossl
