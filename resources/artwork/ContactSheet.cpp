#include "resources/artwork/ContactSheet.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "resources/artwork/Canvas.h"
#include "resources/artwork/Catalogue.h"
#include "resources/artwork/Layout.h"
#include "resources/artwork/Shapes.h"
#include "resources/artwork/Text.h"
#include "resources/resource.h"

namespace {

constexpr int kMargin = 24;
constexpr int kSceneGap = 24;
constexpr int kColumns = 4;
constexpr int kSceneRows = 3;
constexpr int kSceneSlot = layout::kWindowWidth;
constexpr int kPageWidth = kColumns * kSceneSlot + (kColumns - 1) * kSceneGap + 2 * kMargin;
constexpr Rgb kPage{214, 216, 222};

// What the program draws itself, approximated for review: its "굴림" maps
// to NanumGothic through the project's font configuration.
const Font kText{fonts::kGothic, 400, 12};
const Font kBold{fonts::kGothic, 700, 12};
const Font kSmall{fonts::kGothic, 400, 11};
const Font kLink{fonts::kGothic, 400, 12, true};
constexpr Rgb kTextGrey{102, 102, 102};
constexpr Rgb kLabelInk{45, 45, 45};
constexpr int kLineHeight = 14;

class Sheet {
 public:
  Sheet(cairo_t* cr, const Contacts& contacts) : m_cr(cr), m_contacts(contacts) {}

  const Canvas& Picture(int id) {
    auto found = m_cache.find(id);
    if (found == m_cache.end()) {
      found = m_cache.emplace(id, PaintPicture(*FindPicture(id), m_contacts)).first;
    }
    return found->second;
  }

  void Blit(int id, double x, double y) {
    const Canvas& picture = Picture(id);
    cairo_set_source_surface(m_cr, picture.Surface(), x, y);
    cairo_paint(m_cr);
  }

