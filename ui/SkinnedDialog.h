#pragma once

#include "platform/gui/Dialog.h"
#include "ui/ButtonSkin.h"

// A dialog of the wizard, painted entirely from the program's pictures: it
// carries the wizard's title, paints every pixel itself (the background is
// never erased first, so nothing flickers), follows the mouse when its
// painted title bar is dragged, and hands a click on one of its buttons to
// OnButtonClicked. The pages derive from it and keep only what is theirs.
class CSkinnedDialog : public platform::gui::Dialog {
 public:
  // Where a skinned button stands and which pictures it shows; the
  // disabled picture is the normal one.
  struct ButtonPlace {
    platform::gui::UINT nNormal;
    platform::gui::UINT nPressed;
    platform::gui::UINT nHover;
    int x;
    int y;
  };

  explicit CSkinnedDialog(platform::gui::UINT nIDTemplate, platform::gui::Window* pParentWnd = nullptr);

 protected:
  // Default initialisation, then the wizard's title (kWizardTitle).
  platform::gui::BOOL OnInitDialog() override;
  // TRUE: OnPaint covers the whole client area.
  platform::gui::BOOL OnEraseBkgnd(platform::gui::DC* pDC) override;
  // A press inside TitleRect() moves the window with the mouse.
  void OnLButtonDown(platform::gui::UINT nFlags, platform::gui::Point point) override;
  // BN_CLICKED goes to OnButtonClicked; what it does not handle (and every
  // other command) gets the default handling (IDOK, IDCANCEL).
  platform::gui::BOOL OnCommand(platform::gui::WPARAM wParam, platform::gui::LPARAM lParam) override;

  // The dialog's own buttons; TRUE when the click was handled here. The
  // base handles none.
  virtual platform::gui::BOOL OnButtonClicked(int nID);
  // The part of the client area that drags the window: the top
  // kTitleBarHeight pixels, unless the page paints another title bar.
  virtual platform::gui::Rect TitleRect() const;

  // Gives the button its pictures and puts it at its place, shown.
  static void PlaceButton(CButtonSkin& button, const ButtonPlace& place);
};
