#include "tools/publish/ListSigner.h"

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <filesystem>
#include <memory>

#include "platform/fs/Path.h"
#include "platform/text/Utf.h"
#include "transfer/Encoder.h"
#include "transfer/OpenSslHandles.h"
#include "transfer/UpdateListLayout.h"

namespace {

std::string Trim(std::string_view text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(" \t");
  return std::string(text.substr(begin, end - begin + 1));
}

// A value as the profile functions hand it out: trimmed, one pair of
// matching quotes removed.
std::string ProfileValue(std::string_view raw) {
  std::string value = Trim(raw);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

struct Line {
  std::string text;  // without its CR LF
};

struct Section {
  std::string name;
  size_t header = 0;          // index of the [name] line
  size_t lastContent = 0;     // last non-empty line of the section
  std::optional<size_t> secureData;
  std::string url;
  bool compressed = false;
  bool seen = false;          // a later duplicate is ignored, as the profile functions do
};

}  // namespace

std::string NormalizeLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  if (!out.empty() && !out.ends_with("\r\n")) out += "\r\n";
  return out;
}

FillResult FillSecureData(const std::string& iniText, const std::string& filesFolder, const DigestOf& digestOf,
                          const DigestOf& compressedDigestOf) {
  FillResult result;
  std::string normal = NormalizeLineEnds(iniText);
  std::vector<Line> lines;
  for (size_t start = 0; start < normal.size();) {
    size_t end = normal.find("\r\n", start);
    lines.push_back({normal.substr(start, end - start)});
    start = end + 2;
  }

  std::vector<Section> sections;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string text = Trim(lines[i].text);
    if (text.empty() || text[0] == ';') continue;
    if (text[0] == '[') {
      size_t close = text.find(']');
      Section section;
      section.name = Trim(text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      section.header = section.lastContent = i;
      for (const Section& other : sections) {
        if (platform::EqualsIgnoreCase(other.name, section.name)) section.seen = true;
      }
      sections.push_back(section);
      continue;
    }
    if (sections.empty()) continue;
    Section& section = sections.back();
    section.lastContent = i;
    size_t equals = text.find('=');
    if (equals == std::string::npos) continue;
    std::string key = Trim(text.substr(0, equals));
    std::string value = ProfileValue(text.substr(equals + 1));
    // The first of duplicate keys wins, as the wizard reads it.
    if (platform::EqualsIgnoreCase(key, "SECURE_DATA") && !section.secureData) section.secureData = i;
    if (platform::EqualsIgnoreCase(key, "DOWNLOAD_FULL_URL") && section.url.empty()) section.url = value;
    if (platform::EqualsIgnoreCase(key, "COMPRESSED") && !section.seen) section.compressed = value == "TRUE";
  }

  // Inserted lines go in from the bottom up, so earlier indexes stay valid.
  std::vector<std::pair<size_t, std::string>> inserts;
  for (Section& section : sections) {
    if (section.seen || platform::EqualsIgnoreCase(section.name, "GENERAL") || section.url.empty()) continue;
    platform::SplitPath parts = platform::SplitWindowsPath(section.url);
    std::string fileName = parts.fname + parts.ext;
    if (fileName.empty()) continue;
    std::string hostPath = (std::filesystem::path(filesFolder) / fileName).string();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(hostPath, ec)) {
      result.skipped.push_back("[" + section.name + "] " + fileName);
      continue;
    }

    std::string why;
    std::optional<std::string> digest =
        section.compressed ? compressedDigestOf(hostPath, why) : digestOf(hostPath, why);
    if (!digest) {
      result.errors.push_back("[" + section.name + "] " + fileName + ": " + why);
      continue;
    }
    std::string line = "SECURE_DATA=" + *digest;
    if (section.secureData) {
      lines[*section.secureData].text = line;
    } else {
      inserts.emplace_back(section.lastContent + 1, line);
    }
    result.filled.push_back(section.name);
  }
  for (auto it = inserts.rbegin(); it != inserts.rend(); ++it) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(it->first), Line{it->second});
  }
  for (const Line& line : lines) result.text += line.text + "\r\n";
  return result;
}

std::string SignatureBlock(const std::string& signature) {
  Encoder encoder;
  encoder.Init(Encoder::kEncode);
  encoder.Update(signature.data(), signature.size());
  encoder.Final();
  std::string text(reinterpret_cast<const char*>(encoder.Data()), encoder.GetLength());
  std::string block(kSignatureBeginMarker);
  block += "\r\n";
  for (char c : text) {
    if (c == '\n') {
      block += "\r\n";
    } else {
      block += c;
    }
  }
  block += kSignatureEndMarker;
  return block;
}

std::optional<std::string> SignBytes(const std::string& privateKeyPem, const std::string& bytes, std::string& why) {
  transfer::ossl::Bio bio(BIO_new_mem_buf(privateKeyPem.data(), static_cast<int>(privateKeyPem.size())));
  transfer::ossl::Pkey key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
  if (!key) {
    why = "no private key could be read (" + transfer::ossl::TakeErrorText() + ")";
    return std::nullopt;
  }
  if (EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_RSA) {
    why = "the key is not an RSA key";
    return std::nullopt;
  }
  transfer::ossl::MdCtx context(EVP_MD_CTX_new());
  size_t length = 0;
  if (!context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha512(), nullptr, key.get()) != 1 ||
      EVP_DigestSign(context.get(), nullptr, &length, reinterpret_cast<const unsigned char*>(bytes.data()),
                     bytes.size()) != 1) {
    why = "signing failed (" + transfer::ossl::TakeErrorText() + ")";
    return std::nullopt;
  }
  std::string signature(length, '\0');
  if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                     reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) != 1) {
    why = "signing failed (" + transfer::ossl::TakeErrorText() + ")";
    return std::nullopt;
  }
  signature.resize(length);
  return signature;
}

std::string PublicKeyOf(const std::string& privateKeyPem) {
  transfer::ossl::Bio in(BIO_new_mem_buf(privateKeyPem.data(), static_cast<int>(privateKeyPem.size())));
  transfer::ossl::Pkey key(in ? PEM_read_bio_PrivateKey(in.get(), nullptr, nullptr, nullptr) : nullptr);
  transfer::ossl::Bio out(BIO_new(BIO_s_mem()));
  if (!key || !out || PEM_write_bio_PUBKEY(out.get(), key.get()) != 1) return {};
  char* data = nullptr;
  long length = BIO_get_mem_data(out.get(), &data);
  return std::string(data, static_cast<size_t>(length));
}
