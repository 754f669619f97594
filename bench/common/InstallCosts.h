#pragma once

// The parts an item's download is made of, each timed alone over the real
// components, so that the install phase's split can be explained: opening a
// session, the size probe (a connection that ends at the answer), a body read
// into memory, and the same bytes written through the download's file sink.
// Portable, run by the Linux bench in-process and by the Windows driver.
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/http/HttpClient.h"
#include "system/Utility.h"
#include "transfer/FileDownload.h"
#include "transfer/FileSink.h"

namespace bench {

// Seconds for `count` calls of `body`; negative when one failed.
inline double TimeCalls(int count, const std::function<bool()>& body) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    if (!body()) return -1;
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Counts the body and keeps nothing.
class CountingReceiver : public platform::http::IResponseReceiver {
 public:
  bool OnResponse(int status, std::optional<uint64_t>) override { return status == 200; }
  bool OnBody(std::span<const uint8_t> data) override {
    m_nBytes += data.size();
    return true;
  }
  uint64_t Bytes() const { return m_nBytes; }

 private:
  uint64_t m_nBytes = 0;
};

inline bool OpenSession() { return platform::http::Session::Open().has_value(); }

inline bool ProbeOnce(const std::string& url, uint64_t size) { return ProbeFileSize(url) == size; }

// A fresh session and one GET, as an item's download makes them.
inline bool ReadBodyOnce(const std::string& url, uint64_t size) {
  auto session = platform::http::Session::Open();
  if (!session) return false;
  platform::http::Request request;
  request.url = url;
  CountingReceiver receiver;
  return session->Send(request, receiver).has_value() && receiver.Bytes() == size;
}

// `size` bytes handed to the download's sink in the pieces the network layer
// hands over, committed, then removed.
inline bool WriteThroughSinkOnce(const std::string& windowsPath, uint64_t size) {
  std::vector<uint8_t> piece(platform::http::kReadPiece, 0x5a);
  CFileSink sink(windowsPath);
  std::string error;
  if (!sink.Open(error)) return false;
  for (uint64_t written = 0; written < size; written += piece.size()) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(piece.size(), size - written));
    if (!sink.Write(std::span<const uint8_t>(piece.data(), n), error)) return false;
  }
  if (!sink.Commit(error)) return false;
  return CUtility::DeleteFile(windowsPath) == 0;
}

struct DownloadCosts {
  double sessionOpen = -1;
  double sizeProbe = -1;
  double bodyToMemory = -1;
  double sinkWrites = -1;
};

// Each part `count` times: over `url` (a file of `size` bytes) and into
// `folder` (a Windows path that exists).
inline DownloadCosts MeasureDownloadCosts(const std::string& url, uint64_t size, const std::string& folder,
                                          int count) {
  DownloadCosts costs;
  costs.sessionOpen = TimeCalls(count, OpenSession);
  costs.sizeProbe = TimeCalls(count, [&] { return ProbeOnce(url, size); });
  costs.bodyToMemory = TimeCalls(count, [&] { return ReadBodyOnce(url, size); });
  costs.sinkWrites = TimeCalls(count, [&] { return WriteThroughSinkOnce(folder + "\\bench-sink.bin", size); });
  return costs;
}

}  // namespace bench
