#include "platform/profile/Profile.h"

#include <list>
#include <mutex>

#include "platform/fs/FileSystem.h"
#include "platform/fs/Path.h"
#include "platform/profile/ProfileDocument.h"
#include "platform/sysinfo/KnownFolders.h"
#include "platform/text/CodePage.h"
#include "platform/text/Utf.h"

namespace platform::profile {

struct Source::Memory {
  std::vector<uint8_t> bytes;
  std::once_flag parsedOnce;
  std::shared_ptr<const ProfileDocument> parsed;
};

namespace {

// Windows looks for a bare file name in the Windows folder, not in the
// current one.
std::string ResolveProfilePath(std::string path) {
  bool hasFolder = path.find_first_of("\\/:") != std::string::npos;
  if (hasFolder || path.empty()) return path;
  return JoinWindowsPath(GetKnownFolder(KnownFolder::kWindows), path);
}

// Lays out a NUL-separated list in a buffer of `chars` code units the way
// the Windows profile functions do: a list that does not fit is cut and
// still ends in two NULs, so a caller walking it stops in the buffer.
std::u16string PackList(const std::vector<std::u16string>& items, size_t chars) {
  if (chars == 0) return {};
  std::u16string all;
  for (const std::u16string& item : items) {
    all += item;
    all += u'\0';
  }
  if (all.empty() || chars == 1) return std::u16string(1, u'\0');
  if (all.size() + 1 <= chars) return all + u'\0';
  size_t cut = chars - 2;
  if (cut > 0 && all[cut - 1] >= 0xD800 && all[cut - 1] <= 0xDBFF) --cut;  // keep pairs whole
  all.resize(cut);
  all += std::u16string(2, u'\0');
  return all;
}

std::string_view StripQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Parsed files of the last few look-ups. A file source still reads the file
// on every call, so a change is always seen; only when the bytes are the
// same as last time is their parsed form used again, which spares the
// install plan a parse of the whole update list for every key it reads.
// Text that was read in the ANSI code page is parsed again when the
// system's language (and with it the code page) has changed since.
class ParsedFileCache {
 public:
  std::shared_ptr<const ProfileDocument> Get(const std::string& path, std::vector<uint8_t> bytes) {
    {
      std::lock_guard<std::mutex> guard(m_lock);
      for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->path == path && it->bytes == bytes) {
          uint32_t page = it->parsed->DecodedWith();
          if (page != 0 && page != GetAnsiCodePage()) break;
          m_entries.splice(m_entries.begin(), m_entries, it);
          return it->parsed;
        }
      }
    }
    auto parsed = std::make_shared<const ProfileDocument>(ProfileDocument::Parse(bytes));
    std::lock_guard<std::mutex> guard(m_lock);
    std::erase_if(m_entries, [&](const Entry& entry) { return entry.path == path; });
    m_entries.push_front(Entry{path, std::move(bytes), parsed});
    if (m_entries.size() > kEntries) m_entries.pop_back();
    return parsed;
  }

 private:
  static constexpr size_t kEntries = 8;
  struct Entry {
    std::string path;
    std::vector<uint8_t> bytes;
    std::shared_ptr<const ProfileDocument> parsed;
  };
  std::mutex m_lock;
  std::list<Entry> m_entries;
};

ParsedFileCache& FileCache() {
  static ParsedFileCache cache;
  return cache;
}

