#include "platform/fs/DirectoryList.h"

#include <algorithm>

#include "platform/text/Utf.h"

namespace platform::fs {

namespace {

// NTFS keeps a folder's names in the order of their upper-cased UTF-16
// units. Folding to lower case and then lifting the ASCII letters gives the
// same key for the names this system meets, so "_x" comes after "b" as it
// does there.
std::u16string NtfsKey(std::string_view name) {
  std::u16string key = Utf8ToUtf16(FoldCase(name));
  for (char16_t& unit : key) {
    if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - 32);
  }
  return key;
}

}  // namespace

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
  // Iterative glob with one backtrack point; both sides case folded so that
  // "*.DEFAULT" finds "abc.default" as on Windows.
  std::string n = FoldCase(name);
  std::string p = FoldCase(pattern);
  size_t ni = 0, pi = 0;
  size_t starP = std::string::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
      ++ni;
      ++pi;
    } else if (pi < p.size() && p[pi] == '*') {
      starP = pi++;
      starN = ni;
    } else if (starP != std::string::npos) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

void SortInFolderOrder(std::vector<DirectoryEntry>& entries) {
  std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
    std::u16string ka = NtfsKey(a.name), kb = NtfsKey(b.name);
    return ka != kb ? ka < kb : a.name < b.name;
  });
}

}  // namespace platform::fs
