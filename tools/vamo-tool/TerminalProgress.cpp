#include "tools/vamo-tool/TerminalProgress.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kDefaultColumns = 80;

// Decodes one UTF-8 character at text[pos] and advances past it; a byte that
// starts no valid sequence counts as one character of its own.
char32_t NextChar(std::string_view text, size_t& pos) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(pos);
  size_t length = lead < 0x80                ? 1
                  : (lead & 0xE0) == 0xC0 ? 2
                  : (lead & 0xF0) == 0xE0 ? 3
                  : (lead & 0xF8) == 0xF0 ? 4
                                          : 0;
  if (length == 0 || pos + length > text.size()) {
    ++pos;
    return 0xFFFD;
  }
  char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) {
      ++pos;
      return 0xFFFD;
    }
    cp = (cp << 6) | (byte(pos + i) & 0x3F);
  }
  pos += length;
  return cp;
}

bool InRanges(char32_t cp, std::initializer_list<std::pair<char32_t, char32_t>> ranges) {
  return std::any_of(ranges.begin(), ranges.end(), [cp](auto r) { return cp >= r.first && cp <= r.second; });
}

int CharWidth(char32_t cp) {
  // Combining marks, zero-width characters and the Hangul vowel and final
  // jamo that join the syllable before them.
  if (InRanges(cp, {{0x0300, 0x036F}, {0x1160, 0x11FF}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},
                    {0x20D0, 0x20FF}, {0xD7B0, 0xD7FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}})) {
    return 0;
  }
  if (InRanges(cp, {{0x1100, 0x115F}, {0x2E80, 0x303E}, {0x3041, 0x33FF}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF},
                    {0xA000, 0xA4CF}, {0xA960, 0xA97F}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF}, {0xFE30, 0xFE4F},
                    {0xFF00, 0xFF60}, {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF},
                    {0x20000, 0x3FFFD}})) {
    return 2;
  }
  return 1;
}

// A line holds no control characters: they would move the cursor behind
// the view's back.
std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    size_t start = pos;
    char32_t cp = NextChar(text, pos);
    bool control = cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
    out += control ? std::string_view(" ") : text.substr(start, pos - start);
  }
  return out;
}

// Moves the cursor from the end of the last of `drawn` lines to the start
// of the first.
std::string ToFirstLine(size_t drawn) {
  std::string out = "\r";
  if (drawn > 1) out += "\x1b[" + std::to_string(drawn - 1) + "A";
  return out;
}

}  // namespace

TerminalProgress::Terminal TerminalProgress::StandardOutput() {
  Terminal terminal;
  terminal.inPlace = platform::console::IsTerminal(platform::console::StdStream::kOutput);
  terminal.columns = [] { return platform::console::TerminalColumns(platform::console::StdStream::kOutput); };
  // After what stdio holds, so the view and the command's printf lines keep
  // their order; through the console service, so a Windows console shows
  // the UTF-8 text as characters.
  terminal.write = [](std::string_view text) {
    std::fflush(stdout);
    platform::console::WriteText(platform::console::StdStream::kOutput, text);
  };
  return terminal;
}

TerminalProgress::TerminalProgress(Interruption interruption, Terminal terminal)
    : m_interruption(interruption), m_terminal(std::move(terminal)) {
  // Registered once, before any lock of ours is taken, so that a trace line
  // on another thread (holder lock, then ours) cannot deadlock with Show.
  if (m_terminal.inPlace) platform::console::SetOpenLine(this);
}

TerminalProgress::~TerminalProgress() {
  if (m_terminal.inPlace) platform::console::ClearOpenLine(this);
  Finish();
}

int TerminalProgress::Columns() const {
  int columns = m_terminal.inPlace && m_terminal.columns ? m_terminal.columns() : 0;
  return columns > 0 ? columns : kDefaultColumns;
}

