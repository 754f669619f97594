#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/gui/MessageTarget.h"
#include "platform/gui/WinUser.h"

namespace platform::gui {

class DC;
class Icon;

// A window (CWnd): the C++ object through which the program sees one window
// handle and receives its messages.
//
// Messages arrive in WindowProc, which calls the handler virtuals below
// (OnPaint, OnTimer, ...) as MFC's message map would; messages without a
// handler, and handlers that call their base version, get the default
// processing of the window's class (DefWindowProc): a button's click
// behaviour, a dialog's Esc/Enter keys, a top-level window's caption drag.
// Programs override the handlers they need, and WindowProc itself for their
// own messages (WM_USER and above):
//
//   LRESULT CDialogMain::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
//     if (message == WM_SETUP_COMPLETE) return OnComplete(wParam, lParam);
//     return CDialog::WindowProc(message, wParam, lParam);
//   }
//
// Threads: every member runs on the UI thread (the thread that called
// Initialize), except PostMessage and InvalidateRect, which any thread may
// call; they are delivered on the UI thread in the order they were made.
class Window : public MessageTarget {
 public:
  Window();
  // Destroys the window if it still exists.
  ~Window() override;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }
  // The object attached to a handle, or nullptr.
  static Window* FromHandle(HWND hWnd);

  // ----------------------------------------------------------- creation
  // A top-level window (WS_POPUP, no parent) or a child window (WS_CHILD).
  // Top-level windows are borderless unless the style has WS_CAPTION.
  // Sends WM_CREATE. FALSE when the object already has a window.
  BOOL CreateEx(DWORD dwExStyle, std::string_view className, std::string_view windowName, DWORD dwStyle,
                const Rect& rect, Window* pParent, UINT nID);
  // Sends WM_DESTROY, destroys the children, sends WM_NCDESTROY and detaches
  // the object. FALSE when there is no window.
  BOOL DestroyWindow();
  // Attaches this object to an existing window: its messages now reach this
  // object's WindowProc, and DefWindowProc still runs the class behaviour.
  // Calls PreSubclassWindow first. FALSE when the window has no such id or
  // the object already has a window.
  BOOL SubclassWindow(HWND hWnd);
  BOOL SubclassDlgItem(UINT nID, Window* pParent);
  // Gives the window back to the object it belonged to before.
  HWND UnsubclassWindow();
  virtual void PreSubclassWindow();

  // ----------------------------------------------------------- messages
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The default processing of the message being handled.
  LRESULT Default();
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Queued for the UI thread; FALSE when the window no longer exists.
  BOOL PostMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // MessageTarget: a parameterless posted message, from any thread.
  void PostMessage(uint32_t message) override;

  // ----------------------------------------------------------- painting
  // Adds the rectangle (client coordinates; nullptr: the whole client area)
  // to the area the next WM_PAINT repaints. Any thread.
  void InvalidateRect(const Rect* pRect, BOOL bErase = TRUE);
  void Invalidate(BOOL bErase = TRUE) { InvalidateRect(nullptr, bErase); }
  // MessageTarget: the same from the worker thread.
  void InvalidateRect(const Rect& rect) override;
  // Repaints the invalid area now, if there is one.
  void UpdateWindow();

  // ----------------------------------------------------------- geometry and state
  BOOL ShowWindow(int nCmdShow);
  // hWndInsertAfter: HWND_TOP (nullptr), HWND_BOTTOM or a sibling.
  BOOL SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
  BOOL MoveWindow(int x, int y, int cx, int cy, BOOL bRepaint = TRUE);
  void GetClientRect(Rect* pRect) const;
  // Screen coordinates.
  void GetWindowRect(Rect* pRect) const;
  void ClientToScreen(Point* pPoint) const;
  void ScreenToClient(Point* pPoint) const;
  void CenterWindow();
  void SetWindowText(std::string_view text);
  std::string GetWindowText() const;
  BOOL IsWindowVisible() const;
  BOOL IsIconic() const;
  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsWindowEnabled() const;
  DWORD GetStyle() const;
  intptr_t GetWindowLong(int nIndex) const;
  intptr_t SetWindowLong(int nIndex, intptr_t dwNewLong);
  Window* GetDlgItem(int nID) const;
  int GetDlgCtrlID() const;
  Window* GetParent() const;
  // The big and small icons of a top-level window (WM_SETICON).
  void SetIcon(const Icon* pIcon, BOOL bBigIcon);

  // ----------------------------------------------------------- timers
  // Starts (or, for an id already running, restarts) a repeating timer that
  // sends WM_TIMER with wParam = nIDEvent every nElapse milliseconds. A
  // killed timer never fires again, even when its time was already due.
  // Returns nIDEvent, 0 when the window does not exist.
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse);
  BOOL KillTimer(UINT_PTR nIDEvent);

  // ----------------------------------------------------------- mouse
  // Mouse messages go to this window until ReleaseCapture, also when the
  // pointer is outside it. Returns the previous capture window.
  Window* SetCapture();

  // ----------------------------------------------------------- handlers
  // The base versions do the default processing.
  virtual void OnPaint();
  virtual BOOL OnEraseBkgnd(DC* pDC);
  virtual void OnTimer(UINT_PTR nIDEvent);
  virtual void OnLButtonDown(UINT nFlags, Point point);
  virtual void OnLButtonUp(UINT nFlags, Point point);
  virtual void OnMouseMove(UINT nFlags, Point point);
  virtual void OnMouseLeave();
  // Reflected to the control (Button::DrawItem) unless overridden.
  virtual void OnDrawItem(int nIDCtl, DRAWITEMSTRUCT* lpDrawItemStruct);
  // WM_COMMAND: LOWORD(wParam) the control id, HIWORD(wParam) the
  // notification (BN_CLICKED). TRUE when handled.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual void OnDestroy();
  virtual void OnClose();
  // The icon shown while a minimised window is dragged.
  virtual const Icon* OnQueryDragIcon();
  // A notification a parent reflects back to its control (WM_DRAWITEM).
  // TRUE when the control handled it.
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

 protected:
  // After WM_NCDESTROY: the handle is gone, the object may be reused.
  virtual void PostNcDestroy();

 private:
  LRESULT DispatchToHandlers(UINT message, WPARAM wParam, LPARAM lParam, bool* pHandled);
};

// SendMessageW and PostMessageW on Windows, the window manager's own on Linux.
// WM_ERASEBKGND and WM_ICONERASEBKGND carry a DC* (the layer's DC) on both
// systems.
LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Any thread; FALSE for a window that no longer exists.
BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform::gui
