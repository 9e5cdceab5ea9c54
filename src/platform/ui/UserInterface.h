#ifndef FENDREL_PLATFORM_UI_USERINTERFACE_H
#define FENDREL_PLATFORM_UI_USERINTERFACE_H

#include <cstdint>
#include <functional>
#include <memory>

#include "core/String.h"
#include "platform/ui/FormDescription.h"

namespace platform::ui {

// Results of the confirmation dialog.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

// What a progress counts: bytes (of a transfer) or steps of a whole (the percentage of an
// extraction).
enum class TProgressUnit { puBytes, puSteps };

// One user-interface backend: the program's single window with its status label,
// the modal dialogs and the message loop. Backends only show and ask; every rule
// about what to show lives above them (TApplication, the update sequence).
class IUserInterface {
 public:
  virtual ~IUserInterface() = default;

  // Creates the main window (not yet shown) from its stored description.
  virtual void CreateMainWindow(const FormDescription& form) = 0;
  // Assigns the status label's caption; it is painted at the next message processing.
  virtual void SetStatusText(const String& text) = 0;
  // Dispatches every pending message (repaints included) and returns at once.
  virtual void ProcessMessages() = 0;
  // Modal confirmation: caption "Bestätigen", the text, "OK" (default) and "Abbrechen",
  // centred on the screen. mrOk, mrCancel, or mrNone when closed any other way.
  virtual int ConfirmationDialog(const String& text) = 0;
  // Modal plain message: the caption, the text, no icon, one "OK", centred.
  virtual void MessageDialog(const String& caption, const String& text) = 0;
  // Modal error box: the caption, an error icon, the text, one "OK".
  virtual void ErrorDialog(const String& caption, const String& text) = 0;
  // Closes the main window; the loop ends once the running handler has returned.
  virtual void CloseMainWindow() = 0;
  // The progress of a long step, shown below the status label: done of total in the unit
  // (total 0 or less: not known, shown as activity without an amount). Hidden until shown
  // and again by HideProgress. Like the label, painted at the next message processing.
  virtual void ShowProgress(std::int64_t done, std::int64_t total, TProgressUnit unit) = 0;
  virtual void HideProgress() = 0;
  // While closing is held, a close of the window by its user (its close box, the system's
  // close keys) leaves it open and is only noted; releasing the hold closes the window then
  // when a close was noted. CloseRequested tells whether one was noted since the hold began.
  virtual void HoldClose(bool hold) = 0;
  virtual bool CloseRequested() const = 0;
  // Shows the main window and runs the message loop until the window is closed.
  // onActivate runs on every activation of the main window, the first one included.
  virtual void Run(const std::function<void()>& onActivate) = 0;
};

// The backend for this machine: Qt when a display exists, the console otherwise or
// when FENDREL_UPDATER_UI is "console" ("qt" insists on Qt). A value not understood is
// named on standard error and gives the console. When the window cannot reach a display,
// the program ends here with one line on standard error and exit code 1.
std::unique_ptr<IUserInterface> CreateUserInterface(int& argc, char** argv);

std::unique_ptr<IUserInterface> CreateConsoleUserInterface();

}  // namespace platform::ui

#endif
