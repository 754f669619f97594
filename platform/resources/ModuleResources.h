#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>

#include "platform/resources/ResourceTable.h"

// The running program's own resources: those the resource script put into
// the executable. A program without them finds none.
namespace platform {

// FindResourceW(NULL, name, type) + LoadResource + LockResource +
// SizeofResource: the data, valid for the rest of the process.
// kErrorResourceDataNotFound when the program has no resources,
// kErrorResourceTypeNotFound when none has the type,
// kErrorResourceNameNotFound when none of the type has the name. Of several
// language copies, the system picks as FindResource does.
std::expected<std::span<const uint8_t>, Win32Error> FindModuleResource(const ResourceName& type,
                                                                       const ResourceName& name);

// LoadStringW(NULL, id): the string as UTF-8 (the language copy FindResource
// would choose), empty when it is missing.
std::string LoadModuleString(uint32_t id);

// GetModuleFileNameW(NULL): the Windows path of the running executable.
std::string ModuleFileName();

// True when the Windows path names the running executable (the same file,
// whatever the spelling of the path).
bool IsModuleFile(std::string_view windowsPath);

}  // namespace platform
