#include "transfer/FileVerify.h"

#include <vector>

#include "platform/fs/FileStream.h"
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

// Streams the open file from its start through SHA-512; 0, kReadFail or the
// digest's code. `step` names the digest step that failed, for the caller's
// lines.
int DigestStream(platform::fs::FileStream& file, MessageDigest& digest, const char*& step) {
  step = "Init";
  digest.SetAlgorithm(kAlgSha512);
  if (int rc = digest.Init(); rc != 0) return rc;
  if (file.Seek(0) != platform::kErrorSuccess) return kReadFail;
  std::vector<uint8_t> block(kBlockSize);
  step = "Update";
  for (;;) {
    auto got = file.Read(block);
    if (!got) return kReadFail;
    if (*got == 0) break;
    if (int rc = digest.Update(block.data(), *got); rc != 0) return rc;
  }
  step = "Final";
  return digest.Final();
}

// The same for a file named by a Windows path; kOpenFail when it does not open.
int DigestPath(const std::string& path, MessageDigest& digest, const char*& step) {
  platform::fs::FileStream file;
  if (path.empty() || file.Open(path, platform::fs::FileMode::kRead) != platform::kErrorSuccess) {
    // The digest starts before the file is opened, so a failing Init is
    // reported as such even for a missing file.
    step = "Init";
    digest.SetAlgorithm(kAlgSha512);
    if (int rc = digest.Init(); rc != 0) return rc;
    return kOpenFail;
  }
  return DigestStream(file, digest, step);
}

}  // namespace

std::string DigestText(const MessageDigest& digest) {
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

namespace {

int DigestTextOf(int rc, const MessageDigest& digest, std::string& digestText) {
  if (rc == kReadFail) return kOpenFail;
  if (rc != 0) return rc;
  digestText = DigestText(digest);
  return 0;
}

// The lines and the result of a digest that ran (rc) against the expected
// text.
int Judge(int rc, const char* step, const MessageDigest& digest, const std::string& expected, IReportSink* report) {
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
  if (DigestText(digest) != expected) {
    Trace("FileVerify() fail...");
    if (report != nullptr) report->AppendLine("--FileVerify() fail\r\n");
    return -1;
  }
  return 0;
}

}  // namespace

int FileDigestText(const std::string& path, std::string& digestText) {
  digestText.clear();
  MessageDigest digest;
  const char* step = nullptr;
  return DigestTextOf(DigestPath(path, digest, step), digest, digestText);
}

int BytesDigestText(const void* bytes, size_t length, std::string& digestText) {
  digestText.clear();
  MessageDigest digest;
  digest.SetAlgorithm(kAlgSha512);
  if (int rc = digest.Init(); rc != 0) return rc;
  if (int rc = digest.Update(bytes, length); rc != 0) return rc;
  if (int rc = digest.Final(); rc != 0) return rc;
  digestText = DigestText(digest);
  return 0;
}

int FileVerify(const std::string& path, const std::string& expected, IReportSink* report) {
  Trace("FileVerify() [%s]/[%s]...", path.c_str(), expected.c_str());
  MessageDigest digest;
  const char* step = nullptr;
  int rc = DigestPath(path, digest, step);
  return Judge(rc, step, digest, expected, report);
}

int FileVerify(platform::fs::FileStream& file, const std::string& path, const std::string& expected,
               IReportSink* report) {
  Trace("FileVerify() [%s]/[%s]...", path.c_str(), expected.c_str());
  MessageDigest digest;
  const char* step = nullptr;
  int rc = file.IsOpen() ? DigestStream(file, digest, step) : kOpenFail;
  return Judge(rc, step, digest, expected, report);
}
