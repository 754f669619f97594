#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "transfer/DownloadSink.h"

class IReportSink;

// Per-file progress for the window: label ("현재 파일"), display name, bytes
// received so far and the expected size. Called before every read of the
// response, including the last one that finds the end.
using DownloadProgress = std::function<void(std::string_view label, std::string_view displayName,
                                            uint64_t received, uint64_t expected)>;

inline constexpr std::string_view kProgressLabel = "현재 파일";

// How one transfer runs. The item form (items of the install plan) writes
// report lines, reports progress and gives up after 3 seconds without
// progress; the quiet form (the update list) writes trace lines only and
// waits as long as the network layer's defaults allow.
struct DownloadOptions {
  bool bItemForm = false;
  std::string strDisplayName;
  IReportSink* pReport = nullptr;  // item form; null = no report
  DownloadProgress progress;       // item form; empty = none
};

// The length the server announces for the URL (Content-Length of a direct
// request, no proxy, no cache); 0 when it announces none or cannot be
// reached. Only http and https URLs are asked.
uint64_t ProbeFileSize(const std::string& url);

// Fetches the URL into the sink: GET for http, POST with an empty
// form-encoded body for https, caches bypassed, the user's proxy settings
// (the environment's http_proxy, https_proxy, no_proxy) honoured. HTTPS
// checks the server's certificate against the TLS library's CA bundle and the
// system's trusted roots; a certificate that does not
// verify fails the transfer.
//
// Returns 0 when the server answered 200 and exactly the announced number of
// bytes arrived (the sink is committed); -9101 on any failure (the sink is
// discarded): no announced length, a URL that is not http/https or cannot be
// parsed, a status other than 200, a sink that cannot be opened or written,
// a network error or time-out, or a byte count that differs.
int FileDownloadTo(const std::string& url, IDownloadSink& sink, const DownloadOptions& options);

// Item form into a file (Windows path). 0 or -9101; on -9101 nothing is left
// at the local path, not even an older file of that name.
int FileDownload(const std::string& url, const std::string& localPath, const std::string& displayName,
                 IReportSink* report, const DownloadProgress& progress);

// Quiet form into a file (Windows path). 0 or -9101, nothing left on failure.
int FileDownload(const std::string& url, const std::string& localPath);
