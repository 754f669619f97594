// vamo-tool analyze system|network|browsers: one analysis phase of the
// wizard, its report section and its result.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "diagnostics/BrowserAnalysis.h"
#include "diagnostics/NetworkAnalysis.h"
#include "diagnostics/StatusSink.h"
#include "diagnostics/SystemAnalysis.h"
#include "platform/net/NetworkGuard.h"
#include "platform/net/SocketLayer.h"
#include "platform/resources/ModuleResources.h"
#include "resources/resource.h"
#include "tools/vamo-tool/PrintingReport.h"
#include "tools/vamo-tool/ToolCommand.h"

namespace {

// The status texts on standard error, so that standard output holds the
// report section and the result only.
class PrintingStatus : public IStatusSink {
 public:
  void SetStatusText(const std::string& strText) override { std::fprintf(stderr, "status: %s\n", strText.c_str()); }
};

int RunAnalyze(const std::vector<std::string>& args);

const ToolCommand kAnalyzeCommand = {
    "analyze",
    "analyze system | network [--host-network] | browsers  (network only inside a test's or the lab's "
    "network namespace)",
    RunAnalyze};
const CommandRegistrar kRegistrar(kAnalyzeCommand);

int RunAnalyze(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError(kAnalyzeCommand);
  const std::string& phase = args[0];
  PrintingReport report;
  if (phase == "system" && args.size() == 1) {
    std::unique_ptr<CSystemInfo> pSystemInfo;
    const int result = AnalyzeUser(pSystemInfo, report);
    PrintResult(result);
    return kExitOk;
  }
  if (phase == "browsers" && args.size() == 1) {
    CBrowserAnalysis analysis;
    int bOtherBrowser = 0;
    const int result = analysis.AnalyzeBrowsers(report, bOtherBrowser);
    std::printf("other browser: %d\n", bOtherBrowser);
    PrintResult(result);
    return kExitOk;
  }
  if (phase == "network" && (args.size() == 1 || (args.size() == 2 && args[1] == "--host-network"))) {
    // The analysis pings gateways and asks DNS servers; by default it runs
    // only where someone made a network of its own for it.
    if (!platform::net::MayProbeNetwork(args.size() == 2)) {
      std::fprintf(stderr,
                   "vamo-tool: refusing to probe this machine's own network; run it inside a network namespace "
                   "(tools/lab ... exec) or pass --host-network (or set VAMO_HOST_NETWORK=1)\n");
      return kExitFailed;
    }
    // Winsock must be started before the first socket (a no-op on Linux but
    // for SIGPIPE), as the wizard does when it starts.
    if (const platform::Win32Error error = platform::InitSocketLayer()) {
      std::fprintf(stderr, "vamo-tool: the socket layer did not start (error %lu)\n", static_cast<unsigned long>(error));
      return kExitFailed;
    }
    PrintingStatus status;
    CNetworkAnalysis analysis(report, status, platform::LoadModuleString(IDS_CARRIER_WEB_HOST),
                              platform::LoadModuleString(IDS_PAYMENT_SERVER_HOST));
    const int result = analysis.AnalyzeNetwork();
    PrintResult(result);
    return result == 0 ? kExitOk : kExitFailed;
  }
  return UsageError(kAnalyzeCommand);
}

}  // namespace
