#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Version resources (VS_VERSIONINFO) with the semantics of
// GetFileVersionInfoSizeW, GetFileVersionInfoW and VerQueryValueW. The files
// are PE32/PE32+ images; a path naming the running program reads the
// version resource of its own embedded resources instead.
namespace platform {

// Size in bytes of the file's version block; 0 on failure with the thread's
// last error set: kErrorFileNotFound / kErrorPathNotFound / kErrorAccessDenied
// for the file, kErrorBadExeFormat when it is no PE image,
// kErrorResourceDataNotFound when it has no resources at all,
// kErrorResourceTypeNotFound / kErrorResourceNameNotFound when it has no
// version resource, kErrorInvalidData for a malformed resource directory.
uint32_t FileVersionInfoSize(std::string_view path);

// Copies the version block (at most buffer.size() bytes) into the buffer.
// False with the last error set as above; the buffer is then untouched.
bool ReadFileVersionInfo(std::string_view path, std::span<uint8_t> buffer);

// A value found in a version block. For text values `bytes` holds the UTF-16LE
// characters without the terminating NUL.
struct VersionValue {
  std::span<const uint8_t> bytes;
  bool isText = false;
};

// VerQueryValueW: "\" gives the fixed file information, "\VarFileInfo\Translation"
// the translation array, "\StringFileInfo\<lang><cp>\<key>" a string. Keys
// compare without case. Nothing when the path is not in the block, when the
// block is malformed or when the value is empty (as Windows reports a
// zero-length value as a failure). Never reads outside `block`.
std::optional<VersionValue> QueryVersionValue(std::span<const uint8_t> block, std::string_view subBlock);

// The text of a text value as UTF-8 (binary values give an empty string).
std::string VersionValueText(const VersionValue& value);

}  // namespace platform
