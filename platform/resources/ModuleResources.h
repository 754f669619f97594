#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>

#include "platform/resources/ResourceTable.h"

// The running program's own resources. The resource script is compiled into
// a .res at build time and linked into the executable as bytes; a small
// object of the resources library hands them to RegisterModuleResources
// before main() runs. Programs that do not link it simply have none.
namespace platform {

// Makes the .res bytes the module's resources. The bytes must stay alive for
// the rest of the process (they are static data). A malformed file leaves
// the module without resources.
void RegisterModuleResources(std::span<const uint8_t> resFile);

// The module's table, or nullptr when none was registered.
const ResourceTable* ModuleResources();

// FindResource(NULL, name, type) + LoadResource: kErrorResourceDataNotFound
// when the module has no resources, else as ResourceTable::Find with the
// user's UI language.
std::expected<std::span<const uint8_t>, Win32Error> FindModuleResource(const ResourceName& type,
                                                                 const ResourceName& name);

// LoadStringW(NULL, id): the string as UTF-8 (the copy of the user's UI
// language, as FindResource chooses), empty when it is missing.
std::string LoadModuleString(uint32_t id);

// GetModuleFileNameW(NULL): the Windows path of the running executable.
std::string ModuleFileName();

// True when the Windows path names the running executable (the same file,
// whatever the spelling of the path).
bool IsModuleFile(std::string_view windowsPath);

}  // namespace platform
