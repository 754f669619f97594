#include "tests/support/TempPrefix.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::string MakeTempFolder(const char* pattern) {
  std::string base = std::filesystem::temp_directory_path().string() + "/" + pattern;
  std::string templ = base + "XXXXXX";
  if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return templ;
}

}  // namespace

TempPrefix::TempPrefix() : TempPrefix(platform::PrefixOptions{}) {}

TempPrefix::TempPrefix(const platform::PrefixOptions& options) {
  if (const char* old = std::getenv("VAMO_PREFIX")) {
    m_bHadOldPrefix = true;
    m_strOldPrefix = old;
  }
  m_strRoot = MakeTempFolder("vamo-prefix-") + "/prefix";
  setenv("VAMO_PREFIX", m_strRoot.c_str(), 1);
  platform::ResetPrefixForTesting();
  if (platform::InitPrefix(options) != 0) throw std::runtime_error("InitPrefix failed");
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
