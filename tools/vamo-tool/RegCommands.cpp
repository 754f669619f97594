// vamo-tool reg add|query|delete: the prefix registry from the command line,
// with the arguments and the output layout of Windows' reg.exe, so that
// scripts written against reg.exe read the same here.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <expected>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"
#include "platform/text/Utf.h"
#include "tools/vamo-tool/ToolCommand.h"

namespace {

using platform::RegKey;
using platform::RegRoot;
using platform::RegValue;
using platform::Win32Error;

constexpr const char* kSuccess = "The operation completed successfully.";
constexpr const char* kNotFound = "ERROR: The system was unable to find the specified registry key or value.";
constexpr const char* kCancelled = "The operation was canceled by the user.";

int RunReg(const std::vector<std::string>& args);

const ToolCommand kRegCommand = {
    "reg",
    "reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEP] [/d DATA] [/f] | "
    "reg query KEY [/v NAME | /ve] [/s] | reg delete KEY [/v NAME | /ve | /va] [/f]",
    RunReg};
const CommandRegistrar kRegistrar(kRegCommand);

// reg.exe's answer to wrong arguments: what is wrong and where help is.
int InvalidArguments(const char* operation, const char* what = "Invalid syntax.") {
  std::fprintf(stderr, "ERROR: %s\nType \"REG %s /?\" for usage.\n", what, operation);
  return kExitUsage;
}

int Failed(Win32Error error) {
  if (error == platform::kErrorFileNotFound || error == platform::kErrorKeyDeleted) {
    std::fprintf(stderr, "%s\n", kNotFound);
  } else {
    std::string message = platform::SystemMessage(error);
    if (message.empty()) message = "Error " + std::to_string(error) + ".";
    std::fprintf(stderr, "ERROR: %s\n", message.c_str());
  }
  return kExitFailed;
}

int Succeeded() {
  std::printf("%s\n", kSuccess);
  return kExitOk;
}

// A key argument: "HKLM\Software\X" (root abbreviation or full name, any
// case). Name is the form reg.exe prints: the full root name and the path as
// it was typed.
struct KeyArgument {
  RegRoot root = RegRoot::kLocalMachine;
  std::string path;
  std::string name;
};

std::optional<KeyArgument> ParseKey(const std::string& text) {
  size_t slash = text.find('\\');
  std::optional<RegRoot> root = platform::ParseRegRoot(text.substr(0, slash));
  if (!root) return std::nullopt;
  KeyArgument key;
  key.root = *root;
  if (slash != std::string::npos) key.path = text.substr(slash + 1);
  while (!key.path.empty() && key.path.back() == '\\') key.path.pop_back();
  key.name = std::string(platform::RegRootName(*root));
  if (!key.path.empty()) key.name += "\\" + key.path;
  return key;
}

// The options after the key: "/v NAME" style, "/" or "-", any case.
struct Options {
  std::optional<std::string> valueName;  // /v
  bool emptyName = false;                // /ve
  bool allValues = false;                // /va
  std::optional<std::string> type;       // /t
  std::optional<std::string> data;       // /d
  std::optional<std::string> separator;  // /s with an argument (add)
  bool recurse = false;                  // /s alone (query)
  bool force = false;                    // /f
  bool view = false;                     // /reg:32, /reg:64
};

// Parses the options an operation allows ("v", "ve", "t", ...). False for
// anything unknown, repeated or missing its argument.
bool ParseOptions(const std::vector<std::string>& args, size_t start, const std::vector<std::string>& allowed,
                  Options& options) {
  auto allows = [&](const char* name) {
    for (const std::string& option : allowed) {
      if (option == name) return true;
    }
    return false;
  };
  for (size_t i = start; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return false;
    std::string option = platform::ToLowerAscii(arg.substr(1));
    auto takeArgument = [&](std::optional<std::string>& target) {
      if (target || i + 1 >= args.size()) return false;
      target = args[++i];
      return true;
    };
    auto setFlag = [](bool& flag) {
      if (flag) return false;
      flag = true;
      return true;
    };
    bool ok = false;
    if (!allows(option.c_str()) && option != "reg:32" && option != "reg:64") return false;
    if (option == "v") {
      ok = takeArgument(options.valueName);
    } else if (option == "ve") {
      ok = setFlag(options.emptyName);
    } else if (option == "va") {
      ok = setFlag(options.allValues);
    } else if (option == "t") {
      ok = takeArgument(options.type);
    } else if (option == "d") {
      ok = takeArgument(options.data);
    } else if (option == "s" && allows("s-arg")) {
      ok = takeArgument(options.separator);
    } else if (option == "s") {
      ok = setFlag(options.recurse);
    } else if (option == "f") {
      ok = setFlag(options.force);
    } else if (option == "reg:32" || option == "reg:64") {
      // The prefix has one registry view; the switch is accepted and has no
      // effect, as on 32-bit Windows.
      ok = setFlag(options.view);
    }
    if (!ok) return false;
  }
  int names = (options.valueName ? 1 : 0) + (options.emptyName ? 1 : 0) + (options.allValues ? 1 : 0);
  return names <= 1;
}

// Asks a yes/no question on the terminal; anything but yes declines.
bool Confirm(const std::string& question) {
  std::printf("%s", question.c_str());
  std::fflush(stdout);
  std::string answer;
  if (!std::getline(std::cin, answer)) {
    std::printf("\n");
    return false;
  }
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

void AppendNul(std::vector<uint8_t>& out) {
  out.push_back(0);
  out.push_back(0);
}

// Decimal or 0x-prefixed hexadecimal, within the given maximum.
std::optional<uint64_t> ParseNumber(const std::string& text, uint64_t maximum) {
  if (text.empty()) return 0;
  int base = 10;
  std::string_view digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  uint64_t value = 0;
  for (char c : digits) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return std::nullopt;
    if (value > (maximum - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) return std::nullopt;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  return value;
}

// The bytes reg.exe stores for a type and data text; nullopt when the data
// does not fit the type.
std::optional<std::vector<uint8_t>> EncodeData(uint32_t type, const std::string& text, const std::string& separator) {
  std::vector<uint8_t> bytes;
  switch (type) {
    case platform::kRegSz:
    case platform::kRegExpandSz:
      platform::AppendUtf16Bytes(bytes, text, platform::Utf16Nul::kAppend);
      return bytes;
    case platform::kRegMultiSz: {
      std::vector<std::string> parts;
      size_t start = 0;
      while (start <= text.size() && !text.empty()) {
        size_t at = text.find(separator, start);
        if (at == std::string::npos) at = text.size();
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
      }
      // "a\0b\0" ends in a separator: the list ends there.
      if (!parts.empty() && parts.back().empty()) parts.pop_back();
      for (const std::string& part : parts) {
        // An empty string inside the list would end it early for every reader.
        if (part.empty()) return std::nullopt;
        platform::AppendUtf16Bytes(bytes, part, platform::Utf16Nul::kAppend);
      }
      AppendNul(bytes);
      return bytes;
    }
    case platform::kRegDword:
    case platform::kRegDwordBigEndian: {
      std::optional<uint64_t> value = ParseNumber(text, UINT32_MAX);
      if (!value) return std::nullopt;
      for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(*value >> (8 * i)));
      if (type == platform::kRegDwordBigEndian) std::reverse(bytes.begin(), bytes.end());
      return bytes;
    }
    case platform::kRegQword: {
      std::optional<uint64_t> value = ParseNumber(text, UINT64_MAX);
      if (!value) return std::nullopt;
      for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<uint8_t>(*value >> (8 * i)));
      return bytes;
    }
    case platform::kRegBinary:
    case platform::kRegNone: {
      if (text.size() % 2 != 0) return std::nullopt;
      for (size_t i = 0; i < text.size(); i += 2) {
        std::optional<uint64_t> byte = ParseNumber("0x" + text.substr(i, 2), 0xFF);
        if (!byte || text[i] == 'x' || text[i + 1] == 'x') return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(*byte));
      }
      return bytes;
    }
    default:
      return std::nullopt;
  }
}

