#include "ui/SkinnedDialog.h"

#include "ui/DialogSkin.h"

using namespace platform::gui;

CSkinnedDialog::CSkinnedDialog(UINT nIDTemplate, Window* pParentWnd) : Dialog(nIDTemplate, pParentWnd) {}

BOOL CSkinnedDialog::OnInitDialog() {
  const BOOL bResult = Dialog::OnInitDialog();
  SetWindowText(kWizardTitle);
  return bResult;
}

BOOL CSkinnedDialog::OnEraseBkgnd(DC*) { return TRUE; }

void CSkinnedDialog::OnLButtonDown(UINT nFlags, Point point) {
  Dialog::OnLButtonDown(nFlags, point);
  DragByTitleBar(this, point, TitleRect());
}

BOOL CSkinnedDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED && OnButtonClicked(LOWORD(wParam))) return TRUE;
  return Dialog::OnCommand(wParam, lParam);
}

BOOL CSkinnedDialog::OnButtonClicked(int) { return FALSE; }

Rect CSkinnedDialog::TitleRect() const { return TitleBarRect(this); }

void CSkinnedDialog::PlaceButton(CButtonSkin& button, const ButtonPlace& place) {
  button.SetBitmaps(place.nNormal, place.nPressed, place.nHover, place.nNormal);
  button.SetWindowPos(nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
}
