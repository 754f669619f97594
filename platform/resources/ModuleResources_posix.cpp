#include "platform/resources/ModuleResources_posix.h"

#include "platform/resources/ModuleResources.h"

#include <mutex>

#include "platform/sysinfo/WindowsVersion.h"

namespace platform {

namespace {

struct ModuleState {
  std::mutex lock;
  bool registered = false;
  ResourceTable table;
};

ModuleState& State() {
  static ModuleState state;
  return state;
}

}  // namespace

void RegisterModuleResources(std::span<const uint8_t> resFile) {
  ModuleState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  std::expected<ResourceTable, Win32Error> table = ResourceTable::FromResFile(resFile);
  state.registered = table.has_value();
  state.table = table ? std::move(*table) : ResourceTable();
}

const ResourceTable* ModuleResources() {
  ModuleState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  return state.registered ? &state.table : nullptr;
}

// The language copy is chosen by ResourceTable's rules with the simulated
// user's UI language.
std::expected<std::span<const uint8_t>, Win32Error> FindModuleResource(const ResourceName& type,
                                                                 const ResourceName& name) {
  const ResourceTable* table = ModuleResources();
  if (table == nullptr) return std::unexpected(kErrorResourceDataNotFound);
  return table->Find(type, name, &GetUserUILanguage);
}

std::string LoadModuleString(uint32_t id) {
  const ResourceTable* table = ModuleResources();
  return table == nullptr ? std::string() : table->FindString(id, &GetUserUILanguage);
}

}  // namespace platform
