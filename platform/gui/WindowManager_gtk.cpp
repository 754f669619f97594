// The window manager of the window layer: the window records behind the
// handles, the UI thread's posted-message queue, timers, painting of window
// trees, mouse routing (capture, leave and hover tracking) and the GTK
// top-level windows that show it all.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/gui/Bitmap.h"
#include "platform/gui/DC.h"
#include "platform/gui/GdiNative_gtk.h"
#include "platform/gui/MessageQueue.h"
#include "platform/gui/UiThread.h"
#include "platform/gui/Icon.h"
#include "platform/gui/Window.h"
#include "platform/gui/NativeWindow_gtk.h"
#include "platform/gui/WindowData.h"

namespace platform::gui {

namespace {

// Below the toolkit's redraws (GDK_PRIORITY_REDRAW) and above its idle work.
constexpr int kTimerPriority = G_PRIORITY_DEFAULT_IDLE;

// ---------------------------------------------------------------- registry
std::mutex g_registryLock;                           // guards the two maps (posting threads read them)
std::unordered_map<uint64_t, WindowData*> g_bySerial;
std::unordered_set<const WindowData*> g_live;
uint64_t g_nextSerial = 1;

std::vector<WindowData*> g_topLevels;  // creation order
std::vector<WindowData*> g_zombies;    // destroyed, freed when no message is being handled
int g_dispatchDepth = 0;
std::vector<CurrentMessage> g_currentMessages;

std::thread::id g_uiThread;
bool g_initialised = false;
bool g_hasDisplay = false;
bool g_quit = false;
int g_exitCode = 0;

// ---------------------------------------------------------------- pointer state
WindowData* g_capture = nullptr;
WindowData* g_pointerHit = nullptr;  // the window under the pointer (ignoring capture)
std::vector<uint64_t> g_tracked;     // windows with armed leave or hover tracking
uint32_t g_lastEventTime = GDK_CURRENT_TIME;
int g_lastButton = 1;
double g_lastRootX = 0;
double g_lastRootY = 0;
WindowData* g_active = nullptr;

// ---------------------------------------------------------------- posted messages
MessageQueue& ThreadQueue() {
  static MessageQueue* queue = new MessageQueue;
  return *queue;
}
std::mutex g_drainLock;
bool g_drainScheduled = false;

WindowData* BySerial(uint64_t serial) {
  std::lock_guard lock(g_registryLock);
  auto it = g_bySerial.find(serial);
  return it == g_bySerial.end() || it->second->destroyed ? nullptr : it->second;
}

gpointer SerialPointer(const WindowData* w) { return reinterpret_cast<gpointer>(static_cast<uintptr_t>(w->serial)); }
uint64_t SerialOf(gpointer p) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)); }

void FreeZombies() {
  if (g_dispatchDepth > 0) return;
  std::vector<WindowData*> zombies;
  zombies.swap(g_zombies);
  for (WindowData* w : zombies) delete w;
}

gboolean DrainQueue(gpointer) {
  {
    std::lock_guard lock(g_drainLock);
    // Reset first: a handler that runs a nested loop (a modal dialog) gets
    // a fresh drain for what is posted meanwhile.
    g_drainScheduled = false;
  }
  while (auto queued = ThreadQueue().TakeNext()) {
    WindowData* w = BySerial(queued->target);
    if (!w) continue;  // the window went away after the post
    if (queued->message == kInternalInvalidate) {
      InvalidateWindowArea(w, IsRectEmpty(queued->rect) ? nullptr : &queued->rect);
      continue;
    }
    DispatchMessageTo(w, queued->message, queued->wParam, queued->lParam);
  }
  FreeZombies();
  return G_SOURCE_REMOVE;
}

void ScheduleDrain() {
  std::lock_guard lock(g_drainLock);
  if (g_drainScheduled) return;
  g_drainScheduled = true;
  // g_idle_add is safe from any thread and wakes the UI thread's loop.
  g_idle_add_full(G_PRIORITY_DEFAULT, DrainQueue, nullptr, nullptr);
}

// ---------------------------------------------------------------- geometry helpers
WindowData* HitTest(WindowData* w, Point pt) {
  for (WindowData* child : w->children) {
    if (!(child->style & WS_VISIBLE) || !PtInRect(child->rect, pt)) continue;
    return HitTest(child, {pt.x - child->rect.left, pt.y - child->rect.top});
  }
  return w;
}

