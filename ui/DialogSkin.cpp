#include "ui/DialogSkin.h"

using namespace platform::gui;

BOOL LoadSkinBitmap(Bitmap& bitmap, UINT nID, Size* pSize) {
  Bitmap loaded;
  if (!loaded.LoadBitmap(nID)) return FALSE;
  BITMAP bm;
  if (!loaded.GetObject(&bm)) return FALSE;
  bitmap = std::move(loaded);
  if (pSize) *pSize = {bm.bmWidth, bm.bmHeight};
  return TRUE;
}

void DrawSkinBitmap(DC* pDC, Bitmap& bitmap, int x, int y) {
  if (!pDC || bitmap.IsNull()) return;
  const Size size = bitmap.GetSize();
  DC memDC;
  memDC.CreateCompatibleDC(pDC);
  ScopedSelectBitmap select(&memDC, &bitmap);
  pDC->BitBlt(x, y, size.cx, size.cy, &memDC, 0, 0, SRCCOPY);
}

void ResizeToBitmap(Window* pWnd, const Bitmap& bitmap) {
  if (!pWnd || bitmap.IsNull()) return;
  const Size size = bitmap.GetSize();
  pWnd->SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
}

Rect TitleBarRect(const Window* pWnd) {
  Rect rc;
  if (pWnd) pWnd->GetClientRect(&rc);
  rc.bottom = kTitleBarHeight;
  return rc;
}

BOOL DragByTitleBar(Window* pWnd, Point point, const Rect& rcTitle) {
  if (!pWnd || !PtInRect(rcTitle, point)) return FALSE;
  return pWnd->PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, LParamFromPoint(point));
}
