#pragma once

#include <cstdint>
#include <span>

#include "platform/resources/ResourceTable.h"

// Linux executables carry no resource section: the resource script is
// compiled into a .res at build time and linked into the program as bytes; a
// small object of the resources library hands them to RegisterModuleResources
// before main() runs. ModuleResources.h then answers from that table.
namespace platform {

// Makes the .res bytes the module's resources. The bytes must stay alive for
// the rest of the process (they are static data). A malformed file leaves
// the module without resources.
void RegisterModuleResources(std::span<const uint8_t> resFile);

// The module's table, or nullptr when none was registered.
const ResourceTable* ModuleResources();

}  // namespace platform