bool IsEnabledChain(const WindowData* w) {
  for (; w; w = w->parent)
    if (w->style & WS_DISABLED) return false;
  return true;
}

Point ScreenOriginOf(const WindowData* w) {
  const WindowData* top = w;
  while (top->parent) top = top->parent;
  const Point inTop = OriginInTopLevel(w);
  return {top->rect.left + inTop.x, top->rect.top + inTop.y};
}

void PostLeave(WindowData* w) {
  w->trackLeave = false;
  PostMessage(reinterpret_cast<HWND>(w), WM_MOUSELEAVE, 0, 0);
}

void CancelHover(WindowData* w) {
  w->trackHover = false;
  if (w->hoverSource) g_source_remove(std::exchange(w->hoverSource, 0));
}

// The pointer is now over `hit` (nullptr: outside every window of ours):
// windows that track the pointer and are no longer under it hear of it.
void UpdatePointerHit(WindowData* hit) {
  g_pointerHit = hit;
  std::vector<uint64_t> still;
  for (uint64_t serial : g_tracked) {
    WindowData* w = BySerial(serial);
    if (!w) continue;
    if (w != hit) {
      if (w->trackLeave) PostLeave(w);
      CancelHover(w);
    }
    if (w->trackLeave || w->trackHover) still.push_back(serial);
  }
  g_tracked.swap(still);
}

UINT KeyState(guint state) {
  UINT keys = 0;
  if (state & GDK_BUTTON1_MASK) keys |= MK_LBUTTON;
  if (state & GDK_BUTTON3_MASK) keys |= MK_RBUTTON;
  if (state & GDK_SHIFT_MASK) keys |= MK_SHIFT;
  if (state & GDK_CONTROL_MASK) keys |= MK_CONTROL;
  return keys;
}

// Delivers a mouse message that happened at `pt` of top-level window `top`
// (root: the same point on the screen).
void RouteMouse(WindowData* top, UINT message, Point pt, Point root, UINT keys, bool inside) {
  WindowData* hit = inside ? HitTest(top, pt) : nullptr;
  UpdatePointerHit(hit);
  WindowData* target = g_capture ? g_capture : hit;
  if (!target || !IsEnabledChain(target)) return;
  const Point origin = ScreenOriginOf(target);
  const Point client{root.x - origin.x, root.y - origin.y};
  DispatchMessageTo(target, message, keys, LParamFromPoint(client));
}

// ---------------------------------------------------------------- GTK signals
gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer data) {
  WindowData* w = BySerial(SerialOf(data));
  if (!w) return TRUE;
  GdkRectangle clip{0, 0, Width(w->rect), Height(w->rect)};
  gdk_cairo_get_clip_rectangle(cr, &clip);
  NativeSurfaceRef ref{cr};
  ++g_dispatchDepth;
  PaintTree(w, &ref, {clip.x, clip.y, clip.x + clip.width, clip.y + clip.height});
  --g_dispatchDepth;
  FreeZombies();
  return TRUE;
}

gboolean OnButton(GtkWidget*, GdkEventButton* event, gpointer data) {
  WindowData* w = BySerial(SerialOf(data));
  if (!w || (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE)) return TRUE;
  const bool press = event->type == GDK_BUTTON_PRESS;
  g_lastEventTime = event->time;
  g_lastButton = static_cast<int>(event->button);
  g_lastRootX = event->x_root;
  g_lastRootY = event->y_root;
  UINT message = 0;
  UINT keys = KeyState(event->state);
  if (event->button == 1) {
    message = press ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    keys = press ? keys | MK_LBUTTON : keys & ~MK_LBUTTON;
  } else if (event->button == 3) {
    message = press ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    keys = press ? keys | MK_RBUTTON : keys & ~MK_RBUTTON;
  } else {
    return TRUE;
  }
  const Point pt{static_cast<int>(event->x), static_cast<int>(event->y)};
  const bool inside = PtInRect({0, 0, Width(w->rect), Height(w->rect)}, pt);
  RouteMouse(w, message, pt, {static_cast<int>(event->x_root), static_cast<int>(event->y_root)}, keys, inside);
  FreeZombies();
  return TRUE;
}

gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
  WindowData* w = BySerial(SerialOf(data));
  if (!w) return TRUE;
  g_lastEventTime = event->time;
  const Point pt{static_cast<int>(event->x), static_cast<int>(event->y)};
  const bool inside = PtInRect({0, 0, Width(w->rect), Height(w->rect)}, pt);
  RouteMouse(w, WM_MOUSEMOVE, pt, {static_cast<int>(event->x_root), static_cast<int>(event->y_root)},
             KeyState(event->state), inside);
  FreeZombies();
  return TRUE;
}

gboolean OnCrossing(GtkWidget*, GdkEventCrossing* event, gpointer data) {
  WindowData* w = BySerial(SerialOf(data));
  if (!w || event->detail == GDK_NOTIFY_INFERIOR) return TRUE;
  if (event->type == GDK_ENTER_NOTIFY) {
    const Point pt{static_cast<int>(event->x), static_cast<int>(event->y)};
    RouteMouse(w, WM_MOUSEMOVE, pt, {static_cast<int>(event->x_root), static_cast<int>(event->y_root)},
               KeyState(event->state), true);
  } else {
    // The pointer left the top-level window, however fast it went: nothing
    // of ours is under it any more.
    UpdatePointerHit(nullptr);
  }
  FreeZombies();
  return TRUE;
}

gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
  WindowData* w = BySerial(SerialOf(data));
  if (!w || !IsEnabledChain(w)) return TRUE;
  UINT vk = 0;
  switch (event->keyval) {
    case GDK_KEY_Escape: vk = VK_ESCAPE; break;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter: vk = VK_RETURN; break;
    default: return TRUE;
  }
  DispatchMessageTo(w, WM_KEYDOWN, vk, 0);
  FreeZombies();
  return TRUE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  if (WindowData* w = BySerial(SerialOf(data))) DispatchMessageTo(w, WM_CLOSE, 0, 0);
  FreeZombies();
  return TRUE;  // the window goes only through DestroyWindow
}

gboolean OnConfigure(GtkWidget* widget, GdkEventConfigure* event, gpointer data) {
  WindowData* w = BySerial(SerialOf(data));
  if (!w) return FALSE;
  int x = event->x, y = event->y;
  if (GdkWindow* gdkWindow = gtk_widget_get_window(widget)) gdk_window_get_origin(gdkWindow, &x, &y);
  w->rect = {x, y, x + event->width, y + event->height};
  return FALSE;
}

gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data) {
  WindowData* w = BySerial(SerialOf(data));
  if (!w) return FALSE;
  w->iconic = (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
  if (w->iconic) w->style |= WS_MINIMIZE;
  else w->style &= ~WS_MINIMIZE;
  return FALSE;
}

void CreateNative(WindowData* w) {
  if (!g_hasDisplay) return;
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* gw = GTK_WINDOW(window);
  gtk_window_set_decorated(gw, (w->style & WS_CAPTION) == WS_CAPTION);
  gtk_widget_set_app_paintable(window, TRUE);
  gtk_window_set_title(gw, w->text.c_str());
  gtk_window_move(gw, w->rect.left, w->rect.top);
  gtk_window_resize(gw, std::max(1, Width(w->rect)), std::max(1, Height(w->rect)));
  gtk_widget_add_events(window, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK |
                                    GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_KEY_PRESS_MASK |
                                    GDK_STRUCTURE_MASK);
  const gpointer serial = SerialPointer(w);
  g_signal_connect(window, "draw", G_CALLBACK(OnDraw), serial);
  g_signal_connect(window, "button-press-event", G_CALLBACK(OnButton), serial);
  g_signal_connect(window, "button-release-event", G_CALLBACK(OnButton), serial);
  g_signal_connect(window, "motion-notify-event", G_CALLBACK(OnMotion), serial);
  g_signal_connect(window, "enter-notify-event", G_CALLBACK(OnCrossing), serial);
  g_signal_connect(window, "leave-notify-event", G_CALLBACK(OnCrossing), serial);
  g_signal_connect(window, "key-press-event", G_CALLBACK(OnKey), serial);
  g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), serial);
  g_signal_connect(window, "configure-event", G_CALLBACK(OnConfigure), serial);
  g_signal_connect(window, "window-state-event", G_CALLBACK(OnWindowState), serial);
  w->native = new NativeWindow{window};
}

