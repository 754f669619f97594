// vamo-tool screenshots: pictures of the wizard's dialogs for the
// documentation, painted by the real window layer from the program's own
// resources, with every skinned button in its normal, hover and pressed
// state. Needs no display (the windows are painted off-screen).
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/HostFiles.h"
#include "platform/sim/HostPath.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/Path.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/DC.h"
#include "platform/gui/PaintDC.h"
#include "platform/gui/UiThread.h"
#include "platform/gui/Window.h"
#include "resources/resource.h"
#include "tools/vamo-tool/ToolCommand.h"
#include "ui/BufferDC.h"
#include "ui/ButtonSkin.h"
#include "ui/DialogSkin.h"

using namespace platform::gui;

namespace {

struct Picture {
  UINT nID;
  int x;
  int y;
};

struct SkinnedButton {
  int nID;
  UINT nNormal, nPressed, nHover;
  int x;
  int y;
};

struct Scene {
  const char* name;
  Size size;
  std::vector<Picture> pictures;
  std::vector<SkinnedButton> buttons;
};

const SkinnedButton kClose{IDCANCEL, IDB_CLOSE_X_NORMAL, IDB_CLOSE_X_PRESSED, IDB_CLOSE_X_HOVER, 517, 14};

// Backgrounds, the fixed pictures that belong to them, and the buttons where
// each dialog places them.
const std::vector<Scene>& Scenes() {
  static const std::vector<Scene> scenes = {
      {"main-running", {550, 450}, {{IDB_MAIN_BACKGROUND, 0, 0}},
       {{IDOK, IDB_CANCEL_NORMAL, IDB_CANCEL_PRESSED, IDB_CANCEL_HOVER, 245, 408}, kClose}},
      {"main-failed", {550, 450}, {{IDB_MAIN_BACKGROUND, 0, 0}},
       {{IDC_DONE, IDB_CONFIRM_NORMAL, IDB_CONFIRM_PRESSED, IDB_CONFIRM_HOVER, 245, 408}, kClose,
        {IDC_ERROR_DETAIL, IDB_ERROR_DETAIL_NORMAL, IDB_ERROR_DETAIL_PRESSED, IDB_ERROR_DETAIL_HOVER, 38, 214}}},
      {"browser", {550, 450}, {{IDB_BROWSER_BACKGROUND, 0, 0}, {IDB_BROWSER_NOTICE, 90, 175}, {IDB_ICON_CHROME, 242, 90}},
       {{IDOK, IDB_CONFIRM_NORMAL, IDB_CONFIRM_PRESSED, IDB_CONFIRM_HOVER, 245, 408}, kClose}},
      {"welcome", {550, 450}, {{IDB_WELCOME_BACKGROUND, 0, 0}, {IDB_WELCOME_HEADING, 153, 82}},
       {{IDOK, IDB_NEXT_NORMAL, IDB_NEXT_PRESSED, IDB_NEXT_HOVER, 245, 408}, kClose}},
      {"error",
       {460, 300},
       {{IDB_ERROR_TITLE, 0, 0}, {IDB_ERROR_BODY, 0, 34}, {IDB_ERROR_LINE_BOTTOM, 21, 246},
        {IDB_ERROR_LINE_TOP, 21, 111}, {IDB_ERROR_ADVICE, 21, 124}, {IDB_ERROR_CONTACTS, 61, 171},
        {IDB_ERROR_HELP_QUESTION, 61, 208}},
       {{IDC_GUIDE, IDB_GUIDE_NORMAL, IDB_GUIDE_PRESSED, IDB_GUIDE_HOVER, 305, 197},
        {IDOK, IDB_ERROR_CLOSE_NORMAL, IDB_ERROR_CLOSE_PRESSED, IDB_ERROR_CLOSE_HOVER, 257, 257},
        {IDCANCEL, IDB_ERROR_SMALL_CLOSE, IDB_ERROR_SMALL_CLOSE, IDB_ERROR_SMALL_CLOSE, 432, 9},
        {IDC_SAVE, IDB_SAVE_NORMAL, IDB_SAVE_PRESSED, IDB_SAVE_HOVER, 142, 257}}},
  };
  return scenes;
}

// A borderless window that paints its pictures through the off-screen
// buffer, as the dialogs do.
class CSceneWindow : public Window {
 public:
  explicit CSceneWindow(const Scene& scene) : m_scene(scene) {
    for (const Picture& picture : scene.pictures) {
      m_bitmaps.emplace_back();
      LoadSkinBitmap(m_bitmaps.back(), picture.nID, nullptr);
    }
  }
  BOOL OnEraseBkgnd(DC*) override { return TRUE; }
  void OnPaint() override {
    PaintDC dc(this);
    Rect rc;
    GetClientRect(&rc);
    CBufferDC buffer(&dc, &rc);
    for (size_t i = 0; i < m_bitmaps.size(); ++i)
      DrawSkinBitmap(buffer, m_bitmaps[i], m_scene.pictures[i].x, m_scene.pictures[i].y);
  }
  BOOL OnCommand(WPARAM, LPARAM) override { return TRUE; }

