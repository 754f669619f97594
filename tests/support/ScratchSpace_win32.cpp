#include "tests/support/ScratchSpace.h"

#include <random>

#include "platform/fs/FileSystem.h"
#include "platform/registry/Registry.h"
#include "platform/sysinfo/KnownFolders.h"

namespace {

// Suites run side by side in one Wine prefix or on one Windows machine;
// a random name keeps their folders and keys apart.
std::string UniqueName() {
  static std::mt19937_64 generator{std::random_device{}()};
  static const char kDigits[] = "0123456789abcdef";
  std::string name = "vamo-test-";
  uint64_t value = generator();
  for (int i = 0; i < 12; ++i, value >>= 4) name += kDigits[value & 15];
  return name;
}

}  // namespace

struct ScratchSpace::System {};

ScratchSpace::ScratchSpace() {
  std::string name = UniqueName();
  std::string temp = platform::EnvironmentVariable("TEMP");
  while (!temp.empty() && temp.back() == '\\') temp.pop_back();
  m_strFolder = temp + "\\" + name;
  m_strKey = "Software\\VamoTest\\" + name;
  platform::fs::MakeDirectory(m_strFolder);
  platform::RegKey key;
  key.Create(platform::RegRoot::kCurrentUser, m_strKey);
}

ScratchSpace::~ScratchSpace() {
  RemoveFolderTree(m_strFolder);
  platform::RegKey parent;
  if (parent.Open(platform::RegRoot::kCurrentUser, "Software\\VamoTest") == platform::kErrorSuccess) {
    parent.DeleteTree(m_strKey.substr(m_strKey.rfind('\\') + 1));
  }
}
