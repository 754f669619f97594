#include "platform/sim/Hive.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "platform/text/Utf.h"

namespace platform::reg {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
// regedit keeps hex lists under 80 columns; the same keeps our files
// readable in a terminal.
constexpr size_t kHexLineWidth = 76;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsValidUtf8(std::string_view text) {
  return Utf16ToUtf8(Utf8ToUtf16(text)) == text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to 8 hex digits, nothing else.
std::optional<uint32_t> ParseHex32(std::string_view text) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = (value << 4) | static_cast<uint32_t>(digit);
  }
  return value;
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

// The quoted form is used only when reading it back gives the same bytes:
// well-formed UTF-16LE, exactly one NUL at the very end, no line breaks.
std::optional<std::string> FriendlyString(const std::vector<uint8_t>& data) {
  if (data.size() < 2 || data.size() % 2 != 0) return std::nullopt;
  std::u16string text = Utf16FromBytes(data, Utf16End::kAtFirstNul);
  if (text.size() + 1 != data.size() / 2) return std::nullopt;
  if (text.find_first_of(u"\r\n") != std::u16string::npos) return std::nullopt;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return std::nullopt;
      ++i;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      return std::nullopt;
    }
  }
  return Utf16ToUtf8(text);
}

void AppendHexList(std::string& out, size_t column, const std::vector<uint8_t>& data) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < data.size(); ++i) {
    size_t width = i + 1 < data.size() ? 3 : 2;
    if (i > 0 && column + width > kHexLineWidth) {
      out += "\\\n  ";
      column = 2;
    }
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 0xF];
    if (i + 1 < data.size()) out += ',';
    column += width;
  }
}

void AppendValue(std::string& out, const RegValue& value) {
  size_t lineStart = out.size();
  if (value.name.empty()) {
    out += '@';
  } else {
    out += '"';
    out += Escape(value.name);
    out += '"';
  }
  out += '=';
  if (value.type == kRegSz) {
    if (std::optional<std::string> text = FriendlyString(value.data)) {
      out += '"';
      out += Escape(*text);
      out += "\"\n";
      return;
    }
  }
  if (value.type == kRegDword && value.data.size() == 4) {
    char text[16];
    uint32_t number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                      (static_cast<uint32_t>(value.data[3]) << 24);
    std::snprintf(text, sizeof text, "dword:%08x\n", number);
    out += text;
    return;
  }
  if (value.type == kRegBinary) {
    out += "hex:";
  } else {
    char text[24];
    std::snprintf(text, sizeof text, "hex(%x):", value.type);
    out += text;
  }
  AppendHexList(out, out.size() - lineStart, value.data);
  out += '\n';
}

void AppendKey(std::string& out, std::string& path, const HiveKey& key, bool isRoot) {
  size_t pathLength = path.size();
  if (!isRoot) {
    path += '\\';
    path += key.name;
  }
  // The root block carries nothing but values; its subkeys name it anyway.
  if (!isRoot || !key.values.empty()) {
    out += '[';
    out += path;
    out += "]\n";
    for (const HiveValue& value : key.values) AppendValue(out, value.value);
    out += '\n';
  }
  for (const HiveKey& child : key.children) AppendKey(out, path, child, false);
  path.resize(pathLength);
}

// A quoted name or string starting at text[0] == '"'. Returns the unescaped
// text and advances text past the closing quote; nullopt when it is not
// terminated or uses an escape other than \\ and \".
std::optional<std::string> ParseQuoted(std::string_view& text) {
  std::string out;
  size_t i = 1;
  while (i < text.size()) {
    char c = text[i];
    if (c == '"') {
      text.remove_prefix(i + 1);
      return out;
    }
    if (c == '\\') {
      if (i + 1 >= text.size() || (text[i + 1] != '\\' && text[i + 1] != '"')) return std::nullopt;
      out += text[i + 1];
      i += 2;
      continue;
    }
    if (c == '\0') return std::nullopt;
    out += c;
    ++i;
  }
  return std::nullopt;
}