uint64_t LittleEndian(const std::vector<uint8_t>& data, size_t width) {
  uint64_t value = 0;
  for (size_t i = 0; i < width && i < data.size(); ++i) value |= static_cast<uint64_t>(data[i]) << (8 * i);
  return value;
}

// The data column of reg query.
std::string FormatData(const RegValue& value) {
  char text[32];
  switch (value.type) {
    case platform::kRegSz:
    case platform::kRegExpandSz: {
      return platform::Utf16BytesToUtf8(value.data, platform::Utf16End::kAtFirstNul);
    }
    case platform::kRegMultiSz: {
      std::u16string units = platform::Utf16FromBytes(value.data);
      // The list's own terminators are not shown; NULs between the strings are.
      for (int i = 0; i < 2 && !units.empty() && units.back() == u'\0'; ++i) units.pop_back();
      std::string out;
      size_t start = 0;
      while (true) {
        size_t nul = units.find(u'\0', start);
        out += platform::Utf16ToUtf8(units.substr(start, nul == std::u16string::npos ? nul : nul - start));
        if (nul == std::u16string::npos) break;
        out += "\\0";
        start = nul + 1;
      }
      return out;
    }
    case platform::kRegDword:
      std::snprintf(text, sizeof text, "0x%x", static_cast<uint32_t>(LittleEndian(value.data, 4)));
      return text;
    case platform::kRegDwordBigEndian: {
      uint32_t number = 0;
      for (size_t i = 0; i < 4 && i < value.data.size(); ++i) number = (number << 8) | value.data[i];
      std::snprintf(text, sizeof text, "0x%x", number);
      return text;
    }
    case platform::kRegQword:
      std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(LittleEndian(value.data, 8)));
      return text;
    default: {
      static constexpr char kDigits[] = "0123456789ABCDEF";
      std::string out;
      for (uint8_t byte : value.data) {
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0xF];
      }
      return out;
    }
  }
}

