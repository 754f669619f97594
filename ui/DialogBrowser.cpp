#include "ui/DialogBrowser.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/gui/PaintDC.h"
#include "platform/resources/ModuleResources.h"
#include "resources/resource.h"
#include "ui/BufferDC.h"
#include "ui/DialogSkin.h"

using namespace platform::gui;

namespace {

constexpr int kIconTop = 90;
// x of the slots by number of icons (one row at y = 90).
constexpr int kSlotLeft[7][7] = {
    {242},
    {204, 281},
    {160, 238, 319},
    {127, 204, 281, 358},
    {88, 165, 242, 319, 396},
    {49, 126, 203, 280, 357, 434},
    {17, 90, 163, 236, 309, 382, 455},
};
constexpr int kSlotWidth = 65;
// Two rows: the first starts below the panel's top edge (y 62), the second
// ends above the notice (y 175).
constexpr int kFirstRowTop = 68;
constexpr int kRowGap = 6;
constexpr int kRowLength = 7;

constexpr COLORREF kWarningColour = RGB(102, 102, 102);
constexpr COLORREF kVersionColour = RGB(128, 128, 128);
constexpr char kWarning1[] = "1. 브라우저가 실행되어 있으며 결제 프로그램의 재설치시 문제가 발생할 수도 있습니다.";
constexpr char kWarning2[] = "2. 저장해야 하는 데이터가 있는 브라우저가 있다면 지금 저장하시고 인터넷을 종료해";
constexpr char kWarning3[] = "   주시기 바랍니다.";

constexpr CSkinnedDialog::ButtonPlace kConfirmPlace{IDB_CONFIRM_NORMAL, IDB_CONFIRM_PRESSED, IDB_CONFIRM_HOVER, 245,
                                                    408};
constexpr CSkinnedDialog::ButtonPlace kClosePlace{IDB_CLOSE_X_NORMAL, IDB_CLOSE_X_PRESSED, IDB_CLOSE_X_HOVER, 517, 14};

// A smaller copy of a picture in which every pixel is the mean of the
// source pixels it covers, weighted by how much of each it covers (a box
// filter): shrunken icons keep smooth edges, where a nearest-neighbour
// stretch would drop whole rows and columns. An empty bitmap when it
// cannot be made.
Bitmap ShrinkBitmap(const Bitmap& source, int cx, int cy) {
  Bitmap result;
  const Size from = source.GetSize();
  if (source.IsNull() || cx <= 0 || cy <= 0 || from.cx <= 0 || from.cy <= 0) return result;
  const int stride = (cx * 3 + 3) & ~3;
  std::vector<uint8_t> dib(40 + static_cast<size_t>(stride) * static_cast<size_t>(cy), 0);
  auto put32 = [&dib](size_t at, int32_t value) { std::memcpy(&dib[at], &value, 4); };
  put32(0, 40);
  put32(4, cx);
  put32(8, -cy);  // top-down
  dib[12] = 1;    // planes
  dib[14] = 24;   // bits per pixel
  const double sx = static_cast<double>(from.cx) / cx;
  const double sy = static_cast<double>(from.cy) / cy;
  for (int y = 0; y < cy; ++y) {
    const double y0 = y * sy, y1 = (y + 1) * sy;
    for (int x = 0; x < cx; ++x) {
      const double x0 = x * sx, x1 = (x + 1) * sx;
      double r = 0, g = 0, b = 0, total = 0;
      for (int py = static_cast<int>(y0); py < std::min(from.cy, static_cast<int>(std::ceil(y1))); ++py) {
        const double wy = std::min(y1, py + 1.0) - std::max(y0, static_cast<double>(py));
        for (int px = static_cast<int>(x0); px < std::min(from.cx, static_cast<int>(std::ceil(x1))); ++px) {
          const double w = wy * (std::min(x1, px + 1.0) - std::max(x0, static_cast<double>(px)));
          const COLORREF c = source.GetPixel(px, py);
          r += w * GetRValue(c);
          g += w * GetGValue(c);
          b += w * GetBValue(c);
          total += w;
        }
      }
      uint8_t* pixel = &dib[40 + static_cast<size_t>(y) * static_cast<size_t>(stride) + static_cast<size_t>(x) * 3];
      pixel[0] = static_cast<uint8_t>(std::lround(b / total));
      pixel[1] = static_cast<uint8_t>(std::lround(g / total));
      pixel[2] = static_cast<uint8_t>(std::lround(r / total));
    }
  }
  result.LoadFromDib(dib);
  return result;
}

int Shrunk(int nSize, int nHeight) {
  return std::max(1, static_cast<int>(std::lround(static_cast<double>(nSize) * CDialogBrowser::kSmallIconHeight / nHeight)));
}

}  // namespace

CDialogBrowser::CDialogBrowser(Window* pParentWnd) : CSkinnedDialog(IDD_DIALOG_BROWSER, pParentWnd) {}

