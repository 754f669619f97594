#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/Registry.h"

// Turns the five texts of a registry item (root, subkey, value type, value
// name, data) into one write or delete on the registry, and reads single
// string values for the analyses and item processing.
class CRegistryWriter {
 public:
  // Root names ("HKEY_LOCAL_MACHINE" ...) and type names ("REG_DWORD" ...)
  // are compared exactly, with case. Returns true when the change was made,
  // or the value or key to delete was already absent; false for an unknown
  // root (nothing is touched), an unknown type (the subkey has been created
  // by then and stays; the answer comes after a 50 ms pause), data that
  // does not fit the type, or a failed registry call.
  //
  // Data forms: REG_DWORD, REG_DWORD_LITTLE_ENDIAN and REG_DWORD_BIG_ENDIAN
  // take a decimal number (leading digits as _wtoi reads them; the four
  // bytes are little-endian for all three). REG_STR, REG_EXPAND_SZ and
  // REG_MULTI_SZ store the text as UTF-16 without a terminating NUL.
  // REG_BINARY takes decimal byte values 0-255 separated by apostrophes,
  // optionally opened by one ("'1'2'255'" and "1'2'255" are the bytes
  // 01 02 FF); anything else in it refuses the write.
  // REG_DEL_NAME deletes the value, REG_DEL_KEY the subkey with all below it.
  static bool Write(std::string_view rootName, std::string_view subkey, std::string_view typeName,
                    std::string_view valueName, std::string_view data);

  // The string value (REG_SZ, REG_EXPAND_SZ, or the first string of a
  // REG_MULTI_SZ) as it would fit a 260-character buffer: at most 259
  // characters. Empty when the key or value is missing or of another type.
  static std::string ReadString(platform::RegRoot root, std::string_view subkey, std::string_view valueName);

  // Helpers of Write, exposed for their callers' tests.
  static std::optional<platform::RegRoot> RootFromName(std::string_view name);
  // _wtoi: leading white space, an optional sign, digits up to the first
  // other character; 0 when there are none; clamped to the int range.
  static int32_t WToI(std::string_view text);
  // The bytes of REG_BINARY data text; nullopt when it is not such a list.
  static std::optional<std::vector<uint8_t>> ParseBinary(std::string_view text);
};