void PrintValue(const RegValue& value) {
  std::string name = value.name.empty() ? "(Default)" : value.name;
  std::printf("    %s    %s    %s\n", name.c_str(), std::string(platform::RegTypeName(value.type)).c_str(),
              FormatData(value).c_str());
}

// Every value of the key, in order; the error when enumerating fails.
std::expected<std::vector<RegValue>, Win32Error> Values(const RegKey& key) {
  std::vector<RegValue> values;
  for (uint32_t i = 0;; ++i) {
    auto value = key.EnumValue(i);
    if (!value) {
      if (value.error() != platform::kErrorNoMoreItems) return std::unexpected(value.error());
      return values;
    }
    values.push_back(std::move(*value));
  }
}

std::expected<std::vector<std::string>, Win32Error> Subkeys(const RegKey& key) {
  std::vector<std::string> names;
  for (uint32_t i = 0;; ++i) {
    auto name = key.EnumKey(i);
    if (!name) {
      if (name.error() != platform::kErrorNoMoreItems) return std::unexpected(name.error());
      return names;
    }
    names.push_back(std::move(*name));
  }
}

std::string ChildPath(const std::string& path, const std::string& child) {
  return path.empty() ? child : path + "\\" + child;
}

// A key with its values, then its subkeys: names only, or (recursing) each
// in full with its name even when it has no values. Stops at the first
// registry error and returns it.
Win32Error QueryAll(const RegKey& key, const std::string& name, bool recurse, bool recursing) {
  auto values = Values(key);
  if (!values) return values.error();
  auto subkeys = Subkeys(key);
  if (!subkeys) return subkeys.error();
  if (!values->empty() || recursing) std::printf("%s\n", name.c_str());
  for (const RegValue& value : *values) PrintValue(value);
  if (!values->empty() || recursing) std::printf("\n");
  for (const std::string& child : *subkeys) {
    if (!recurse) {
      std::printf("%s\\%s\n", name.c_str(), child.c_str());
      continue;
    }
    RegKey subkey;
    if (Win32Error error = subkey.Open(key.Root(), ChildPath(key.Path(), child))) return error;
    if (Win32Error error = QueryAll(subkey, name + "\\" + child, recurse, true)) return error;
  }
  return platform::kErrorSuccess;
}

// Every value of that name in the key and (with /s) below it.
Win32Error SearchValue(const RegKey& key, const std::string& keyName, const std::string& valueName,
                       unsigned& found) {
  auto value = key.QueryValue(valueName);
  if (value) {
    std::printf("%s\n", keyName.c_str());
    PrintValue(*value);
    std::printf("\n");
    ++found;
  } else if (value.error() != platform::kErrorFileNotFound) {
    return value.error();
  }
  auto subkeys = Subkeys(key);
  if (!subkeys) return subkeys.error();
  for (const std::string& child : *subkeys) {
    RegKey subkey;
    if (Win32Error error = subkey.Open(key.Root(), ChildPath(key.Path(), child))) return error;
    if (Win32Error error = SearchValue(subkey, keyName + "\\" + child, valueName, found)) return error;
  }
  return platform::kErrorSuccess;
}

int RunQuery(const std::vector<std::string>& args) {
  Options options;
  if (args.size() < 2 || !ParseOptions(args, 2, {"v", "ve", "s"}, options)) return InvalidArguments("QUERY");
  std::optional<KeyArgument> target = ParseKey(args[1]);
  if (!target) return InvalidArguments("QUERY", "Invalid key name.");
  RegKey key;
  if (Win32Error error = key.Open(target->root, target->path)) return Failed(error);

  std::printf("\n");
  if (options.valueName || options.emptyName) {
    std::string valueName = options.valueName.value_or("");
    if (options.recurse) {
      unsigned found = 0;
      if (Win32Error error = SearchValue(key, target->name, valueName, found)) return Failed(error);
      std::printf("End of search: %u match(es) found.\n", found);
      return kExitOk;
    }
    auto value = key.QueryValue(valueName);
    if (!value && value.error() == platform::kErrorFileNotFound && options.emptyName) {
      // Every key has a default value, if only an unset one.
      std::printf("%s\n    (Default)    REG_SZ    (value not set)\n\n", target->name.c_str());
      return kExitOk;
    }
    if (!value) return Failed(value.error());
    std::printf("%s\n", target->name.c_str());
    PrintValue(*value);
    std::printf("\n");
    return kExitOk;
  }
  if (Win32Error error = QueryAll(key, target->name, options.recurse, false)) return Failed(error);
  return kExitOk;
}

