#include "platform/gui/Dialog.h"

#include "platform/gui/DialogTemplate.h"
#include "platform/gui/UiThread.h"

namespace platform::gui {

// What both dialog backends share: data exchange, the OK/Cancel commands and
// a modeless dialog's creation from its template.

void DDX_Control(DataExchange* pDX, int nIDC, Window& rControl) {
  if (!pDX || !pDX->m_pDlgWnd || rControl.m_hWnd) return;
  rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd);
}

Dialog::Dialog(UINT nIDTemplate, Window* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

BOOL Dialog::Create(UINT nIDTemplate, Window* pParentWnd) {
  Initialize();
  m_nIDTemplate = nIDTemplate;
  m_pParentWnd = pParentWnd;
  auto dialogTemplate = DialogTemplate::Load(nIDTemplate);
  if (!dialogTemplate || !CreateFromTemplate(pParentWnd)) return FALSE;
  if (dialogTemplate->style & WS_VISIBLE) ShowWindow(SW_SHOW);
  return TRUE;
}

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
