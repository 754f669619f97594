#pragma once

#include "resources/artwork/Text.h"

// Where the dialogs put things, in client pixels. The backgrounds frame
// their panels around these places and leave them plain; the contact sheet
// puts the pictures on them. The dialogs themselves hold their own copies of
// the positions; these only have to agree with them.
namespace layout {

// The three wizard windows.
inline constexpr int kWindowWidth = 550;
inline constexpr int kWindowHeight = 450;
inline constexpr int kTitleHeight = 50;  // the window is dragged by this band
inline constexpr int kCloseX = 517;      // the small close button
inline constexpr int kCloseY = 14;
inline constexpr int kButtonX = 245;     // confirm / next / cancel
inline constexpr int kButtonY = 408;

// Panels share one inset from the window's sides.
inline constexpr double kPanelX = 12;
inline constexpr double kPanelW = kWindowWidth - 2 * kPanelX;

// Main window.
inline constexpr Box kStepPanel{kPanelX, 62, kPanelW, 78};      // steps at y 74..128
inline constexpr Box kStatusPanel{kPanelX, 152, kPanelW, 100};  // status text (38,170)-(512,240)
inline constexpr Box kProgressPanel{kPanelX, 264, kPanelW, 120};  // monitor, bars, globe, banner
inline constexpr Box kStatusText{38, 170, 474, 70};
inline constexpr int kStepY = 74;
inline constexpr int kStepX[5] = {30, 135, 240, 345, 465};
inline constexpr int kArrowX[4] = {115, 220, 325, 445};
inline constexpr int kArrowY = 94;
inline constexpr int kMonitorX = 40;
inline constexpr int kGlobeX = 422;
inline constexpr int kPictureY = 277;
inline constexpr int kBarX = 154;
inline constexpr int kBarRight = 403;
inline constexpr int kErrorDetailX = 38;
inline constexpr int kErrorDetailY = 214;
inline constexpr int kBannerX = 110;
inline constexpr int kBannerY = 298;

// Browser-close prompt.
inline constexpr Box kIconPanel{kPanelX, 62, kPanelW, 148};     // icons y 90..155, notice (90,175)
inline constexpr Box kWarningPanel{kPanelX, 222, kPanelW, 162};  // warning lines from y 243
inline constexpr int kIconY = 90;
inline constexpr int kNoticeX = 90;
inline constexpr int kNoticeY = 175;

// Welcome dialog: one panel, split below the heading.
inline constexpr Box kWelcomePanel{kPanelX, 62, kPanelW, 322};
inline constexpr int kWelcomeSplitY = 126;
inline constexpr int kHeadingX = 153;
inline constexpr int kHeadingY = 82;

// Error-details dialog (460 x 300): title band, then the body picture.
inline constexpr int kErrorWidth = 460;
inline constexpr int kErrorTitleHeight = 34;
inline constexpr int kErrorCloseX = 432;
inline constexpr int kErrorCloseY = 9;
inline constexpr int kErrorSaveX = 142;
inline constexpr int kErrorCloseButtonX = 257;
inline constexpr int kErrorButtonY = 257;
inline constexpr int kErrorGuideX = 305;
inline constexpr int kErrorGuideY = 197;
inline constexpr int kErrorAdviceX = 21;
inline constexpr int kErrorAdviceY = 124;
inline constexpr int kErrorContactsX = 61;
inline constexpr int kErrorContactsY = 171;
inline constexpr int kErrorQuestionX = 61;
inline constexpr int kErrorQuestionY = 208;
inline constexpr int kErrorLineTopY = 111;
inline constexpr int kErrorLineBottomY = 246;

}  // namespace layout
