#include "transfer/FileVerify.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/fs/Path.h"
#include "system/ReportSink.h"
#include "system/Trace.h"
#include "transfer/Encoder.h"
#include "transfer/MessageDigest.h"
#include "transfer/TransferCodes.h"

namespace {

constexpr size_t kBlockSize = 64 * 1024;
constexpr int kOpenFail = -1;
constexpr int kReadFail = -2;  // kept inside this file; callers see -1

struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileClose>;

// Streams the file through SHA-512; 0, kOpenFail, kReadFail or the digest's
// code. `step` names the digest step that failed, for the caller's lines.
int DigestHostFile(const std::string& hostPath, MessageDigest& digest, const char*& step) {
  step = "Init";
  digest.SetAlgorithm(kAlgSha512);
  if (int rc = digest.Init(); rc != 0) return rc;

  File file(hostPath.empty() ? nullptr : std::fopen(hostPath.c_str(), "rb"));
  if (!file) return kOpenFail;
  // Our own block buffer is the only one; stdio's would copy every byte twice.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  std::vector<uint8_t> block(kBlockSize);
  step = "Update";
  for (;;) {
    size_t got = std::fread(block.data(), 1, block.size(), file.get());
    if (got > 0) {
      if (int rc = digest.Update(block.data(), got); rc != 0) return rc;
    }
    if (got < block.size()) {
      if (std::ferror(file.get())) return kReadFail;
      break;
    }
  }
  step = "Final";
  return digest.Final();
}

std::string EncodeDigest(const MessageDigest& digest) {
  std::vector<uint8_t> raw(digest.GetLength());
  digest.CopyResult(raw.data());
  Encoder encoder;
  encoder.Init(Encoder::kEncode);
  encoder.Update(raw.data(), raw.size());
  encoder.Final();
  std::string text(reinterpret_cast<const char*>(encoder.Data()), encoder.GetLength());
  std::erase(text, '\n');
  return text;
}

}  // namespace

int FileDigestText(const std::string& path, std::string& digestText) {
  return HostFileDigestText(platform::ToHostPath(path), digestText);
}

int HostFileDigestText(const std::string& hostPath, std::string& digestText) {
  digestText.clear();
  MessageDigest digest;
  const char* step = nullptr;
  int rc = DigestHostFile(hostPath, digest, step);
  if (rc == kReadFail) return kOpenFail;
  if (rc != 0) return rc;
  digestText = EncodeDigest(digest);
  return 0;
}

int BytesDigestText(const void* bytes, size_t length, std::string& digestText) {
  digestText.clear();
  MessageDigest digest;
  digest.SetAlgorithm(kAlgSha512);
  if (int rc = digest.Init(); rc != 0) return rc;
  if (int rc = digest.Update(bytes, length); rc != 0) return rc;
  if (int rc = digest.Final(); rc != 0) return rc;
  digestText = EncodeDigest(digest);
  return 0;
}

int FileVerify(const std::string& path, const std::string& expected, IReportSink* report) {
  Trace("FileVerify() [%s]/[%s]...", path.c_str(), expected.c_str());
  MessageDigest digest;
  const char* step = nullptr;
  int rc = DigestHostFile(platform::ToHostPath(path), digest, step);
  if (rc == kOpenFail || rc == kReadFail) {
    // A read error half way through is as good as a file that never opened:
    // the digest of what was read proves nothing.
    Trace("FileVerify() File Open Fail");
    if (report != nullptr) report->AppendLine("--FileVerify() File Open Fail\r\n");
    return kOpenFail;
  }
  if (rc != 0) {
    Trace("FileVerify() MessageDigest.%s [%d]...", step, rc);
    if (report != nullptr) report->AppendLine("--FileVerify() MessageDigest.%s [%d]...\r\n", step, rc);
    return rc;
  }
  if (EncodeDigest(digest) != expected) {
    Trace("FileVerify() fail...");
    if (report != nullptr) report->AppendLine("--FileVerify() fail\r\n");
    return -1;
  }
  return 0;
}
