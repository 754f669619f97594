#include "platform/gui/Dialog.h"

#include <cmath>

#include "platform/gui/Button.h"
#include "platform/gui/DC.h"
#include "platform/gui/DialogTemplate.h"
#include "platform/gui/Font.h"
#include "platform/gui/UiThread.h"
#include "platform/gui/WindowData.h"

namespace platform::gui {

namespace {

int MulDiv(int number, int numerator, int denominator) {
  return static_cast<int>(std::lround(static_cast<double>(number) * numerator / denominator));
}

Rect MapDialogUnits(const Rect& rc, Size base) {
  return {MulDiv(rc.left, base.cx, 4), MulDiv(rc.top, base.cy, 8), MulDiv(rc.right, base.cx, 4),
          MulDiv(rc.bottom, base.cy, 8)};
}

// The dialog base units of a template, computed as Windows does from its
// font: the average width of the 52 Latin letters and the cell height.
Size BaseUnits(const DialogTemplate& t) {
  if (!(t.style & DS_SETFONT) || t.pointSize == 0) return {8, 16};
  Font font;
  if (!font.Create(t.faceName, -MulDiv(t.pointSize, 96, 72), t.weight, false, t.italic)) return {8, 16};
  DC dc;
  dc.CreateCompatibleDC(nullptr);
  dc.SelectObject(&font);
  const Size letters = dc.GetTextExtent("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return {(letters.cx / 26 + 1) / 2, letters.cy};
}

}  // namespace

BOOL Dialog::CreateFromTemplate(Window* pOwner) {
  if (m_hWnd) return FALSE;
  auto dialogTemplate = DialogTemplate::Load(m_nIDTemplate);
  if (!dialogTemplate) return FALSE;
  const DialogTemplate& t = *dialogTemplate;
  const Size base = BaseUnits(t);
  const DWORD style = (t.style & ~(WS_VISIBLE | WS_CHILD)) | (t.style & WS_CAPTION ? 0 : WS_POPUP);
  const HWND hWnd = CreateWindowData(WindowKind::kDialog, kDialogClass, t.title, style, t.exStyle,
                                     MapDialogUnits(t.rect, base), pOwner ? pOwner->m_hWnd : nullptr, 0, this);
  if (!hWnd) return FALSE;
  m_hWnd = hWnd;
  WindowData* w = LookUp(hWnd);
  w->dialogBaseUnits = base;
  w->defaultId = IDOK;
  for (const DialogItemTemplate& item : t.items) {
    const bool button = item.className == kButtonClass;
    std::unique_ptr<Window> control = button ? std::make_unique<Button>() : std::make_unique<Window>();
    const HWND hControl = CreateWindowData(button ? WindowKind::kButton : WindowKind::kGeneric, item.className,
                                           item.text, item.style | WS_CHILD, item.exStyle,
                                           MapDialogUnits(item.rect, base), hWnd, item.id, control.get());
    if (!hControl) continue;
    control->m_hWnd = hControl;
    LookUp(hControl)->ownedObject = std::move(control);
    if (button && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && w->defaultId == IDOK) w->defaultId = static_cast<int>(item.id);
  }
  const Rect before = w->rect;
  SendMessage(WM_INITDIALOG, 0, 0);
  w = LookUp(hWnd);
  if (!w) return FALSE;
  if (w->rect.left == before.left && w->rect.top == before.top) CenterWindow();
  return TRUE;
}

intptr_t Dialog::DoModal() {
  Initialize();
  WindowData* owner = m_pParentWnd ? TopLevelOf(LookUp(m_pParentWnd->m_hWnd)) : nullptr;
  if (!CreateFromTemplate(m_pParentWnd)) return -1;
  const HWND hWnd = m_hWnd;
  WindowData* w = LookUp(hWnd);
  const bool disableOwner = owner && !(owner->style & WS_DISABLED);
  if (disableOwner) owner->style |= WS_DISABLED;
  ApplyModal(w, owner, true);
  if (!w->dialogEnded) ShowWindow(SW_SHOW);
  RunModalLoop([hWnd] {
    WindowData* d = LookUp(hWnd);
    return !d || d->dialogEnded;
  });
  w = LookUp(hWnd);
  const intptr_t result = w ? w->dialogResult : IDCANCEL;
  if (disableOwner && LookUp(owner)) owner->style &= ~WS_DISABLED;
  if (w) {
    ShowWindow(SW_HIDE);
    DestroyWindow();
  }
  return result;
}

void Dialog::EndDialog(int nResult) {
  WindowData* w = LookUp(m_hWnd);
  if (!w) return;
  w->dialogEnded = true;
  w->dialogResult = nResult;
}

void Dialog::MapDialogRect(Rect* pRect) const {
  WindowData* w = LookUp(m_hWnd);
  if (pRect) *pRect = MapDialogUnits(*pRect, w ? w->dialogBaseUnits : Size{8, 16});
}

int Dialog::GetDefID() const {
  WindowData* w = LookUp(m_hWnd);
  return w ? w->defaultId : 0;
}

void Dialog::SetDefID(int nID) {
  if (WindowData* w = LookUp(m_hWnd)) w->defaultId = nID;
}

LRESULT DialogWindowProc(WindowData* w, UINT message, WPARAM wParam, LPARAM lParam) {
  auto command = [w](int id) {
    WindowData* control = nullptr;
    for (WindowData* child : w->children)
      if (static_cast<int>(child->id) == id) control = child;
    // Enter does nothing while the default button is disabled.
    if (control && (control->style & WS_DISABLED)) return;
    SendMessage(w, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
  };
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) command(IDCANCEL);
      else if (wParam == VK_RETURN) command(w->defaultId);
      return 0;
    case WM_CLOSE:
      command(IDCANCEL);
      return 0;
    default: return GenericWindowProc(w, message, wParam, lParam);
  }
}

}  // namespace platform::gui
