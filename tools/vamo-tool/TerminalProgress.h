#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console/Console.h"

// The progress view of vamo-tool's commands: a few lines (one bar, or a
// strip, a status, a count and a bar) that show the current state.
//
// On a terminal the lines are redrawn in place: the cursor goes back to the
// first of them, each is rewritten and cut to the terminal's width (counted
// in display cells, so Korean text fits too) so that nothing wraps. When
// standard output is no terminal, every line that changed is printed as a
// plain line of its own, and nothing else.
//
// While the view is open, everything else the command prints must start on
// a line of its own: PrintLine does that for the command's own lines, and
// trace lines on standard error (platform::OutputDebugString) close the
// view's line by themselves. Finish (or the destructor) leaves the last state
// on screen and the cursor at the start of the next line.
class TerminalProgress final : private platform::console::IOpenLine {
 public:
  // What a closed line looks like when other text interrupts the view.
  enum class Interruption {
    kEndLine,  // the lines stay as they were, the text follows below them
    kErase,    // the lines are erased, the text takes their place, and the
               // next Show draws them again below it
  };

  // Where the view writes and what that is.
  struct Terminal {
    bool inPlace = false;                         // a terminal that moves its cursor
    std::function<int()> columns;                 // its width; 0 or less: unknown (80)
    std::function<void(std::string_view)> write;  // one call per redraw, written at once
    std::function<std::chrono::steady_clock::time_point()> now = std::chrono::steady_clock::now;
  };
  // Standard output; in place when it is a terminal.
  static Terminal StandardOutput();

  explicit TerminalProgress(Interruption interruption = Interruption::kEndLine,
                            Terminal terminal = StandardOutput());
  ~TerminalProgress() override;
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  bool InPlace() const { return m_terminal.inPlace; }
  // On a terminal, redraws come at most this often (0, the default: at
  // every Show); a state shown in between is drawn by the next Show, by
  // PrintLine, Finish or a trace line. For views that change many times a
  // second (a download's byte count); a view whose changes are rare should
  // keep 0, so that no state waits unseen.
  void SetMinimumInterval(std::chrono::milliseconds interval) { m_minimumInterval = interval; }
  // The terminal's width in cells (80 when unknown); on a pipe, 80.
  int Columns() const;

  // Shows these lines instead of the ones shown before. Line breaks and
  // other control characters in them become spaces. Safe from any thread.
  void Show(const std::vector<std::string>& lines);
  void Show(std::string_view line) { Show(std::vector<std::string>{std::string(line)}); }
  // Prints a line of the command's own (no line end needed) below the view,
  // which is closed first.
  void PrintLine(std::string_view text);
  // Ends the view: its last state stays, the cursor goes to the next line.
  // The view may be shown again afterwards; it then starts below.
  void Finish();

  // Helpers for views.
  // "[#####.....]" with `cells` cells between the brackets.
  static std::string Bar(uint64_t done, uint64_t total, int cells);
  // 0 to 100, rounded down; 0 when the total is unknown (0).
  static int Percent(uint64_t done, uint64_t total);
  // "512 B", "12.3 KiB", "4.0 MiB", "1.2 GiB".
  static std::string Bytes(uint64_t count);
  // Display cells of UTF-8 text: two for wide (East Asian) characters, none
  // for combining marks, one for the rest.
  static int DisplayWidth(std::string_view text);
  // The longest prefix of the text that takes at most `cells` cells, never
  // cutting a character.
  static std::string FitToWidth(std::string_view text, int cells);

 private:
  void CloseLine() override;
  void CloseLineLocked();
  void DrawLocked(const std::vector<std::string>& lines);
  void Write(std::string_view text);

  Interruption m_interruption;
  Terminal m_terminal;
  std::mutex m_lock;
  size_t m_nDrawn = 0;               // lines on screen; the cursor is at the end of the last
  std::vector<std::string> m_shown;  // what the last Show asked for (plain: what was printed)
  bool m_bPending = false;           // m_shown is newer than the screen
  std::chrono::milliseconds m_minimumInterval{0};
  std::chrono::steady_clock::time_point m_lastDraw{};
};
