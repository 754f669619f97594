#include "tests/contract/ContractChild.h"

#include <cstdint>

#include "platform/fs/FileOperations.h"
#include "platform/fs/FileStream.h"
#include "platform/resources/ModuleResources.h"

std::string ContractChildPath() {
  std::string suite = platform::ModuleFileName();
  return suite.substr(0, suite.find_last_of("\\/") + 1) + VAMO_CONTRACT_CHILD;
}

bool CopyContractChild(const std::string& windowsPath) {
  return platform::fs::CopyFileTo(ContractChildPath(), windowsPath, false) == platform::kErrorSuccess;
}

std::string ReadWholeFile(std::string_view windowsPath) {
  platform::fs::FileStream file;
  if (file.Open(windowsPath, platform::fs::FileMode::kRead) != platform::kErrorSuccess) return {};
  std::string text;
  uint8_t block[4096];
  for (;;) {
    auto read = file.Read(block);
    if (!read || *read == 0) return text;
    text.append(block, block + *read);
  }
}

bool WriteWholeFile(std::string_view windowsPath, std::string_view text) {
  platform::fs::FileStream file;
  return file.Open(windowsPath, platform::fs::FileMode::kCreate) == platform::kErrorSuccess &&
         file.Write(text) == platform::kErrorSuccess && file.Close() == platform::kErrorSuccess;
}
