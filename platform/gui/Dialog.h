#pragma once

#include <cstdint>

#include "platform/gui/Window.h"

namespace platform::gui {

class Dialog;

// What DoDataExchange is handed; DDX_Control binds a member control to the
// template's control of that id.
struct DataExchange {
  Dialog* m_pDlgWnd = nullptr;
  BOOL m_bSaveAndValidate = FALSE;
};
// Attaches rControl to the dialog's control nIDC (SubclassDlgItem), so that
// the member object receives its messages (PreSubclassWindow runs first).
// Does nothing when the control is already attached to it.
void DDX_Control(DataExchange* pDX, int nIDC, Window& rControl);

// A dialog (CDialog) made from a DIALOGEX (or DIALOG) template of the
// program's resources: the window gets the template's style, title and
// size (dialog units through the template's font, as Windows computes
// them), and one child window per control (buttons become Button windows).
//
// Keyboard: Esc sends WM_COMMAND(IDCANCEL, BN_CLICKED), Enter sends
// WM_COMMAND for the default button (the template's BS_DEFPUSHBUTTON, else
// IDOK) unless that button is disabled. WM_CLOSE is IDCANCEL as well.
class Dialog : public Window {
 public:
  explicit Dialog(UINT nIDTemplate, Window* pParentWnd = nullptr);

  // Creates the dialog, sends WM_INITDIALOG, shows it (centred on the
  // screen unless OnInitDialog moved it), disables the owner and runs the
  // message loop until EndDialog; then destroys the window and returns the
  // result. -1 when the template is missing or malformed.
  virtual intptr_t DoModal();
  // A modeless dialog: created, initialised and shown like DoModal, then
  // returns at once. FALSE when the template cannot be used.
  BOOL Create(UINT nIDTemplate, Window* pParentWnd = nullptr);
  // Ends the modal loop with nResult (the window goes when DoModal returns).
  void EndDialog(int nResult);

  virtual BOOL OnInitDialog();
  virtual void DoDataExchange(DataExchange* pDX);
  virtual void OnOK();
  virtual void OnCancel();
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Dialog units to pixels, with the template font's base units.
  void MapDialogRect(Rect* pRect) const;
  int GetDefID() const;
  void SetDefID(int nID);

 protected:
  UINT m_nIDHelp = 0;
  UINT m_nIDTemplate = 0;
  Window* m_pParentWnd = nullptr;

 private:
  BOOL CreateFromTemplate(Window* pOwner);
};

// The class name of dialog windows.
inline constexpr char kDialogClass[] = "#32770";

}  // namespace platform::gui
