#pragma once

#include <string>

// A private X server (Xvfb) for one test process or one test. The server
// picks a free display number itself (-displayfd), so parallel tests never
// meet, listens on no TCP port, and is ended by the PID it was started
// with. Nothing about the process's environment changes: callers hand
// Display() to whatever they start.
class PrivateXServer {
 public:
  explicit PrivateXServer(const std::string& screen = "1024x768x24");
  // Ends the server (SIGTERM, then SIGKILL after 5 s).
  ~PrivateXServer();
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  bool Ok() const { return m_pid > 0 && !m_strDisplay.empty(); }
  // ":N"; empty when the server did not start (Error() says why).
  const std::string& Display() const { return m_strDisplay; }
  const std::string& Error() const { return m_strError; }

 private:
  int m_pid = -1;
  std::string m_strDisplay;
  std::string m_strError;
};
