#include "platform/fs/DirectoryList.h"

#include <windows.h>

#include <memory>

#include "platform/core/Wide_win32.h"

namespace platform::fs {

namespace {

struct FindCloser {
  void operator()(HANDLE find) const { ::FindClose(find); }
};

}  // namespace

std::expected<std::vector<DirectoryEntry>, Win32Error> ListDirectory(std::string_view folder,
                                                                     std::string_view pattern) {
  std::wstring query = Widen(folder);
  if (!query.empty() && query.back() != L'\\' && query.back() != L'/') query += L'\\';
  // Every name is asked for and the pattern applied here: FindFirstFileW
  // would also match a name through its short 8.3 alias.
  query += L'*';
  WIN32_FIND_DATAW data;
  HANDLE first = ::FindFirstFileExW(query.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
  if (first == INVALID_HANDLE_VALUE) {
    Win32Error error = LastError();
    // "*" finds at least "." in any folder; nothing at all means no folder.
    if (error == kErrorFileNotFound) return std::unexpected(kErrorPathNotFound);
    return std::unexpected(error);
  }
  std::unique_ptr<void, FindCloser> find(first);
  std::vector<DirectoryEntry> entries;
  do {
    std::string name = Narrow(data.cFileName);
    if (name == "." || name == ".." || !MatchesWildcard(name, pattern)) continue;
    entries.push_back({std::move(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (::FindNextFileW(find.get(), &data));
  if (Win32Error error = LastError(); error != kErrorNoMoreFiles) return std::unexpected(error);
  // FAT volumes (and Wine) hand names out in the order they were made.
  SortInFolderOrder(entries);
  return entries;
}

}  // namespace platform::fs
