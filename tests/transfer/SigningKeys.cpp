#include "tests/transfer/SigningKeys.h"

std::string Base64Lines(const std::string& bytes) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 2]);
    text += kAlphabet[(group >> 18) & 63];
    text += kAlphabet[(group >> 12) & 63];
    text += i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 63] : '=';
    text += i + 2 < bytes.size() ? kAlphabet[group & 63] : '=';
  }
  std::string lines;
  for (size_t i = 0; i < text.size(); i += 64) lines += text.substr(i, 64) + "\r\n";
  return lines;
}

std::string MakeSignedList(const std::string& ini, const std::string& privateKeyPath) {
  return ini + "-----BEGIN SIGNATURE-----\r\n" + Base64Lines(OpensslSign(privateKeyPath, ini)) +
         "-----END SIGNATURE-----";
}
