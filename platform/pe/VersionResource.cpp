#include "platform/pe/VersionResource.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/core/Win32Error.h"
#include "platform/fs/FileSystem.h"
#include "platform/pe/ByteView.h"
#include "platform/resources/ModuleResources.h"
#include "platform/resources/ResourceTable.h"
#include "platform/sysinfo/WindowsVersion.h"
#include "platform/text/Utf.h"

namespace platform {

using pe::ByteView;

namespace {

constexpr uint16_t kVsVersionInfoId = 1;
constexpr uint16_t kTextValue = 1;
// Sub-block paths of real callers have at most three parts; a longer path
// cannot match anything a resource compiler writes.
constexpr size_t kMaxPathParts = 8;
constexpr size_t kMaxKeyUnits = 256;

constexpr uint64_t AlignUp4(uint64_t value) { return (value + 3) & ~uint64_t{3}; }

// One node of the version tree: wLength, wValueLength, wType, szKey, padding,
// value, padding, children. Offsets are into the whole block, whose start is
// four-byte aligned, so the format's alignment is relative to it.
struct Node {
  uint64_t start = 0;
  uint64_t end = 0;  // start + wLength
  std::u16string key;
  bool isText = false;
  uint64_t valueStart = 0;
  uint64_t valueSize = 0;  // in bytes, clamped to the node
  uint64_t childrenStart = 0;
};

std::optional<Node> ReadNode(const ByteView& view, uint64_t start, uint64_t limit) {
  const std::optional<uint16_t> length = view.U16(start);
  const std::optional<uint16_t> valueLength = view.U16(start + 2);
  const std::optional<uint16_t> type = view.U16(start + 4);
  if (!length || !valueLength || !type || *length < 6 || start + *length > limit) return std::nullopt;
  Node node;
  node.start = start;
  node.end = start + *length;
  node.isText = *type == kTextValue;
  const uint64_t keyStart = start + 6;
  const uint64_t keyStop = std::min<uint64_t>(node.end, view.Size());
  if (keyStart > keyStop) return std::nullopt;
  std::optional<TerminatedUtf16> key =
      ReadTerminatedUtf16(view.Bytes().subspan(keyStart, keyStop - keyStart), kMaxKeyUnits);
  if (!key) return std::nullopt;
  node.key = std::move(key->units);
  node.valueStart = std::min(AlignUp4(keyStart + key->byteCount), node.end);
  // Text lengths count UTF-16 units, binary ones bytes. Some producers write
  // byte counts for text too; clamping to the node keeps either readable.
  const uint64_t declared = node.isText ? *valueLength * 2ULL : *valueLength;
  node.valueSize = std::min(declared, node.end - node.valueStart);
  node.childrenStart = std::min(AlignUp4(node.valueStart + node.valueSize), node.end);
  return node;
}

char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool KeyEquals(const std::u16string& a, const std::u16string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return FoldAscii(x) == FoldAscii(y); });
}

// The version block of a file: the module's own resources for the running
// program, the PE resource directory otherwise. Copies the block so the file
// bytes can go.
std::expected<std::vector<uint8_t>, Win32Error> LoadVersionBlock(std::string_view path) {
  const auto copy = [](std::span<const uint8_t> data) { return std::vector<uint8_t>(data.begin(), data.end()); };
  if (IsModuleFile(path)) {
    const std::expected<std::span<const uint8_t>, Win32Error> own =
        FindModuleResource(ResourceName(kRtVersion), ResourceName(kVsVersionInfoId));
    if (!own) return std::unexpected(own.error());
    return copy(*own);
  }
  const std::expected<std::vector<uint8_t>, Win32Error> file = fs::ReadFileBytes(path);
  if (!file) return std::unexpected(file.error());
  const std::expected<ResourceTable, Win32Error> table = ResourceTable::FromPeImage(*file);
  if (!table) return std::unexpected(table.error());
  const std::expected<std::span<const uint8_t>, Win32Error> block =
      table->Find(ResourceName(kRtVersion), ResourceName(kVsVersionInfoId), &GetUserUILanguage);
  if (!block) return std::unexpected(block.error());
  // A block that is not even a version tree root is no version resource.
  const ByteView view(*block);
  const std::optional<Node> root = ReadNode(view, 0, view.Size());
  if (!root || !KeyEquals(root->key, u"VS_VERSION_INFO")) return std::unexpected(kErrorInvalidData);
  return copy(*block);
}

}  // namespace

uint32_t FileVersionInfoSize(std::string_view path) {
  const std::expected<std::vector<uint8_t>, Win32Error> block = LoadVersionBlock(path);
  if (!block) {
    SetLastError(block.error());
    return 0;
  }
  if (block->empty()) {
    SetLastError(kErrorResourceTypeNotFound);
    return 0;
  }
  SetLastError(kErrorSuccess);
  return static_cast<uint32_t>(block->size());
}

bool ReadFileVersionInfo(std::string_view path, std::span<uint8_t> buffer) {
  const std::expected<std::vector<uint8_t>, Win32Error> block = LoadVersionBlock(path);
  if (!block) {
    SetLastError(block.error());
    return false;
  }
  const size_t count = std::min(buffer.size(), block->size());
  if (count > 0) std::memcpy(buffer.data(), block->data(), count);
  SetLastError(kErrorSuccess);
  return true;
}

std::optional<VersionValue> QueryVersionValue(std::span<const uint8_t> block, std::string_view subBlock) {
  const ByteView view(block);
  std::optional<Node> node = ReadNode(view, 0, view.Size());
  if (!node) return std::nullopt;

  std::vector<std::u16string> parts;
  size_t begin = 0;
  while (begin <= subBlock.size()) {
    size_t end = subBlock.find('\\', begin);
    if (end == std::string_view::npos) end = subBlock.size();
    if (end > begin) {
      if (parts.size() >= kMaxPathParts) return std::nullopt;
      parts.push_back(Utf8ToUtf16(subBlock.substr(begin, end - begin)));
    }
    begin = end + 1;
  }

  for (const std::u16string& part : parts) {
    std::optional<Node> found;
    // Each child is at least six bytes long and the walk only moves forward,
    // so this ends within the parent.
    for (uint64_t child = node->childrenStart; child + 6 <= node->end;) {
      std::optional<Node> candidate = ReadNode(view, child, node->end);
      if (!candidate) break;
      if (KeyEquals(candidate->key, part)) {
        found = std::move(candidate);
        break;
      }
      child = AlignUp4(candidate->end);
    }
    if (!found) return std::nullopt;
    node = std::move(found);
  }

  VersionValue value;
  value.isText = node->isText;
  uint64_t size = node->valueSize;
  if (value.isText) {
    // Up to the first NUL: the terminator is no part of the text.
    size = Utf16FromBytes(*view.Slice(node->valueStart, size), Utf16End::kAtFirstNul).size() * 2;
  }
  if (size == 0) return std::nullopt;
  value.bytes = *view.Slice(node->valueStart, size);
  return value;
}

std::string VersionValueText(const VersionValue& value) {
  if (!value.isText) return {};
  return Utf16BytesToUtf8(value.bytes);
}

}  // namespace platform
