#pragma once

#include "platform/gui/Bitmap.h"
#include "platform/gui/DC.h"
#include "platform/gui/Window.h"

// The drawing helpers of the skinned dialogs (CSkinnedDialog): pictures
// loaded once by resource id and drawn at their own size, a dialog sized to
// its background, and dragging by the title bar painted into the
// background.

// Height of the painted title bar of the main, browser and welcome dialogs.
inline constexpr int kTitleBarHeight = 50;

// The title of every wizard window. A second start of the program finds the
// first one's window by exactly this text.
inline constexpr char kWizardTitle[] = "Orin 전자결제 - 전자결제 마법사";

// LoadImage(IMAGE_BITMAP) + GetObject: loads the picture and reads its size.
// FALSE, with the bitmap and size left as they were, when it does not load.
platform::gui::BOOL LoadSkinBitmap(platform::gui::Bitmap& bitmap, platform::gui::UINT nID,
                                   platform::gui::Size* pSize);

// Copies a picture at its own size to (x, y), through a memory DC made and
// dropped for this one copy. An empty bitmap draws nothing.
void DrawSkinBitmap(platform::gui::DC* pDC, platform::gui::Bitmap& bitmap, int x, int y);

// Resizes a window to the picture's size without moving it (SWP_NOMOVE |
// SWP_NOZORDER). Nothing happens for an empty bitmap.
void ResizeToBitmap(platform::gui::Window* pWnd, const platform::gui::Bitmap& bitmap);

// The client rectangle with its bottom set to kTitleBarHeight.
platform::gui::Rect TitleBarRect(const platform::gui::Window* pWnd);

// The dialogs' WM_LBUTTONDOWN, after default processing: a press inside
// rcTitle posts WM_NCLBUTTONDOWN with HTCAPTION and the same packed point,
// so the window follows the mouse. TRUE when it posted.
platform::gui::BOOL DragByTitleBar(platform::gui::Window* pWnd, platform::gui::Point point,
                                   const platform::gui::Rect& rcTitle);