// ---------------------------------------------------------------- timers
struct TimerKey {
  uint64_t serial;
  UINT_PTR id;
  uint64_t generation;
};
uint64_t g_nextTimerGeneration = 1;

gboolean OnTimerSource(gpointer data) {
  const TimerKey key = *static_cast<TimerKey*>(data);
  WindowData* w = BySerial(key.serial);
  if (!w) return G_SOURCE_REMOVE;
  auto alive = [&] {
    return std::any_of(w->timers.begin(), w->timers.end(),
                       [&](const TimerEntry& t) { return t.id == key.id && t.generation == key.generation; });
  };
  // A timer killed by an earlier handler of this same loop pass never fires.
  if (!alive()) return G_SOURCE_REMOVE;
  DispatchMessageTo(w, WM_TIMER, key.id, 0);
  FreeZombies();
  w = BySerial(key.serial);
  return w && alive() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

void FreeTimerKey(gpointer data) { delete static_cast<TimerKey*>(data); }

gboolean OnHover(gpointer data) {
  WindowData* w = BySerial(SerialOf(data));
  if (!w) return G_SOURCE_REMOVE;
  w->hoverSource = 0;
  if (w->trackHover && g_pointerHit == w) {
    w->trackHover = false;
    PostMessage(reinterpret_cast<HWND>(w), WM_MOUSEHOVER, 0, 0);
  }
  return G_SOURCE_REMOVE;
}

}  // namespace

// ---------------------------------------------------------------- window records
WindowData* LookUp(HWND hWnd) {
  if (!hWnd) return nullptr;
  std::lock_guard lock(g_registryLock);
  return g_live.count(hWnd) && !hWnd->destroyed ? hWnd : nullptr;
}

HWND CreateWindowData(WindowKind kind, std::string_view className, std::string_view text, DWORD style,
                      DWORD exStyle, const Rect& rect, HWND parent, UINT id, Window* object) {
  Initialize();
  WindowData* parentData = LookUp(parent);
  if ((style & WS_CHILD) && !parentData) return nullptr;
  auto* w = new WindowData;
  w->kind = kind;
  w->className = className;
  w->text = text;
  w->style = style;
  w->exStyle = exStyle;
  w->rect = rect;
  w->id = id;
  w->object = object;
  {
    std::lock_guard lock(g_registryLock);
    w->serial = g_nextSerial++;
    g_bySerial[w->serial] = w;
    g_live.insert(w);
  }
  if (style & WS_CHILD) {
    w->parent = parentData;
    // Later children go below the earlier ones, as in a dialog, where the
    // first control of the template is on top.
    parentData->children.push_back(w);
  } else {
    w->owner = parentData ? TopLevelOf(parentData) : nullptr;
    g_topLevels.push_back(w);
    CreateNative(w);
  }
  return w;
}

void DestroyWindowData(HWND hWnd) {
  WindowData* w = LookUp(hWnd);
  if (!w) return;
  if (g_capture == w) ReleaseCapture();
  for (const TimerEntry& timer : w->timers) g_source_remove(timer.source);
  w->timers.clear();
  CancelHover(w);
  w->trackLeave = false;
  if (g_pointerHit == w) g_pointerHit = nullptr;
  if (g_active == w) g_active = nullptr;
  if (w->parent) {
    auto& siblings = w->parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
    InvalidateWindowArea(w->parent, &w->rect);
  } else {
    g_topLevels.erase(std::remove(g_topLevels.begin(), g_topLevels.end(), w), g_topLevels.end());
    for (WindowData* other : g_topLevels)
      if (other->owner == w) other->owner = nullptr;
  }
  if (w->native) {
    gtk_widget_destroy(w->native->window);
    delete std::exchange(w->native, nullptr);
  }
  {
    std::lock_guard lock(g_registryLock);
    w->destroyed = true;
    g_bySerial.erase(w->serial);
    g_live.erase(w);
  }
  g_zombies.push_back(w);
}

void CollectDestroyedWindows() { FreeZombies(); }

WindowData* TopLevelOf(WindowData* w) {
  while (w && w->parent) w = w->parent;
  return w;
}

Point OriginInTopLevel(const WindowData* w) {
  Point origin;
  for (; w && w->parent; w = w->parent) {
    origin.x += w->rect.left;
    origin.y += w->rect.top;
  }
  return origin;
}

