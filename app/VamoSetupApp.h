#pragma once

#include <memory>

#include "engine/SetupRun.h"
#include "platform/gui/MessageTarget.h"
#include "platform/gui/Window.h"
#include "platform/sync/NamedMutex.h"

// The application object of the wizard. Start-up makes sure one wizard runs
// at a time, offers to close running browsers, shows the welcome page and
// then the main wizard window, in which the whole run happens; when that
// window closes the program ends.
class CVamoSetupApp {
 public:
  static constexpr char kMutexName[] = "VamoSetup";
  // A file (host or Windows path) the run's report is saved to when the
  // main window has closed, whatever the run's end: for support engineers
  // and the demo, since only a failed run offers to save it.
  static constexpr char kReportVariable[] = "VAMO_SETUP_REPORT";
  static constexpr char kInitFailedText[] =
      "프로그램 초기화에 실패했습니다. 문제가 지속되면 관리자에게 문의하십시오.";
  // Said when the wizard would probe the network of a machine that did not
  // make one for it (platform::net::MayProbeNetwork).
  static constexpr char kHostNetworkRefusedText[] =
      // Broken by hand between words: the box would break Korean lines
      // between any two syllables.
      "이 빌드의 마법사는 네트워크 실험실처럼 따로 만든\n"
      "네트워크 안에서만 실행됩니다. 이 컴퓨터의 네트워크를 검사하려면\n"
      "VAMO_HOST_NETWORK=1 을 설정한 뒤 다시 실행하십시오.\n\n"
      "This build of the wizard runs only inside a network made for it, such as the network lab "
      "(tools/lab/lab exec NAME -- vamo-setup). To analyse this machine's own network, start it again "
      "with VAMO_HOST_NETWORK=1.";

  CVamoSetupApp() = default;
  virtual ~CVamoSetupApp() = default;
  CVamoSetupApp(const CVamoSetupApp&) = delete;
  CVamoSetupApp& operator=(const CVamoSetupApp&) = delete;

  // The whole start-up, dialogs included; FALSE in every case, since
  // nothing runs after the dialogs. Without a display it says so on the
  // standard error and shows nothing; outside a network made for it (and
  // without VAMO_HOST_NETWORK=1) it says so in a message box and ends.
  platform::gui::BOOL InitInstance();
  // The program's exit code: 0, or 1 when there was no display to show the
  // wizard on or the network guard refused.
  int ExitInstance() { return m_nExitCode; }

  // The window the run happens in while it is open.
  platform::gui::Window* m_pMainWnd = nullptr;

 protected:
  // The run the main window shows, made for that window (the target of its
  // messages).
  virtual std::unique_ptr<CSetupRun> CreateRun(platform::gui::MessageTarget* pWindow);

 private:
  // FALSE (after telling the user) when the run must not probe the network
  // this process sees.
  bool MayProbeNetwork();
  // FALSE when another wizard already runs and showed its window instead.
  bool TakeSingleInstance();
  // FALSE when a browser runs and the user closed the prompt.
  bool OfferToCloseBrowsers(bool* pbListed);
  void RunMainWindow();
  // Saves the report where kReportVariable says, when it is set.
  void KeepReport(const CSetupRun& run);

  // Held until the program ends; a second start sees it.
  platform::NamedMutex m_mutex;
  int m_nExitCode = 0;
};
