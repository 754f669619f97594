#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "diagnostics/SystemInfo.h"
#include "engine/ErrorInfo.h"
#include "engine/InstallHost.h"
#include "engine/InstallProcedure.h"
#include "engine/SetupReport.h"
#include "tests/support/TempPrefix.h"
#include "tests/transfer/TransferTestSupport.h"

// The payload files of the install tests (tests/data/install/make-payload.sh),
// made once per test program build.
std::string PayloadFolder();
std::string PayloadFile(const std::string& name);
// The test PKI whose CA signed the payload's cabinets and the Authenticode
// fixtures' programs.
std::string TestPkiFolder();
// A signed and an unsigned PE program of the Authenticode fixtures.
std::string SignedProgramFixture();

// The demo key pair the build's public key resource comes from.
std::string DemoPrivateKey();
// True when the program's resource key is the demo public key, so that lists
// signed with the demo private key pass its check.
bool ResourceKeyIsDemoKey();

// One status word or percent line the procedure showed.
struct CShown {
  std::string strLabel;
  std::string strText;  // "(current/total)" or the sub-label
  int nFirst = 0;
  int nSecond = 0;
};

// The run's side of the procedure for a test: records what it is shown and
// answers the stop flag; a test may act when a word is shown (on the
// procedure's own thread, right then).
class CRecordingHost : public IInstallHost {
 public:
  void SetCountProgress(const std::string& strLabel, int nCurrent, int nTotal) override;
  void SetPercentProgress(const std::string& strLabel, const std::string& strSubLabel, int nDone,
                          int nTotal) override;
  bool IsStopRequested() override { return m_bStop.load(); }

  // The count-line words in order.
  std::vector<std::string> Words() const;
  std::vector<CShown> Percents() const;

  std::function<void(const std::string& strWord, int nCurrent)> m_onWord;
  std::atomic<bool> m_bStop{false};

 private:
  mutable std::mutex m_lock;
  std::vector<CShown> m_counts;
  std::vector<CShown> m_percents;
};

// A simulated machine with an update server: a fresh prefix (trusting the
// test PKI), a loopback server for a folder of files, and the tools to
// publish a signed update list there.
class CInstallWorld {
 public:
  explicit CInstallWorld(const platform::PrefixOptions& options = {});

  // Puts a file on the server under its name. With bDigest the file also
  // takes part in the list's digests (SECURE_DATA is filled for it).
  void Serve(const std::string& name, const std::string& bytes, bool bDigest = true);
  void ServeFile(const std::string& name, const std::string& hostPath, bool bDigest = true);
  // Changes a served file after the list was signed.
  void Replace(const std::string& name, const std::string& bytes);
  std::string Url(const std::string& name) const;

  // Signs the INI text with the demo key through vamo-publish (which fills
  // SECURE_DATA) and serves it as the update list. "{URL}" in the text
  // becomes the server's address for files. Fails the test when the tool does.
  void Publish(const std::string& ini);
  // Serves the text as it is (no signature, or any bytes).
  void PublishRaw(const std::string& bytes);
  std::string ListUrl() const { return Url("VamoSetup_1.0.1.7.ver"); }
  std::string ListHostPath() const { return m_served.Path() + "/VamoSetup_1.0.1.7.ver"; }

  std::vector<RecordedRequest> Requests() const { return m_server.Requests(); }

  TempPrefix m_prefix;

 private:
  TempDir m_served;
  TempDir m_digested;
  TestHttpServer m_server;
};

// One install procedure over a world: the report, the error record, the
// system record (set by hand to the prefix's Windows) and the other-browser
// flag, with the pauses off.
class CInstallRun {
 public:
  explicit CInstallRun(const CInstallWorld& world);

  int ProcInstall() { return m_procedure.ProcInstall(); }
  // The report as UTF-8 lines, each with its "\r\n".
  std::vector<std::string> ReportLines() const;
  std::string ReportText() const { return m_report.TextUtf8(); }
  // The report lines of one item, from its "파일 : " line to the next item.
  std::vector<std::string> ItemLines(const std::string& name) const;

  CRecordingHost m_host;
  CSetupReport m_report;
  CErrorInfo m_errorInfo;
  CSystemInfo m_systemInfo;
  int m_bOtherBrowser = 0;
  CInstallProcedure m_procedure;
};

// Fills the record like the system analysis would for these facts.
void SetSystemInfo(CSystemInfo& info, int nMajor, int nMinor, const std::string& strBits);

// The lines of a report text, each with its CR LF (the last may lack it).
std::vector<std::string> SplitReportLines(const std::string& text);

// Windows path helpers over the current prefix.
std::string HostOf(const std::string& windowsPath);
bool WinExists(const std::string& windowsPath);
std::string ReadWin(const std::string& windowsPath);
// Names of the files in a folder (Windows path), sorted; empty when missing.
std::vector<std::string> WinFolderNames(const std::string& windowsPath);

// A folder nobody may write, root included: a read-only bind mount of the
// folder on itself, in the test's own mount namespace. Mounted() says
// whether that worked (it needs root).
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(const std::string& windowsPath);
  ~ReadOnlyFolder();
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
  bool Mounted() const { return m_bMounted; }

 private:
  std::string m_strHost;
  bool m_bMounted = false;
};