std::optional<std::vector<uint8_t>> ParseHexList(std::string_view text) {
  std::vector<uint8_t> bytes;
  text = TrimRight(TrimLeft(text));
  if (text.empty()) return bytes;
  while (true) {
    size_t comma = text.find(',');
    std::string_view token = TrimRight(TrimLeft(text.substr(0, comma)));
    if (token.empty() || token.size() > 2) return std::nullopt;
    std::optional<uint32_t> byte = ParseHex32(token);
    if (!byte) return std::nullopt;
    bytes.push_back(static_cast<uint8_t>(*byte));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return bytes;
}

class Parser {
 public:
  Parser(std::string_view rootName, std::string_view text) : m_hive(std::string(rootName)), m_text(text) {}

  std::expected<Hive, Win32Error> Run() {
    if (m_text.substr(0, kUtf8Bom.size()) == kUtf8Bom) m_text.remove_prefix(kUtf8Bom.size());
    if (!IsValidUtf8(m_text)) return Corrupt();
    std::string_view line;
    if (!NextLine(line) || TrimRight(line) != kHeader) return Corrupt();
    while (NextLine(line)) {
      std::string_view body = TrimLeft(line);
      if (body.empty() || body.front() == ';') continue;
      bool ok = body.front() == '[' ? KeyLine(body) : ValueLine(body);
      if (!ok) return Corrupt();
    }
    return std::move(m_hive);
  }

 private:
  static std::unexpected<Win32Error> Corrupt() { return std::unexpected(kErrorRegistryCorrupt); }

  // The next line without its line end (LF or CRLF); false at the end.
  bool NextLine(std::string_view& line) {
    if (m_position >= m_text.size()) return false;
    size_t end = m_text.find('\n', m_position);
    if (end == std::string_view::npos) end = m_text.size();
    line = m_text.substr(m_position, end - m_position);
    m_position = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  }

  bool KeyLine(std::string_view body) {
    size_t close = body.rfind(']');
    if (close == std::string_view::npos || !TrimLeft(body.substr(close + 1)).empty()) return false;
    std::string_view path = body.substr(1, close - 1);
    std::vector<std::string> components;
    size_t start = 0;
    while (true) {
      size_t slash = path.find('\\', start);
      std::string_view component = path.substr(start, slash == std::string_view::npos ? path.npos : slash - start);
      if (component.empty()) return false;
      components.emplace_back(component);
      if (slash == std::string_view::npos) break;
      start = slash + 1;
    }
    if (!EqualsIgnoreCase(components.front(), m_hive.RootName())) return false;
    components.erase(components.begin());
    if (components.size() > kMaxKeyDepth) return false;
    for (const std::string& component : components) {
      if (!IsValidKeyName(component)) return false;
    }
    bool created = false;
    m_current = &m_hive.Create(components, created);
    return true;
  }

  bool ValueLine(std::string_view body) {
    if (m_current == nullptr) return false;
    std::string name;
    if (body.front() == '@') {
      body.remove_prefix(1);
    } else if (body.front() == '"') {
      std::optional<std::string> quoted = ParseQuoted(body);
      if (!quoted || quoted->empty() || !IsValidValueName(*quoted)) return false;
      name = std::move(*quoted);
    } else {
      return false;
    }
    body = TrimLeft(body);
    if (body.empty() || body.front() != '=') return false;
    body = TrimLeft(body.substr(1));

    if (!body.empty() && body.front() == '"') {
      std::optional<std::string> text = ParseQuoted(body);
      if (!text || !TrimLeft(body).empty()) return false;
      m_current->SetValue(name, kRegSz, Utf16Bytes(*text, Utf16Nul::kAppend));
      return true;
    }
    if (body.starts_with("dword:")) {
      std::optional<uint32_t> number = ParseHex32(TrimRight(body.substr(6)));
      if (!number) return false;
      std::vector<uint8_t> data = {static_cast<uint8_t>(*number), static_cast<uint8_t>(*number >> 8),
                                   static_cast<uint8_t>(*number >> 16), static_cast<uint8_t>(*number >> 24)};
      m_current->SetValue(name, kRegDword, std::move(data));
      return true;
    }
    uint32_t type = kRegBinary;
    if (body.starts_with("hex:")) {
      body.remove_prefix(4);
    } else if (body.starts_with("hex(")) {
      size_t close = body.find("):");
      if (close == std::string_view::npos) return false;
      std::optional<uint32_t> parsed = ParseHex32(body.substr(4, close - 4));
      if (!parsed) return false;
      type = *parsed;
      body.remove_prefix(close + 2);
    } else {
      return false;
    }
    // A long list goes on over several lines, each but the last ending in a
    // backslash.
    std::string list;
    std::string_view piece = TrimRight(body);
    while (!piece.empty() && piece.back() == '\\') {
      list += piece.substr(0, piece.size() - 1);
      std::string_view next;
      if (!NextLine(next)) return false;
      piece = TrimRight(TrimLeft(next));
    }
    list += piece;
    std::optional<std::vector<uint8_t>> data = ParseHexList(list);
    if (!data) return false;
    m_current->SetValue(name, type, std::move(*data));
    return true;
  }

  Hive m_hive;
  std::string_view m_text;
  size_t m_position = 0;
  HiveKey* m_current = nullptr;
};

}  // namespace