 private:
  const Scene& m_scene;
  std::vector<Bitmap> m_bitmaps;
};

enum class State { kNormal, kHover, kPressed };

bool RenderScene(const Scene& scene, State state, const std::string& path) {
  CSceneWindow window(scene);
  if (!window.CreateEx(0, "VamoScreenshot", "Orin 전자결제 - 전자결제 마법사", WS_POPUP,
                       {0, 0, scene.size.cx, scene.size.cy}, nullptr, 0))
    return false;
  std::vector<std::unique_ptr<CButtonSkin>> buttons;
  for (const SkinnedButton& b : scene.buttons) {
    auto button = std::make_unique<CButtonSkin>();
    button->Create("", WS_VISIBLE | BS_PUSHBUTTON, {b.x, b.y, b.x + 10, b.y + 10}, &window, static_cast<UINT>(b.nID));
    button->SetBitmaps(b.nNormal, b.nPressed, b.nHover, b.nNormal);
    // The states come from the messages the mouse would send.
    if (state != State::kNormal) button->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    if (state == State::kPressed) button->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    buttons.push_back(std::move(button));
  }
  Bitmap canvas;
  DC dc;
  canvas.CreateBitmap(scene.size.cx, scene.size.cy);
  dc.CreateCompatibleDC(nullptr);
  dc.SelectObject(&canvas);
  // Twice: the first paint sizes each button to its picture.
  PrintWindow(window.m_hWnd, &dc);
  PrintWindow(window.m_hWnd, &dc);
  const bool saved = canvas.SaveAsPng(path);
  ReleaseCapture();
  buttons.clear();
  window.DestroyWindow();
  PumpMessages();
  return saved;
}

int RunScreenshots(const std::vector<std::string>& args);
const ToolCommand kScreenshots{"screenshots",
                               "screenshots DIR    PNG pictures of every dialog with its buttons in each state",
                               RunScreenshots};

int RunScreenshots(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError(kScreenshots);
  platform::gui::Initialize();
  const std::string folder = platform::ToHostPath(args[0]);
  if (folder.empty() || platform::fs::host::CreateDirectories(folder) != 0) {
    std::fprintf(stderr, "cannot make %s\n", args[0].c_str());
    return kExitFailed;
  }
  int failures = 0;
  const std::pair<State, const char*> states[] = {
      {State::kNormal, "normal"}, {State::kHover, "hover"}, {State::kPressed, "pressed"}};
  for (const Scene& scene : Scenes()) {
    for (const auto& [state, stateName] : states) {
      const std::string path = folder + "/" + scene.name + "-" + stateName + ".png";
      if (RenderScene(scene, state, path)) {
        std::printf("%s\n", path.c_str());
      } else {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        ++failures;
      }
    }
  }
  PrintResult(failures == 0 ? 0 : -1);
  return failures == 0 ? kExitOk : kExitFailed;
}

const CommandRegistrar g_screenshots(kScreenshots);

}  // namespace
