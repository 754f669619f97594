#pragma once

#include <string_view>

// The console the program was started from, in the manner of
// GetConsoleMode and GetConsoleScreenBufferInfo: whether a standard stream is
// a terminal and how wide it is. It also keeps the one line that a progress
// view may hold open on the terminal, so that other text (trace lines on
// standard error above all) never lands in the middle of it.
namespace platform::console {

enum class StdStream { kOutput, kError };

// True when the stream is a terminal that moves its cursor (not a pipe, a
// file or a terminal that calls itself "dumb"), with the VT escape
// sequences of a console in virtual terminal mode, which this turns on.
bool IsTerminal(StdStream stream);

// Columns of the terminal behind the stream; 0 when it is no terminal or does
// not say.
int TerminalColumns(StdStream stream);

// Writes UTF-8 text to the stream at once, past any buffering: to a console
// as characters (WriteConsoleW), so that Korean text shows whatever the
// console's code page; to a file or pipe as the UTF-8 bytes. Errors are
// ignored, as a trace or progress line has nowhere else to go.
void WriteText(StdStream stream, std::string_view text);

// Whoever holds a line open on the terminal (the cursor at its end, no line
// end yet) and must close it before other text is written.
class IOpenLine {
 public:
  virtual ~IOpenLine() = default;
  // Ends or erases the open line so that the next text starts at the
  // beginning of a line. Must not write through OutputDebugString.
  virtual void CloseLine() = 0;
};

// Makes `owner` the holder of the open line (nullptr: nobody). A new holder
// replaces the old one.
void SetOpenLine(IOpenLine* owner);
// Removes `owner` if it is the holder; waits for a CloseLine call on it that
// is under way, so the owner may be destroyed afterwards.
void ClearOpenLine(IOpenLine* owner);
// Called by every writer of other text before it writes: has the holder, if
// any, close its line.
void CloseOpenLine();

// Ctrl+C and Ctrl+Break of the console, as a handler set with
// SetConsoleCtrlHandler sees them (and a request to terminate where the
// system sends one): after WatchInterrupt, the first interrupt only sets a
// flag that InterruptRequested reads, so the program can stop its work in
// order; a second one ends the program at once, as if nobody watched.
void WatchInterrupt();
bool InterruptRequested();

}  // namespace platform::console
