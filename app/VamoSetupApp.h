#pragma once

#include <memory>

#include "engine/SetupDriver.h"
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
  static constexpr char kInitFailedText[] =
      "프로그램 초기화에 실패했습니다. 문제가 지속되면 관리자에게 문의하십시오.";

  CVamoSetupApp() = default;
  virtual ~CVamoSetupApp() = default;
  CVamoSetupApp(const CVamoSetupApp&) = delete;
  CVamoSetupApp& operator=(const CVamoSetupApp&) = delete;

  // The whole start-up, dialogs included; FALSE in every case, since
  // nothing runs after the dialogs. Without a display it says so on the
  // standard error and shows nothing.
  platform::gui::BOOL InitInstance();
  // The program's exit code: 0, or 1 when there was no display to show the
  // wizard on.
  int ExitInstance() { return m_nExitCode; }

  // The window the run happens in while it is open.
  platform::gui::Window* m_pMainWnd = nullptr;

 protected:
  // The run the main window shows, made for that window (the target of its
  // messages).
  virtual std::unique_ptr<CSetupDriver> CreateRun(platform::gui::MessageTarget* pWindow);

 private:
  // FALSE when another wizard already runs and showed its window instead.
  bool TakeSingleInstance();
  // FALSE when a browser runs and the user closed the prompt.
  bool OfferToCloseBrowsers(bool* pbListed);
  void RunMainWindow();

  // Held until the program ends; a second start sees it.
  platform::NamedMutex m_mutex;
  int m_nExitCode = 0;
};
