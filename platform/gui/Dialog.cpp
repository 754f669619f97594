#include "platform/gui/Dialog.h"

namespace platform::gui {

// What both dialog backends share: data exchange and the OK/Cancel commands.

void DDX_Control(DataExchange* pDX, int nIDC, Window& rControl) {
  if (!pDX || !pDX->m_pDlgWnd || rControl.m_hWnd) return;
  rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd);
}

Dialog::Dialog(UINT nIDTemplate, Window* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

BOOL Dialog::OnInitDialog() {
  DataExchange dx{this, FALSE};
  DoDataExchange(&dx);
  return TRUE;
}

void Dialog::DoDataExchange(DataExchange*) {}
void Dialog::OnOK() { EndDialog(IDOK); }
void Dialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL Dialog::OnCommand(WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != BN_CLICKED) return FALSE;
  switch (LOWORD(wParam)) {
    case IDOK: OnOK(); return TRUE;
    case IDCANCEL: OnCancel(); return TRUE;
    default: return FALSE;
  }
}

LRESULT Dialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInitDialog();
  return Window::WindowProc(message, wParam, lParam);
}

}  // namespace platform::gui
