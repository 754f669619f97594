#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/SetupRun.h"
#include "platform/gui/MessageQueue.h"
#include "tests/support/NetworkLab.h"
#include "tests/support/TempPrefix.h"

// The tests of this program run in two halves. The outer half (the test
// program as started) owns the lab: it makes what the update host serves,
// publishes it and sets the fault switches, then runs the same test again
// inside the lab's client namespace. The inner half is the user's PC: a
// fresh prefix and the run itself, in process namespaces of its own
// (LabRunMain.cpp), since the install ends processes named like browsers.

// Every test of this program uses SharedNetworkLab() (tests/support).

// The update host's documents for one test: the update list at the build's
// address (string resource 2) and the files it names, beside it.
class CLabSite {
 public:
  CLabSite();

  // Serves a file; with bDigest its SECURE_DATA is filled when the list is
  // published.
  void Serve(const std::string& name, const std::string& bytes, bool bDigest = true);
  void ServeFile(const std::string& name, const std::string& hostPath, bool bDigest = true);
  // Signs the INI text with the demo key (vamo-publish fills SECURE_DATA)
  // and serves it as the update list; "{URL}" becomes the address of the
  // folder the list is in. Fails the test when the tool does.
  void Publish(const std::string& ini);
  // Serves these bytes as the update list.
  void PublishRaw(const std::string& bytes);

  // The folder to hand to `lab publish`.
  const std::string& Root() const { return m_root.Path(); }
  // The build's update-list address and the folder part of it.
  static std::string ListUrl();
  static std::string BaseUrl();

 private:
  std::string HostFolder() const;

  TempDir m_root;
  TempDir m_digested;
};

// The test's outer half: publishes the site, sets the switches (after every
// switch went back to its default) and runs the test inside the lab. Fails
// the test when any of it fails.
void RunInsideLab(const CLabSite& site, const std::vector<std::string>& switches = {});
// The same for a folder made elsewhere (the demo release).
void RunInsideLab(const std::string& strUpdateRoot, const std::vector<std::string>& switches = {});

// The build's update host as the download lines name it ("host:port").
std::string UpdateServerText();

// What a run posted, in order, and how it ended.
struct CRunEnd {
  std::vector<uint32_t> messages;
  std::string strErrorText;  // what OnSetupError returned; empty on completion
  bool Completed() const;
  int Count(uint32_t message) const;
};

// The inner half: a prefix trusting the lab's CA, the test PKI of the
// payload cabinets and the demo release's CA, and a run without pauses.
CSetupRunOptions TestRunOptions();
void TrustTestCertificates();
// Starts the run and waits (at most a minute) for its end, handled as the
// window does: OnSetupComplete or OnSetupError.
CRunEnd RunToEnd(CSetupRun& run, platform::gui::MessageQueue& window);

// The report as lines, each with its "\r\n".
std::vector<std::string> ReportLines(const CSetupReport& report);
// Installs Chrome (a program with its version resource) for the user, so
// that the browser analysis sets the other-browser flag.
void InstallChrome();