  // StretchBlt of a picture to w x h, nearest neighbour as the program does.
  void Stretch(int id, double x, double y, double w, double h) {
    if (w <= 0) return;
    const Canvas& picture = Picture(id);
    cairo_save(m_cr);
    cairo_rectangle(m_cr, x, y, w, h);
    cairo_clip(m_cr);
    cairo_translate(m_cr, x, y);
    cairo_scale(m_cr, w / picture.Width(), h / picture.Height());
    cairo_set_source_surface(m_cr, picture.Surface(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(m_cr), CAIRO_FILTER_NEAREST);
    cairo_paint(m_cr);
    cairo_restore(m_cr);
  }

  // TextOut at a top-left point; returns the x where the text ends.
  double Text(const std::string& text, const Font& font, Rgb colour, double x, double y) {
    return DrawLine(m_cr, text, font, colour, {x, y, 1000, kLineHeight}, Align::kLeft);
  }

  // Lines split at "\n", as DrawText with flags 0 lays them out.
  void Lines(const std::string& text, double x, double y) {
    size_t start = 0;
    for (int row = 0;; ++row) {
      const size_t end = text.find('\n', start);
      const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (!line.empty()) Text(line, kText, kTextGrey, x, y + row * kLineHeight);
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }

  void RightText(const std::string& text, const Font& font, Rgb colour, double right, double y) {
    DrawLine(m_cr, text, font, colour, {right - 300, y, 300, kLineHeight}, Align::kRight);
  }

  void Caption(const std::string& text, double x, double y) {
    DrawLine(m_cr, text, {fonts::kBarun, 700, 13}, {60, 60, 66}, {x, y, 1000, 18}, Align::kLeft);
  }

  cairo_t* Cr() const { return m_cr; }
  const Contacts& Support() const { return m_contacts; }

 private:
  cairo_t* m_cr;
  Contacts m_contacts;
  std::map<int, Canvas> m_cache;
};

// The main window at one moment of a run.
struct MainScene {
  int phase;
  bool failed;
  int marquee;        // offset of the moving block
  double countDone;   // fraction of the count bar
  double percentDone; // fraction of the percent bar
  std::string status;
};

void StepStrip(Sheet& sheet, int phase) {
  const int on[5] = {IDB_STEP1_ON, IDB_STEP2_ON, IDB_STEP3_ON, IDB_STEP4_ON, IDB_STEP5_ON};
  const int off[5] = {IDB_STEP1_OFF, IDB_STEP2_OFF, IDB_STEP3_OFF, IDB_STEP4_OFF, IDB_STEP5_OFF};
  for (int k = 0; k < 5; ++k) sheet.Blit(k == phase ? on[k] : off[k], layout::kStepX[k], layout::kStepY);
  for (int k = 0; k < 4; ++k) sheet.Blit(IDB_STEP_ARROW_OFF, layout::kArrowX[k], layout::kArrowY);
  if (phase < 4) sheet.Blit(IDB_STEP_ARROW_ON, layout::kArrowX[phase], layout::kArrowY);
}

void ErrorWord(Sheet& sheet, int top) {
  sheet.Blit(IDB_ERROR_MARK, layout::kBarX, top);
  DrawLine(sheet.Cr(), "오류", kBold, kLabelInk, {layout::kBarX + 4.0 + 17, double(top), 100, 17}, Align::kLeft);
}

// The program's bar widths come out one pixel short whenever the exact width
// is a whole number (a full bar is 248 of 249 pixels); the sheet does the same.
int BarWidth(double fraction) { return static_cast<int>(fraction * 249 * 0.99999); }

void PaintMainScene(Sheet& sheet, const MainScene& scene) {
  using namespace layout;
  sheet.Blit(IDB_MAIN_BACKGROUND, 0, 0);
  if (scene.phase == 4) {
    sheet.Blit(IDB_CONTACT_BANNER, kBannerX, kBannerY);
  } else {
    sheet.Blit(IDB_MONITOR, kMonitorX, kPictureY);
    sheet.Blit(IDB_GLOBE, kGlobeX, kPictureY);
    if (scene.phase < 3) {
      sheet.Blit(IDB_PROGRESS_TRACK, kBarX, 313);
    } else {
      sheet.Blit(IDB_PROGRESS_TRACK, kBarX, 300);
      sheet.Blit(IDB_PROGRESS_TRACK, kBarX, 344);
    }
  }
  StepStrip(sheet, scene.phase);
  if (!scene.failed) {
    const int lines = 1 + static_cast<int>(std::count(scene.status.begin(), scene.status.end(), '\n'));
    sheet.Lines(scene.status, 38, 170 + 35 - lines * kLineHeight / 2);
  } else if (scene.phase == 3) {
    sheet.Text("하나 이상의 파일에서 오류가 발생 하였습니다. ", kText, kTextGrey, 38, 170);
    double x = sheet.Text("고객센터 ( ", kText, kTextGrey, 38, 170 + kLineHeight + 4);
    x = sheet.Text(sheet.Support().phone + ", ", kBold, {54, 54, 54}, x, 170 + kLineHeight + 4);
    x = sheet.Text(sheet.Support().email, kLink, {226, 86, 168}, x, 170 + kLineHeight + 4);
    sheet.Text(" )로 문의 주시기 바랍니다.", kText, kTextGrey, x, 170 + kLineHeight + 4);
  } else {
    sheet.Lines("현재 인터넷 접속이 원활하지 않아 전자결제창 마법사 및 전자결제 서비스가 원활하지\n\n않을 수 있습니다. "
                "인터넷 접속을 다시 한번 확인하시기 바랍니다.",
                38, 170);
  }
  if (scene.phase < 3) {
    if (scene.failed) {
      sheet.Stretch(IDB_PROGRESS_ERROR_FILL, kBarX, 313, 249, 12);
      ErrorWord(sheet, 294);
    } else {
      const int x0 = kBarX + scene.marquee;
      sheet.Stretch(IDB_PROGRESS_FILL, std::max(x0, kBarX), 313, std::min(x0 + 100, kBarRight) - std::max(x0, kBarX), 12);
    }
  } else if (scene.phase == 3) {
    if (scene.failed) {
      sheet.Stretch(IDB_PROGRESS_ERROR_FILL, kBarX, 300, 249, 12);
      sheet.Stretch(IDB_PROGRESS_ERROR_FILL, kBarX, 344, 249, 12);
      ErrorWord(sheet, 281);
      ErrorWord(sheet, 326);
    } else {
      sheet.Stretch(IDB_PROGRESS_FILL, kBarX, 300, BarWidth(scene.countDone), 12);
      double x = sheet.Text("플러그인 설치 중", kBold, kLabelInk, kBarX, 285);
      sheet.Text("(3/5)", kText, {91, 63, 188}, x + 4, 285);
      sheet.Stretch(IDB_PROGRESS_FILL, kBarX, 344, BarWidth(scene.percentDone), 12);
      x = sheet.Text("다운로드", kBold, kLabelInk, kBarX, 329);
      x = sheet.Text("(100.00%)", kText, {223, 64, 165}, x + 4, 329);
      sheet.RightText("VamoPlugin.cab", kSmall, kLabelInk, kBarRight, 329);
    }
  }
  // Buttons as the window shows them in this state.
  const bool ended = scene.failed || scene.phase == 4;
  sheet.Blit(ended ? IDB_CONFIRM_NORMAL : IDB_CANCEL_NORMAL, kButtonX, kButtonY);
  sheet.Blit(IDB_CLOSE_X_NORMAL, kCloseX, kCloseY);
  if (scene.failed) sheet.Blit(IDB_ERROR_DETAIL_NORMAL, kErrorDetailX, kErrorDetailY);
}

void PaintWelcomeScene(Sheet& sheet) {
  sheet.Blit(IDB_WELCOME_BACKGROUND, 0, 0);
  sheet.Blit(IDB_WELCOME_HEADING, layout::kHeadingX, layout::kHeadingY);
  const int h = kLineHeight;
  sheet.Text("케보 전자결제를 이용해 주셔서 감사합니다.", kBold, kTextGrey, 38, 151);
  sheet.Text("본 마법사는 전자결제 플러그인(결제창)을 사용하여 결제할 수 있도록 PC 환경을 검사하고", kText, kTextGrey, 38,
             173 + h);
  sheet.Text("오류를 복구해 드립니다.", kText, kTextGrey, 38, 179 + 2 * h);
  sheet.Text("본 마법사를 통하여 고객님의 어떤한 정보도 유출되지 않습니다.", kText, kTextGrey, 38, 201 + 3 * h);
  sheet.Text("단, 설치시 발생한 오류문제는 케보페이먼츠 고객센터로 보고됩니다.", kText, kTextGrey, 38, 207 + 4 * h);
  sheet.Text("[다음]", kBold, kTextGrey, 38, 229 + 5 * h);
  sheet.Text(" 버튼을 누르시면 점검을 시작합니다.", kText, kTextGrey, 76, 229 + 5 * h);
  sheet.Blit(IDB_NEXT_NORMAL, layout::kButtonX, layout::kButtonY);
  sheet.Blit(IDB_CLOSE_X_NORMAL, layout::kCloseX, layout::kCloseY);
}

// The prompt with the first `count` browsers of the drawing order running,
// at the slots the dialog uses for that count.
void PaintBrowserScene(Sheet& sheet, int count) {
  sheet.Blit(IDB_BROWSER_BACKGROUND, 0, 0);
  sheet.Blit(IDB_BROWSER_NOTICE, layout::kNoticeX, layout::kNoticeY);
  const int icons[7] = {IDB_ICON_IE, IDB_ICON_FIREFOX, IDB_ICON_SAFARI, IDB_ICON_CHROME,
                        IDB_ICON_OPERA, IDB_ICON_360, IDB_ICON_QQ};
  const std::vector<std::vector<int>> slots = {{242},
                                               {204, 281},
                                               {160, 238, 319},
                                               {127, 204, 281, 358},
                                               {88, 165, 242, 319, 396},
                                               {49, 126, 203, 280, 357, 434},
                                               {17, 90, 163, 236, 309, 382, 455}};
  for (int i = 0; i < count; ++i) sheet.Blit(icons[i], slots[count - 1][i], layout::kIconY);
  const int h = kLineHeight;
  sheet.Text("1. 브라우저가 실행되어 있으며 결제 프로그램의 재설치시 문제가 발생할 수도 있습니다.", kText, kTextGrey, 38,
             243);
  sheet.Text("2. 저장해야 하는 데이터가 있는 브라우저가 있다면 지금 저장하시고 인터넷을 종료해", kText, kTextGrey, 38,
             265 + h);
  sheet.Text("   주시기 바랍니다.", kText, kTextGrey, 38, 271 + 2 * h);
  DrawLine(sheet.Cr(), "Version : 1, 0, 1, 8", kText, {128, 128, 128}, {16, 370, 514, 70}, Align::kLeft);
  sheet.Blit(IDB_CONFIRM_NORMAL, layout::kButtonX, layout::kButtonY);
  sheet.Blit(IDB_CLOSE_X_NORMAL, layout::kCloseX, layout::kCloseY);
}

void PaintErrorScene(Sheet& sheet) {
  using namespace layout;
  sheet.Blit(IDB_ERROR_TITLE, 0, 0);
  sheet.Blit(IDB_ERROR_BODY, 0, kErrorTitleHeight);
  sheet.Blit(IDB_ERROR_LINE_BOTTOM, 21, kErrorLineBottomY);
  sheet.Blit(IDB_ERROR_LINE_TOP, 21, kErrorLineTopY);
  sheet.Blit(IDB_ERROR_ADVICE, kErrorAdviceX, kErrorAdviceY);
  sheet.Blit(IDB_ERROR_CONTACTS, kErrorContactsX, kErrorContactsY);
  sheet.Blit(IDB_ERROR_HELP_QUESTION, kErrorQuestionX, kErrorQuestionY);
  sheet.Text("결제 서버에 연결할 수 없습니다. 인터넷 연결 상태를 확인해 주십시오. (-9005)", kText, kTextGrey, 21, 45);
  sheet.Blit(IDB_GUIDE_NORMAL, kErrorGuideX, kErrorGuideY);
  sheet.Blit(IDB_SAVE_NORMAL, kErrorSaveX, kErrorButtonY);
  sheet.Blit(IDB_ERROR_CLOSE_NORMAL, kErrorCloseButtonX, kErrorButtonY);
  sheet.Blit(IDB_ERROR_SMALL_CLOSE, kErrorCloseX, kErrorCloseY);
}

// The buttons in their three states, side by side, on their backdrops.
void PaintButtonStates(Sheet& sheet) {
  const int rows[][3] = {
      {IDB_CONFIRM_NORMAL, IDB_CONFIRM_HOVER, IDB_CONFIRM_PRESSED},
      {IDB_NEXT_NORMAL, IDB_NEXT_HOVER, IDB_NEXT_PRESSED},
      {IDB_CANCEL_NORMAL, IDB_CANCEL_HOVER, IDB_CANCEL_PRESSED},
      {IDB_ERROR_CLOSE_NORMAL, IDB_ERROR_CLOSE_HOVER, IDB_ERROR_CLOSE_PRESSED},
      {IDB_SAVE_NORMAL, IDB_SAVE_HOVER, IDB_SAVE_PRESSED},
      {IDB_GUIDE_NORMAL, IDB_GUIDE_HOVER, IDB_GUIDE_PRESSED},
      {IDB_ERROR_DETAIL_NORMAL, IDB_ERROR_DETAIL_HOVER, IDB_ERROR_DETAIL_PRESSED},
      {IDB_CLOSE_X_NORMAL, IDB_CLOSE_X_HOVER, IDB_CLOSE_X_PRESSED},
  };
  FillBox(sheet.Cr(), {0, 0, double(kSceneSlot), 450}, palette::kWhite);
  double rowY = 20;
  for (const auto& row : rows) {
    double cellX = 24;
    for (int id : row) {
      sheet.Blit(id, cellX, rowY);
      cellX += 170;
    }
    rowY += sheet.Picture(row[0]).Height() + 16;
  }
}

// The program icon's images at 1:1 on light and dark ground: the small
// ones in a row at the top, the largest below.
void PaintIconScene(Sheet& sheet) {
  const std::vector<Canvas> images = PaintIconImages();
  const double half = kSceneSlot / 2.0;
  for (int ground = 0; ground < 2; ++ground) {
    const double left = ground * half;
    FillBox(sheet.Cr(), {left, 0, half, 450}, ground == 0 ? palette::kWhite : Rgb{48, 48, 54});
    double x = left + 20;
    for (const Canvas& image : images) {
      const bool large = image.Width() > 64;
      const double at = large ? left + (half - image.Width()) / 2 : x;
      cairo_set_source_surface(sheet.Cr(), image.Surface(), at, large ? 150 : 60 - image.Height() / 2.0);
      cairo_paint(sheet.Cr());
      x += image.Width() + 24;
    }
  }
}

// Every picture at 1:1 in id order, each with its id and size; the 1 x 12
// fills are shown stretched as well.
double PaintCatalogue(Sheet& sheet, double top, bool draw) {
  const double left = kMargin;
  const double right = kPageWidth - kMargin;
  double x = left;
  double y = top;
  double rowHeight = 0;
  // Small pictures first, then the backgrounds and the error body on rows of
  // their own, each group in id order.
  std::vector<const PictureSpec*> specs;
  for (const PictureSpec& spec : Pictures()) specs.push_back(&spec);
  auto large = [](const PictureSpec* spec) { return spec->height > 100; };
  std::sort(specs.begin(), specs.end(), [&](auto* a, auto* b) {
    return large(a) != large(b) ? large(b) : a->id < b->id;
  });
  bool inLargeGroup = false;
  for (const PictureSpec* spec : specs) {
    if (large(spec) && !inLargeGroup) {
      inLargeGroup = true;
      x = left;
      y += rowHeight + 24;
      rowHeight = 0;
    }
    const bool fill = spec->width == 1;
    const double shownWidth = fill ? 60 : spec->width;
    const double cellWidth = std::max(shownWidth, 70.0);
    if (x + cellWidth > right) {
      x = left;
      y += rowHeight + 12;
      rowHeight = 0;
    }
    if (draw) {
      if (fill) {
        sheet.Blit(spec->id, x, y);
        sheet.Stretch(spec->id, x + 8, y, 52, spec->height);
      } else {
        sheet.Blit(spec->id, x, y);
      }
      const std::string label = std::to_string(spec->id) + "  " + std::to_string(spec->width) + "×" +
                                std::to_string(spec->height);
      DrawLine(sheet.Cr(), label, {fonts::kGothic, 400, 11}, {70, 70, 76}, {x, y + spec->height + 2, cellWidth, 14},
               Align::kLeft);
    }
    x += cellWidth + 14;
    rowHeight = std::max(rowHeight, spec->height + 18.0);
  }
  return y + rowHeight;
}

}  // namespace

bool WriteContactSheet(const std::string& path, const Contacts& contacts) {
  // Measure the catalogue first, so the page is exactly as tall as needed.
  Canvas probe(1, 1);
  Sheet measure(probe.Cr(), contacts);
  const double scenesTop = kMargin + 30;
  const double sceneRow = 450 + 30;
  const double catalogueTop = scenesTop + kSceneRows * (sceneRow + kSceneGap) + 30;
  const double bottom = PaintCatalogue(measure, catalogueTop, false);

  Canvas page(kPageWidth, static_cast<int>(bottom) + kMargin);
  Sheet sheet(page.Cr(), contacts);
  FillBox(page.Cr(), {0, 0, double(page.Width()), double(page.Height())}, kPage);
  DrawLine(page.Cr(), "VamoSetup artwork", {fonts::kRound, 700, 18}, {50, 50, 56}, {kMargin, kMargin - 6, 600, 24},
           Align::kLeft);

  const std::string analysing = "결제 오류 원인 분석을 위하여 네트워크 정보를 분석하고 있습니다.\n\n잠시만 기다려 주십시오.";
  const std::string installing =
      "케보 전자결제를 하기 위해 필요한 파일을 설치 및 복구하고 있습니다.\n\n잠시만 기다려 주십시오.";
  const std::string completed =
      "케보 전자결제창 복구를 완료 하였습니다.\n\n결제를 하시던 곳에서 다시 한번 결제를 진행하여 주십시오.";
  struct Slot {
    const char* caption;
    std::function<void(Sheet&)> paint;
  };
  const std::vector<Slot> slots = {
      {"welcome", PaintWelcomeScene},
      {"browser prompt, five browsers running", [](Sheet& s) { PaintBrowserScene(s, 5); }},
      {"main window, network analysis", [&](Sheet& s) { PaintMainScene(s, {1, false, 80, 0, 0, analysing}); }},
      {"main window, install", [&](Sheet& s) { PaintMainScene(s, {3, false, 0, 0.6, 1.0, installing}); }},
      {"main window, failed during analysis", [](Sheet& s) { PaintMainScene(s, {1, true, 0, 0, 0, ""}); }},
      {"main window, install failed", [](Sheet& s) { PaintMainScene(s, {3, true, 0, 0, 0, ""}); }},
      {"main window, completed", [&](Sheet& s) { PaintMainScene(s, {4, false, 0, 0, 0, completed}); }},
      {"error details", PaintErrorScene},
      {"browser prompt, seven browsers", [](Sheet& s) { PaintBrowserScene(s, 7); }},
      {"browser prompt, one browser", [](Sheet& s) { PaintBrowserScene(s, 1); }},
      {"buttons: normal, hover, pressed", PaintButtonStates},
      {"program icon: 16, 32, 48, 256", PaintIconScene},
  };
  for (size_t i = 0; i < slots.size(); ++i) {
    const double x = kMargin + (i % kColumns) * (kSceneSlot + kSceneGap);
    const double y = scenesTop + (i / kColumns) * (sceneRow + kSceneGap);
    sheet.Caption(slots[i].caption, x, y);
    cairo_save(page.Cr());
    cairo_translate(page.Cr(), x, y + 26);
    slots[i].paint(sheet);
    cairo_restore(page.Cr());
  }
  sheet.Caption("every picture, 1:1", kMargin, catalogueTop - 24);
  PaintCatalogue(sheet, catalogueTop, true);
  cairo_surface_flush(page.Surface());
  return cairo_surface_write_to_png(page.Surface(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}