std::mutex& WriterLock() {
  static std::mutex lock;
  return lock;
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A name asked for loses only its outer spaces, but the file's text loses
// tabs and vertical tabs as well: Windows writes "[\tname]", reads it back
// as "name" and never finds it again by the name it was written with, so
// every later write adds another. We refuse such a name.
bool HasOuterTabs(std::string_view name) {
  name = TrimSpaces(name);
  return !name.empty() && TrimBlanks(name).size() != name.size();
}

Win32Error CheckWriteArguments(std::string_view section, std::optional<std::string_view> key,
                               std::optional<std::string_view> value) {
  // Empty names are fine: "[]" is a section and "=v" a key that an empty
  // name finds when reading, as on Windows.
  if (HasLineBreakOrNul(section) || section.find(']') != std::string_view::npos || HasOuterTabs(section)) {
    return kErrorInvalidParameter;
  }
  if (key) {
    // Windows writes a key ";k" as a comment that no reader finds again;
    // we refuse it, and a key that would read back as a section header.
    std::string_view k = TrimSpaces(*key);
    if (HasLineBreakOrNul(*key) || k.find('=') != std::string_view::npos || HasOuterTabs(k) ||
        (!k.empty() && (k.front() == ';' || k.front() == '['))) {
      return kErrorInvalidParameter;
    }
  }
  if (value && HasLineBreakOrNul(*value)) return kErrorInvalidParameter;
  return kErrorSuccess;
}

// The changes to the text, or nullopt when the request changes nothing.
// Every change covers whole lines, so that an ANSI file keeps the bytes of
// every other line.
std::optional<std::vector<TextEdit>> EditText(const ProfileDocument& doc, std::string_view section,
                                              std::optional<std::string_view> key,
                                              std::optional<std::string_view> value) {
  const std::string& text = doc.Text();
  std::string_view eol = doc.LineEnd();
  std::string_view sectionName = TrimSpaces(section);
  const ProfileSection* found = doc.FindSection(sectionName);

  if (!key) {
    // The header and the section's lines go; comments and blank lines stay,
    // as Windows leaves them.
    if (found == nullptr) return std::nullopt;
    std::vector<TextEdit> edits{{found->headerBegin, found->headerEnd, {}}};
    for (const ProfileEntry& entry : found->entries) edits.push_back({entry.lineBegin, entry.lineEnd, {}});
    return edits;
  }
  std::string_view keyName = TrimSpaces(*key);
  const ProfileEntry* entry = found ? ProfileDocument::FindKey(*found, keyName) : nullptr;

  if (!value) {
    if (entry == nullptr) return std::nullopt;
    return std::vector<TextEdit>{{entry->lineBegin, entry->lineEnd, {}}};
  }

  if (entry != nullptr) {
    // The key keeps its spelling and indentation; only what follows changes.
    std::string line = text.substr(entry->lineBegin, entry->keyBegin - entry->lineBegin);
    line += entry->key;
    line += '=';
    line += *value;
    if (text.compare(entry->lineBegin, entry->contentEnd - entry->lineBegin, line) == 0) {
      return std::nullopt;
    }
    return std::vector<TextEdit>{{entry->lineBegin, entry->contentEnd, std::move(line)}};
  }

  // A new line after a last line without a line end ends that line first,
  // with the file's own line end, as Windows does.
  std::string added;
  size_t at;
  bool needsBreak;
  if (found != nullptr) {
    at = found->insertAt;
    needsBreak = found->insertAfterUnterminatedLine;
  } else {
    at = text.size();
    needsBreak = !text.empty() && text.back() != '\n' && text.back() != '\r';
    added += '[';
    added += sectionName;
    added += ']';
    added += eol;
  }
  added += keyName;
  added += '=';
  added += *value;
  added += eol;
  if (needsBreak) added.insert(0, eol);
  return std::vector<TextEdit>{{at, at, std::move(added)}};
}

}  // namespace

Source Source::File(std::string windowsPath) {
  Source source;
  source.m_strPath = ResolveProfilePath(std::move(windowsPath));
  return source;
}

Source Source::Bytes(std::span<const uint8_t> bytes) {
  Source source;
  source.m_memory = std::make_shared<Memory>();
  source.m_memory->bytes.assign(bytes.begin(), bytes.end());
  return source;
}