HiveKey* HiveKey::FindChild(std::string_view foldedName) {
  auto it = std::find_if(children.begin(), children.end(), [&](const HiveKey& k) { return k.folded == foldedName; });
  return it == children.end() ? nullptr : &*it;
}

const HiveKey* HiveKey::FindChild(std::string_view foldedName) const {
  return const_cast<HiveKey*>(this)->FindChild(foldedName);
}

HiveValue* HiveKey::FindValue(std::string_view foldedName) {
  auto it = std::find_if(values.begin(), values.end(), [&](const HiveValue& v) { return v.folded == foldedName; });
  return it == values.end() ? nullptr : &*it;
}

const HiveValue* HiveKey::FindValue(std::string_view foldedName) const {
  return const_cast<HiveKey*>(this)->FindValue(foldedName);
}

HiveKey& HiveKey::ChildFor(std::string_view childName) {
  std::string foldedName = FoldCase(childName);
  if (HiveKey* existing = FindChild(foldedName)) return *existing;
  HiveKey& child = children.emplace_back();
  child.name = childName;
  child.folded = std::move(foldedName);
  return child;
}

void HiveKey::SetValue(std::string_view valueName, uint32_t type, std::vector<uint8_t> data) {
  std::string foldedName = FoldCase(valueName);
  HiveValue* target = FindValue(foldedName);
  if (target == nullptr) {
    target = &values.emplace_back();
    target->folded = std::move(foldedName);
    target->value.name = valueName;
  }
  target->value.type = type;
  target->value.data = std::move(data);
}

Hive::Hive(std::string rootName) : m_strRootName(std::move(rootName)) {}

HiveKey* Hive::Find(const std::vector<std::string>& path) {
  HiveKey* key = &m_root;
  for (const std::string& component : path) {
    key = key->FindChild(FoldCase(component));
    if (key == nullptr) return nullptr;
  }
  return key;
}

const HiveKey* Hive::Find(const std::vector<std::string>& path) const {
  return const_cast<Hive*>(this)->Find(path);
}

HiveKey& Hive::Create(const std::vector<std::string>& path, bool& created) {
  created = false;
  HiveKey* key = &m_root;
  for (const std::string& component : path) {
    HiveKey* parent = key;
    size_t before = parent->children.size();
    key = &parent->ChildFor(component);
    // ChildFor appends only when the child is new.
    if (parent->children.size() != before) created = true;
  }
  return *key;
}

std::string Hive::Serialize() const {
  std::string out;
  out += kHeader;
  out += "\n\n";
  std::string path = m_strRootName;
  AppendKey(out, path, m_root, true);
  return out;
}

std::expected<Hive, Win32Error> Hive::Parse(std::string_view rootName, std::string_view text) {
  return Parser(rootName, text).Run();
}

std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> components;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('\\', start);
    if (slash == std::string_view::npos) slash = path.size();
    if (slash > start) components.emplace_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  return components;
}

bool IsValidKeyName(std::string_view name) {
  return !name.empty() && name.find('\\') == std::string_view::npos && !HasLineBreakOrNul(name) &&
         Utf16Length(name) <= kMaxKeyNameUnits;
}

bool IsValidValueName(std::string_view name) {
  return !HasLineBreakOrNul(name) && Utf16Length(name) <= kMaxValueNameUnits;
}

std::string NormalizeName(std::string_view name) { return Utf16ToUtf8(Utf8ToUtf16(name)); }

}  // namespace platform::reg
