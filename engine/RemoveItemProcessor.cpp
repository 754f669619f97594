#include "engine/RemoveItemProcessor.h"

#include "engine/ItemStep.h"
#include "system/Utility.h"

namespace {

constexpr char kRemoving[] = "삭제중";
constexpr char kRemovedReport[] = "-삭제완료\r\n";
constexpr char kRemoved[] = "삭제완료";

constexpr CStepFailure kRemoveFailed = {
    {"-삭제실패무시\r\n", "삭제실패무시", true, true},
    {"-삭제실패\r\n", "삭제실패", true, true},
};

}  // namespace

void CRemoveItemProcessor::Process(CItemStep& step) const {
  CInstallItem& item = step.Item();
  step.Show(kRemoving);
  step.Bar(kRemoving, item.m_strName, 0);
  int nResult = CUtility::DeleteFile(item.m_strInstallFullPath);
  if (nResult == 0) {
    step.Report(kRemovedReport);
    step.Show(kRemoved);
    step.Bar(kRemoved, item.m_strName, 100);
    return;
  }
  step.Fail(kRemoveFailed, nResult, nResult);
}
