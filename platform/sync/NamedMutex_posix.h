#pragma once

#include <string>
#include <string_view>

namespace platform {

// Host path of the file whose lock stands for the named mutex.
std::string NamedMutexLockFilePath(std::string_view name);

}  // namespace platform