void TerminalProgress::Show(const std::vector<std::string>& lines) {
  std::lock_guard<std::mutex> guard(m_lock);
  std::vector<std::string> printable;
  for (const std::string& line : lines) printable.push_back(Printable(line));

  if (!m_terminal.inPlace) {
    // One plain line for each line whose text changed.
    std::string out;
    for (size_t i = 0; i < printable.size(); ++i) {
      if (i >= m_shown.size() || printable[i] != m_shown[i]) out += printable[i] + "\n";
    }
    m_shown = std::move(printable);
    if (!out.empty()) Write(out);
    return;
  }

  if (m_nDrawn > 0 && !m_bPending && printable == m_shown) return;  // already on screen
  // Only the latest state counts; it waits when the last redraw is too
  // recent and the lines stay as many as they are on screen.
  m_shown = std::move(printable);
  auto now = m_terminal.now ? m_terminal.now() : std::chrono::steady_clock::time_point{};
  if (m_nDrawn == m_shown.size() && m_nDrawn > 0 && now - m_lastDraw < m_minimumInterval) {
    m_bPending = true;
    return;
  }
  m_lastDraw = now;
  DrawLocked(m_shown);
}

void TerminalProgress::DrawLocked(const std::vector<std::string>& lines) {
  // Never the last column: some terminals wrap as soon as it is written.
  int cells = std::max(Columns() - 1, 1);
  std::string out = m_nDrawn > 0 ? ToFirstLine(m_nDrawn) : std::string();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += "\n";
    out += FitToWidth(lines[i], cells);
    out += "\x1b[K";  // the rest of the old, longer line
  }
  if (lines.size() < m_nDrawn) out += "\x1b[J";  // old lines below the new last one
  m_nDrawn = lines.size();
  m_bPending = false;
  if (!out.empty()) Write(out);
}

void TerminalProgress::PrintLine(std::string_view text) {
  std::lock_guard<std::mutex> guard(m_lock);
  bool wasDrawn = m_nDrawn > 0;
  CloseLineLocked();
  std::string line(text);
  if (line.empty() || line.back() != '\n') line += '\n';
  Write(line);
  // An erased view comes back at once below the line.
  if (wasDrawn && m_interruption == Interruption::kErase) DrawLocked(m_shown);
}

void TerminalProgress::Finish() {
  std::lock_guard<std::mutex> guard(m_lock);
  if (m_bPending) DrawLocked(m_shown);
  if (m_nDrawn > 0) Write("\n");
  m_nDrawn = 0;
  m_shown.clear();
}

void TerminalProgress::CloseLine() {
  std::lock_guard<std::mutex> guard(m_lock);
  CloseLineLocked();
}

void TerminalProgress::CloseLineLocked() {
  if (m_nDrawn == 0) return;
  if (m_interruption == Interruption::kErase) {
    Write(ToFirstLine(m_nDrawn) + "\x1b[J");
  } else {
    // The latest state is what stays on screen.
    if (m_bPending) DrawLocked(m_shown);
    Write("\n");
    m_shown.clear();
  }
  m_nDrawn = 0;
}

void TerminalProgress::Write(std::string_view text) {
  if (m_terminal.write) m_terminal.write(text);
}

std::string TerminalProgress::Bar(uint64_t done, uint64_t total, int cells) {
  cells = std::max(cells, 0);
  size_t filled = total == 0 ? 0 : static_cast<size_t>(std::min(done, total) * static_cast<uint64_t>(cells) / total);
  return "[" + std::string(filled, '#') + std::string(static_cast<size_t>(cells) - filled, '.') + "]";
}

int TerminalProgress::Percent(uint64_t done, uint64_t total) {
  return total == 0 ? 0 : static_cast<int>(std::min(done, total) * 100 / total);
}

std::string TerminalProgress::Bytes(uint64_t count) {
  static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
  if (count < 1024) return std::to_string(count) + " B";
  double value = static_cast<double>(count) / 1024;
  size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(kUnits)) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

int TerminalProgress::DisplayWidth(std::string_view text) {
  int cells = 0;
  size_t pos = 0;
  while (pos < text.size()) cells += CharWidth(NextChar(text, pos));
  return cells;
}

std::string TerminalProgress::FitToWidth(std::string_view text, int cells) {
  int used = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t next = pos;
    int width = CharWidth(NextChar(text, next));
    if (used + width > cells) break;
    used += width;
    pos = next;
  }
  return std::string(text.substr(0, pos));
}
