#include "platform/resources/ResourceTable.h"

#include <algorithm>
#include <utility>

#include "platform/pe/ByteView.h"
#include "platform/pe/PeImage.h"
#include "platform/text/Utf.h"

namespace platform {

using pe::ByteView;

namespace {

// Resource names are at most this long (MAX_PATH-sized); a longer "name" is
// garbage and ends the walk before it costs memory.
constexpr size_t kMaxNameUnits = 260;
// Upper bound of directory entries visited in one PE resource walk. Real
// programs have a few hundred; a hostile file with nested counts of 65535
// must not make us loop for minutes.
constexpr size_t kMaxVisitedEntries = 65536;
constexpr uint32_t kSubdirectoryFlag = 0x80000000;
constexpr uint32_t kNameIsStringFlag = 0x80000000;

char16_t UpperAscii(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

std::u16string UpperName(std::u16string name) {
  for (char16_t& c : name) c = UpperAscii(c);
  return name;
}

constexpr uint64_t AlignUp4(uint64_t value) { return (value + 3) & ~uint64_t{3}; }

// One TYPE or NAME field of a .res header: 0xFFFF + id, or a NUL-terminated
// UTF-16 string. Advances `offset` past it.
std::optional<ResourceName> ReadResName(const ByteView& view, uint64_t& offset, uint64_t end) {
  const std::optional<uint16_t> first = view.U16(offset);
  if (!first || offset + 2 > end) return std::nullopt;
  if (*first == 0xFFFF) {
    const std::optional<uint16_t> id = view.U16(offset + 2);
    if (!id || offset + 4 > end) return std::nullopt;
    offset += 4;
    return ResourceName(*id);
  }
  const uint64_t stop = std::min<uint64_t>(end, view.Size());
  std::optional<TerminatedUtf16> name =
      ReadTerminatedUtf16(view.Bytes().subspan(offset, stop - offset), kMaxNameUnits);
  if (!name) return std::nullopt;
  offset += name->byteCount;
  return ResourceName::FromUtf16(std::move(name->units));
}

class PeResourceWalker {
 public:
  PeResourceWalker(const ByteView& file, const pe::PeImage& image, ByteView directory)
      : m_file(file), m_image(image), m_directory(directory) {}

  Win32Error Walk(std::vector<ResourceEntry>& out) {
    std::vector<ResourceName> path;
    return WalkDirectory(0, 0, path, out);
  }

 private:
  std::optional<ResourceName> EntryName(uint32_t field) const {
    if ((field & kNameIsStringFlag) == 0) return ResourceName(static_cast<uint16_t>(field & 0xFFFF));
    const uint32_t at = field & ~kNameIsStringFlag;
    const std::optional<uint16_t> length = m_directory.U16(at);
    if (!length || *length > kMaxNameUnits) return std::nullopt;
    const std::optional<std::span<const uint8_t>> chars = m_directory.Slice(at + 2ULL, *length * 2ULL);
    if (!chars) return std::nullopt;
    return ResourceName::FromUtf16(Utf16FromBytes(*chars));
  }

  // Level 0 = types, 1 = names, 2 = languages (leaves). The fixed depth means
  // a subdirectory pointing back at its parent cannot recurse forever; the
  // visit counter stops a file that fans out absurdly.
  Win32Error WalkDirectory(uint32_t offset, int level, std::vector<ResourceName>& path,
                           std::vector<ResourceEntry>& out) {
    const std::optional<uint16_t> named = m_directory.U16(offset + 12ULL);
    const std::optional<uint16_t> ids = m_directory.U16(offset + 14ULL);
    if (!named || !ids) return kErrorInvalidData;
    const uint32_t count = static_cast<uint32_t>(*named) + *ids;
    if (!m_directory.Contains(offset + 16ULL, count * 8ULL)) return kErrorInvalidData;
    for (uint32_t i = 0; i < count; ++i) {
      if (++m_visited > kMaxVisitedEntries) return kErrorInvalidData;
      const uint64_t entry = offset + 16ULL + 8ULL * i;
      const uint32_t nameField = *m_directory.U32(entry);
      const uint32_t dataField = *m_directory.U32(entry + 4);
      const bool isDirectory = (dataField & kSubdirectoryFlag) != 0;
      const uint32_t target = dataField & ~kSubdirectoryFlag;

      if (level < 2) {
        if (!isDirectory) return kErrorInvalidData;
        std::optional<ResourceName> name = EntryName(nameField);
        if (!name) return kErrorInvalidData;
        path.push_back(std::move(*name));
        const Win32Error error = WalkDirectory(target, level + 1, path, out);
        path.pop_back();
        if (error != kErrorSuccess) return error;
        continue;
      }
      if (isDirectory) return kErrorInvalidData;
      const std::optional<uint32_t> rva = m_directory.U32(target);
      const std::optional<uint32_t> size = m_directory.U32(target + 4ULL);
      if (!rva || !size) return kErrorInvalidData;
      const std::optional<uint32_t> fileOffset = pe::RvaToFileOffset(m_image, *rva, *size, m_file.Size());
      if (!fileOffset) return kErrorInvalidData;
      out.push_back(ResourceEntry{path[0], path[1], static_cast<uint16_t>(nameField & 0xFFFF),
                                  *m_file.Slice(*fileOffset, *size)});
    }
    return kErrorSuccess;
  }

  const ByteView& m_file;
  const pe::PeImage& m_image;
  ByteView m_directory;
  size_t m_visited = 0;
};

}  // namespace

ResourceName::ResourceName(std::string_view name) : m_strName(UpperName(Utf8ToUtf16(name))) {}

ResourceName ResourceName::FromUtf16(std::u16string name) {
  ResourceName result;
  result.m_strName = UpperName(std::move(name));
  return result;
}

bool ResourceName::operator==(const ResourceName& other) const {
  if (m_bIsId != other.m_bIsId) return false;
  return m_bIsId ? m_nId == other.m_nId : m_strName == other.m_strName;
}

std::expected<ResourceTable, Win32Error> ResourceTable::FromResFile(std::span<const uint8_t> bytes) {
  const ByteView view(bytes);
  ResourceTable table;
  uint64_t offset = 0;
  // Every header is at least 32 bytes and moves the offset forward, so the
  // loop ends after at most size / 32 rounds.
  while (offset < view.Size()) {
    const std::optional<uint32_t> dataSize = view.U32(offset);
    const std::optional<uint32_t> headerSize = view.U32(offset + 4);
    if (!dataSize || !headerSize || *headerSize < 32) return std::unexpected(kErrorInvalidData);
    const uint64_t headerEnd = offset + *headerSize;
    if (!view.Contains(offset, *headerSize)) return std::unexpected(kErrorInvalidData);

    uint64_t field = offset + 8;
    std::optional<ResourceName> type = ReadResName(view, field, headerEnd);
    std::optional<ResourceName> name = type ? ReadResName(view, field, headerEnd) : std::nullopt;
    if (!name) return std::unexpected(kErrorInvalidData);
    field = AlignUp4(field);
    // DataVersion (4), MemoryFlags (2), LanguageId (2), Version (4), Characteristics (4).
    if (field + 16 > headerEnd) return std::unexpected(kErrorInvalidData);
    const uint16_t language = *view.U16(field + 6);

    const std::optional<std::span<const uint8_t>> data = view.Slice(headerEnd, *dataSize);
    if (!data) return std::unexpected(kErrorInvalidData);
    // The file starts with an empty entry (type 0, name 0) that only marks
    // the format; it is no resource.
    const bool marker = type->IsId() && type->Id() == 0 && *dataSize == 0;
    if (!marker) table.m_entries.push_back(ResourceEntry{std::move(*type), std::move(*name), language, *data});
    offset = AlignUp4(headerEnd + *dataSize);
  }
  return table;
}

std::expected<ResourceTable, Win32Error> ResourceTable::FromPeImage(std::span<const uint8_t> file) {
  const std::expected<pe::PeImage, Win32Error> image = pe::ParsePeImage(file);
  if (!image) return std::unexpected(image.error());
  if (image->resource.virtualAddress == 0 || image->resource.size == 0) {
    return std::unexpected(kErrorResourceDataNotFound);
  }
  const ByteView fileView(file);
  const std::optional<uint32_t> start =
      pe::RvaToFileOffset(*image, image->resource.virtualAddress, image->resource.size, file.size());
  if (!start) return std::unexpected(kErrorInvalidData);
  const ByteView directory(*fileView.Slice(*start, image->resource.size));

  ResourceTable table;
  PeResourceWalker walker(fileView, *image, directory);
  if (const Win32Error error = walker.Walk(table.m_entries); error != kErrorSuccess) {
    return std::unexpected(error);
  }
  return table;
}

std::expected<std::span<const uint8_t>, Win32Error> ResourceTable::Find(const ResourceName& type,
                                                                        const ResourceName& name,
                                                                        UiLanguageSource uiLanguage) const {
  bool typeSeen = false;
  std::vector<const ResourceEntry*> copies;
  for (const ResourceEntry& entry : m_entries) {
    if (!(entry.type == type)) continue;
    typeSeen = true;
    if (entry.name == name) copies.push_back(&entry);
  }
  if (copies.empty()) return std::unexpected(typeSeen ? kErrorResourceNameNotFound : kErrorResourceTypeNotFound);
  const auto copyIn = [&](uint16_t language) -> const ResourceEntry* {
    for (const ResourceEntry* entry : copies) {
      if (entry->language == language) return entry;
    }
    return nullptr;
  };
  if (copies.size() == 1) return copies.front()->data;
  if (const ResourceEntry* neutral = copyIn(kLangNeutral)) return neutral->data;
  // The UI language is asked for only here, so a lookup of a resource in
  // one copy never touches the registry it comes from.
  std::vector<uint16_t> order;
  if (uiLanguage != nullptr) {
    const uint16_t user = uiLanguage();
    order.push_back(user);
    order.push_back(static_cast<uint16_t>(user & 0x3FF));
  }
  order.push_back(kLangEnglishUs);
  order.push_back(kLangEnglish);
  for (const uint16_t language : order) {
    if (const ResourceEntry* entry = copyIn(language)) return entry->data;
  }
  return copies.front()->data;
}

std::string ResourceTable::FindString(uint32_t id, UiLanguageSource uiLanguage) const {
  if (id > 0xFFFF) return {};
  const std::expected<std::span<const uint8_t>, Win32Error> block =
      Find(ResourceName(kRtString), ResourceName(static_cast<uint16_t>(id / 16 + 1)), uiLanguage);
  if (!block) return {};
  const ByteView view(*block);
  uint64_t offset = 0;
  // Sixteen counted strings in a row; skip to the one we want.
  for (uint32_t index = 0; index < 16; ++index) {
    const std::optional<uint16_t> length = view.U16(offset);
    if (!length) return {};
    if (index == id % 16) {
      const std::optional<std::span<const uint8_t>> chars = view.Slice(offset + 2, *length * 2ULL);
      if (!chars) return {};
      return Utf16BytesToUtf8(*chars);
    }
    offset += 2 + *length * 2ULL;
  }
  return {};
}

}  // namespace platform
