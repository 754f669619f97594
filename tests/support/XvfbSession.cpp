#include "tests/support/XvfbSession.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <thread>

#include "platform/gui/UiThread.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

int Spawn(const std::vector<std::string>& argv, posix_spawn_file_actions_t* actions) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], actions, nullptr, args.data(), environ) != 0) return -1;
  return pid;
}

// Waits for a child we started; -1 when it had to be killed after `timeout`.
int WaitChild(int pid, std::chrono::milliseconds timeout, const std::function<void()>& idle) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    idle();
  }
}

}  // namespace

XvfbSession::XvfbSession(const std::string& screen) : m_server(screen) {
  if (!m_server.Ok()) return;
  setenv("DISPLAY", m_server.Display().c_str(), 1);
  // No accessibility bus, no settings daemon, X11 only: nothing for the
  // toolkit to wait for on a bare test server.
  setenv("NO_AT_BRIDGE", "1", 1);
  setenv("GSETTINGS_BACKEND", "memory", 1);
  setenv("GDK_BACKEND", "x11", 1);
  unsetenv("WAYLAND_DISPLAY");
}

bool XvfbSession::StartWindowManager() {
  if (!Ok()) return false;
  if (m_wmPid > 0) return true;
  m_wmPid = Spawn({"openbox", "--sm-disable"}, nullptr);
  if (m_wmPid <= 0) return false;
  // The manager announces itself on the root window once it runs.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (std::chrono::steady_clock::now() < deadline) {
    const int pid = Spawn({"sh", "-c", "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'"}, nullptr);
    if (pid > 0 && WaitChild(pid, 5s, [] { std::this_thread::sleep_for(5ms); }) == 0) return true;
    platform::gui::PumpMessages();
    std::this_thread::sleep_for(50ms);
  }
  StopWindowManager();
  return false;
}

void XvfbSession::StopWindowManager() {
  if (m_wmPid <= 0) return;
  kill(m_wmPid, SIGTERM);
  WaitChild(m_wmPid, 5s, [] {
    platform::gui::PumpMessages();
    std::this_thread::sleep_for(5ms);
  });
  m_wmPid = -1;
}

XvfbSession::~XvfbSession() { StopWindowManager(); }

XvfbSession& SharedXvfb() {
  static XvfbSession* session = new XvfbSession;
  static const bool registered = [] {
    std::atexit([] { delete session; });
    return true;
  }();
  (void)registered;
  return *session;
}

int RunPumping(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
  const int pid = Spawn(argv, nullptr);
  if (pid <= 0) return -1;
  return WaitChild(pid, timeout, [] {
    platform::gui::PumpMessages();
    std::this_thread::sleep_for(2ms);
  });
}

bool Xdotool(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunPumping(argv) == 0;
}

namespace {

// The toolkit's file dialog of a title that is shown now, or null.
GtkFileChooser* ShownFileDialog(const std::string& title) {
  GtkFileChooser* found = nullptr;
  GList* windows = gtk_window_list_toplevels();
  for (GList* item = windows; item && !found; item = item->next) {
    GtkWindow* window = GTK_WINDOW(item->data);
    const char* shownTitle = gtk_window_get_title(window);
    if (GTK_IS_FILE_CHOOSER(window) && gtk_widget_get_visible(GTK_WIDGET(window)) && shownTitle &&
        title == shownTitle) {
      found = GTK_FILE_CHOOSER(window);
    }
  }
  g_list_free(windows);
  return found;
}

void CollectNameFields(GtkWidget* widget, gpointer fields) {
  if (std::string_view(G_OBJECT_TYPE_NAME(widget)) == "GtkFileChooserEntry") {
    static_cast<std::vector<GtkWidget*>*>(fields)->push_back(widget);
  } else if (GTK_IS_CONTAINER(widget)) {
    gtk_container_forall(GTK_CONTAINER(widget), CollectNameFields, fields);
  }
}

}  // namespace

std::optional<std::string> FileDialogTyping::ShownName() const {
  GtkFileChooser* dialog = ShownFileDialog(m_strTitle);
  if (!dialog) return std::nullopt;
  gchar* current = gtk_file_chooser_get_current_name(dialog);
  std::string name = current ? current : "";
  g_free(current);
  return name;
}

// Keys go where the keyboard focus is; a click that landed in the dialog's
// file list would take them there, as it would a user's.
void FileDialogTyping::FocusNameField() const {
  GtkFileChooser* dialog = ShownFileDialog(m_strTitle);
  if (!dialog) return;
  std::vector<GtkWidget*> fields;
  CollectNameFields(GTK_WIDGET(dialog), &fields);
  for (GtkWidget* field : fields) {
    if (gtk_widget_is_visible(field)) gtk_widget_grab_focus(field);
  }
}

// xdotool's type takes every argument after it as text, so Return is a
// command of its own.
bool FileDialogTyping::Enter() {
  using namespace std::chrono_literals;
  m_bTyping = true;
  bool bHeld = false;
  for (int attempt = 0; attempt < 3 && !bHeld; ++attempt) {
    if (!Shown()) {
      std::fprintf(stderr, "no file dialog \"%s\" is shown\n", m_strTitle.c_str());
      break;
    }
    FocusNameField();
    const bool bTyped = RunPumping({"xdotool", "search", "--sync", "--onlyvisible", "--name", m_strTitle,
                                    "windowfocus", "--sync", "%1", "sleep", "0.5", "key", "ctrl+a", "type",
                                    "--delay", "20", m_strText},
                                   30s) == 0;
    bHeld = bTyped && WaitFor([this] { return ShownName() == m_strText; }, 3s);
    if (!bHeld) {
      std::fprintf(stderr, "the file dialog \"%s\" holds \"%s\" after \"%s\" was typed; typing it again\n",
                   m_strTitle.c_str(), ShownName().value_or("(no dialog)").c_str(), m_strText.c_str());
    }
  }
  const bool bEntered = bHeld && RunPumping({"xdotool", "key", "Return"}) == 0;
  // The wait for the dialog to close starts once Return is pressed; typing
  // itself may take seconds on a loaded machine.
  m_enteredAt = std::chrono::steady_clock::now();
  m_bTyping = false;
  return bEntered;
}

bool FileDialogTyping::Type(const std::string& text) {
  m_strText = text;
  return Enter();
}

void FileDialogTyping::RetypeIfStillShown() {
  using namespace std::chrono_literals;
  // Ticks run nested while the keys are typed; they wait for the typing.
  if (m_bTyping || m_strText.empty() || std::chrono::steady_clock::now() - m_enteredAt < 5s) return;
  if (!ShownName()) {
    m_strText.clear();  // it closed: nothing is typed again
    return;
  }
  std::fprintf(stderr, "the file dialog \"%s\" is still shown 5 s after Return; entering the name again\n",
               m_strTitle.c_str());
  Enter();
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  return platform::gui::PumpMessagesUntil(done, timeout);
}

bool CaptureWindowToPng(uint64_t xid, const std::string& path) {
  return RunPumping({"import", "-window", std::to_string(xid), path}, std::chrono::seconds(20)) == 0;
}
