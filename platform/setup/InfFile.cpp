#include "platform/setup/InfFile.h"

#include <cstdint>

#include "platform/fs/FileSystem.h"
#include "platform/text/Utf.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// The line up to a ";" that is not inside double quotes.
std::string_view StripComment(std::string_view line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ';' && !quoted) return line.substr(0, i);
  }
  return line;
}

// Position of the first "=" outside quotes, or npos.
size_t FindEquals(std::string_view line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == '=' && !quoted) return i;
  }
  return std::string_view::npos;
}

std::string Unquote(std::string_view field) {
  field = Trim(field);
  std::string out;
  bool quoted = false;
  for (size_t i = 0; i < field.size(); ++i) {
    char c = field[i];
    if (c == '"') {
      if (quoted && i + 1 < field.size() && field[i + 1] == '"') {
        out += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
      continue;
    }
    out += c;
  }
  return out;
}

}  // namespace

namespace platform::setup {

std::vector<std::string> InfFile::SplitFields(std::string_view text) {
  std::vector<std::string> fields;
  text = Trim(text);
  if (text.empty()) return fields;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] == '"') quoted = !quoted;
    if (i == text.size() || (text[i] == ',' && !quoted)) {
      fields.push_back(Unquote(text.substr(start, i - start)));
      start = i + 1;
    }
  }
  return fields;
}

bool InfFile::Load(std::string_view windowsPath) {
  m_sections.clear();
  auto bytes = platform::fs::ReadFileBytes(windowsPath);
  if (!bytes) return false;
  const std::vector<uint8_t>& b = *bytes;
  if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    Parse(platform::Utf16BytesToUtf8(std::span(b).subspan(2)));
    return true;
  }
  std::string_view text(reinterpret_cast<const char*>(b.data()), b.size());
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  Parse(text);
  return true;
}

InfFile::CSection& InfFile::SectionFor(std::string_view name) {
  std::string folded = platform::FoldCase(name);
  for (CSection& section : m_sections) {
    if (section.m_strFolded == folded) return section;
  }
  m_sections.push_back(CSection{std::string(name), folded, {}});
  return m_sections.back();
}

void InfFile::Parse(std::string_view text) {
  CSection* current = nullptr;
  std::string pending;  // a line continued with "\"
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view physical = text.substr(pos, end - pos);
    pos = end + 1;

    std::string_view body = Trim(StripComment(physical));
    if (!body.empty() && body.back() == '\\') {
      pending.append(body.substr(0, body.size() - 1));
      if (pos < text.size()) continue;
      body = {};
    }
    std::string joined = pending + std::string(body);
    pending.clear();
    std::string_view line = Trim(joined);
    if (line.empty()) continue;

    if (line.front() == '[') {
      size_t close = line.find(']');
      if (close == std::string_view::npos) {
        current = nullptr;  // a broken header: its lines belong nowhere
        continue;
      }
      current = &SectionFor(Trim(line.substr(1, close - 1)));
      continue;
    }
    if (current == nullptr) continue;

    Line parsed;
    parsed.line = std::string(line);
    size_t equals = FindEquals(line);
    std::string_view value = line;
    if (equals != std::string_view::npos) {
      parsed.hasKey = true;
      parsed.key = Unquote(line.substr(0, equals));
      value = Trim(line.substr(equals + 1));
    }
    parsed.raw = std::string(value);
    parsed.fields = SplitFields(value);
    current->m_lines.push_back(std::move(parsed));
  }
}

const std::vector<InfFile::Line>* InfFile::Section(std::string_view name) const {
  std::string folded = platform::FoldCase(Trim(name));
  for (const CSection& section : m_sections) {
    if (section.m_strFolded == folded) return &section.m_lines;
  }
  return nullptr;
}

const InfFile::Line* InfFile::Find(std::string_view section, std::string_view key) const {
  const std::vector<Line>* lines = Section(section);
  if (lines == nullptr) return nullptr;
  for (const Line& line : *lines) {
    if (line.hasKey && platform::EqualsIgnoreCase(line.key, key)) return &line;
  }
  return nullptr;
}

std::string InfFile::Substitute(std::string_view text,
                                 const std::function<std::optional<std::string>(int)>& dirid) const {
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t open = text.find('%', pos);
    if (open == std::string_view::npos) break;
    size_t close = text.find('%', open + 1);
    if (close == std::string_view::npos) break;
    out.append(text.substr(pos, open - pos));
    std::string_view name = text.substr(open + 1, close - open - 1);
    pos = close + 1;
    if (name.empty()) {
      out += '%';
      continue;
    }
    std::optional<std::string> value;
    bool numeric = name.size() <= 6;
    for (char c : name) numeric = numeric && c >= '0' && c <= '9';
    if (numeric) {
      if (dirid) value = dirid(std::stoi(std::string(name)));
    } else if (const Line* line = Find("Strings", name)) {
      value = Unquote(line->raw);
    }
    if (value) {
      out += *value;
    } else {
      // Unknown: kept, and its closing "%" may open the next name.
      out += '%';
      out.append(name);
      pos = close;
    }
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace platform::setup
