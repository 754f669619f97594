#include "resources/artwork/Catalogue.h"

#include "resources/artwork/BrowserIcons.h"
#include "resources/artwork/BrowserPrompt.h"
#include "resources/artwork/Buttons.h"
#include "resources/artwork/ErrorDialog.h"
#include "resources/artwork/Layout.h"
#include "resources/artwork/MainWindow.h"
#include "resources/artwork/Shapes.h"
#include "resources/artwork/Steps.h"
#include "resources/artwork/Welcome.h"
#include "resources/resource.h"

namespace {

using Painter = decltype(PictureSpec::paint);

Painter Button(const char* caption, ButtonStyle style, ButtonState state, Rgb backdrop) {
  return [=](cairo_t* cr, int w, int h, const Contacts&) { PaintPushButton(cr, w, h, caption, style, state, backdrop); };
}

Painter WindowClose(ButtonState state) {
  return [=](cairo_t* cr, int w, int h, const Contacts&) {
    PaintBandClose(cr, layout::kWindowWidth, layout::kTitleHeight, layout::kCloseX, layout::kCloseY, w, h, state);
  };
}

Painter Step(StepPictogram pictogram, const char* caption, bool active) {
  return [=](cairo_t* cr, int w, int h, const Contacts&) { PaintStep(cr, w, h, pictogram, caption, active); };
}

Painter Icon(BrowserEmblem emblem) {
  return [=](cairo_t* cr, int w, int h, const Contacts&) { PaintBrowserIcon(cr, w, h, emblem); };
}

// Adapts a painter that needs no contacts.
Painter Plain(void (*paint)(cairo_t*, int, int)) {
  return [=](cairo_t* cr, int w, int h, const Contacts&) { paint(cr, w, h); };
}

constexpr auto kNormal = ButtonState::kNormal;
constexpr auto kPressed = ButtonState::kPressed;
constexpr auto kHover = ButtonState::kHover;
constexpr auto kPrimary = ButtonStyle::kPrimary;
constexpr auto kSecondary = ButtonStyle::kSecondary;
constexpr auto kOutline = ButtonStyle::kOutline;
// The wizard windows' buttons stand on the window grey below the panels, the
// error dialog's on its white body.
constexpr Rgb kFooter = palette::kWindow;
constexpr Rgb kErrorBody = palette::kWhite;

std::vector<PictureSpec> MakeTable() {
  return {
      // Buttons.
      {IDB_CONFIRM_NORMAL, 61, 30, "confirm button 확인, normal", Button("확인", kPrimary, kNormal, kFooter)},
      {IDB_CONFIRM_PRESSED, 61, 30, "confirm button, pressed", Button("확인", kPrimary, kPressed, kFooter)},
      {IDB_CONFIRM_HOVER, 61, 30, "confirm button, hover", Button("확인", kPrimary, kHover, kFooter)},
      {IDB_CLOSE_X_NORMAL, 17, 18, "window close × on the title band, normal", WindowClose(kNormal)},
      {IDB_CLOSE_X_PRESSED, 17, 18, "window close ×, pressed", WindowClose(kPressed)},
      {IDB_CLOSE_X_HOVER, 17, 18, "window close ×, hover", WindowClose(kHover)},
      {IDB_CANCEL_NORMAL, 61, 30, "cancel button 취소, normal", Button("취소", kSecondary, kNormal, kFooter)},
      {IDB_CANCEL_PRESSED, 61, 30, "cancel button, pressed", Button("취소", kSecondary, kPressed, kFooter)},
      {IDB_CANCEL_HOVER, 61, 30, "cancel button, hover", Button("취소", kSecondary, kHover, kFooter)},
      {IDB_ERROR_CLOSE_NORMAL, 61, 30, "error dialog close button 닫기, normal",
       Button("닫기", kSecondary, kNormal, kErrorBody)},
      {IDB_ERROR_CLOSE_PRESSED, 61, 30, "error dialog close button, pressed",
       Button("닫기", kSecondary, kPressed, kErrorBody)},
      {IDB_ERROR_CLOSE_HOVER, 61, 30, "error dialog close button, hover", Button("닫기", kSecondary, kHover, kErrorBody)},
      {IDB_SAVE_NORMAL, 111, 30, "save button 오류내용 저장, normal", Button("오류내용 저장", kPrimary, kNormal, kErrorBody)},
      {IDB_SAVE_PRESSED, 111, 30, "save button, pressed", Button("오류내용 저장", kPrimary, kPressed, kErrorBody)},
      {IDB_SAVE_HOVER, 111, 30, "save button, hover", Button("오류내용 저장", kPrimary, kHover, kErrorBody)},
      {IDB_ERROR_DETAIL_HOVER, 150, 16, "error details link 오류내용 자세히 보기 >, hover",
       [](cairo_t* cr, int w, int h, const Contacts&) { PaintTextButton(cr, w, h, "오류내용 자세히 보기 >", kHover); }},
      {IDB_ERROR_DETAIL_PRESSED, 150, 16, "error details link, pressed",
       [](cairo_t* cr, int w, int h, const Contacts&) { PaintTextButton(cr, w, h, "오류내용 자세히 보기 >", kPressed); }},
      {IDB_ERROR_DETAIL_NORMAL, 150, 16, "error details link, normal",
       [](cairo_t* cr, int w, int h, const Contacts&) { PaintTextButton(cr, w, h, "오류내용 자세히 보기 >", kNormal); }},
      {IDB_NEXT_PRESSED, 61, 30, "next button, pressed", Button("다음", kPrimary, kPressed, kFooter)},
      {IDB_NEXT_HOVER, 61, 30, "next button, hover", Button("다음", kPrimary, kHover, kFooter)},
      {IDB_NEXT_NORMAL, 61, 30, "next button 다음, normal", Button("다음", kPrimary, kNormal, kFooter)},
      {IDB_GUIDE_PRESSED, 99, 30, "action guide button, pressed", Button("조치 가이드", kOutline, kPressed, kErrorBody)},
      {IDB_GUIDE_HOVER, 99, 30, "action guide button, hover", Button("조치 가이드", kOutline, kHover, kErrorBody)},
      {IDB_GUIDE_NORMAL, 99, 30, "action guide button 조치 가이드, normal",
       Button("조치 가이드", kOutline, kNormal, kErrorBody)},
      {IDB_ERROR_SMALL_CLOSE, 17, 18, "error dialog close × on its title band",
       [](cairo_t* cr, int w, int h, const Contacts&) {
         PaintBandClose(cr, layout::kErrorWidth, layout::kErrorTitleHeight, layout::kErrorCloseX,
                        layout::kErrorCloseY, w, h, kNormal);
       }},

      // Backgrounds and headings.
      {IDB_MAIN_BACKGROUND, 550, 450, "main window background: title band, three panels", Plain(PaintMainBackground)},
      {IDB_BROWSER_BACKGROUND, 550, 450, "browser prompt background: title band, two panels",
       Plain(PaintBrowserBackground)},
      {IDB_WELCOME_BACKGROUND, 550, 450, "welcome background: title band, one panel with tinted heading area",
       Plain(PaintWelcomeBackground)},
      {IDB_WELCOME_HEADING, 246, 22, "welcome heading: 전자결제창 마법사를 시작합니다", Plain(PaintWelcomeHeading)},
      {IDB_BROWSER_NOTICE, 370, 20, "browser prompt notice: the browsers above will be closed",
       Plain(PaintBrowserNotice)},

      // Step strip.
      {IDB_STEP_ARROW_ON, 20, 20, "step arrow, active (pink)",
       [](cairo_t* cr, int w, int h, const Contacts&) { PaintStepArrow(cr, w, h, true); }},
      {IDB_STEP1_OFF, 85, 54, "step 1 사용자 환경 분석, inactive", Step(StepPictogram::kUser, "사용자 환경 분석", false)},
      {IDB_STEP1_ON, 85, 54, "step 1, active", Step(StepPictogram::kUser, "사용자 환경 분석", true)},
      {IDB_STEP2_OFF, 85, 54, "step 2 네트워크 분석, inactive", Step(StepPictogram::kNetwork, "네트워크 분석", false)},
      {IDB_STEP2_ON, 85, 54, "step 2, active", Step(StepPictogram::kNetwork, "네트워크 분석", true)},
      {IDB_STEP3_OFF, 85, 54, "step 3 브라우저 분석, inactive", Step(StepPictogram::kBrowser, "브라우저 분석", false)},
      {IDB_STEP3_ON, 85, 54, "step 3, active", Step(StepPictogram::kBrowser, "브라우저 분석", true)},
      {IDB_STEP4_OFF, 100, 54, "step 4 프로그램 설치/복구, inactive",
       Step(StepPictogram::kInstall, "프로그램 설치/복구", false)},
      {IDB_STEP4_ON, 100, 54, "step 4, active", Step(StepPictogram::kInstall, "프로그램 설치/복구", true)},
      {IDB_STEP5_OFF, 55, 54, "step 5 완료, inactive", Step(StepPictogram::kDone, "완료", false)},
      {IDB_STEP5_ON, 55, 54, "step 5, active", Step(StepPictogram::kDone, "완료", true)},
      {IDB_STEP_ARROW_OFF, 20, 20, "step arrow, inactive (grey)",
       [](cairo_t* cr, int w, int h, const Contacts&) { PaintStepArrow(cr, w, h, false); }},

      // Progress area.
      {IDB_GLOBE, 90, 90, "globe (the Internet)", Plain(PaintGlobe)},
      {IDB_MONITOR, 90, 90, "PC monitor with a payment window", Plain(PaintMonitor)},
      {IDB_PROGRESS_TRACK, 249, 12, "empty progress track", Plain(PaintTrack)},
      {IDB_PROGRESS_ERROR_FILL, 1, 12, "error fill column (red)",
       [](cairo_t* cr, int w, int h, const Contacts&) { PaintFill(cr, w, h, true); }},
      {IDB_PROGRESS_FILL, 1, 12, "progress fill column (pink)",
       [](cairo_t* cr, int w, int h, const Contacts&) { PaintFill(cr, w, h, false); }},
      {IDB_ERROR_MARK, 17, 17, "red round mark with a white ×", Plain(PaintErrorMark)},
      {IDB_CONTACT_BANNER, 336, 50, "contact banner with support telephone and e-mail",
       [](cairo_t* cr, int w, int h, const Contacts& c) { PaintContactBanner(cr, w, h, c); }},

      // Error-details dialog.
      {IDB_ERROR_BODY, 460, 266, "error dialog body: white, thin frame, headset", Plain(PaintErrorBody)},
      {IDB_ERROR_LINE_TOP, 418, 1, "error dialog separator (upper)", Plain(PaintSeparator)},
      {IDB_ERROR_LINE_BOTTOM, 418, 1, "error dialog separator (lower)", Plain(PaintSeparator)},
      {IDB_ERROR_CONTACTS, 337, 22, "support telephone and e-mail line",
       [](cairo_t* cr, int w, int h, const Contacts& c) { PaintErrorContacts(cr, w, h, c); }},
      {IDB_ERROR_ADVICE, 393, 29, "two lines of advice", Plain(PaintAdvice)},
      {IDB_ERROR_TITLE, 460, 34, "error dialog title band 오류내용 자세히보기", Plain(PaintErrorTitle)},
      {IDB_ERROR_HELP_QUESTION, 225, 11, "question 오류 내용에 대하여 도움이 필요하신가요?", Plain(PaintHelpQuestion)},

      // Browser emblems.
      {IDB_ICON_SAFARI, 65, 65, "Safari emblem (compass)", Icon(BrowserEmblem::kCompass)},
      {IDB_ICON_CHROME, 65, 65, "Chrome emblem (three colours)", Icon(BrowserEmblem::kTriColour)},
      {IDB_ICON_FIREFOX, 65, 65, "Firefox emblem (globe in flame)", Icon(BrowserEmblem::kFoxGlobe)},
      {IDB_ICON_IE, 65, 65, "Internet Explorer emblem (e with orbit)", Icon(BrowserEmblem::kOrbitE)},
      {IDB_ICON_OPERA, 70, 65, "Opera emblem (red O)", Icon(BrowserEmblem::kRingO)},
      {IDB_ICON_360, 65, 65, "360 browser emblem", Icon(BrowserEmblem::kThreeSixty)},
      {IDB_ICON_QQ, 65, 65, "QQ browser emblem (Q)", Icon(BrowserEmblem::kCometQ)},
  };
}

}  // namespace

const std::vector<PictureSpec>& Pictures() {
  static const std::vector<PictureSpec> table = MakeTable();
  return table;
}

const PictureSpec* FindPicture(int id) {
  for (const PictureSpec& spec : Pictures()) {
    if (spec.id == id) return &spec;
  }
  return nullptr;
}

Canvas PaintPicture(const PictureSpec& spec, const Contacts& contacts) {
  Canvas canvas(spec.width, spec.height);
  spec.paint(canvas.Cr(), spec.width, spec.height, contacts);
  return canvas;
}

std::vector<Canvas> PaintIconImages() {
  std::vector<Canvas> images;
  for (int size : {16, 32, 48, 256}) {
    Canvas canvas(size, size, true);
    // Small sizes lose the margin: every pixel counts at 16.
    const double margin = size <= 16 ? 0 : size / 32.0;
    LogoMark(canvas.Cr(), margin, margin, size - 2 * margin, false);
    images.push_back(std::move(canvas));
  }
  return images;
}
