#include <gtest/gtest.h>

#include <string>

#include "platform/fs/FileSystem.h"
#include "tests/transfer/UpdateListTest.h"

namespace {

TEST_F(UpdateListTest, AcceptsListSignedByOpensslAndKeepsExactlyTheSignedBytes) {
  ASSERT_EQ(VerifyText(SignedList()), 0);
  std::span<const uint8_t> signedBytes = m_layout.SignedBytes();
  EXPECT_EQ(std::string(signedBytes.begin(), signedBytes.end()), kIni);
  EXPECT_EQ(m_report.lines, std::vector<std::string>{"Updatelist Verify Complete\r\n"});

  // The bytes stay with the layout: the file may change on disk afterwards
  // and the parse still sees what was verified.
  ASSERT_EQ(platform::fs::WriteFileAtomic(m_strList, "[evil.dll]\r\nTYPE=FILE\r\n"), platform::kErrorSuccess);
  EXPECT_EQ(std::string(m_layout.SignedBytes().begin(), m_layout.SignedBytes().end()), kIni);
  platform::profile::Source ini = m_layout.IniSource();
  EXPECT_EQ(platform::profile::SplitNulList(platform::profile::GetSectionNames(ini, 4096)),
            (std::vector<std::string>{"GENERAL", "a.dll"}));
  EXPECT_EQ(platform::profile::GetString(ini, "a.dll", "TYPE"), "FILE");
}

TEST_F(UpdateListTest, TextAfterTheBeginMarkerIsNeverReadAsIni) {
  // A section smuggled in after the signature block makes the list fail;
  // and even the signed part's parse stops at the BEGIN marker.
  EXPECT_EQ(VerifyText(SignedList() + "\r\n[evil.dll]\r\nTYPE=FILE\r\n"), kListCheckTrailing);
  ASSERT_EQ(VerifyText(SignedList()), 0);
  std::vector<std::string> names =
      platform::profile::SplitNulList(platform::profile::GetSectionNames(m_layout.IniSource(), 4096));
  EXPECT_EQ(names.size(), 2u);
}

TEST_F(UpdateListTest, FillerAfterTheEndMarkerIsAllowed) {
  EXPECT_EQ(VerifyText(SignedList() + "\r\n-----\r\n \t"), 0);
}

struct Tamper {
  const char* name;
  std::string (*apply)(const std::string& list);
  int code;
  const char* reportLine;  // nullptr: the check writes no report line
};

std::string FlipIniByte(const std::string& list) {
  std::string out = list;
  out[5] ^= 0x20;
  return out;
}
std::string FlipLastIniByte(const std::string& list) {
  std::string out = list;
  out[list.find("-----BEGIN") - 1] = 'X';
  return out;
}
std::string SecondBegin(const std::string& list) { return "-----BEGIN SIGNATURE-----\r\n" + list; }
std::string SecondBeginAfter(const std::string& list) { return list + "\r\n-----BEGIN SIGNATURE-----"; }
std::string SecondEnd(const std::string& list) { return list + "\r\n-----END SIGNATURE-----"; }
std::string LetterAfterEnd(const std::string& list) { return list + "\r\nX"; }
std::string NulAfterEnd(const std::string& list) { return list + std::string("\r\n\0", 3); }
std::string LongTailAfterEnd(const std::string& list) { return list + std::string(4000, ' ') + "x"; }
std::string TruncatedSignature(const std::string& list) {
  std::string out = list;
  size_t end = out.find("-----END");
  return out.erase(end - 10, 8);
}
std::string NoBegin(const std::string& list) { return list.substr(0, list.find("-----BEGIN")); }
std::string NoEnd(const std::string& list) { return list.substr(0, list.find("-----END")); }
std::string EndBeforeBegin(const std::string& list) {
  std::string out = list.substr(0, list.find("-----END"));
  return "-----END SIGNATURE-----\r\n" + out;
}
std::string Empty(const std::string&) { return ""; }
std::string NulInIni(const std::string& list) {
  std::string out = list;
  out[3] = '\0';
  return out;
}
std::string BadBase64(const std::string& list) {
  std::string out = list;
  size_t at = out.find("-----BEGIN SIGNATURE-----\r\n") + 27;
  out[at] = '*';
  return out;
}

class UpdateListTampering : public UpdateListTest, public ::testing::WithParamInterface<Tamper> {};

TEST_P(UpdateListTampering, IsRejectedWithItsCode) {
  const Tamper& t = GetParam();
  EXPECT_EQ(VerifyText(t.apply(SignedList())), t.code);
  if (t.reportLine != nullptr) {
    EXPECT_EQ(m_report.lines, std::vector<std::string>{t.reportLine});
  } else {
    EXPECT_TRUE(m_report.lines.empty());
  }
  EXPECT_TRUE(m_layout.SignedBytes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UpdateListTampering,
    ::testing::Values(Tamper{"ChangedIniByte", FlipIniByte, kListVerifyFinal, nullptr},
                      Tamper{"ChangedLastSignedByte", FlipLastIniByte, kListVerifyFinal, nullptr},
                      Tamper{"SecondBeginFirst", SecondBegin, kListCheckMarkerTwice, nullptr},
                      Tamper{"SecondBeginAfter", SecondBeginAfter, kListCheckMarkerTwice, nullptr},
                      Tamper{"SecondEnd", SecondEnd, kListCheckMarkerTwice, nullptr},
                      Tamper{"LetterAfterEnd", LetterAfterEnd, kListCheckTrailing, nullptr},
                      Tamper{"NulAfterEnd", NulAfterEnd, kListCheckTrailing, nullptr},
                      Tamper{"LetterFarAfterEnd", LongTailAfterEnd, kListCheckTrailing, nullptr},
                      Tamper{"TruncatedSignature", TruncatedSignature, kListVerifyFinal, nullptr},
                      Tamper{"BadBase64", BadBase64, kListVerifyFinal, nullptr},
                      Tamper{"NoBeginMarker", NoBegin, kListNotSigned,
                             "Updatelist Verify Fail (Update File Not Sign)\r\n"},
                      Tamper{"NulBeforeMarkers", NulInIni, kListNotSigned,
                             "Updatelist Verify Fail (Update File Not Sign)\r\n"},
                      Tamper{"NoEndMarker", NoEnd, kListInvalidSign,
                             "Updatelist Verify Fail (Update File Invalid Sign)\r\n"},
                      Tamper{"EndBeforeBegin", EndBeforeBegin, kListInvalidSign,
                             "Updatelist Verify Fail (Update File Invalid Sign)\r\n"},
                      Tamper{"EmptyFile", Empty, kListSizeZero, "Updatelist Verify Fail (Update File Size Zero)\r\n"}),
    [](const ::testing::TestParamInfo<Tamper>& info) { return std::string(info.param.name); });

TEST_F(UpdateListTest, SignatureByAnotherKeyIsRejected) {
  EXPECT_EQ(VerifyText(MakeSignedList(kIni, SharedTestKeys().otherPrivateKey)), kListVerifyFinal);
}

TEST_F(UpdateListTest, MissingFileAndMissingKeyHaveTheirOwnCodes) {
  EXPECT_EQ(m_layout.Verify(m_scratch.PathOf("absent.ver"), std::nullopt, &m_report), kListOpenFail);
  EXPECT_EQ(m_report.lines, std::vector<std::string>{"Updatelist Verify Fail (Update File Open Fail)\r\n"});
  EXPECT_EQ(VerifyText(SignedList(), false), kListKeyMissing);
  EXPECT_EQ(m_report.lines, std::vector<std::string>{"Updatelist Verify Fail (Public Key Find Fail)\r\n"});
}

}  // namespace
