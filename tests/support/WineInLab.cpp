#include "tests/support/WineInLab.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

WineInLab::WineInLab(const NetworkLab& lab) : m_lab(lab) {
  std::string root = (std::filesystem::temp_directory_path() / "vamo-wine-lab.XXXXXX").string();
  if (mkdtemp(root.data()) == nullptr) {
    m_strError = "no folder for the Wine prefix";
    return;
  }
  m_strRoot = root;
  const ToolOutput boot = m_lab.Run({VAMO_WINE_RUN, "--template", m_strRoot + "/prefix"});
  if (boot.exitStatus != 0) {
    m_strError = "wineboot inside the lab failed: " + boot.err;
    return;
  }
  m_bReady = true;
}

WineInLab::~WineInLab() {
  std::error_code ignored;
  if (!m_strRoot.empty()) std::filesystem::remove_all(m_strRoot, ignored);
}

ToolOutput WineInLab::Run(const std::vector<std::string>& command) const { return RunIn("", command); }

ToolOutput WineInLab::RunIn(const std::string& strPrefix, const std::vector<std::string>& command) const {
  std::vector<std::string> full = {VAMO_WINE_RUN};
  full.insert(full.end(), command.begin(), command.end());
  std::vector<std::string> env = {"VAMO_WINE_TEMPLATE=" + m_strRoot + "/prefix", "VAMO_WINE_ROOT=" + m_strRoot,
                                  "VAMO_WINE_LAB_ADDRESS=" + m_lab.Value("client_addr")};
  if (!strPrefix.empty()) env.push_back("VAMO_WINE_PREFIX=" + strPrefix);
  return m_lab.Run(full, env);
}

std::string WineInLab::TrustRootsPath() {
  const std::string path = VAMO_WIN32_TRUST_ROOTS_DEFAULT;
  return std::filesystem::exists(path) ? path : "";
}

void WineInLab::PlaceObsoletePlugin(const std::string& strDriveC) {
  const std::filesystem::path old = std::filesystem::path(strDriveC) / "windows/Downloaded Program Files/VamoOld.dll";
  std::filesystem::create_directories(old.parent_path());
  std::ofstream(old) << "an obsolete plug-in\n";
}

std::string WineInLab::WindowsToolPath() {
  if (const char* path = std::getenv("VAMO_WIN32_TOOL"); path != nullptr && *path != '\0') {
    return std::filesystem::exists(path) ? path : "";
  }
  const std::string beside = VAMO_WIN32_TOOL_DEFAULT;
  return std::filesystem::exists(beside) ? beside : "";
}