std::vector<CDialogBrowser::IconPlace> CDialogBrowser::IconPlaces(const std::vector<Size>& sizes) {
  std::vector<IconPlace> places;
  const int nCount = static_cast<int>(sizes.size());
  if (nCount == 0) return places;
  if (nCount <= kRowLength) {
    for (int i = 0; i < nCount; ++i)
      places.push_back({kSlotLeft[nCount - 1][i], kIconTop, sizes[static_cast<size_t>(i)].cx,
                        sizes[static_cast<size_t>(i)].cy});
    return places;
  }
  // The seven-slot row's pitch and centre line carry over to the second row.
  const int* row = kSlotLeft[kRowLength - 1];
  const int nPitch = row[1] - row[0];
  const double centre = (row[0] + row[kRowLength - 1] + kSlotWidth) / 2.0;
  const int nSecond = nCount - kRowLength;
  const int nSecondTop = kFirstRowTop + kSmallIconHeight + kRowGap;
  for (int i = 0; i < nCount; ++i) {
    const Size size = sizes[static_cast<size_t>(i)];
    const int cx = Shrunk(size.cx, std::max(1, size.cy));
    const int cy = Shrunk(size.cy, std::max(1, size.cy));
    double slotCentre;
    int y;
    if (i < kRowLength) {
      slotCentre = row[i] + kSlotWidth / 2.0;
      y = kFirstRowTop;
    } else {
      const int j = i - kRowLength;
      slotCentre = centre + (j - (nSecond - 1) / 2.0) * nPitch;
      y = nSecondTop;
    }
    places.push_back({static_cast<int>(std::floor(slotCentre - cx / 2.0)), y, cx, cy});
  }
  return places;
}

void CDialogBrowser::DoDataExchange(DataExchange* pDX) {
  CSkinnedDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDOK, m_btnConfirm);
  DDX_Control(pDX, IDCANCEL, m_btnClose);
}

BOOL CDialogBrowser::OnInitDialog() {
  CSkinnedDialog::OnInitDialog();
  m_version.Load(platform::ModuleFileName());

  LoadSkinBitmap(m_bmpBackground, IDB_BROWSER_BACKGROUND, nullptr);
  ResizeToBitmap(this, m_bmpBackground);
  LoadSkinBitmap(m_bmpNotice, IDB_BROWSER_NOTICE, nullptr);
  for (size_t i = 0; i < m_entries.size(); ++i) {
    Size size;
    // The three 360 names load the same picture, each its own copy.
    if (LoadSkinBitmap(m_entries[i].bmpIcon, CBrowserScan::Browsers()[i].nIcon, &size)) {
      m_entries[i].nWidth = size.cx;
      m_entries[i].nHeight = size.cy;
    }
  }
  m_fontText.CreateFont(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "굴림");
  m_fontVersion.CreateFont(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "돋음");

  PlaceButton(m_btnConfirm, kConfirmPlace);
  PlaceButton(m_btnClose, kClosePlace);

  if (!m_scan.Scan()) return FALSE;  // no icon at all
  if (m_scan.Count() > kRowLength) {
    for (Entry& entry : m_entries) {
      if (entry.bmpIcon.IsNull()) continue;
      entry.bmpSmall = ShrinkBitmap(entry.bmpIcon, Shrunk(entry.nWidth, entry.nHeight),
                                    Shrunk(entry.nHeight, entry.nHeight));
    }
  }
  return TRUE;
}

void CDialogBrowser::DrawIcons(DC* pDC) {
  std::vector<Entry*> running;
  std::vector<Size> sizes;
  for (int i = 0; i < CBrowserScan::kBrowserCount; ++i) {
    if (!m_scan.IsRunning(i)) continue;
    Entry& entry = m_entries[static_cast<size_t>(i)];
    running.push_back(&entry);
    sizes.push_back({entry.nWidth, entry.nHeight});
  }
  const std::vector<IconPlace> places = IconPlaces(sizes);
  const bool bSmall = running.size() > static_cast<size_t>(kRowLength);
  for (size_t i = 0; i < running.size(); ++i)
    DrawSkinBitmap(pDC, bSmall ? running[i]->bmpSmall : running[i]->bmpIcon, places[i].x, places[i].y);
}

void CDialogBrowser::OnPaint() {
  PaintDC dc(this);
  Rect rcClient;
  GetClientRect(&rcClient);
  CBufferDC buffer(&dc, &rcClient);
  DrawSkinBitmap(buffer, m_bmpBackground, 0, 0);
  DrawSkinBitmap(buffer, m_bmpNotice, 90, 175);
  DrawIcons(buffer);

  ScopedDCState state(buffer);
  buffer->SetBkMode(TRANSPARENT);
  buffer->SetTextColor(kWarningColour);
  buffer->SelectObject(&m_fontText);
  const int h = buffer->GetTextExtent(kWarning1).cy;
  buffer->TextOut(38, 243, kWarning1);
  buffer->TextOut(38, 265 + h, kWarning2);
  buffer->TextOut(38, 271 + 2 * h, kWarning3);

  buffer->SelectObject(&m_fontVersion);
  buffer->SetTextColor(kVersionColour);
  const std::string strVersion = "Version : " + m_version.GetFileVersion();
  Rect rcVersion{rcClient.left + 16, rcClient.bottom - 80, rcClient.right - 20, rcClient.bottom - 10};
  buffer->DrawText(strVersion, &rcVersion, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void CDialogBrowser::OnDestroy() {
  CSkinnedDialog::OnDestroy();
  m_bmpBackground.DeleteObject();
  m_bmpNotice.DeleteObject();
  for (Entry& entry : m_entries) {
    entry.bmpIcon.DeleteObject();
    entry.bmpSmall.DeleteObject();
  }
  m_fontText.DeleteObject();
  m_fontVersion.DeleteObject();
}
