#include "platform/process/CommandLine.h"

namespace platform {

std::string_view PathGetArgs(std::string_view command) {
  bool quoted = false;
  for (size_t i = 0; i < command.size(); ++i) {
    if (command[i] == '"') quoted = !quoted;
    if (command[i] == ' ' && !quoted) return command.substr(i + 1);
  }
  return command.substr(command.size());
}

std::string PathRemoveArgs(std::string_view command) {
  std::string_view args = PathGetArgs(command);
  size_t programEnd = static_cast<size_t>(args.data() - command.data());
  // The space that separated the arguments goes with them.
  if (programEnd > 0 && programEnd <= command.size() && programEnd != command.size()) --programEnd;
  else if (programEnd == command.size() && programEnd > 0 && command[programEnd - 1] == ' ') --programEnd;
  return std::string(command.substr(0, programEnd));
}

std::string PathUnquoteSpaces(std::string_view path) {
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
    return std::string(path.substr(1, path.size() - 2));
  }
  return std::string(path);
}

}  // namespace platform
