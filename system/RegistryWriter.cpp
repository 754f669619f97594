#include "system/RegistryWriter.h"

#include <chrono>
#include <climits>
#include <span>
#include <thread>

#include "platform/core/Win32Error.h"
#include "platform/text/Utf.h"

namespace {

using platform::RegKey;
using platform::RegRoot;
using platform::Win32Error;

std::vector<uint8_t> DwordBytes(int32_t value) {
  uint32_t bits = static_cast<uint32_t>(value);
  return {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits >> 16),
          static_cast<uint8_t>(bits >> 24)};
}

std::string JoinKeyPath(std::string_view parent, std::string_view child) {
  if (parent.empty()) return std::string(child);
  return std::string(parent) + "\\" + std::string(child);
}

// Deletes child (a key below parent) and everything under it, children
// first, because a key with subkeys cannot be deleted by itself.
Win32Error DeleteKeyRecursive(const RegKey& parent, std::string_view child) {
  if (child.empty()) return platform::kErrorBadKey;
  RegKey key;
  if (Win32Error err = key.Open(parent.Root(), JoinKeyPath(parent.Path(), child))) return err;
  for (;;) {
    auto grandchild = key.EnumKey(0);
    if (!grandchild) {
      if (grandchild.error() == platform::kErrorNoMoreItems) break;
      return grandchild.error();
    }
    if (Win32Error err = DeleteKeyRecursive(key, *grandchild)) return err;
  }
  key.Close();
  RegKey parentKey;
  if (Win32Error err = parentKey.Open(parent.Root(), parent.Path())) return err;
  return parentKey.DeleteKey(child);
}

Win32Error DeleteSubkeyTree(RegRoot root, std::string_view subkey) {
  // Trailing separators name the same key.
  while (!subkey.empty() && subkey.back() == '\\') subkey.remove_suffix(1);
  size_t cut = subkey.find_last_of('\\');
  std::string_view parentPath = cut == std::string_view::npos ? std::string_view() : subkey.substr(0, cut);
  std::string_view child = cut == std::string_view::npos ? subkey : subkey.substr(cut + 1);
  if (child.empty()) return platform::kErrorBadKey;
  RegKey parent;
  if (Win32Error err = parent.Open(root, parentPath)) return err;
  return DeleteKeyRecursive(parent, child);
}

}  // namespace

std::optional<RegRoot> CRegistryWriter::RootFromName(std::string_view name) {
  if (name == "HKEY_CLASSES_ROOT") return RegRoot::kClassesRoot;
  if (name == "HKEY_CURRENT_USER") return RegRoot::kCurrentUser;
  if (name == "HKEY_LOCAL_MACHINE") return RegRoot::kLocalMachine;
  if (name == "HKEY_USERS") return RegRoot::kUsers;
  if (name == "HKEY_CURRENT_CONFIG") return RegRoot::kCurrentConfig;
  return std::nullopt;
}

int32_t CRegistryWriter::WToI(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
  }
  if (negative) return static_cast<int32_t>(-value);
  return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

std::optional<std::vector<uint8_t>> CRegistryWriter::ParseBinary(std::string_view text) {
  if (text.starts_with('\'')) text.remove_prefix(1);
  if (text.ends_with('\'')) text.remove_suffix(1);
  std::vector<uint8_t> bytes;
  if (text.empty()) return bytes;
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\'', start);
    std::string_view number = text.substr(start, end == std::string_view::npos ? end : end - start);
    if (number.empty() || number.size() > 3) return std::nullopt;
    unsigned value = 0;
    for (char c : number) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 255) return std::nullopt;
    bytes.push_back(static_cast<uint8_t>(value));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return bytes;
}

bool CRegistryWriter::Write(std::string_view rootName, std::string_view subkey, std::string_view typeName,
                            std::string_view valueName, std::string_view data) {
  std::optional<RegRoot> root = RootFromName(rootName);
  if (!root) return false;

  RegKey key;
  if (key.Create(*root, subkey) != platform::kErrorSuccess) return false;

  Win32Error rc = platform::kErrorSuccess;
  auto set = [&](uint32_t type, const std::vector<uint8_t>& bytes) {
    return key.SetValue(valueName, type, std::span<const uint8_t>(bytes));
  };
  if (typeName == "REG_BINARY") {
    std::optional<std::vector<uint8_t>> bytes = ParseBinary(data);
    if (!bytes) return false;
    rc = set(platform::kRegBinary, *bytes);
  } else if (typeName == "REG_DWORD" || typeName == "REG_DWORD_LITTLE_ENDIAN") {
    rc = set(platform::kRegDword, DwordBytes(WToI(data)));
  } else if (typeName == "REG_DWORD_BIG_ENDIAN") {
    // The number's bytes stay in little-endian order; only the type says
    // big-endian. Readers of these values expect exactly that.
    rc = set(platform::kRegDwordBigEndian, DwordBytes(WToI(data)));
  } else if (typeName == "REG_EXPAND_SZ") {
    rc = set(platform::kRegExpandSz, platform::Utf16Bytes(data));
  } else if (typeName == "REG_MULTI_SZ") {
    rc = set(platform::kRegMultiSz, platform::Utf16Bytes(data));
  } else if (typeName == "REG_STR") {
    rc = set(platform::kRegSz, platform::Utf16Bytes(data));
  } else if (typeName == "REG_DEL_NAME") {
    rc = key.DeleteValue(valueName);
  } else if (typeName == "REG_DEL_KEY") {
    key.Close();
    rc = DeleteSubkeyTree(*root, subkey);
  } else {
    key.Close();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return false;
  }
  key.Close();
  return rc == platform::kErrorSuccess || rc == platform::kErrorFileNotFound;
}

std::string CRegistryWriter::ReadString(RegRoot root, std::string_view subkey, std::string_view valueName) {
  RegKey key;
  if (key.Open(root, subkey) != platform::kErrorSuccess) return {};
  auto value = key.QueryValue(valueName);
  if (!value) return {};
  if (value->type != platform::kRegSz && value->type != platform::kRegExpandSz &&
      value->type != platform::kRegMultiSz)
    return {};
  std::string text = platform::Utf16BytesToUtf8(value->data, platform::Utf16End::kAtFirstNul);
  // 520 bytes hold 259 characters and the terminating NUL.
  return std::string(platform::TruncateUtf16(text, 259));
}