void InvalidateWindowArea(WindowData* w, const Rect* pClientRect) {
  Rect area{0, 0, Width(w->rect), Height(w->rect)};
  if (pClientRect) area = IntersectRect(area, *pClientRect);
  if (IsRectEmpty(area)) return;
  w->erasePending = true;
  WindowData* top = TopLevelOf(w);
  if (!top->native) return;
  const Point origin = OriginInTopLevel(w);
  gtk_widget_queue_draw_area(top->native->window, area.left + origin.x, area.top + origin.y, Width(area),
                             Height(area));
}

void SetWindowVisible(WindowData* w, bool visible) {
  const bool was = (w->style & WS_VISIBLE) != 0;
  if (visible) w->style |= WS_VISIBLE;
  else w->style &= ~WS_VISIBLE;
  if (w->parent) {
    if (was != visible) InvalidateWindowArea(w->parent, &w->rect);
    if (!visible && g_capture == w) ReleaseCapture();
    return;
  }
  if (visible && !was) g_active = w;
  if (!w->native) return;
  if (visible) {
    gtk_widget_show(w->native->window);
    gtk_window_present_with_time(GTK_WINDOW(w->native->window), g_lastEventTime);
  } else {
    gtk_widget_hide(w->native->window);
  }
}

void TakeOffScreen(WindowData* w) {
  if (w->parent || !w->native) return;
  if (w->style & WS_VISIBLE) SetWindowVisible(w, false);
  // Also when it was hidden just before (a modal dialog's end): the request
  // is still in the queue to the X server until sent.
  gdk_display_flush(gtk_widget_get_display(w->native->window));
}

void ApplyTopLevelGeometry(WindowData* w, bool moved, bool resized) {
  if (!w->native) return;
  GtkWindow* gw = GTK_WINDOW(w->native->window);
  if (moved) gtk_window_move(gw, w->rect.left, w->rect.top);
  if (resized) gtk_window_resize(gw, std::max(1, Width(w->rect)), std::max(1, Height(w->rect)));
}

void ApplyTitle(WindowData* w) {
  if (w->native) gtk_window_set_title(GTK_WINDOW(w->native->window), w->text.c_str());
}

void ApplyIcons(WindowData* w) {
  if (!w->native) return;
  GList* pixbufs = nullptr;
  for (const Icon* icon : {w->bigIcon, w->smallIcon}) {
    if (!icon || icon->IsNull()) continue;
    for (const NativeIconImage& image : icon->Native()->images) {
      GdkPixbuf* pixbuf = gdk_pixbuf_get_from_surface(image.surface, 0, 0, image.size.cx, image.size.cy);
      if (pixbuf) pixbufs = g_list_append(pixbufs, pixbuf);
    }
  }
  gtk_window_set_icon_list(GTK_WINDOW(w->native->window), pixbufs);
  g_list_free_full(pixbufs, g_object_unref);
}

void ApplyModal(WindowData* dialog, WindowData* owner, bool modal) {
  if (!dialog->native) return;
  GtkWindow* gw = GTK_WINDOW(dialog->native->window);
  gtk_window_set_modal(gw, modal);
  gtk_window_set_transient_for(gw, owner && owner->native ? GTK_WINDOW(owner->native->window) : nullptr);
}

void MinimiseTopLevel(WindowData* w, bool minimise) {
  if (!w->native) {
    w->iconic = minimise;
    return;
  }
  GtkWindow* gw = GTK_WINDOW(w->native->window);
  if (minimise) {
    gtk_window_iconify(gw);
  } else {
    gtk_window_deiconify(gw);
    gtk_window_present_with_time(gw, g_lastEventTime);
  }
}

void BeginMoveDrag(WindowData* w) {
  if (!w->native) return;
  // The drag follows the button that is still held since the press that
  // led here; the window system (or GDK, without one) moves the window.
  gtk_window_begin_move_drag(GTK_WINDOW(w->native->window), g_lastButton, static_cast<int>(g_lastRootX),
                             static_cast<int>(g_lastRootY), g_lastEventTime);
}

bool IsPointerOver(const WindowData* w) { return g_pointerHit == w; }

Size ScreenSize() {
  if (!g_hasDisplay) return {1024, 768};
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor) monitor = gdk_display_get_monitor(display, 0);
  if (!monitor) return {1024, 768};
  GdkRectangle area;
  gdk_monitor_get_workarea(monitor, &area);
  return {area.width, area.height};
}

