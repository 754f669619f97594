#include "tests/support/TempPrefix.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <unistd.h>

namespace {

std::string MakeTempFolder(const char* pattern) {
  std::string base = std::filesystem::temp_directory_path().string() + "/" + pattern;
  std::string templ = base + "XXXXXX";
  if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return templ;
}

// Setting a prefix up writes many registry values, each an fsynced hive
// rewrite. CTest runs every test in a process of its own, so the default
// machine is made once per test program build and kept in the build tree;
// each test gets a copy. The template is keyed by the program's modification
// time, so a rebuilt program makes a fresh one.
std::string DefaultPrefixTemplate() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  auto stamp = std::filesystem::last_write_time(exe, ec).time_since_epoch().count();
  std::filesystem::path folder = std::filesystem::path(VAMO_TEST_BINARY_DIR) / "prefix-templates";
  std::filesystem::create_directories(folder, ec);
  std::string name = exe.filename().string() + "-" + std::to_string(stamp);
  std::filesystem::path templ = folder / name;
  if (std::filesystem::exists(templ / "prefix" / "registry" / "machine.reg", ec)) return (templ / "prefix").string();

  // Made aside and renamed into place, so concurrent tests never copy a
  // half-made template.
  std::string work = MakeTempFolder("vamo-template-");
  std::string root = work + "/prefix";
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
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    std::string other = entry.path().filename().string();
    if (other.starts_with(exe.filename().string() + "-") && other != name) std::filesystem::remove_all(entry, ec);
  }
  std::filesystem::copy(work, folder / (name + ".part" + std::to_string(getpid())),
                        std::filesystem::copy_options::recursive, ec);
  std::filesystem::rename(folder / (name + ".part" + std::to_string(getpid())), templ, ec);
  std::filesystem::remove_all(folder / (name + ".part" + std::to_string(getpid())), ec);
  std::filesystem::remove_all(work, ec);
  return (templ / "prefix").string();
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
