// Feeds arbitrary text to the INF reader and to the substitution of
// [Strings] and folder ids, the parts that read what a cabinet carries.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/setup/InfFile.h"

using platform::setup::InfFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  InfFile inf;
  inf.Parse(text);
  auto dirid = [](int id) -> std::optional<std::string> {
    if (id == 11) return std::string("C:\\Windows\\System32");
    return std::nullopt;
  };
  for (const char* section : {"DefaultInstall", "Strings", "DestinationDirs", "Add.Code"}) {
    const auto* lines = inf.Section(section);
    if (lines == nullptr) continue;
    for (const InfFile::Line& line : *lines) {
      inf.Substitute(line.line, dirid);
      for (const std::string& field : line.fields) inf.Substitute(field, dirid);
      InfFile::SplitFields(line.raw);
    }
  }
  inf.Find("DefaultInstall", "CopyFiles");
  inf.Substitute(text, dirid);
  return 0;
}
