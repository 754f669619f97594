// The test support's Korean face mapping under Wine: the registry holds it,
// and GDI then draws the dialogs' faces with NanumGothic, Hangul included.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/Wine.h"
#include "tests/support/WineFonts.h"

namespace {

std::wstring FontSubstitute(const wchar_t* face) {
  wchar_t value[64] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  DWORD type = 0;
  const LSTATUS status =
      RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes", face,
                   RRF_RT_REG_SZ, &type, value, &size);
  return status == ERROR_SUCCESS ? value : L"";
}

struct DrawnFace {
  std::wstring family;  // the face GDI actually drew with
  bool hasHangul = false;
};

DrawnFace Draw(const wchar_t* face) {
  DrawnFace drawn;
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontW(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, HANGUL_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
  HGDIOBJ old = SelectObject(dc, font);
  const UINT size = GetOutlineTextMetricsW(dc, 0, nullptr);
  if (size > 0) {
    std::vector<uint64_t> buffer(size / sizeof(uint64_t) + 1);  // aligned for the structure
    auto* outline = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
    if (GetOutlineTextMetricsW(dc, size, outline) != 0)
      drawn.family = reinterpret_cast<const wchar_t*>(reinterpret_cast<const char*>(outline) +
                                                      reinterpret_cast<uintptr_t>(outline->otmpFamilyName));
  }
  WORD glyphs[2] = {};
  GetGlyphIndicesW(dc, L"\uAD74\uB9BC", 2, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
  drawn.hasHangul = glyphs[0] != 0xFFFF && glyphs[1] != 0xFFFF;
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  return drawn;
}

// The drawing half runs in a process of its own, started once the mapping is
// in: GDI reads the substitutes when a process loads its fonts, and this one
// loaded them at its start.
constexpr wchar_t kDrawingChild[] = L"VAMO_KOREAN_FACES_CHILD";

TEST(WineKoreanFaces, DrawWithNanumGothicInALaterProcess) {
  if (GetEnvironmentVariableW(kDrawingChild, nullptr, 0) == 0) GTEST_SKIP() << "started by the mapping case";
  for (const wchar_t* face : kKoreanFaces) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(face)));
    const DrawnFace drawn = Draw(face);
    EXPECT_EQ(drawn.family, kKoreanFacesSubstitute);
    EXPECT_TRUE(drawn.hasHangul);
  }
}

DWORD RunDrawingChild() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring commandLine =
      std::wstring(L"\"") + self + L"\" --gtest_filter=WineKoreanFaces.DrawWithNanumGothicInALaterProcess";
  SetEnvironmentVariableW(kDrawingChild, L"1");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const BOOL started =
      CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableW(kDrawingChild, nullptr);
  if (!started) return GetLastError();
  WaitForSingleObject(process.hProcess, 120000);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exitCode;
}

TEST(WineKoreanFaces, MappedFacesReadBackAndDrawWithNanumGothic) {
  if (!RunningUnderWine()) GTEST_SKIP() << "Windows has the Korean faces itself";
  if (GetEnvironmentVariableW(kDrawingChild, nullptr, 0) != 0) GTEST_SKIP();
  ASSERT_EQ(MapKoreanFacesToNanum(), "");
  for (const wchar_t* face : kKoreanFaces) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(face)));
    EXPECT_EQ(FontSubstitute(face), kKoreanFacesSubstitute);
  }
  EXPECT_EQ(RunDrawingChild(), 0u) << "the drawing case failed in the later process (its output is above)";
}

}  // namespace
