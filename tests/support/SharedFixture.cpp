#include "tests/support/SharedFixture.h"

#include <unistd.h>

#include <filesystem>
#include <random>
#include <stdexcept>

std::string SharedFixtureFolder(const std::string& name, const std::function<void(const std::string&)>& make) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  auto stamp = fs::last_write_time(exe, ec).time_since_epoch().count();
  fs::path folder = fs::path(VAMO_TEST_BINARY_DIR) / "shared-fixtures";
  fs::create_directories(folder, ec);
  std::string key = exe.filename().string() + "-" + name + "-";
  fs::path ready = folder / (key + std::to_string(stamp));
  if (fs::is_directory(ready, ec)) return ready.string();

  // The process number alone does not tell makers apart: tests that run in
  // PID namespaces of their own all have the same one.
  std::random_device random;
  fs::path part = folder / (key + std::to_string(stamp) + ".part" + std::to_string(getpid()) + "-" +
                            std::to_string(random()));
  fs::remove_all(part, ec);
  fs::create_directories(part);
  try {
    make(part.string());
  } catch (...) {
    fs::remove_all(part, ec);
    throw;
  }
  // Older builds' folders of this fixture go; a concurrent maker that won
  // the race keeps its folder and ours is dropped.
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    std::string other = entry.path().filename().string();
    if (other.starts_with(key) && entry.path() != ready && other.find(".part") == std::string::npos) {
      fs::remove_all(entry.path(), ec);
    }
  }
  fs::rename(part, ready, ec);
  fs::remove_all(part, ec);
  if (!fs::is_directory(ready, ec)) throw std::runtime_error("cannot keep the shared fixture " + ready.string());
  return ready.string();
}
