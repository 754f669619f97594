#include "engine/FileItemProcessor.h"

#include "engine/ErrorCodes.h"
#include "engine/ItemStep.h"
#include "platform/fs/FileStream.h"
#include "platform/fs/Path.h"
#include "platform/process/ProgramFile.h"
#include "system/ArchiveReader.h"
#include "system/Settings.h"
#include "system/Trace.h"
#include "system/Utility.h"
#include "transfer/CodeSign.h"
#include "transfer/DigestCheck.h"
#include "transfer/FileDownload.h"
#include "transfer/FileVerify.h"

namespace {

constexpr char kDownloading[] = "다운로드중";
constexpr char kDownloadedReport[] = "-다운로드완료\r\n";
constexpr char kDownloaded[] = "다운로드완료";
constexpr char kUnpacking[] = "압축해제중";
constexpr char kRemovingTemporary[] = "임시파일삭제중";
constexpr char kUnpacked[] = "압축해제완료";
constexpr char kVerifying[] = "검증중";
constexpr char kVerifiedReport[] = "-검증완료\r\n";
constexpr char kVerified[] = "검증완료";
constexpr char kCopying[] = "복사중";
constexpr char kCopiedReport[] = "-복사완료\r\n";
constexpr char kCopied[] = "복사완료";
constexpr char kRegistering[] = "레지스트리 등록중";
constexpr char kRegisteredReport[] = "-등록완료\r\n";
constexpr char kRegistered[] = "등록완료";
constexpr char kRunning[] = "실행중";
constexpr char kRanReport[] = "-실행완료\r\n";
constexpr char kRan[] = "실행완료";

constexpr CStepFailure kDownloadFailed = {
    {"-다운로드실패무시\r\n", "다운로드실패무시", false, false},
    {"-다운로드실패\r\n", "다운로드실패", false, false},
};
// Unpacking writes no report line.
constexpr CStepFailure kUnpackFailed = {
    {nullptr, "압축해제오류무시", false, true},
    {nullptr, "압축해제오류", false, true},
};
constexpr CStepFailure kVerifyFailed = {
    {"-검증실패무시\r\n", "검증실패무시", false, false},
    {"-검증실패\r\n", "검증실패", false, false},
};
constexpr CStepFailure kCopyFailed = {
    {"-복사실패무시\r\n", "복사실패무시", false, false},
    {"-복사실패\r\n", "복사실패", false, false},
};
constexpr CStepFailure kRegisterFailed = {
    {"-등록실패무시\r\n", "등록실패무시", false, false},
    {"-등록실패\r\n", "등록실패", false, false},
};
constexpr CStepFailure kCodeSignFailed = {
    {"-코드사인검증실패무시\r\n", "코드사인검증실패무시", false, false},
    {"-코드사인검증실패\r\n", "코드사인검증실패", false, false},
};
constexpr CStepFailure kRunFailed = {
    {"-실행실패무시\r\n", "실행실패무시", false, false},
    {"-실행실패\r\n", "실행실패", false, false},
};

// A program registers itself when run with this argument; anything else is
// a library.
constexpr char kProgramExtension[] = ".exe";
constexpr char kRegisterServerArgument[] = " /regserver";
constexpr char kSilentArgument[] = " /silent";
constexpr char kNoArgument[] = " ";

}  // namespace

CFileItemProcessor::CFileItemProcessor(std::string strInstalledVersionFile)
    : m_strInstalledVersionFile(std::move(strInstalledVersionFile)) {}

void CFileItemProcessor::Process(CItemStep& step) const {
  if (!Download(step) || !Unpack(step) || !VerifyAndCopy(step) || !Register(step) || !Run(step)) return;
  Record(step);
}

bool CFileItemProcessor::Download(CItemStep& step) const {
  CInstallItem& item = step.Item();
  step.Show(kDownloading);
  int nResult = FileDownload(item.m_strDownloadUrl, item.m_strDownloadFullPath, item.m_strName, &step.ReportSink(),
                             step.Progress());
  if (nResult != 0) {
    step.Fail(kDownloadFailed, nResult, kErrItemDownload);
    return false;
  }
  step.Report(kDownloadedReport);
  step.Show(kDownloaded);
  return true;
}

