#include "tests/support/TempPrefix.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/support/SharedFixture.h"

namespace {

std::string MakeTempFolder(const char* pattern) {
  std::string base = std::filesystem::temp_directory_path().string() + "/" + pattern;
  std::string templ = base + "XXXXXX";
  if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return templ;
}

// Setting a prefix up writes many registry values, each an fsynced hive
// rewrite; tests that want the default machine get a copy of one made once.
std::string DefaultPrefixTemplate() {
  std::string folder = SharedFixtureFolder("prefix", [](const std::string& dir) {
    std::string root = dir + "/prefix";
    const char* old = std::getenv("VAMO_PREFIX");
    std::string saved = old ? old : "";
    setenv("VAMO_PREFIX", root.c_str(), 1);
    platform::ResetPrefixForTesting();
    platform::Win32Error error = platform::InitPrefix(platform::PrefixOptions{});
    if (old) {
      setenv("VAMO_PREFIX", saved.c_str(), 1);
    } else {
      unsetenv("VAMO_PREFIX");
    }
    platform::ResetPrefixForTesting();
    if (error != 0) throw std::runtime_error("InitPrefix failed");
  });
  return folder + "/prefix";
}

bool IsDefault(const platform::PrefixOptions& options) {
  platform::PrefixOptions defaults;
  return options.majorVersion == defaults.majorVersion && options.minorVersion == defaults.minorVersion &&
         options.buildNumber == defaults.buildNumber && options.servicePackMajor == defaults.servicePackMajor &&
         options.productType == defaults.productType && options.architecture == defaults.architecture &&
         options.systemLanguage == defaults.systemLanguage;
}

}  // namespace

TempPrefix::TempPrefix() : TempPrefix(platform::PrefixOptions{}) {}

TempPrefix::TempPrefix(const platform::PrefixOptions& options) {
  if (const char* old = std::getenv("VAMO_PREFIX")) {
    m_bHadOldPrefix = true;
    m_strOldPrefix = old;
  }
  m_strRoot = MakeTempFolder("vamo-prefix-") + "/prefix";
  if (IsDefault(options)) {
    std::filesystem::copy(DefaultPrefixTemplate(), m_strRoot, std::filesystem::copy_options::recursive);
  }
  setenv("VAMO_PREFIX", m_strRoot.c_str(), 1);
  platform::ResetPrefixForTesting();
  if (!IsDefault(options) && platform::InitPrefix(options) != 0) throw std::runtime_error("InitPrefix failed");
}

TempPrefix::~TempPrefix() {
  std::error_code ec;
  std::filesystem::remove_all(std::filesystem::path(m_strRoot).parent_path(), ec);
  if (m_bHadOldPrefix) {
    setenv("VAMO_PREFIX", m_strOldPrefix.c_str(), 1);
  } else {
    unsetenv("VAMO_PREFIX");
  }
  platform::ResetPrefixForTesting();
}

TempDir::TempDir() : m_strPath(MakeTempFolder("vamo-test-")) {}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_strPath, ec);
}

std::string TempDir::WriteFile(const std::string& name, const std::string& bytes) const {
  std::string path = m_strPath + "/" + name;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}
