#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/PrivateXServer.h"
#include "tests/support/ToolRunner.h"

// A Windows desktop for one test: a Wine prefix of its own, shown on a
// private X server, in which the test starts Windows programs and drives
// them with real X input (xdotool; a click arrives as WM_LBUTTONDOWN).
//
// Every program started here shares the prefix and so its wineserver: a
// second program finds the first one's windows and processes, as on a
// user's machine. The prefix is a copy of a booted template (SharedWineTemplate
// boots one per test process), so a test pays seconds, not a boot. Run
// inside a lab's client namespace (NetworkLab::RunCurrentTestInside), the
// template is booted there and the lab's marker is written into the prefix.
//
// Every wait is for a condition, bounded by a deadline, and returns what it
// found or nothing; it never sleeps a fixed time in place of a condition.
// The destructor ends every program started here by its PID, then the
// prefix's wineserver, then the X server, and removes the prefix.
class WineDesktop {
 public:
  struct Options {
    std::string strTemplate;      // a prefix made by `wine-run --template`; empty: SharedWineTemplate()
    bool bKoreanFaces = true;     // map the dialogs' Korean faces to NanumGothic (WineFonts.h)
    std::string strLabAddress;    // the lab client's address: written as the lab's marker
    std::string strScreen = "1024x768x24";
  };
  struct Focus {
    std::string strWindowClass, strWindowTitle;  // the foreground window
    std::string strClass, strText;               // the control with the keyboard focus
  };

  explicit WineDesktop(const Options& options);
  WineDesktop() : WineDesktop(Options{}) {}
  ~WineDesktop();
  WineDesktop(const WineDesktop&) = delete;
  WineDesktop& operator=(const WineDesktop&) = delete;

  // False when the X server, the prefix or the font mapping failed.
  bool IsReady() const { return m_bReady; }
  const std::string& Error() const { return m_strError; }
  const std::string& Display() const { return m_xserver.Display(); }
  // The prefix's drive C: as a host folder.
  std::string DriveC() const { return m_strPrefix + "/drive_c"; }

  // Starts PROGRAM.exe (a host path) with its arguments in the prefix, its
  // output to files of its own. Returns the PID that is the Windows process
  // itself, or -1.
  int Start(const std::vector<std::string>& command);
  // Runs a program in the prefix to its end (bounded) and collects its output.
  ToolOutput Run(const std::vector<std::string>& command,
                 std::chrono::milliseconds timeout = std::chrono::seconds(60)) const;
  // Exit status of a program Start() made once it ended; nullopt when it
  // still runs at the deadline (it is left running).
  std::optional<int> WaitForExit(int pid, std::chrono::milliseconds timeout = std::chrono::seconds(30));
  // What a started program wrote to its standard output and error so far.
  std::string OutputOf(int pid) const;

  // The X window of a visible window whose title is exactly `title`.
  std::optional<uint64_t> WaitForWindow(const std::string& title,
                                        std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;
  // Every visible window of that title now (none: empty).
  std::vector<uint64_t> VisibleWindows(const std::string& title) const;
  // True once no visible window has that title.
  bool WaitForWindowGone(const std::string& title,
                         std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;
  // The foreground window and its focused control, as Windows sees them.
  std::optional<Focus> CurrentFocus() const;
  // Waits until the foreground window is of `windowClass` ("#32770" for a
  // common dialog) and its focused control of `controlClass` ("Edit").
  std::optional<Focus> WaitForFocus(const std::string& windowClass, const std::string& controlClass,
                                    std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;

  // A left click at a point of a window's client area.
  bool Click(uint64_t window, int x, int y) const;
  // Types text (UTF-8) where the keyboard focus is, then a key ("Return").
  bool Type(const std::string& text) const;
  bool Key(const std::string& key) const;
  // What the X server shows of a window, as a PNG file.
  bool Capture(uint64_t window, const std::string& pngPath) const;

 private:
  // xdotool on this desktop's display; its standard output, nullopt on failure.
  std::optional<std::string> Xdotool(const std::vector<std::string>& args,
                                     std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
  std::vector<std::string> Environment() const;
  std::string HelperPath() const;

  struct Program {
    int pid;
    std::string strStem;  // its output files, without .out and .err
    bool bEnded;
    int nStatus = -1;
  };

  Options m_options;
  PrivateXServer m_xserver;
  std::string m_strRoot;    // holds the prefix and the programs' output
  std::string m_strPrefix;
  std::string m_strError;
  std::vector<Program> m_started;
  bool m_bReady = false;
};

// The Windows build beside this one ($VAMO_WIN32_BUILD, else build-win32 in
// the source tree), or "" when it has not been built.
std::string Win32BuildDir();
// A program of that build (path relative to it), or "" when it is missing.
std::string Win32Program(const std::string& relativePath);
// One booted Wine prefix per test process: $VAMO_WINE_TEMPLATE when it
// names one, else booted on first use (inside a lab when the process runs
// in one) and removed when the process ends; "" when wineboot failed.
const std::string& SharedWineTemplate();
// Polls a condition until it holds or the deadline passes.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
