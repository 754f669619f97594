#include "tests/wine-ui/WizardScreenRegions.h"

#include <algorithm>

#include "ui/MainPainter.h"

namespace {

ScreenRect From(const platform::gui::Rect& rc) { return {rc.left, rc.top, rc.right, rc.bottom}; }

// The status panel's text; in the failed states it stops above the
// error-details link, a skinned button at y 214.
constexpr ScreenRect kStatusAboveLink{38, 170, 512, 212};

std::vector<WizardScreen> MakeScreens() {
  const CMainPainter painter;
  const ScreenRect status = From(painter.StatusRect());
  const ScreenRect countLabel = From(CMainPainter::kCountLabel);
  const ScreenRect percentLabel = From(CMainPainter::kPercentLabel);
  // The failed mark's word "오류" beside the mark on the marquee row.
  constexpr ScreenRect kFailedWordAnalysis{171, 290, 260, 315};
  // The done step, the strip's last, from x 465 to the strip's end.
  const ScreenRect strip = From(painter.StepStripRect());
  const ScreenRect doneStep{465, strip.top, strip.right, strip.bottom};
  return {
      // Six lines from y 151, each further one placed by the first one's
      // height; the heading above is a bitmap.
      {"welcome", {{"welcome text", {36, 146, 520, 320}}}, false, {}},
      // The three warning lines, then "Version : ..." left of the button.
      {"browser-1", {{"warning", {36, 238, 520, 318}}, {"version", {14, 392, 240, 420}}}, false, {}},
      {"run-completed",
       {{"status", status}, {"count label", countLabel}, {"percent label", percentLabel}},
       true,
       {doneStep}},
      {"run-failed-dns", {{"status", kStatusAboveLink}, {"failed word", kFailedWordAnalysis}}, true, {}},
      // The message, word-wrapped in the page's text rectangle.
      {"run-error-page", {{"message", {21, 45, 439, 111}}}, false, {}},
  };
}

}  // namespace

const std::vector<WizardScreen>& WizardScreens() {
  static const std::vector<WizardScreen> screens = MakeScreens();
  return screens;
}

const WizardScreen* FindWizardScreen(const std::string& name) {
  for (const WizardScreen& screen : WizardScreens())
    if (screen.strName == name) return &screen;
  return nullptr;
}

ScreenRect StepStrip() { return From(CMainPainter().StepStripRect()); }

ScreenImage WithSettledParts(const WizardScreen& screen, ScreenImage expected, const ScreenImage& actual) {
  if (expected.Width() != actual.Width() || expected.Height() != actual.Height()) return expected;
  for (const ScreenRect& rc : screen.settled)
    for (int y = std::max(rc.top, 0); y < std::min(rc.bottom, expected.Height()); ++y)
      for (int x = std::max(rc.left, 0); x < std::min(rc.right, expected.Width()); ++x) expected.Set(x, y, actual.At(x, y));
  return expected;
}
