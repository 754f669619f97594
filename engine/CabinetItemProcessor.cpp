#include "engine/CabinetItemProcessor.h"

#include "engine/ErrorCodes.h"
#include "engine/ItemStep.h"
#include "system/CabinetInstaller.h"
#include "system/Utility.h"
#include "transfer/CodeSign.h"
#include "transfer/FileDownload.h"

namespace {

constexpr char kInstalling[] = "캐비넷설치";
constexpr char kInstallingReport[] = "-캐비넷설치\r\n";
constexpr char kDownloading[] = "캐비넷 다운로드중";
constexpr char kDownloadedReport[] = "-다운로드완료\r\n";
constexpr char kDownloaded[] = "다운로드완료";
constexpr char kSignedReport[] = "-캐비넷 코드사인 검증완료\r\n";
constexpr char kSigned[] = "캐비넷 코드사인 검증완료";
constexpr char kInstalledReport[] = "-설치완료\r\n";
constexpr char kInstalled[] = "설치완료";

constexpr CStepFailure kDownloadFailed = {
    {"-캐비넷 다운로드실패무시\r\n", "캐비넷 다운로드실패무시", true, true},
    {"-캐비넷 다운로드실패\r\n", "캐비넷 다운로드실패", true, true},
};
constexpr CStepFailure kSignatureFailed = {
    {"-캐비넷 코드사인실패무시\r\n", "캐비넷 코드사인실패무시", true, true},
    {"-캐비넷 코드사인 검증실패\r\n", "캐비넷 코드사인 검증실패", true, true},
};
constexpr CStepFailure kInstallFailed = {
    {"-캐비넷 설치오류무시\r\n", "캐비넷 설치오류무시", true, true},
    {"-캐비넷 설치오류\r\n", "캐비넷 설치오류", true, true},
};

}  // namespace

void CCabinetItemProcessor::Process(CItemStep& step) const {
  CInstallItem& item = step.Item();
  step.Show(kInstalling);
  step.Bar(kInstalling, item.m_strName, 0);
  step.Report(kInstallingReport);

  step.Show(kDownloading);
  int nResult = FileDownload(item.m_strDownloadUrl, item.m_strDownloadFullPath, item.m_strName, &step.ReportSink(),
                             step.Progress());
  if (nResult != 0) {
    step.Fail(kDownloadFailed, nResult, kErrItemDownload);
    return;
  }
  step.Report(kDownloadedReport);
  step.Show(kDownloaded);

  nResult = FileVerifyCodeSign(item.m_strDownloadFullPath);
  if (nResult != 0) {
    step.Fail(kSignatureFailed, nResult, kErrItemVerify);
    CUtility::DeleteFile(item.m_strDownloadFullPath);
    return;
  }
  step.Report(kSignedReport);
  step.Show(kSigned);

  {
    CCabinetInstaller installer(item.m_strDownloadFullPath, VerifyCodeSignWithFrame);
    nResult = installer.Install();
  }
  if (nResult == 0) {
    step.Report(kInstalledReport);
    step.Show(kInstalled);
  } else {
    step.Fail(kInstallFailed, nResult, kErrItemCabinet);
  }
  CUtility::DeleteFile(item.m_strDownloadFullPath);
}
