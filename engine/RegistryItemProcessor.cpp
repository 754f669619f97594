#include "engine/RegistryItemProcessor.h"

#include "engine/ErrorCodes.h"
#include "engine/ItemStep.h"
#include "system/RegistryWriter.h"

namespace {

constexpr char kWriting[] = "레지스트리등록중";
constexpr char kWrittenReport[] = "-등록완료\r\n";
constexpr char kWritten[] = "등록완료";

constexpr CStepFailure kWriteFailed = {
    {"-등록오류무시\r\n", "등록오류무시", true, true},
    {"-등록오류\r\n", "등록오류", true, true},
};

}  // namespace

void CRegistryItemProcessor::Process(CItemStep& step) const {
  CInstallItem& item = step.Item();
  step.Show(kWriting);
  step.Bar(kWriting, "", 0);
  if (CRegistryWriter::Write(item.m_strRootKey, item.m_strSubKey, item.m_strRegistry, item.m_strKeyName,
                             item.m_strKeyValue)) {
    step.Report(kWrittenReport);
    step.Show(kWritten);
    step.Bar(kWritten, "", 100);
    return;
  }
  // The trace shows the item's result as it stands, before the failure sets it.
  step.Fail(kWriteFailed, item.m_nResult, kErrItemRegistry);
}
