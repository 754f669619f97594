#include "engine/UpdateList.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/ErrorCodes.h"
#include "tests/engine/InstallTestSupport.h"

namespace {

const std::string kList =
    "[GENERAL]\r\nVERSION=1.0.1.7\r\n"
    "[a.dll]\r\nTYPE=FILE\r\nDOWNLOAD_FULL_URL={URL}a.dll\r\n"
    "[b.dll]\r\nTYPE=FILE\r\nDOWNLOAD_FULL_URL={URL}b.dll\r\n";

struct UpdateListTest : ::testing::Test {
  void SetUp() override {
    if (!ResourceKeyIsDemoKey()) GTEST_SKIP() << "this build embeds another update-list key than the demo key";
  }
  // The steps before the list's own ones.
  void Ready() { ASSERT_EQ(run.m_procedure.ProcInstallReady(), 0); }
  std::vector<std::string> PlanNames() const {
    std::vector<std::string> names;
    for (const auto& item : run.m_procedure.m_installPlan.Items()) names.push_back(item->m_strName);
    return names;
  }
  std::string LocalList() const { return run.m_procedure.UpdateListPath(); }

  CInstallWorld world;
  CInstallRun run{world};
};

TEST_F(UpdateListTest, ASignedListBecomesThePlanAndIsDeleted) {
  world.Publish(kList);
  Ready();
  EXPECT_EQ(run.m_procedure.ProcInstallDownload(), 0);
  EXPECT_TRUE(WinExists(LocalList()));
  EXPECT_EQ(run.m_procedure.ProcInstallVerify(), 0);
  EXPECT_EQ(run.m_procedure.ProcInstallParse(), 0);
  EXPECT_EQ(PlanNames(), (std::vector<std::string>{"a.dll", "b.dll"}));
  EXPECT_FALSE(WinExists(LocalList()));
  EXPECT_EQ(run.ReportLines(), (std::vector<std::string>{"Updatelist File URL [" + world.ListUrl() + "]\r\n",
                                                          "Updatelist Verify Complete\r\n"}));
}

struct ListFailure {
  const char* strLabel;
  int nExpected;
  const char* strReportLine;  // the check's own line, or "" for none
};

class BrokenLists : public UpdateListTest, public ::testing::WithParamInterface<ListFailure> {};

// Each list is real: signed by vamo-publish, then spoiled the way its case
// names, so that only the spoiled part can explain the refusal.
TEST_P(BrokenLists, AreRefusedAndStayOnDisk) {
  world.Publish(kList);
  std::string bytes = ReadHostFile(world.ListHostPath());
  const std::string label = GetParam().strLabel;
  if (label == "NoSignature") bytes = bytes.substr(0, bytes.find("-----BEGIN SIGNATURE-----"));
  if (label == "AlteredAfterSigning") bytes.replace(bytes.find("b.dll"), 5, "c.dll");
  if (label == "NoEndMarker") bytes = bytes.substr(0, bytes.find("-----END SIGNATURE-----"));
  if (label == "LetterAfterEnd") bytes += "\r\nx";
  if (label == "SecondBegin") bytes = "-----BEGIN SIGNATURE-----\r\n" + bytes;
  world.PublishRaw(bytes);

  Ready();
  ASSERT_EQ(run.m_procedure.ProcInstallDownload(), 0);
  EXPECT_EQ(run.m_procedure.ProcInstallVerify(), GetParam().nExpected);
  EXPECT_TRUE(WinExists(LocalList())) << "a refused list stays in the temporary folder";
  std::vector<std::string> lines = run.ReportLines();
  std::string last = lines.back();
  if (*GetParam().strReportLine != '\0') {
    EXPECT_EQ(last, GetParam().strReportLine);
  } else {
    EXPECT_TRUE(last.starts_with("Updatelist File URL")) << last;
  }
  // Nothing of a refused list reaches the plan.
  EXPECT_NE(run.m_procedure.ProcInstallParse(), 0);
  EXPECT_TRUE(PlanNames().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenLists,
    ::testing::Values(ListFailure{"NoSignature", -3, "Updatelist Verify Fail (Update File Not Sign)\r\n"},
                      ListFailure{"NoEndMarker", -4, "Updatelist Verify Fail (Update File Invalid Sign)\r\n"},
                      ListFailure{"SecondBegin", -15, ""},
                      ListFailure{"LetterAfterEnd", -16, ""},
                      ListFailure{"AlteredAfterSigning", -11, ""}),
    [](const auto& info) { return std::string(info.param.strLabel); });

// The list on disk is swapped for another right after it passed its check;
// what is parsed is what was checked.
TEST_F(UpdateListTest, AListReplacedAfterItsCheckNeverReachesThePlan) {
  world.Publish(kList);
  Ready();
  ASSERT_EQ(run.m_procedure.ProcInstallDownload(), 0);
  ASSERT_EQ(run.m_procedure.ProcInstallVerify(), 0);
  WriteHostFile(HostOf(LocalList()),
                "[evil.exe]\r\nTYPE=FILE\r\nRUN=TRUE\r\nINSTALL_PATH=%System%\r\nDOWNLOAD_FULL_URL=http://x/evil.exe\r\n");
  ASSERT_EQ(run.m_procedure.ProcInstallParse(), 0);
  EXPECT_EQ(PlanNames(), (std::vector<std::string>{"a.dll", "b.dll"}));
  EXPECT_FALSE(WinExists(LocalList()));
}

TEST_F(UpdateListTest, AFailedDownloadLeavesNoListAndCodeMinus9201) {
  Ready();  // nothing published: the server answers 404
  WriteHostFile(HostOf(LocalList()), "an older list");
  EXPECT_EQ(run.m_procedure.ProcInstallDownload(), kErrUpdateListDownload);
  EXPECT_FALSE(WinExists(LocalList())) << "no stale list is left for a later check";
  EXPECT_EQ(run.ReportLines().back(), "Updatelist File Download Fail \r\n");
  EXPECT_EQ(run.m_procedure.ProcInstallVerify(), -1);
  EXPECT_EQ(run.ReportLines().back(), "Updatelist Verify Fail (Update File Open Fail)\r\n");
}

TEST_F(UpdateListTest, AnEmptyListGivesNoItems) {
  world.Publish("");
  Ready();
  ASSERT_EQ(run.m_procedure.ProcInstallDownload(), 0);
  ASSERT_EQ(run.m_procedure.ProcInstallVerify(), 0);
  EXPECT_EQ(run.m_procedure.ProcInstallParse(), 0);
  EXPECT_TRUE(PlanNames().empty());
}

}  // namespace
