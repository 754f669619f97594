#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Win32Error.h"

// Microsoft cabinets: listing and extraction in the manner of
// SetupIterateCabinetW. Paths are Windows paths.
namespace platform::cabinet {

struct CabinetFile {
  // As stored, as UTF-8: ISO-8859-1 names are converted, and what a name
  // flagged UTF-8 holds that is not UTF-8 becomes U+FFFD.
  std::string name;
  uint64_t size = 0;
  uint32_t attributes = 0;  // the cabinet's attribute bits
};

// The files of the cabinet in stored order; kErrorFileNotFound for a missing
// file, kErrorInvalidData for one that is not a readable cabinet.
std::expected<std::vector<CabinetFile>, Win32Error> ListCabinet(std::string_view cabinetPath);

// True when the stored name, joined to a folder, stays inside it: not empty,
// relative (no leading "\" or "/", so no UNC either), no drive letter or other
// ":", and no ".." component (a component of dots and spaces only, which
// Windows would shorten to "..", counts as one).
bool IsSafeMemberName(std::string_view name);

// What the iteration asks its caller, in stored order.
class ICabinetCallback {
 public:
  virtual ~ICabinetCallback() = default;
  // SPFILENOTIFY_FILEINCABINET: the Windows path to extract the file to, or
  // nullopt to skip it.
  virtual std::optional<std::string> FileInCabinet(const CabinetFile& file) = 0;
  // SPFILENOTIFY_FILEEXTRACTED: the file was written (error 0) or not.
  virtual void FileExtracted(const CabinetFile& file, const std::string& target, Win32Error error) = 0;
  // A name that would leave the extraction folder; it is never extracted.
  virtual void NameRefused(const CabinetFile& file) = 0;
};

// Extracts every file the callback asks for, creating the target's missing
// folders; files that fail are reported and the rest go on. A name that
// IsSafeMemberName refuses goes to NameRefused and is never offered to the
// callback. Returns an error only when the cabinet cannot be read at all
// (nothing is extracted then).
Win32Error IterateCabinet(std::string_view cabinetPath, ICabinetCallback& callback);

// The same over a cabinet the caller has read into memory: every byte
// extracted comes from `image`, so a cabinet checked in memory is the
// cabinet extracted, whatever happens to its file meanwhile.
Win32Error IterateCabinet(std::span<const uint8_t> image, ICabinetCallback& callback);

}  // namespace platform::cabinet
