#include "tests/support/ScratchSpace.h"

#include "platform/fs/FileSystem.h"
#include "platform/registry/Registry.h"
#include "tests/support/TempPrefix.h"

// The prefix is removed whole at the end, folder and hives with it.
struct ScratchSpace::System {
  TempPrefix prefix;
};

ScratchSpace::ScratchSpace()
    : m_pSystem(std::make_unique<System>()), m_strFolder("C:\\vamo-test"), m_strKey("Software\\VamoTest\\scratch") {
  platform::fs::MakeDirectory(m_strFolder);
  platform::RegKey key;
  key.Create(platform::RegRoot::kCurrentUser, m_strKey);
}

ScratchSpace::~ScratchSpace() = default;