void PaintTree(WindowData* w, NativeSurfaceRef* target, const Rect& clip) {
  if (!(w->style & WS_VISIBLE) || IsRectEmpty(clip)) return;
  const uint64_t serial = w->serial;
  w->paintTarget = target;
  w->paintClip = clip;
  w->erasePending = true;
  DispatchMessageTo(w, WM_PAINT, 0, 0);
  if (!BySerial(serial)) return;
  w->paintTarget = nullptr;
  std::vector<WindowData*> children = w->children;
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    WindowData* child = *it;
    if (!LookUp(child) || !(child->style & WS_VISIBLE)) continue;
    const Rect childClip = IntersectRect(clip, child->rect);
    if (IsRectEmpty(childClip)) continue;
    cairo_t* cr = target->cr;
    cairo_save(cr);
    cairo_rectangle(cr, child->rect.left, child->rect.top, Width(child->rect), Height(child->rect));
    cairo_clip(cr);
    cairo_translate(cr, child->rect.left, child->rect.top);
    PaintTree(child, target, OffsetRect(childClip, -child->rect.left, -child->rect.top));
    cairo_restore(cr);
  }
}

const CurrentMessage* CurrentMessageOnThread() {
  return g_currentMessages.empty() ? nullptr : &g_currentMessages.back();
}

LRESULT DispatchMessageTo(WindowData* w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!LookUp(w)) return 0;
  ++g_dispatchDepth;
  g_currentMessages.push_back({w, message, wParam, lParam});
  LRESULT result = 0;
  if (w->object) {
    result = w->object->WindowProc(message, wParam, lParam);
  } else {
    switch (w->kind) {
      case WindowKind::kButton: result = ButtonWindowProc(w, message, wParam, lParam); break;
      case WindowKind::kDialog: result = DialogWindowProc(w, message, wParam, lParam); break;
      default: result = GenericWindowProc(w, message, wParam, lParam); break;
    }
  }
  g_currentMessages.pop_back();
  --g_dispatchDepth;
  return result;
}

// ---------------------------------------------------------------- the UI thread
bool Initialize() {
  static std::once_flag once;
  std::call_once(once, [] {
    g_uiThread = std::this_thread::get_id();
    EnsureFontConfiguration();
    // The single-instance look-up reads X11 window properties.
    gdk_set_allowed_backends("x11");
    // Nothing here draws with OpenGL. Without this the toolkit probes GLX
    // for its visuals in the first program of a session, which maps the
    // whole software renderer (about 50 MiB) into a wizard that never uses
    // it. A user's own setting wins.
    g_setenv("GDK_GL", "disable", FALSE);
    g_hasDisplay = gtk_init_check(nullptr, nullptr);
    ThreadQueue().SetWakeup(ScheduleDrain);
    g_initialised = true;
  });
  return g_hasDisplay;
}

bool HasDisplay() { return g_initialised && g_hasDisplay; }

bool IsUiThread() { return g_initialised && std::this_thread::get_id() == g_uiThread; }

void RunModalLoop(const std::function<bool()>& done) {
  Initialize();
  while (!done()) g_main_context_iteration(nullptr, TRUE);
}

bool PumpMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  Initialize();
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  // A periodic wake-up, so the loop notices the deadline while idle; at the
  // lowest priority, so a slow `done` never starves a redraw or a timer.
  const guint tick = g_timeout_add_full(
      G_PRIORITY_LOW, 10, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr, nullptr);
  bool ok = true;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      ok = false;
      break;
    }
    g_main_context_iteration(nullptr, TRUE);
  }
  g_source_remove(tick);
  return ok;
}

void PumpMessages() {
  Initialize();
  // A timer whose handler outlasts its period is due again each time it has
  // run, so "until nothing is due" might never come: the pass ends after a
  // bounded time of work instead.
  constexpr auto kLongestPass = std::chrono::milliseconds(50);
  const auto end = std::chrono::steady_clock::now() + kLongestPass;
  while (g_main_context_iteration(nullptr, FALSE) && std::chrono::steady_clock::now() < end) {
  }
}

int RunMessageLoop() {
  g_quit = false;
  RunModalLoop([] { return g_quit; });
  return g_exitCode;
}

void PostQuitMessage(int nExitCode) {
  g_exitCode = nExitCode;
  g_quit = true;
  g_main_context_wakeup(nullptr);
}

