// The UI thread on Windows: the thread's own message queue, loops over
// GetMessageW/PeekMessageW that run the dialog manager's keyboard interface,
// and painting a window tree into a DC.
#include "platform/gui/UiThread.h"

#include <algorithm>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/DC.h"
#include "platform/gui/GdiNative_win32.h"
#include "platform/gui/WindowRecord_win32.h"

namespace platform::gui {

namespace {

std::thread::id g_uiThread;
bool g_initialised = false;

// The windows being printed and the DC they print into (nested: a tree).
std::vector<std::pair<HWND, HDC>> g_printTargets;

// Takes one message; false (with WM_QUIT posted again for the outer loop)
// when it is the quit.
bool DispatchOne(MSG& msg) {
  if (msg.message == WM_QUIT) {
    ::PostQuitMessage(static_cast<int>(msg.wParam));
    return false;
  }
  DispatchQueuedMessage(msg);
  return true;
}

// Each window paints into a picture of its own client area at (0, 0), as
// it would on the screen: the system controls' painting clips to their
// client rectangle in device coordinates, so no origin may be shifted under
// them. The picture starts as what lies below the window (a child that
// does not erase shows its parent) and goes back into the target clipped.
void PaintTree(HWND hWnd, HDC target, POINT origin, const RECT& clip) {
  RECT client;
  ::GetClientRect(hWnd, &client);
  Bitmap picture;
  DC memory;
  if (client.right <= 0 || client.bottom <= 0 || !picture.CreateBitmap(client.right, client.bottom) ||
      !memory.CreateCompatibleDC(nullptr))
    return;
  memory.SelectObject(&picture);
  const HDC hdc = memory.Native()->hdc;
  ::BitBlt(hdc, 0, 0, client.right, client.bottom, target, origin.x, origin.y, SRCCOPY);
  ::IntersectClipRect(hdc, clip.left - origin.x, clip.top - origin.y, clip.right - origin.x, clip.bottom - origin.y);
  g_printTargets.emplace_back(hWnd, hdc);
  ::SendMessageW(hWnd, WM_PAINT, 0, 0);
  g_printTargets.pop_back();
  ::BitBlt(target, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, hdc, clip.left - origin.x,
           clip.top - origin.y, SRCCOPY);
  if (!::IsWindow(hWnd)) return;
  // Children after their parent, the bottom of the z-order first.
  std::vector<HWND> children;
  for (HWND child = ::GetWindow(hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    const HWND child = *it;
    if (!::IsWindow(child) || !(::GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE)) continue;
    RECT rc;
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(HWND_DESKTOP, hWnd, reinterpret_cast<POINT*>(&rc), 2);
    const RECT placed{rc.left + origin.x, rc.top + origin.y, rc.right + origin.x, rc.bottom + origin.y};
    RECT childClip;
    if (!::IntersectRect(&childClip, &clip, &placed)) continue;
    PaintTree(child, target, {placed.left, placed.top}, childClip);
  }
}

}  // namespace

HDC PrintTargetFor(HWND hWnd) {
  for (auto it = g_printTargets.rbegin(); it != g_printTargets.rend(); ++it)
    if (it->first == hWnd) return it->second;
  return nullptr;
}

void DispatchQueuedMessage(MSG& msg) {
  // Esc, Enter and Tab of a dialog go to the dialog manager.
  const HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (!(root && IsDialogWindow(root) && ::IsDialogMessageW(root, &msg))) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  CollectOwnedObjects();
}

// Windows always has a display.
bool Initialize() {
  static std::once_flag once;
  std::call_once(once, [] {
    g_uiThread = std::this_thread::get_id();
    RegisterLayerClass();
    g_initialised = true;
  });
  return true;
}

bool HasDisplay() { return g_initialised; }

bool IsUiThread() { return g_initialised && std::this_thread::get_id() == g_uiThread; }

void RunModalLoop(const std::function<bool()>& done) {
  Initialize();
  MSG msg;
  while (!done()) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) return;
    if (got == 0) {
      // The program is quitting: the loop of the main window gets it.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    DispatchQueuedMessage(msg);
  }
}

bool PumpMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  Initialize();
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  MSG msg;
  while (!done()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!DispatchOne(msg)) return done();
      continue;
    }
    // A short wait, so that a condition another thread makes true is seen
    // while no message comes.
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::clamp<long long>(left, 1, 10)), QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
  }
  return true;
}

void PumpMessages() {
  Initialize();
  // A timer whose handler outlasts its period is due again each time it
  // has run: the pass ends after a bounded time of work.
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
  MSG msg;
  while (std::chrono::steady_clock::now() < end && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    if (!DispatchOne(msg)) return;
}

int RunMessageLoop() {
  Initialize();
  MSG msg{};
  BOOL got;
  while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) > 0) DispatchQueuedMessage(msg);
  return got == -1 ? -1 : static_cast<int>(msg.wParam);
}

BOOL PrintWindow(HWND hWnd, DC* pDC) {
  if (!hWnd || !::IsWindow(hWnd) || !pDC || !pDC->Native() || !pDC->Native()->hdc) return FALSE;
  RECT client;
  ::GetClientRect(hWnd, &client);
  PaintTree(hWnd, pDC->Native()->hdc, {0, 0}, client);
  CollectOwnedObjects();
  return TRUE;
}

BOOL CaptureWindow(HWND hWnd, Bitmap* pBitmap) {
  if (!hWnd || !pBitmap || !::IsWindowVisible(hWnd)) return FALSE;
  RECT client;
  ::GetClientRect(hWnd, &client);
  Bitmap captured;
  if (!captured.CreateBitmap(client.right, client.bottom)) return FALSE;
  DC memory;
  if (!memory.CreateCompatibleDC(nullptr)) return FALSE;
  memory.SelectObject(&captured);
  const HDC screen = ::GetDC(hWnd);
  const BOOL copied = screen && ::BitBlt(memory.Native()->hdc, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
  if (screen) ::ReleaseDC(hWnd, screen);
  memory.SelectObject(static_cast<Bitmap*>(nullptr));
  if (!copied) return FALSE;
  *pBitmap = std::move(captured);
  return TRUE;
}

uint64_t GetNativeWindowId(HWND hWnd) {
  if (!hWnd || !::IsWindow(hWnd) || (::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD)) return 0;
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(hWnd));
}

}  // namespace platform::gui
