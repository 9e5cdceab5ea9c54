#ifndef FENDREL_PLATFORM_UI_QT_MODALDIALOGS_H
#define FENDREL_PLATFORM_UI_QT_MODALDIALOGS_H

#include <functional>

#include "core/String.h"

class QMessageBox;

namespace platform::ui {

// Builds the three modal message boxes the program uses. Each is centred on the
// screen; its text keeps the line breaks it was given. `run` shows the box modally
// and returns when it has closed.
using RunModal = std::function<void(QMessageBox&)>;

// Caption "Bestätigen", a question icon, "OK" (the default button) and "Abbrechen".
// mrOk for "OK"; mrCancel for "Abbrechen", for Escape and for the box's close button
// (the box's cancel key); mrNone when it closed any other way.
int ShowConfirmation(const String& text, const RunModal& run);
// The caption, the text, no icon, one "OK".
void ShowPlainMessage(const String& caption, const String& text, const RunModal& run);
// The caption, an error icon, the text, one "OK".
void ShowError(const String& caption, const String& text, const RunModal& run);

}  // namespace platform::ui

#endif