BOOL PrintWindow(HWND hWnd, DC* pDC) {
  WindowData* w = LookUp(hWnd);
  if (!w || !pDC || !pDC->Native() || !pDC->Native()->cr) return FALSE;
  cairo_t* cr = pDC->Native()->cr;
  cairo_save(cr);
  NativeSurfaceRef ref{cr};
  const bool visible = (w->style & WS_VISIBLE) != 0;
  w->style |= WS_VISIBLE;  // a hidden window is captured as it would look
  PaintTree(w, &ref, {0, 0, Width(w->rect), Height(w->rect)});
  if (LookUp(hWnd) && !visible) w->style &= ~WS_VISIBLE;
  cairo_restore(cr);
  FreeZombies();
  return TRUE;
}

BOOL CaptureWindow(HWND hWnd, Bitmap* pBitmap) {
  WindowData* w = LookUp(hWnd);
  WindowData* top = TopLevelOf(w);
  if (!w || !pBitmap || !top->native) return FALSE;
  GdkWindow* gdkWindow = gtk_widget_get_window(top->native->window);
  if (!gdkWindow || !gdk_window_is_viewable(gdkWindow)) return FALSE;
  const Point origin = OriginInTopLevel(w);
  GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(gdkWindow, origin.x, origin.y, Width(w->rect), Height(w->rect));
  if (!pixbuf) return FALSE;
  Bitmap captured;
  const int width = gdk_pixbuf_get_width(pixbuf), height = gdk_pixbuf_get_height(pixbuf);
  if (!captured.CreateBitmap(width, height)) {
    g_object_unref(pixbuf);
    return FALSE;
  }
  cairo_surface_t* surface = captured.Native()->surface;
  cairo_surface_flush(surface);
  unsigned char* dst = cairo_image_surface_get_data(surface);
  const int dstStride = cairo_image_surface_get_stride(surface);
  const guchar* src = gdk_pixbuf_read_pixels(pixbuf);
  const int srcStride = gdk_pixbuf_get_rowstride(pixbuf), channels = gdk_pixbuf_get_n_channels(pixbuf);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(dst + static_cast<size_t>(y) * dstStride);
    for (int x = 0; x < width; ++x) {
      const guchar* px = src + static_cast<size_t>(y) * srcStride + static_cast<size_t>(x) * channels;
      row[x] = 0xFF000000u | (static_cast<uint32_t>(px[0]) << 16) | (static_cast<uint32_t>(px[1]) << 8) | px[2];
    }
  }
  cairo_surface_mark_dirty(surface);
  g_object_unref(pixbuf);
  *pBitmap = std::move(captured);
  return TRUE;
}

uint64_t GetNativeWindowId(HWND hWnd) {
  WindowData* w = LookUp(hWnd);
  if (!w || w->parent || !w->native) return 0;
  gtk_widget_realize(w->native->window);
  GdkWindow* gdkWindow = gtk_widget_get_window(w->native->window);
  return gdkWindow && GDK_IS_X11_WINDOW(gdkWindow) ? gdk_x11_window_get_xid(gdkWindow) : 0;
}

// ---------------------------------------------------------------- USER functions
BOOL IsWindow(HWND hWnd) { return LookUp(hWnd) != nullptr; }

LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowData* w = LookUp(hWnd);
  if (!w) return 0;
  const LRESULT result = DispatchMessageTo(w, message, wParam, lParam);
  FreeZombies();
  return result;
}

BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  uint64_t serial = 0;
  {
    std::lock_guard lock(g_registryLock);
    if (!hWnd || !g_live.count(hWnd) || hWnd->destroyed) return FALSE;
    serial = hWnd->serial;
  }
  ThreadQueue().Post({serial, message, wParam, lParam, {}});
  return TRUE;
}

// Cross-thread invalidation, in order with the posted messages.
void PostInvalidate(HWND hWnd, const Rect* pRect) {
  uint64_t serial = 0;
  {
    std::lock_guard lock(g_registryLock);
    if (!hWnd || !g_live.count(hWnd) || hWnd->destroyed) return;
    serial = hWnd->serial;
  }
  ThreadQueue().Post({serial, kInternalInvalidate, 0, 0, pRect ? *pRect : Rect{}});
}

