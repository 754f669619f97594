// Dialogs over the system's dialog manager: the template of the program's
// resources goes to CreateDialogIndirectParamW, which makes the window and
// its controls; at WM_INITDIALOG the dialog window and its controls are
// attached to their objects, and from then on the dialog procedure answers
// nothing itself (DefDlgProc does the default processing, as in MFC).
#include "platform/gui/Dialog.h"

#include <cstring>
#include <vector>

#include "platform/gui/Button.h"
#include "platform/gui/DialogTemplate.h"
#include "platform/gui/UiThread.h"
#include "platform/gui/WindowRecord_win32.h"
#include "platform/resources/ModuleResources.h"

namespace platform::gui {

namespace {

INT_PTR CALLBACK LayerDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  // Only the first time: a handler's Default() for WM_INITDIALOG comes back here.
  if (!AttachWindow(hDlg, reinterpret_cast<Dialog*>(lParam))) return FALSE;
  AttachTemplateControls(hDlg);
  RECT before;
  ::GetWindowRect(hDlg, &before);
  const LRESULT result = ::SendMessageW(hDlg, WM_INITDIALOG, wParam, lParam);
  RECT after;
  // Centred on the screen (or its owner) unless OnInitDialog placed it.
  if (::IsWindow(hDlg) && ::GetWindowRect(hDlg, &after) && after.left == before.left && after.top == before.top) {
    if (Window* object = Window::FromHandle(hDlg)) object->CenterWindow();
  }
  return result;
}

BOOL CALLBACK AttachControl(HWND hControl, LPARAM lParam) {
  if (::GetParent(hControl) != reinterpret_cast<HWND>(lParam) || RecordOf(hControl)) return TRUE;
  wchar_t className[16] = {};
  ::GetClassNameW(hControl, className, 16);
  const bool button = ::CompareStringOrdinal(className, -1, L"BUTTON", -1, TRUE) == CSTR_EQUAL;
  std::unique_ptr<Window> object = button ? std::make_unique<Button>() : std::make_unique<Window>();
  if (WindowRecord* record = AttachWindow(hControl, object.get())) record->ownedObject = std::move(object);
  return TRUE;
}

// The style DWORD of a DLGTEMPLATEEX (after dlgVer, signature, helpID and
// exStyle) or of a DLGTEMPLATE (first).
size_t StyleOffset(const std::vector<uint8_t>& bytes) {
  const bool extended = bytes.size() >= 4 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF;
  return extended ? 12 : 0;
}

}  // namespace

void AttachTemplateControls(HWND hDialog) {
  ::EnumChildWindows(hDialog, AttachControl, reinterpret_cast<LPARAM>(hDialog));
}

bool IsDialogWindow(HWND hWnd) {
  wchar_t className[8] = {};
  return hWnd && ::GetClassNameW(hWnd, className, 8) && std::wcscmp(className, L"#32770") == 0;
}

BOOL Dialog::CreateFromTemplate(Window* pOwner) {
  if (m_hWnd) return FALSE;
  Initialize();
  auto resource = FindModuleResource(ResourceName(kRtDialog), ResourceName(static_cast<uint16_t>(m_nIDTemplate)));
  if (!resource) return FALSE;
  // The system gets only a template our own reader accepts: a truncated one
  // would have it read past the resource.
  if (!DialogTemplate::Parse(*resource)) return FALSE;
  // A copy, DWORD-aligned, whose style is adjusted as on Linux: never a
  // child, shown by the caller once initialised.
  std::vector<uint8_t> bytes(resource->begin(), resource->end());
  const size_t offset = StyleOffset(bytes);
  DWORD style;
  std::memcpy(&style, bytes.data() + offset, sizeof(style));
  style = (style & ~(WS_VISIBLE | WS_CHILD)) | ((style & WS_CAPTION) == WS_CAPTION ? 0 : WS_POPUP);
  std::memcpy(bytes.data() + offset, &style, sizeof(style));
  const HWND hWnd = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr),
                                                 reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
                                                 pOwner ? pOwner->m_hWnd : nullptr, LayerDialogProc,
                                                 reinterpret_cast<LPARAM>(this));
  return hWnd && m_hWnd == hWnd ? TRUE : FALSE;
}

intptr_t Dialog::DoModal() {
  Initialize();
  const HWND owner = m_pParentWnd && m_pParentWnd->m_hWnd ? ::GetAncestor(m_pParentWnd->m_hWnd, GA_ROOT) : nullptr;
  if (!CreateFromTemplate(m_pParentWnd)) return -1;
  const HWND hWnd = m_hWnd;
  const bool disableOwner = owner && ::IsWindowEnabled(owner);
  if (disableOwner) ::EnableWindow(owner, FALSE);
  WindowRecord* record = RecordOf(hWnd);
  if (record && !record->dialogEnded) ShowWindow(SW_SHOW);
  RunModalLoop([hWnd] {
    WindowRecord* d = RecordOf(hWnd);
    return !d || d->dialogEnded;
  });
  record = RecordOf(hWnd);
  const intptr_t result = record && record->dialogEnded ? record->dialogResult : IDCANCEL;
  // The owner is enabled before the dialog goes, so that Windows activates
  // it and not another program's window.
  if (disableOwner && ::IsWindow(owner)) ::EnableWindow(owner, TRUE);
  if (record) {
    ShowWindow(SW_HIDE);
    DestroyWindow();
  }
  return result;
}

void Dialog::EndDialog(int nResult) {
  WindowRecord* record = RecordOf(m_hWnd);
  if (!record) return;
  record->dialogEnded = true;
  record->dialogResult = nResult;
}

void Dialog::MapDialogRect(Rect* pRect) const {
  if (!pRect || !m_hWnd) return;
  RECT rc{pRect->left, pRect->top, pRect->right, pRect->bottom};
  if (::MapDialogRect(m_hWnd, &rc)) *pRect = {rc.left, rc.top, rc.right, rc.bottom};
}

// Without a default push button the dialog manager's Enter is IDOK.
int Dialog::GetDefID() const {
  if (!m_hWnd) return 0;
  const DWORD answer = static_cast<DWORD>(::SendMessageW(m_hWnd, DM_GETDEFID, 0, 0));
  return HIWORD(answer) == DC_HASDEFID ? LOWORD(answer) : IDOK;
}

void Dialog::SetDefID(int nID) {
  if (m_hWnd) ::SendMessageW(m_hWnd, DM_SETDEFID, static_cast<WPARAM>(nID), 0);
}

}  // namespace platform::gui
