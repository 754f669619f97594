#include "platform/process/ProgramArguments.h"

namespace platform {

// The host passes arguments as they were given; they are UTF-8 already.
std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

}  // namespace platform
