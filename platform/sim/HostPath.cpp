#include "platform/sim/HostPath.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "platform/sim/Prefix.h"
#include "platform/text/Utf.h"

namespace platform {

namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char UpperDrive(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// Win32 drops trailing dots and spaces from every component ("a.txt." is
// "a.txt"); "." and ".." keep their meaning.
std::string TrimComponent(std::string_view part) {
  if (part == "." || part == "..") return std::string(part);
  size_t end = part.size();
  while (end > 0 && (part[end - 1] == '.' || part[end - 1] == ' ')) --end;
  return std::string(part.substr(0, end));
}

// Splits at "\" and "/", resolves "." and ".." without ever going above the
// root, and drops empty components.
std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = path.size();
    std::string part = TrimComponent(path.substr(start, end - start));
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    start = end + 1;
  }
  return parts;
}

std::string CurrentHostFolder() {
  char* cwd = getcwd(nullptr, 0);
  std::string folder = cwd != nullptr ? cwd : "/";
  free(cwd);
  return folder;
}

std::string DriveCHost() { return PrefixRoot() + "/drive_c"; }

// A Windows path made absolute: "X:" + "\" + components. Empty when the
// path names something we cannot reach (UNC, devices).
struct AbsolutePath {
  char drive = 0;
  std::vector<std::string> parts;
};

bool MakeAbsolute(std::string_view path, AbsolutePath& out) {
  if (path.find('\0') != std::string_view::npos) return false;
  // "\\?\C:\x" is the long-path form of "C:\x".
  if (path.size() >= 4 && (path.substr(0, 4) == "\\\\?\\" || path.substr(0, 4) == "//?/")) {
    path.remove_prefix(4);
  }
  bool leadingSeparator = !path.empty() && (path[0] == '\\' || path[0] == '/');
  if (path.size() >= 2 && leadingSeparator && (path[1] == '\\' || path[1] == '/')) return false;

  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') {
    out.drive = UpperDrive(path[0]);
    // "C:x" is relative to the drive's current folder; the personality keeps
    // the root as every drive's current folder.
    out.parts = Components(path.substr(2));
    return true;
  }
  std::string current = ToWindowsPath(CurrentHostFolder());
  out.drive = current[0];
  if (leadingSeparator) {
    out.parts = Components(path);
  } else {
    std::string joined = current.substr(2) + "\\" + std::string(path);
    out.parts = Components(joined);
  }
  return true;
}

bool HostExists(const std::string& hostPath) {
  struct stat st;
  return lstat(hostPath.c_str(), &st) == 0;
}

// The name of an entry of the folder that equals `name` without regard to
// case; the exact name when it exists, empty when none matches.
std::string FindEntry(const std::string& folder, const std::string& name) {
  std::string exact = (folder == "/" ? "" : folder) + "/" + name;
  if (HostExists(exact)) return name;
  struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
  };
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
  if (!dir) return {};
  std::string folded = FoldCase(name);
  while (dirent* entry = readdir(dir.get())) {
    std::string_view entryName = entry->d_name;
    if (entryName == "." || entryName == "..") continue;
    if (FoldCase(entryName) == folded) return std::string(entryName);
  }
  return {};
}

std::string LexicalHost(std::string_view hostPath) {
  std::string absolute(hostPath);
  if (absolute.empty() || absolute[0] != '/') absolute = CurrentHostFolder() + "/" + absolute;
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= absolute.size()) {
    size_t end = absolute.find('/', start);
    if (end == std::string::npos) end = absolute.size();
    std::string part = absolute.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result;
  for (const std::string& part : parts) result += "/" + part;
  return result.empty() ? "/" : result;
}

}  // namespace

std::string ToHostPath(std::string_view windowsPath) {
  if (windowsPath.empty()) return {};
  AbsolutePath absolute;
  if (!MakeAbsolute(windowsPath, absolute)) return {};
  std::string host;
  if (absolute.drive == 'C') {
    host = DriveCHost();
  } else if (absolute.drive == 'Z') {
    host = "";
  } else {
    return {};
  }
  bool lookingUp = true;
  for (const std::string& part : absolute.parts) {
    std::string folder = host.empty() ? "/" : host;
    std::string name = part;
    if (lookingUp) {
      std::string found = FindEntry(folder, part);
      if (found.empty()) {
        lookingUp = false;  // nothing below a missing component exists
      } else {
        name = found;
      }
    }
    host += "/" + name;
  }
  return host.empty() ? "/" : host;
}

std::string ToWindowsPath(std::string_view hostPath) {
  std::string host = LexicalHost(hostPath);
  std::string driveC = LexicalHost(DriveCHost());
  std::string drive = "Z:";
  std::string rest = host;
  if (host == driveC || host.starts_with(driveC + "/")) {
    drive = "C:";
    rest = host.substr(driveC.size());
  }
  if (rest.empty() || rest == "/") return drive + "\\";
  for (char& c : rest) {
    if (c == '/') c = '\\';
  }
  return drive + rest;
}

std::string AbsoluteWindowsPath(std::string_view windowsPath) {
  if (windowsPath.empty()) return {};
  AbsolutePath absolute;
  if (!MakeAbsolute(windowsPath, absolute)) return {};
  std::string result(1, absolute.drive);
  result += ":";
  if (absolute.parts.empty()) return result + "\\";
  for (const std::string& part : absolute.parts) result += "\\" + part;
  return result;
}

}  // namespace platform