Source Source::Text(std::string_view text) {
  return Bytes(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::vector<uint8_t> Source::Load() const {
  if (m_memory) return m_memory->bytes;
  if (!m_strPath || m_strPath->empty()) return {};
  auto bytes = fs::ReadFileBytes(*m_strPath);
  return bytes ? std::move(*bytes) : std::vector<uint8_t>{};
}

std::shared_ptr<const ProfileDocument> Source::Parsed() const {
  if (m_memory) {
    std::call_once(m_memory->parsedOnce, [this] {
      m_memory->parsed = std::make_shared<const ProfileDocument>(ProfileDocument::Parse(m_memory->bytes));
    });
    return m_memory->parsed;
  }
  std::vector<uint8_t> bytes = Load();
  if (bytes.empty()) return std::make_shared<const ProfileDocument>();
  return FileCache().Get(*m_strPath, std::move(bytes));
}

std::string GetString(const Source& source, std::string_view section, std::string_view key,
                      std::string_view def, size_t bufferChars) {
  if (bufferChars == 0) return {};
  std::shared_ptr<const ProfileDocument> doc = source.Parsed();
  std::string_view result;
  const ProfileEntry* entry = nullptr;
  if (const ProfileSection* found = doc->FindSection(section)) {
    entry = ProfileDocument::FindKey(*found, key);
  }
  if (entry != nullptr) {
    // Quotes go before the cut, so a long quoted value keeps its first
    // characters rather than its opening quote.
    result = StripQuotes(entry->value);
  } else {
    result = def;
    while (!result.empty() && result.back() == ' ') result.remove_suffix(1);
  }
  return std::string(TruncateUtf16(result, bufferChars - 1));
}

std::u16string GetSectionNames(const Source& source, size_t bufferChars) {
  if (bufferChars == 0) return {};
  std::shared_ptr<const ProfileDocument> doc = source.Parsed();
  std::vector<std::u16string> names;
  for (const ProfileSection& section : doc->Sections()) {
    // An empty name would end the list early.
    if (!section.name.empty()) names.push_back(Utf8ToUtf16(section.name));
  }
  return PackList(names, bufferChars);
}

std::u16string GetSection(const Source& source, std::string_view section, size_t bufferChars) {
  if (bufferChars == 0) return {};
  std::shared_ptr<const ProfileDocument> doc = source.Parsed();
  std::vector<std::u16string> lines;
  if (const ProfileSection* found = doc->FindSection(section)) {
    for (const ProfileEntry& entry : found->entries) {
      lines.push_back(Utf8ToUtf16(entry.hasEquals ? entry.key + "=" + entry.value : entry.key));
    }
  }
  return PackList(lines, bufferChars);
}

std::vector<std::string> SplitNulList(std::u16string_view list) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < list.size()) {
    size_t end = list.find(u'\0', pos);
    if (end == std::u16string_view::npos) end = list.size();
    if (end == pos) break;
    out.push_back(Utf16ToUtf8(list.substr(pos, end - pos)));
    pos = end + 1;
  }
  return out;
}

Win32Error WriteString(std::string_view windowsPath, std::string_view section,
                       std::optional<std::string_view> key, std::optional<std::string_view> value) {
  if (Win32Error error = CheckWriteArguments(section, key, value)) return error;
  std::string path = ResolveProfilePath(std::string(windowsPath));
  if (path.empty()) return kErrorAccessDenied;
  bool deleting = !key || !value;

  std::lock_guard<std::mutex> guard(WriterLock());
  std::vector<uint8_t> bytes;
  if (auto read = fs::ReadFileBytes(path)) {
    bytes = std::move(*read);
  } else if (read.error() == kErrorFileNotFound || read.error() == kErrorPathNotFound) {
    // Nothing to delete from; a new file needs its folder.
    if (deleting) return kErrorSuccess;
    if (read.error() == kErrorPathNotFound) return kErrorPathNotFound;
  } else {
    return read.error();
  }

  ProfileDocument doc = ProfileDocument::Parse(bytes);
  std::optional<std::vector<TextEdit>> edits = EditText(doc, section, key, value);
  if (!edits) return kErrorSuccess;
  std::vector<uint8_t> out = doc.Apply(bytes, *edits);
  return fs::WriteFileAtomic(path, std::span<const uint8_t>(out));
}

}  // namespace platform::profile
