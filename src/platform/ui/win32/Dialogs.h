#ifndef FENDREL_PLATFORM_UI_WIN32_DIALOGS_H
#define FENDREL_PLATFORM_UI_WIN32_DIALOGS_H

#include <windows.h>

#include "core/String.h"

// The modal dialogs of the native user interface, each centred on the screen and owned by
// the given window (or by none).
namespace platform::ui::win32 {

// Caption "Bestätigen", the text, "OK" (the default button) and "Abbrechen": a task dialog
// with the information icon where the system offers task dialogs, else a message box
// with the question icon. mrOk, mrCancel, or mrNone when closed any other way.
int ShowConfirmation(HWND owner, const String& text);
// Whether this system offers task dialogs (the confirmation then uses one).
bool TaskDialogsAvailable();
// When set, the confirmation uses the message box even where task dialogs exist.
void SetPreferMessageBox(bool prefer);

// A message box with the caption and text and one "OK"; with the error icon when asked.
void ShowMessageBox(HWND owner, const String& caption, const String& text, bool errorIcon);

// Gives the buttons of a message box of the type (MB_OK or MB_OKCANCEL) the program's texts:
// the one button of MB_OK, whatever its identifier, reads "OK"; MB_OKCANCEL reads "OK" and
// "Abbrechen". Other types are left as the system made them.
void NameMessageBoxButtons(HWND box, UINT type);

}  // namespace platform::ui::win32

#endif
