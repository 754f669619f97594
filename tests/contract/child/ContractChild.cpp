// The program the process contract starts, built for each system, so that
// the cases can see what arrived in it: its exit code, its arguments and how
// long it lives. Standard C++ only: it must not depend on what it tests.
//
//   contract_child exit N             ends with exit code N
//   contract_child wait               lives until it is ended (at most a minute)
//   contract_child write NAME ARG...  writes each ARG on a line of its own to
//                                     the file NAME beside itself, exit code 0
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

int WriteArguments(const char* self, const char* name, int argc, char** argv) {
  std::ofstream out(std::filesystem::path(self).parent_path() / name, std::ios::binary);
  for (int i = 0; i < argc; ++i) out << argv[i] << '\n';
  out.close();
  return out ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "exit" && argc > 2) return std::stoi(argv[2]);
  if (mode == "wait") {
    // Bounded, so that a case that fails before ending it leaves nothing behind.
    std::this_thread::sleep_for(std::chrono::minutes(1));
    return 0;
  }
  if (mode == "write" && argc > 2) return WriteArguments(argv[0], argv[2], argc - 3, argv + 3);
  return 2;
}