Window* Window::SetCapture() {
  WindowData* w = LookUp(m_hWnd);
  WindowData* previous = g_capture;
  if (!w) return previous ? previous->object : nullptr;
  g_capture = w;
  if (previous && previous != w && LookUp(previous))
    DispatchMessageTo(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(w));
  return previous && LookUp(previous) ? previous->object : nullptr;
}

BOOL ReleaseCapture() {
  WindowData* previous = std::exchange(g_capture, nullptr);
  if (previous && LookUp(previous)) DispatchMessageTo(previous, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() { return g_capture; }

HWND GetActiveWindow() { return LookUp(g_active); }

BOOL TrackMouseEvent(TRACKMOUSEEVENT* pEventTrack) {
  if (!pEventTrack) return FALSE;
  WindowData* w = LookUp(pEventTrack->hwndTrack);
  if (!w) return FALSE;
  if (pEventTrack->dwFlags & TME_CANCEL) {
    if (pEventTrack->dwFlags & TME_LEAVE) w->trackLeave = false;
    if (pEventTrack->dwFlags & TME_HOVER) CancelHover(w);
    return TRUE;
  }
  if (g_pointerHit != w) {
    // The pointer is not over the window: the leave is due at once.
    if (pEventTrack->dwFlags & TME_LEAVE) PostMessage(w, WM_MOUSELEAVE, 0, 0);
    return TRUE;
  }
  if (pEventTrack->dwFlags & TME_LEAVE) w->trackLeave = true;
  if (pEventTrack->dwFlags & TME_HOVER) {
    CancelHover(w);
    w->trackHover = true;
    const DWORD ms = pEventTrack->dwHoverTime == HOVER_DEFAULT ? 400 : std::max<DWORD>(1, pEventTrack->dwHoverTime);
    w->hoverSource = g_timeout_add(ms, OnHover, SerialPointer(w));
  }
  if (std::find(g_tracked.begin(), g_tracked.end(), w->serial) == g_tracked.end()) g_tracked.push_back(w->serial);
  return TRUE;
}

UINT_PTR Window::SetTimer(UINT_PTR nIDEvent, UINT nElapse) {
  WindowData* w = LookUp(m_hWnd);
  if (!w) return 0;
  KillTimer(nIDEvent);
  const uint64_t generation = g_nextTimerGeneration++;
  auto* key = new TimerKey{w->serial, nIDEvent, generation};
  // WM_TIMER comes last on Windows, after input, posted messages and
  // WM_PAINT: a timer whose handler takes longer than its period must not
  // keep the toolkit from painting (its redraws run below default priority).
  const guint source =
      g_timeout_add_full(kTimerPriority, std::max<UINT>(1, nElapse), OnTimerSource, key, FreeTimerKey);
  w->timers.push_back({nIDEvent, source, generation});
  return nIDEvent;
}

BOOL Window::KillTimer(UINT_PTR nIDEvent) {
  WindowData* w = LookUp(m_hWnd);
  if (!w) return FALSE;
  auto it = std::find_if(w->timers.begin(), w->timers.end(), [&](const TimerEntry& t) { return t.id == nIDEvent; });
  if (it == w->timers.end()) return FALSE;
  g_source_remove(it->source);
  w->timers.erase(it);
  return TRUE;
}

void Window::UpdateWindow() {
  WindowData* top = TopLevelOf(LookUp(m_hWnd));
  if (!top || !top->native) return;
  if (GdkWindow* gdkWindow = gtk_widget_get_window(top->native->window)) {
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gdk_window_process_updates(gdkWindow, TRUE);
    G_GNUC_END_IGNORE_DEPRECATIONS
  }
}

void Window::GetWindowRect(Rect* pRect) const {
  WindowData* w = LookUp(m_hWnd);
  if (!w || !pRect) return;
  WindowData* top = TopLevelOf(w);
  if (top->native) {
    if (GdkWindow* gdkWindow = gtk_widget_get_window(top->native->window)) {
      int x = 0, y = 0;
      gdk_window_get_origin(gdkWindow, &x, &y);
      top->rect = {x, y, x + Width(top->rect), y + Height(top->rect)};
    }
  }
  const Point origin = ScreenOriginOf(w);
  *pRect = {origin.x, origin.y, origin.x + Width(w->rect), origin.y + Height(w->rect)};
}

}  // namespace platform::gui
