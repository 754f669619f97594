// The program's resources as Windows' own loaders give them to the window
// code: pictures through LoadBitmapW and GetDIBits, the icon through
// LoadImageW, the version block through GetFileVersionInfoW. Built for
// Windows only; the byte-level cases of ResourcesContractTest run on both.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/fs/FileSystem.h"
#include "resources/resource.h"

namespace {

struct BmpPixels {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rows;  // bottom-up, 24 bits, rows padded to 4 bytes
};

// The drawing's own pixels, read from the file the resource was compiled from.
BmpPixels DrawingPixels(uint16_t id) {
  const auto file = platform::fs::ReadFileBytes(std::string(VAMO_ARTWORK_DIR) + "/" + std::to_string(id) + ".bmp");
  BmpPixels pixels;
  if (!file || file->size() < 54) {
    ADD_FAILURE() << id << ".bmp cannot be read";
    return pixels;
  }
  uint32_t offset = 0;
  uint16_t bits = 0;
  std::memcpy(&offset, file->data() + 10, 4);
  std::memcpy(&pixels.width, file->data() + 18, 4);
  std::memcpy(&pixels.height, file->data() + 22, 4);
  std::memcpy(&bits, file->data() + 28, 2);
  EXPECT_EQ(bits, 24) << id << ".bmp";
  pixels.rows.assign(file->begin() + offset, file->end());
  return pixels;
}

// What GDI makes of the resource: the device bitmap LoadBitmapW created,
// read back as a 24-bit bottom-up DIB, the file's own layout.
BmpPixels LoadedPixels(uint16_t id) {
  BmpPixels pixels;
  HBITMAP bitmap = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
  if (bitmap == nullptr) {
    ADD_FAILURE() << "LoadBitmapW(" << id << "): " << GetLastError();
    return pixels;
  }
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  pixels.width = info.bmWidth;
  pixels.height = info.bmHeight;
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = info.bmWidth;
  header.bmiHeader.biHeight = info.bmHeight;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 24;
  header.bmiHeader.biCompression = BI_RGB;
  pixels.rows.resize(static_cast<size_t>((info.bmWidth * 3 + 3) & ~3) * info.bmHeight);
  HDC dc = CreateCompatibleDC(nullptr);
  const int lines = GetDIBits(dc, bitmap, 0, info.bmHeight, pixels.rows.data(), &header, DIB_RGB_COLORS);
  EXPECT_EQ(lines, info.bmHeight) << id;
  DeleteDC(dc);
  DeleteObject(bitmap);
  return pixels;
}

TEST(ProgramResourcesOnWindows, EveryPictureLoadsPixelForPixelAsDrawn) {
  if (std::string(VAMO_ARTWORK_DIR).empty()) GTEST_SKIP() << "built without the artwork";
  for (const uint16_t id : std::vector<uint16_t>{VAMO_ARTWORK_BITMAPS}) {
    SCOPED_TRACE(id);
    const BmpPixels drawn = DrawingPixels(id);
    const BmpPixels loaded = LoadedPixels(id);
    ASSERT_EQ(loaded.width, drawn.width);
    ASSERT_EQ(loaded.height, drawn.height);
    ASSERT_EQ(loaded.rows.size(), drawn.rows.size());
    EXPECT_TRUE(loaded.rows == drawn.rows);
  }
}

TEST(ProgramResourcesOnWindows, TheIconLoadsInTheSizesTheShellAsksFor) {
  if (std::string(VAMO_ARTWORK_DIR).empty()) GTEST_SKIP() << "built without the artwork";
  for (const int size : {16, 32, 48}) {
    HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, size, size, 0);
    ASSERT_NE(icon, nullptr) << size << ": " << GetLastError();
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(static_cast<HICON>(icon));
  }
}

std::wstring VersionString(const std::vector<uint8_t>& block, const wchar_t* key) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\00000000\\") + key;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || length == 0) return {};
  return std::wstring(static_cast<const wchar_t*>(value));
}

// The program's own version block as the browser-close prompt and Explorer
// read it: one translation of language 0 and code page 0, the strings in its
// "00000000" block, the fixed version the same as the text one.
TEST(ProgramResourcesOnWindows, VersionBlockReadsBackThroughTheVersionApi) {
  wchar_t path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &handle);
  ASSERT_GT(size, 0u) << GetLastError();
  std::vector<uint8_t> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));

  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  uint32_t translation = 1;
  std::memcpy(&translation, value, 4);
  EXPECT_EQ(translation, 0u);

  EXPECT_EQ(VersionString(block, L"OriginalFilename"), L"VamoSetup.exe");
  EXPECT_EQ(VersionString(block, L"ProductName"), L"VamoSetup");
  EXPECT_EQ(VersionString(block, L"FileDescription"),
            L"Orin \uC804\uC790\uACB0\uC81C - \uC804\uC790\uACB0\uC81C \uB9C8\uBC95\uC0AC");
  EXPECT_FALSE(VersionString(block, L"CompanyName").empty());

  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const std::wstring text = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L", " +
                            std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L", " +
                            std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L", " +
                            std::to_wstring(LOWORD(fixed->dwFileVersionLS));
  EXPECT_EQ(VersionString(block, L"FileVersion"), text);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

}  // namespace
