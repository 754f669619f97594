#pragma once

// What the wizard's window tests share: real X input at client points of a
// dialog, where a control stands, what the display shows, screenshots for
// the documentation, a desktop whose web browser only writes down the
// address it was given, and a hook that acts inside modal loops.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gui/Bitmap.h"
#include "platform/gui/DC.h"
#include "platform/gui/Dialog.h"
#include "platform/gui/UiThread.h"
#include "platform/gui/Window.h"
#include "tests/support/ScriptedRun.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/XvfbSession.h"
#include "ui/DialogMain.h"

extern "C" char** environ;

namespace wizardtest {

using namespace platform::gui;

inline Point ToScreen(const Window& window, int x, int y) {
  Point pt{x, y};
  window.ClientToScreen(&pt);
  return pt;
}

// A left click (press and release, real X events) at a client point.
inline bool ClickAt(const Window& window, int x, int y) {
  const Point pt = ToScreen(window, x, y);
  return Xdotool({"mousemove", std::to_string(pt.x), std::to_string(pt.y), "click", "1"});
}

// The control's rectangle in the dialog's client coordinates.
inline Rect ControlRect(const Window& dialog, int nID) {
  Rect rcDialog, rcControl;
  dialog.GetWindowRect(&rcDialog);
  Window* pControl = dialog.GetDlgItem(nID);
  if (!pControl) return {};
  pControl->GetWindowRect(&rcControl);
  return {rcControl.left - rcDialog.left, rcControl.top - rcDialog.top, rcControl.right - rcDialog.left,
          rcControl.bottom - rcDialog.top};
}

inline bool IsShown(const Window& dialog, int nID) {
  Window* pControl = dialog.GetDlgItem(nID);
  return pControl && pControl->IsWindowVisible();
}

// The window painted off-screen, as the screen would show its client area.
inline Bitmap Painted(Window& window) {
  Bitmap bitmap;
  Rect rc;
  window.GetClientRect(&rc);
  bitmap.CreateBitmap(rc.right - rc.left, rc.bottom - rc.top);
  DC dc;
  dc.CreateCompatibleDC(nullptr);
  dc.SelectObject(&bitmap);
  PrintWindow(window.m_hWnd, &dc);
  return bitmap;
}

// A picture shows the bitmap exactly at (x, y).
inline bool HasBitmapAt(const Bitmap& picture, UINT nID, int x, int y) {
  Bitmap expected;
  if (!expected.LoadBitmap(nID)) return false;
  const Size size = expected.GetSize();
  for (int py = 0; py < size.cy; ++py)
    for (int px = 0; px < size.cx; ++px)
      if (picture.GetPixel(x + px, y + py) != expected.GetPixel(px, py)) return false;
  return true;
}

// What the X server shows of the window is what the window paints.
inline bool ScreenShowsPainting(Window& window) {
  Bitmap shown;
  if (!CaptureWindow(window.m_hWnd, &shown)) return false;
  const Bitmap painted = Painted(window);
  const Size size = shown.GetSize();
  if (size.cx != painted.GetSize().cx || size.cy != painted.GetSize().cy) return false;
  for (int y = 0; y < size.cy; ++y)
    for (int x = 0; x < size.cx; ++x)
      if (shown.GetPixel(x, y) != painted.GetPixel(x, y)) return false;
  return true;
}

// With VAMO_TEST_SCREENSHOT_DIR set, keeps what the X server shows of the
// window there as NAME.png (the documentation's screenshots).
inline void KeepScreenshot(Window& window, const std::string& name) {
  const char* dir = std::getenv("VAMO_TEST_SCREENSHOT_DIR");
  if (!dir || !*dir || !window.m_hWnd) return;
  // What was just changed may not have reached the screen yet.
  WaitFor([&window] { return ScreenShowsPainting(window); }, std::chrono::seconds(3));
  CaptureWindowToPng(GetNativeWindowId(window.m_hWnd), std::string(dir) + "/" + name + ".png");
}

// A desktop whose only web browser writes the address it was given into a
// file: nothing a test opens ever reaches a real browser or the network.
// The toolkit reads the desktop's folders once, so the test programs set it
// up first thing in main() (SharedRecorderBrowser).
class RecorderBrowser {
 public:
  RecorderBrowser() {
    m_strOut = m_home.Path() + "/opened.txt";
    const std::string script =
        m_home.WriteFile("browser.sh", "#!/bin/sh\necho \"$1\" >> '" + m_strOut + "'\n");
    chmod(script.c_str(), 0755);
    m_home.WriteFile("data/applications/vamo-test-browser.desktop",
                     "[Desktop Entry]\nType=Application\nName=Test Browser\nExec=" + script +
                         " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n");
    m_home.WriteFile("config/mimeapps.list",
                     "[Default Applications]\nx-scheme-handler/http=vamo-test-browser.desktop\n"
                     "x-scheme-handler/https=vamo-test-browser.desktop\n");
    setenv("XDG_DATA_HOME", (m_home.Path() + "/data").c_str(), 1);
    // The system's data folders stay: the toolkit's own dialogs need their
    // icons and MIME data. The user's choice of browser (ours) comes first.
    setenv("XDG_DATA_DIRS", (m_home.Path() + "/data:/usr/local/share:/usr/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (m_home.Path() + "/config").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (m_home.Path() + "/config").c_str(), 1);
  }
  // Every address opened so far, one a line.
  std::string Opened() const { return ReadHostFile(m_strOut); }

 private:
  TempDir m_home;
  std::string m_strOut;
};

inline RecorderBrowser& SharedRecorderBrowser() {
  static RecorderBrowser* browser = new RecorderBrowser;
  return *browser;
}

// A hidden window whose timer calls `tick` every few milliseconds on the UI
// thread, also while a modal dialog (or the save dialog) runs its own loop:
// how a test acts on windows that a function it called is still showing.
// A tick that opens a modal dialog (by a click) does not return until that
// dialog closes, so ticks also come nested inside a tick: a tick moves its
// test's stage on before it clicks or types.
class ModalHook : public Window {
 public:
  // After `limit` the hook stops calling `tick`, fails the test and presses
  // Escape until the dialogs it is stuck in have closed, so a click or key
  // that went astray fails the test instead of hanging it.
  explicit ModalHook(std::function<void()> tick, std::chrono::milliseconds limit = std::chrono::seconds(60),
                     UINT nInterval = 20)
      : m_tick(std::move(tick)), m_deadline(std::chrono::steady_clock::now() + limit), m_nInterval(nInterval) {
    CreateEx(0, "VamoModalHook", "", WS_POPUP, {0, 0, 1, 1}, nullptr, 0);
    SetTimer(1, nInterval);
  }
  // A timer whose tick still runs does not fire again inside it; the next
  // timer of the chain carries the nested ticks.
  void OnTimer(UINT_PTR nIDEvent) override {
    if (nIDEvent >= kMaxDepth) return;
    SetTimer(nIDEvent + 1, m_nInterval);
    if (std::chrono::steady_clock::now() < m_deadline) {
      m_tick();
    } else {
      if (!m_bExpired) ADD_FAILURE() << "the test's dialogs did not get where it expected in time";
      m_bExpired = true;
      RunPumping({"xdotool", "key", "Escape"});
    }
    if (m_hWnd) KillTimer(nIDEvent + 1);
  }

 private:
  static constexpr UINT_PTR kMaxDepth = 8;
  std::function<void()> m_tick;
  std::chrono::steady_clock::time_point m_deadline;
  UINT m_nInterval;
  bool m_bExpired = false;
};

// Processes of the given names (copies of sleep), ended by their PIDs.
class NamedProcesses {
 public:
  explicit NamedProcesses(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
      const std::string folder = m_dir.Path() + "/" + std::to_string(m_pids.size());
      std::filesystem::create_directories(folder);
      const std::string program = folder + "/" + name;
      std::filesystem::copy_file("/bin/sleep", program);
      chmod(program.c_str(), 0755);
      std::string arg0 = program, arg1 = "300";
      char* argv[] = {arg0.data(), arg1.data(), nullptr};
      pid_t pid = -1;
      if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) == 0) m_pids.push_back(pid);
    }
  }
  ~NamedProcesses() {
    for (pid_t pid : m_pids) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  size_t Started() const { return m_pids.size(); }

 private:
  TempDir m_dir;
  std::vector<pid_t> m_pids;
};

// A main window over a scripted run. The run outlives the window, as the
// program has it: made first, gone last, so the window's destruction can
// still stop its worker.
struct ScriptedMainWindow {
  ScriptedMainWindow() { dialog.SetRun(&run); }
  CScriptedRun run{&dialog};
  CDialogMain dialog;
};

}  // namespace wizardtest