bool CFileItemProcessor::Unpack(CItemStep& step) const {
  CInstallItem& item = step.Item();
  Trace("%s", kUnpacking);
  step.Show(kUnpacking);
  if (!item.m_bCompressed) return true;

  // The archive's one file lands beside it, under the item's name.
  if (ExtractArchive(item.m_strDownloadFullPath, item.m_strName) != 0) {
    step.Fail(kUnpackFailed, item.m_nResult, kErrItemUnpack);
    CUtility::DeleteFile(item.m_strDownloadFullPath);
    return false;
  }
  Trace("%s", kRemovingTemporary);
  step.Show(kRemovingTemporary);
  platform::SplitPath parts = platform::SplitWindowsPath(item.m_strDownloadFullPath);
  std::string strUnpacked = parts.drive + parts.dir + item.m_strName;
  // An archive named like the file it holds has just been replaced by that
  // file; deleting "the archive" then would delete the file.
  if (platform::NormalizeWindowsPath(strUnpacked) != platform::NormalizeWindowsPath(item.m_strDownloadFullPath)) {
    CUtility::DeleteFile(item.m_strDownloadFullPath);
  }
  item.m_strDownloadFullPath = strUnpacked;
  step.Show(kUnpacked);
  Trace("%s", kUnpacked);
  return true;
}

bool CFileItemProcessor::VerifyAndCopy(CItemStep& step) const {
  CInstallItem& item = step.Item();
  step.Show(kVerifying);
  // One open file for the check and the copy: the bytes copied are read from
  // the file that was checked, and checked again on their way.
  platform::fs::FileStream download;
  download.Open(item.m_strDownloadFullPath, platform::fs::FileMode::kRead);
  int nResult = FileVerify(download, item.m_strDownloadFullPath, item.m_strSecureData, &step.ReportSink());
  if (nResult != 0) {
    step.Fail(kVerifyFailed, nResult, kErrItemVerify);
    download.Close();
    CUtility::DeleteFile(item.m_strDownloadFullPath);
    return false;
  }
  step.Report(kVerifiedReport);
  step.Show(kVerified);

  step.Show(kCopying);
  CDigestCheck digestCheck(item.m_strSecureData);
  nResult = CUtility::CopyFile(download, item.m_strDownloadFullPath, item.m_strInstallPath, item.m_strInstallFullPath,
                               &digestCheck);
  download.Close();
  if (nResult != 0) {
    step.Fail(kCopyFailed, nResult, nResult);
    CUtility::DeleteFile(item.m_strDownloadFullPath);
    return false;
  }
  step.Report(kCopiedReport);
  step.Show(kCopied);
  CUtility::DeleteFile(item.m_strDownloadFullPath);
  return true;
}

bool CFileItemProcessor::Register(CItemStep& step) const {
  CInstallItem& item = step.Item();
  step.Show(kRegistering);
  if (!item.m_bRegister) return true;
  int nResult = platform::SplitWindowsPath(item.m_strInstallFullPath).ext == kProgramExtension
                    ? CUtility::ExecuteWait(item.m_strInstallFullPath, kRegisterServerArgument)
                    : RegDLL(item.m_strInstallFullPath, 1);
  if (nResult != 0) {
    step.Fail(kRegisterFailed, nResult, nResult);
    return false;
  }
  step.Report(kRegisteredReport);
  step.Show(kRegistered);
  return true;
}

bool CFileItemProcessor::Run(CItemStep& step) const {
  CInstallItem& item = step.Item();
  step.Show(kRunning);
  if (!item.m_bRun) return true;

  // The signature is checked on the bytes of an open file and that same
  // file is started, so a program put at the path after the check never runs.
  platform::ProgramFile program;
  int nResult = program.Open(item.m_strInstallFullPath) == platform::kErrorSuccess
                    ? FileVerifyCodeSign(program.Image(), item.m_strInstallFullPath)
                    : FileVerifyCodeSign(item.m_strInstallFullPath);
  if (nResult != 0) {
    // Not run, but the file was installed: it is still recorded.
    step.Fail(kCodeSignFailed, nResult, nResult);
    return true;
  }
  program.ReleaseImage();  // checked; only the open file is needed now
  nResult =
      CUtility::ExecuteWait(program, item.m_strInstallFullPath, item.m_bRunSilent ? kSilentArgument : kNoArgument);
  if (nResult != 0) {
    step.Fail(kRunFailed, nResult, nResult);
    return false;
  }
  step.Report(kRanReport);
  step.Show(kRan);
  return true;
}

void CFileItemProcessor::Record(CItemStep& step) const {
  const CInstallItem& item = step.Item();
  CSettings::Write(m_strInstalledVersionFile, item.m_strName, "VERSION", item.m_strVersion);
  CSettings::Write(m_strInstalledVersionFile, item.m_strName, "SECURE_DATA", item.m_strSecureData);
}
