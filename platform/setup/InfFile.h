#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An INF file as SetupAPI reads it: "[Section]" headers (names without
// case, repeated sections merged), lines "key = field, field, ..." or
// "field, field, ...", ";" comments outside quotes, a "\" at the end of a
// line joining the next one, fields in double quotes keeping commas and
// spaces ("" inside them is one quote). Text is UTF-8; a UTF-16LE file with
// its byte-order mark is converted.
namespace platform::setup {

class InfFile {
 public:
  struct Line {
    std::string key;  // empty for a line without "="
    bool hasKey = false;
    // The whole line, comment removed and trimmed, quotes kept.
    std::string line;
    // The text after "=" (or the whole line), comment removed and trimmed,
    // quotes kept: what a command line entry means.
    std::string raw;
    // The comma-separated fields of raw, unquoted and trimmed.
    std::vector<std::string> fields;
  };

  // False when the file cannot be read (the object is then empty).
  bool Load(std::string_view windowsPath);
  // Never fails: anything that is not a section header or a line inside a
  // section is ignored.
  void Parse(std::string_view text);

  // The lines of the section, or nullptr when the INF has no such section.
  const std::vector<Line>* Section(std::string_view name) const;
  // The fields of the first line with the key in the section; nullptr when
  // either is missing.
  const Line* Find(std::string_view section, std::string_view key) const;

  // Replaces every %name% by the [Strings] value of that name (without case)
  // and "%%" by "%". A numeric %N% is asked of dirid (a folder id); names
  // that resolve to nothing stay as they are.
  std::string Substitute(std::string_view text,
                         const std::function<std::optional<std::string>(int)>& dirid = {}) const;

  // Splits a line's value text into unquoted, trimmed fields.
  static std::vector<std::string> SplitFields(std::string_view text);

 private:
  struct CSection {
    std::string m_strName;
    std::string m_strFolded;
    std::vector<Line> m_lines;
  };
  CSection& SectionFor(std::string_view name);

  std::vector<CSection> m_sections;
};

}  // namespace platform::setup
