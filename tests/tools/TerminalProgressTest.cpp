#include "tools/vamo-tool/TerminalProgress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/debug/DebugOutput.h"

namespace {

using namespace std::chrono_literals;

// A terminal of a given width whose output and clock the test holds.
struct FakeTerminal {
  std::string written;
  std::chrono::steady_clock::time_point clock{};
  int columns = 40;

  TerminalProgress::Terminal Make(bool inPlace) {
    TerminalProgress::Terminal terminal;
    terminal.inPlace = inPlace;
    terminal.columns = [this] { return columns; };
    terminal.write = [this](std::string_view text) { written += text; };
    terminal.now = [this] { return clock; };
    return terminal;
  }
  std::string Take() { return std::exchange(written, {}); }
};

const std::string kUp = "\x1b[";
const std::string kClearLine = "\x1b[K";
const std::string kClearBelow = "\x1b[J";

TEST(TerminalProgressTest, RedrawsOneLineInPlaceAndEndsIt) {
  FakeTerminal term;
  {
    TerminalProgress progress(TerminalProgress::Interruption::kEndLine, term.Make(true));
    progress.Show("a 10%");
    EXPECT_EQ(term.Take(), "a 10%" + kClearLine);
    progress.Show("a 20%");
    EXPECT_EQ(term.Take(), "\ra 20%" + kClearLine);
    progress.Show("a 20%");
    EXPECT_EQ(term.Take(), "") << "the same state is not drawn again";
    progress.PrintLine("--FileDownload End.");
    EXPECT_EQ(term.Take(), "\n--FileDownload End.\n") << "the bar's line ends before the line";
    progress.Finish();
    EXPECT_EQ(term.Take(), "");
    progress.Show("b 0%");
    EXPECT_EQ(term.Take(), "b 0%" + kClearLine) << "a new view starts below";
  }
  EXPECT_EQ(term.Take(), "\n") << "the destructor ends the line";
}

TEST(TerminalProgressTest, RedrawsSeveralLinesFromTheFirst) {
  FakeTerminal term;
  TerminalProgress progress(TerminalProgress::Interruption::kEndLine, term.Make(true));
  progress.Show(std::vector<std::string>{"1 2 [3] 4 5", "status", "1/9", "[##..]"});
  EXPECT_EQ(term.Take(), "1 2 [3] 4 5" + kClearLine + "\nstatus" + kClearLine + "\n1/9" + kClearLine +
                             "\n[##..]" + kClearLine);
  progress.Show(std::vector<std::string>{"1 2 3 [4] 5", "longer status", "2/9", "[###.]"});
  EXPECT_EQ(term.Take(), "\r" + kUp + "3A1 2 3 [4] 5" + kClearLine + "\nlonger status" + kClearLine + "\n2/9" +
                             kClearLine + "\n[###.]" + kClearLine);
  // Fewer lines than before: what is left below is cleared.
  progress.Show(std::vector<std::string>{"done"});
  EXPECT_EQ(term.Take(), "\r" + kUp + "3Adone" + kClearLine + kClearBelow);
  progress.Finish();
  EXPECT_EQ(term.Take(), "\n");
}

TEST(TerminalProgressTest, FitsEveryLineToTheWidthWithoutCuttingACharacter) {
  FakeTerminal term;
  term.columns = 10;
  TerminalProgress progress(TerminalProgress::Interruption::kEndLine, term.Make(true));
  // Nine cells at most (never the last column); Hangul takes two each.
  progress.Show(std::vector<std::string>{"0123456789abc", "현재 파일 x", "a\tb\r\nc\x1b[2J"});
  EXPECT_EQ(term.Take(), "012345678" + kClearLine + "\n현재 파일" + kClearLine + "\na b  c [2" + kClearLine);
  term.columns = 0;  // unknown: 80
  EXPECT_EQ(progress.Columns(), 80);
}

TEST(TerminalProgressTest, PlainOutputPrintsEachChangedLineOnce) {
  FakeTerminal term;
  TerminalProgress progress(TerminalProgress::Interruption::kEndLine, term.Make(false));
  progress.Show(std::vector<std::string>{"step 1", "status A", "0/2"});
  EXPECT_EQ(term.Take(), "step 1\nstatus A\n0/2\n");
  progress.Show(std::vector<std::string>{"step 1", "status A", "0/2"});
  EXPECT_EQ(term.Take(), "");
  progress.Show(std::vector<std::string>{"step 1", "status B", "1/2"});
  EXPECT_EQ(term.Take(), "status B\n1/2\n");
  progress.PrintLine("report line");
  EXPECT_EQ(term.Take(), "report line\n");
  progress.Finish();
  EXPECT_EQ(term.Take(), "");
  EXPECT_EQ(progress.Columns(), 80);
}

TEST(TerminalProgressTest, ErasedViewComesBackBelowTheLine) {
  FakeTerminal term;
  TerminalProgress progress(TerminalProgress::Interruption::kErase, term.Make(true));
  progress.Show(std::vector<std::string>{"strip", "bar"});
  term.Take();
  progress.PrintLine("note");
  EXPECT_EQ(term.Take(), "\r" + kUp + "1A" + kClearBelow + "note\nstrip" + kClearLine + "\nbar" + kClearLine);
  progress.Finish();
  EXPECT_EQ(term.Take(), "\n");
}

TEST(TerminalProgressTest, ThrottledStatesAreNeverLost) {
  FakeTerminal term;
  TerminalProgress progress(TerminalProgress::Interruption::kEndLine, term.Make(true));
  progress.SetMinimumInterval(50ms);
  progress.Show("1%");
  progress.Show("2%");  // too soon: waits
  EXPECT_EQ(term.Take(), "1%" + kClearLine);
  term.clock += 60ms;
  progress.Show("3%");
  EXPECT_EQ(term.Take(), "\r3%" + kClearLine);
  progress.Show("100%");  // too soon, but the line that follows shows it first
  progress.PrintLine("End.");
  EXPECT_EQ(term.Take(), "\r100%" + kClearLine + "\nEnd.\n");
  progress.Show("x");
  progress.Show("y");
  progress.Finish();
  EXPECT_EQ(term.Take(), "x" + kClearLine + "\ry" + kClearLine + "\n");
}

// A trace line (OutputDebugString, on standard error) ends the open line
// first, from whatever thread it comes.
TEST(TerminalProgressTest, TraceLinesEndTheOpenLineFirst) {
  FakeTerminal term;
  {
    TerminalProgress progress(TerminalProgress::Interruption::kEndLine, term.Make(true));
    progress.Show("50%");
    term.Take();
    platform::WriteDebugString("[test] trace while the bar is open\n");
    EXPECT_EQ(term.Take(), "\n");
    platform::WriteDebugString("[test] and another\n");
    EXPECT_EQ(term.Take(), "") << "the line is already ended";
  }
  term.Take();
  platform::WriteDebugString("[test] after the view\n");
  EXPECT_EQ(term.Take(), "") << "a finished view is no longer asked";
}

TEST(TerminalProgressTest, Helpers) {
  EXPECT_EQ(TerminalProgress::Bar(0, 100, 4), "[....]");
  EXPECT_EQ(TerminalProgress::Bar(50, 100, 4), "[##..]");
  EXPECT_EQ(TerminalProgress::Bar(150, 100, 4), "[####]");
  EXPECT_EQ(TerminalProgress::Bar(5, 0, 3), "[...]");
  EXPECT_EQ(TerminalProgress::Percent(999, 1000), 99);
  EXPECT_EQ(TerminalProgress::Percent(7, 0), 0);
  EXPECT_EQ(TerminalProgress::Bytes(1023), "1023 B");
  EXPECT_EQ(TerminalProgress::Bytes(1536), "1.5 KiB");
  EXPECT_EQ(TerminalProgress::Bytes(3u << 20), "3.0 MiB");
  EXPECT_EQ(TerminalProgress::DisplayWidth("abc"), 3);
  EXPECT_EQ(TerminalProgress::DisplayWidth("현재 파일"), 9);
  EXPECT_EQ(TerminalProgress::DisplayWidth("e\xCC\x81"), 1);  // e + combining acute
  EXPECT_EQ(TerminalProgress::FitToWidth("가나다", 5), "가나");
  EXPECT_EQ(TerminalProgress::FitToWidth("a\xF0\x9F\x98\x80z", 2), "a");
}

}  // namespace
