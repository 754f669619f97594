#include "platform/setup/InfInstall.h"

#include "platform/setup/InfInterpreter.h"

namespace platform::setup {

// There is no advpack on Linux: our interpreter carries out the sections it
// knows and names what it skipped. Its commands find their programs beside
// the INF, which is where the working folder of the only caller points too.
InfInstallResult RunDefaultInstall(std::string_view infPath, std::string_view /*workingFolder*/) {
  InfInterpreter interpreter(infPath);
  InfInstallResult result;
  result.hresult = interpreter.Install("DefaultInstall");
  result.skipped = interpreter.Skipped();
  return result;
}

}  // namespace platform::setup
