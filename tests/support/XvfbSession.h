#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/PrivateXServer.h"

// Window tests under a private X server, with real X input.
//
// XvfbSession starts a PrivateXServer and points this process's DISPLAY at
// it. It must exist before the window layer is first
// initialised; SharedXvfb() makes one per test process and ends it (by its
// PID) when the process ends. Every wait below is bounded and says what it
// waited for when it fails.
class XvfbSession {
 public:
  explicit XvfbSession(const std::string& screen = "1024x768x24");
  ~XvfbSession();
  XvfbSession(const XvfbSession&) = delete;
  XvfbSession& operator=(const XvfbSession&) = delete;

  bool Ok() const { return m_server.Ok(); }
  // Starts a window manager (openbox) on the display and waits until it
  // has taken over; only tests of minimising and activation need one.
  // Ended by StopWindowManager or with the session.
  bool StartWindowManager();
  void StopWindowManager();
  const std::string& Display() const { return m_server.Display(); }
  const std::string& Error() const { return m_server.Error(); }

 private:
  PrivateXServer m_server;
  int m_wmPid = -1;
};

// The process's private X server, started on first use.
XvfbSession& SharedXvfb();

// Runs a program (xdotool, import, ...) and keeps the UI thread's message
// loop running meanwhile, so the windows of this process answer the events
// it makes. Returns its exit status; -1 when it did not end within `timeout`
// (it is then killed).
int RunPumping(const std::vector<std::string>& argv,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));
// xdotool with these arguments; true when it succeeded.
bool Xdotool(const std::vector<std::string>& args);
// Types a name into the visible file dialog of a title and presses Return.
// The name is typed again until the dialog's name field holds it. Type only
// from a tick that saw Shown(): such a tick runs inside the dialog's own
// loop, whereas a tick that waited for the dialog would have it run nested
// inside that wait, where it cannot be seen. The dialog can close only
// after the tick that typed has returned, so the
// tick's successors call RetypeIfStillShown while they wait: a dialog still
// shown seconds later lost its Return (a completion popup may take one), or
// a key press while it was settling, and gets the name and Return again.
class FileDialogTyping {
 public:
  explicit FileDialogTyping(std::string title) : m_strTitle(std::move(title)) {}
  bool Shown() const { return ShownName().has_value(); }
  bool Type(const std::string& text);
  void RetypeIfStillShown();

 private:
  bool Enter();
  void FocusNameField() const;
  // What the dialog's name field holds; nullopt when no such dialog shows.
  std::optional<std::string> ShownName() const;

  std::string m_strTitle;
  std::string m_strText;
  std::chrono::steady_clock::time_point m_enteredAt;
  bool m_bTyping = false;
};
// Pumps messages until `done` or the time is up; false on time-out.
bool WaitFor(const std::function<bool()>& done,
             std::chrono::milliseconds timeout = std::chrono::seconds(5));
// Writes what the X server shows of a window (X id) to a PNG file.
bool CaptureWindowToPng(uint64_t xid, const std::string& path);
