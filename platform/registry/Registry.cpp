#include "platform/registry/Registry.h"

#include <array>

#include "platform/text/Utf.h"

// What is the same on both systems: the names of roots
// and types, and the typed helpers over SetValue and QueryValue.
namespace platform {

namespace {

struct RootInfo {
  RegRoot root;
  std::string_view name;
  std::string_view abbreviation;
};

constexpr std::array<RootInfo, 5> kRoots = {{
    {RegRoot::kClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {RegRoot::kCurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {RegRoot::kLocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {RegRoot::kUsers, "HKEY_USERS", "HKU"},
    {RegRoot::kCurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"},
}};

struct TypeInfo {
  uint32_t type;
  std::string_view name;
};

constexpr std::array<TypeInfo, 9> kTypes = {{
    {kRegNone, "REG_NONE"},
    {kRegSz, "REG_SZ"},
    {kRegExpandSz, "REG_EXPAND_SZ"},
    {kRegBinary, "REG_BINARY"},
    {kRegDword, "REG_DWORD"},
    {kRegDwordBigEndian, "REG_DWORD_BIG_ENDIAN"},
    {kRegLink, "REG_LINK"},
    {kRegMultiSz, "REG_MULTI_SZ"},
    {kRegQword, "REG_QWORD"},
}};

}  // namespace

std::optional<RegRoot> ParseRegRoot(std::string_view name) {
  std::string lower = ToLowerAscii(name);
  for (const RootInfo& info : kRoots) {
    if (lower == ToLowerAscii(info.name) || lower == ToLowerAscii(info.abbreviation)) return info.root;
  }
  return std::nullopt;
}

std::string_view RegRootName(RegRoot root) {
  for (const RootInfo& info : kRoots) {
    if (info.root == root) return info.name;
  }
  return "";
}

std::string_view RegTypeName(uint32_t type) {
  for (const TypeInfo& info : kTypes) {
    if (info.type == type) return info.name;
  }
  return "REG_UNKNOWN";
}

std::optional<uint32_t> ParseRegTypeName(std::string_view name) {
  if (name == "REG_DWORD_LITTLE_ENDIAN") return kRegDword;
  for (const TypeInfo& info : kTypes) {
    if (info.name == name) return info.type;
  }
  return std::nullopt;
}

Win32Error RegKey::SetString(std::string_view name, std::string_view value) {
  std::vector<uint8_t> data = Utf16Bytes(value, Utf16Nul::kAppend);
  return SetValue(name, kRegSz, data);
}

Win32Error RegKey::SetDword(std::string_view name, uint32_t value) {
  std::array<uint8_t, 4> data = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                 static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  return SetValue(name, kRegDword, data);
}

std::expected<std::string, Win32Error> RegKey::ReadString(std::string_view name) const {
  std::expected<RegValue, Win32Error> value = QueryValue(name);
  if (!value) return std::unexpected(value.error());
  if (value->type != kRegSz && value->type != kRegExpandSz) return std::unexpected(kErrorInvalidData);
  return Utf16BytesToUtf8(value->data, Utf16End::kAtFirstNul);
}

std::expected<uint32_t, Win32Error> RegKey::ReadDword(std::string_view name) const {
  std::expected<RegValue, Win32Error> value = QueryValue(name);
  if (!value) return std::unexpected(value.error());
  if (value->type != kRegDword || value->data.size() != 4) return std::unexpected(kErrorInvalidData);
  const std::vector<uint8_t>& d = value->data;
  return d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<uint32_t>(d[3]) << 24);
}

}  // namespace platform
