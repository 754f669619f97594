#include "platform/gui/MessageBox.h"

#include <gtk/gtk.h>

#include <string>

#include "platform/gui/UiThread.h"
#include "platform/gui/Window.h"
#include "platform/gui/NativeWindow_gtk.h"
#include "platform/gui/WindowData.h"

namespace platform::gui {

int MessageBox(HWND hWndOwner, std::string_view text, std::string_view caption, UINT uType) {
  if (!Initialize()) return 0;
  WindowData* owner = TopLevelOf(LookUp(hWndOwner));
  GtkWindow* parent = owner && owner->native ? GTK_WINDOW(owner->native->window) : nullptr;

  GtkMessageType kind = GTK_MESSAGE_OTHER;
  switch (uType & 0xF0) {
    case MB_ICONERROR: kind = GTK_MESSAGE_ERROR; break;
    case MB_ICONQUESTION: kind = GTK_MESSAGE_QUESTION; break;
    case MB_ICONWARNING: kind = GTK_MESSAGE_WARNING; break;
    case MB_ICONINFORMATION: kind = GTK_MESSAGE_INFO; break;
    default: break;
  }
  const UINT buttons = uType & 0x0F;
  GtkButtonsType gtkButtons = buttons == MB_OKCANCEL ? GTK_BUTTONS_OK_CANCEL
                              : buttons == MB_YESNO  ? GTK_BUTTONS_YES_NO
                                                     : GTK_BUTTONS_OK;
  const std::string message(text);
  GtkWidget* box = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, kind, gtkButtons, "%s", message.c_str());
  const std::string title(caption);
  gtk_window_set_title(GTK_WINDOW(box), title.c_str());
  const bool disableOwner = owner && !(owner->style & WS_DISABLED);
  if (disableOwner) owner->style |= WS_DISABLED;
  const gint response = gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
  if (disableOwner && LookUp(owner)) owner->style &= ~WS_DISABLED;

  switch (response) {
    case GTK_RESPONSE_OK: return IDOK;
    case GTK_RESPONSE_YES: return IDYES;
    case GTK_RESPONSE_NO: return IDNO;
    case GTK_RESPONSE_CANCEL: return IDCANCEL;
    default: return buttons == MB_YESNO ? IDNO : buttons == MB_OKCANCEL ? IDCANCEL : IDOK;
  }
}

}  // namespace platform::gui
