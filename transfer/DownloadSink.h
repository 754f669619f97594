#pragma once

#include <cstdint>
#include <span>
#include <string>

// Where the bytes of a download go. The transfer never knows whether they end
// in a file or in memory; it calls Open once when the server has answered
// with 200, Write for every piece in order, and at the end exactly one of
// Commit (the transfer succeeded and its length checked out) or Discard.
//
// Every failing call fills `errorText` with a text for the report and trace.
class IDownloadSink {
 public:
  virtual ~IDownloadSink() = default;
  virtual bool Open(std::string& errorText) = 0;
  virtual bool Write(std::span<const uint8_t> bytes, std::string& errorText) = 0;
  virtual bool Commit(std::string& errorText) = 0;
  // Throws away whatever the transfer produced; must be safe to call when
  // Open was never called or failed.
  virtual void Discard() = 0;
};
