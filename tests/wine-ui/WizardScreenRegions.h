#pragma once

#include <string>
#include <vector>

#include "tests/support/ScreenCompare.h"

// Where each picture of the wizard holds text the system draws; everything
// else in it is drawn from bitmaps. The one list both the Windows pictures'
// comparison with the Linux ones and their documentation go by. Names are
// the pictures' in docs/screenshots/wizard (the Linux build's) and
// docs/screenshots/wizard-win32 (the Windows build's under Wine).
struct WizardScreen {
  std::string strName;
  std::vector<TextRegion> text;
  // The step strip, whose current step blinks: a picture is taken again
  // until the strip shows the same blink state as the other build's.
  bool bBlinks = false;
  // Parts that stay in whichever of their two pictures the last blink left:
  // once the run is done its step blinks one more time and stops there. The
  // comparison takes them from the picture being checked.
  std::vector<ScreenRect> settled;
};

const std::vector<WizardScreen>& WizardScreens();
// The screen of that name; nullptr when the list has none.
const WizardScreen* FindWizardScreen(const std::string& name);
// The step strip's rectangle (main window pages).
ScreenRect StepStrip();
// `expected` with the screen's settled parts taken from `actual`.
ScreenImage WithSettledParts(const WizardScreen& screen, ScreenImage expected, const ScreenImage& actual);