int RunAdd(const std::vector<std::string>& args) {
  Options options;
  if (args.size() < 2 || !ParseOptions(args, 2, {"v", "ve", "t", "d", "s", "s-arg", "f"}, options)) {
    return InvalidArguments("ADD");
  }
  std::optional<KeyArgument> target = ParseKey(args[1]);
  if (!target || target->path.empty()) return InvalidArguments("ADD", "Invalid key name.");

  uint32_t type = platform::kRegSz;
  if (options.type) {
    std::string upper = *options.type;
    for (char& c : upper) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    std::optional<uint32_t> parsed = platform::ParseRegTypeName(upper);
    if (!parsed || *parsed == platform::kRegLink) return InvalidArguments("ADD");
    type = *parsed;
  }
  if (options.separator && (type != platform::kRegMultiSz || platform::Utf16Length(*options.separator) != 1)) {
    return InvalidArguments("ADD");
  }

  RegKey key;
  // Without a value name or data, reg add only makes the key; data without
  // a name goes to the default value.
  bool writesValue = options.valueName || options.emptyName || options.type || options.data;
  std::optional<std::vector<uint8_t>> bytes;
  if (writesValue) {
    bytes = EncodeData(type, options.data.value_or(""), options.separator.value_or("\\0"));
    if (!bytes) return InvalidArguments("ADD");
  }
  if (Win32Error error = key.Create(target->root, target->path)) return Failed(error);
  if (!writesValue) return Succeeded();

  std::string valueName = options.valueName.value_or("");
  if (!options.force) {
    auto existing = key.QueryValue(valueName);
    if (existing) {
      std::string shown = valueName.empty() ? "(Default)" : valueName;
      if (!Confirm("Value " + shown + " exists, overwrite(Yes/No)? ")) {
        std::printf("%s\n", kCancelled);
        return kExitFailed;
      }
    } else if (existing.error() != platform::kErrorFileNotFound) {
      return Failed(existing.error());
    }
  }
  if (Win32Error error = key.SetValue(valueName, type, *bytes)) return Failed(error);
  return Succeeded();
}

int RunDelete(const std::vector<std::string>& args) {
  Options options;
  if (args.size() < 2 || !ParseOptions(args, 2, {"v", "ve", "va", "f"}, options)) return InvalidArguments("DELETE");
  std::optional<KeyArgument> target = ParseKey(args[1]);
  // The roots themselves cannot be deleted.
  bool deletesKey = !options.valueName && !options.emptyName && !options.allValues;
  if (!target || (deletesKey && target->path.empty())) return InvalidArguments("DELETE", "Invalid key name.");

  RegKey key;
  if (Win32Error error = key.Open(target->root, target->path)) return Failed(error);

  if (deletesKey) {
    if (!options.force && !Confirm("Permanently delete the registry key " + target->name + " (Yes/No)? ")) {
      std::printf("%s\n", kCancelled);
      return kExitFailed;
    }
    size_t slash = key.Path().rfind('\\');
    std::string parentPath = slash == std::string::npos ? "" : key.Path().substr(0, slash);
    std::string child = key.Path().substr(slash == std::string::npos ? 0 : slash + 1);
    RegKey parent;
    if (Win32Error error = parent.Open(target->root, parentPath)) return Failed(error);
    if (Win32Error error = parent.DeleteTree(child)) return Failed(error);
    return Succeeded();
  }

  if (options.allValues) {
    if (!options.force && !Confirm("Delete all values under the registry key " + target->name + " (Yes/No)? ")) {
      std::printf("%s\n", kCancelled);
      return kExitFailed;
    }
    auto values = Values(key);
    if (!values) return Failed(values.error());
    for (const RegValue& value : *values) {
      if (Win32Error error = key.DeleteValue(value.name)) return Failed(error);
    }
    return Succeeded();
  }

  std::string valueName = options.valueName.value_or("");
  if (!key.QueryValue(valueName)) return Failed(platform::kErrorFileNotFound);
  std::string shown = valueName.empty() ? "(Default)" : valueName;
  if (!options.force && !Confirm("Delete the registry value " + shown + " (Yes/No)? ")) {
    std::printf("%s\n", kCancelled);
    return kExitFailed;
  }
  if (Win32Error error = key.DeleteValue(valueName)) return Failed(error);
  return Succeeded();
}

int RunReg(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError(kRegCommand);
  std::string operation = platform::ToLowerAscii(args[0]);
  if (operation == "add") return RunAdd(args);
  if (operation == "query") return RunQuery(args);
  if (operation == "delete") return RunDelete(args);
  return UsageError(kRegCommand);
}

}  // namespace
