#pragma once

#include "platform/gui/Bitmap.h"
#include "platform/gui/Button.h"

// A push button painted entirely from four bitmaps of the program's
// resources (normal, pressed, hover, disabled); the caption is part of the
// pictures. It follows the mouse to show the hover picture, and resizes
// itself to the picture it shows. It draws no text and no focus rectangle.
//
// The dialogs bind it to a button of their template with DDX_Control; the
// template's button (plain or default) becomes owner-drawn on the way.
class CButtonSkin : public platform::gui::Button {
 public:
  CButtonSkin() = default;
  // Deletes the four bitmaps.
  ~CButtonSkin() override;

  // Loads the four pictures by resource id. A picture that does not load
  // is skipped and leaves its state as it was (empty on a new button: the
  // button then draws nothing in that state and keeps its last size).
  // Returns 0, or -1 when the size of a loaded picture cannot be read (the
  // remaining pictures are then not looked at).
  int SetBitmaps(platform::gui::UINT nIDNormal, platform::gui::UINT nIDPressed, platform::gui::UINT nIDHover,
                 platform::gui::UINT nIDDisabled);

  void PreSubclassWindow() override;
  void DrawItem(platform::gui::DRAWITEMSTRUCT* lpDrawItemStruct) override;

  int IsHover() const { return m_bHover; }
  int IsPressed() const { return m_bPressed; }

 protected:
  platform::gui::BOOL OnEraseBkgnd(platform::gui::DC* pDC) override;
  void OnLButtonDown(platform::gui::UINT nFlags, platform::gui::Point point) override;
  void OnLButtonUp(platform::gui::UINT nFlags, platform::gui::Point point) override;
  void OnMouseMove(platform::gui::UINT nFlags, platform::gui::Point point) override;
  void OnMouseLeave() override;

 private:
  platform::gui::Bitmap m_bmpNormal;
  platform::gui::Bitmap m_bmpPressed;
  platform::gui::Bitmap m_bmpHover;
  platform::gui::Bitmap m_bmpDisabled;
  int m_nNormalWidth = 0;
  int m_nNormalHeight = 0;
  int m_nPressedWidth = 0;
  int m_nPressedHeight = 0;
  int m_nHoverWidth = 0;
  int m_nHoverHeight = 0;
  int m_nDisabledWidth = 0;
  int m_nDisabledHeight = 0;
  int m_bHover = 0;    // the pointer is inside and leave tracking is armed
  int m_bPressed = 0;  // the left button went down here and has not come up
};
