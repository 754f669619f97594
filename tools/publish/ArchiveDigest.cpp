#include "tools/publish/ArchiveDigest.h"

#include <filesystem>
#include <random>

#include "platform/sim/HostPath.h"
#include "platform/fs/Path.h"
#include "system/ArchiveReader.h"
#include "transfer/FileVerify.h"

namespace {

const char* ExtractFailure(int result) {
  switch (result) {
    case utility_codes::kArchiveNoFileMember: return "the archive holds no file";
    case utility_codes::kArchiveMemberUnreadable: return "a file member cannot be unpacked";
    case utility_codes::kArchiveOpenFailed: return "not a zip, gzip or tar.gz archive that can be read";
    case utility_codes::kArchiveTargetFailed: return "the unpacked file cannot be written beside the archive";
    default: return "the archive cannot be unpacked";
  }
}

}  // namespace

std::optional<std::string> DigestOfArchiveMember(const std::string& hostPath, std::string& why) {
  // The member is unpacked by the wizard's own extraction, into a scratch
  // name beside the archive, so the tool and the wizard cannot disagree on
  // which member an archive yields.
  std::random_device random;
  std::string scratch = ".vamo-publish-" + std::to_string(random()) + ".member";
  std::filesystem::path member = std::filesystem::path(hostPath).parent_path() / scratch;
  int extracted = ExtractArchive(platform::ToWindowsPath(hostPath), scratch);
  std::optional<std::string> digest;
  if (extracted != 0) {
    why = ExtractFailure(extracted);
  } else if (std::string text; HostFileDigestText(member.string(), text) == 0) {
    digest = text;
  } else {
    why = "the unpacked file cannot be digested";
  }
  std::error_code ec;
  std::filesystem::remove(member, ec);
  return digest;
}

int HostFileDigestText(const std::string& hostPath, std::string& digestText) {
  if (hostPath.empty()) {
    digestText.clear();
    return -1;
  }
  return FileDigestText(platform::ToWindowsPath(hostPath), digestText);
}
