#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/fs/FileSystem.h"
#include "tests/support/ScratchSpace.h"
#include "tests/transfer/RecordingReport.h"
#include "tests/transfer/SigningKeys.h"
#include "transfer/UpdateListLayout.h"

inline constexpr char kIni[] =
    "[GENERAL]\r\nVERSION=1.0.1.8\r\n"
    "[a.dll]\r\nTYPE=FILE\r\nDOWNLOAD_FULL_URL=http://127.0.0.1/a.dll\r\n";

// Each test gets a scratch folder of its own and writes the list to list.ver
// in it. The cases that read the trace (Linux only) share this fixture.
class UpdateListTest : public ::testing::Test {
 protected:
  int VerifyText(const std::string& bytes, bool withKey = true) {
    EXPECT_EQ(platform::fs::WriteFileAtomic(m_strList, bytes), platform::kErrorSuccess);
    std::string key = ReadKeyFile(SharedTestKeys().publicKey);
    m_report.lines.clear();
    return m_layout.Verify(m_strList, withKey ? std::optional<std::string_view>(key) : std::nullopt, &m_report);
  }
  std::string SignedList(const std::string& ini = kIni) { return MakeSignedList(ini, SharedTestKeys().privateKey); }

  ScratchSpace m_scratch;
  std::string m_strList = m_scratch.PathOf("list.ver");
  CUpdateListLayout m_layout;
  RecordingReport m_report;
};
