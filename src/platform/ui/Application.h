#ifndef FENDREL_PLATFORM_UI_APPLICATION_H
#define FENDREL_PLATFORM_UI_APPLICATION_H

#include <exception>
#include <functional>

#include "core/String.h"
#include "platform/ui/UserInterface.h"

namespace platform::ui {

// The application object over a backend: the title used by message and error boxes,
// the dialogs the program uses, and the message loop that shows every exception
// escaping a window handler in the error dialog and goes on running.
class TApplication {
 public:
  TApplication(IUserInterface& ui, String title);

  const String& Title() const { return FTitle; }
  IUserInterface& UI() { return FUI; }

  void ProcessMessages() { FUI.ProcessMessages(); }
  int Confirm(const String& text) { return FUI.ConfirmationDialog(text); }
  void ShowMessage(const String& text) { FUI.MessageDialog(FTitle, text); }

  // Shows an exception in the error dialog: its message, with a full stop appended
  // when the message is not empty and does not end in a character up to ".".
  void HandleException(const std::exception& e);

  // Shows the main window and runs the loop; onActivate is called on every activation.
  void Run(const std::function<void()>& onActivate);

  // The report of an exception that ended the start-up, in a box titled "Anwendungsfehler".
  void ShowStartupException(const std::exception& e, const String& moduleName);

 private:
  IUserInterface& FUI;
  String FTitle;
};

// The message of any exception as the system shows it.
String ExceptionMessage(const std::exception& e);
// The class name an exception report gives.
String ExceptionClassName(const std::exception& e);
// The error dialog's text for a message (the full-stop rule).
String ErrorDialogText(const String& message);

}  // namespace platform::ui

#endif
