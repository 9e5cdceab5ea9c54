#ifndef FENDREL_PLATFORM_UI_QT_QTUSERINTERFACE_H
#define FENDREL_PLATFORM_UI_QT_QTUSERINTERFACE_H

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "platform/ui/CloseHold.h"
#include "platform/ui/UserInterface.h"

class QApplication;
class QEventLoop;
class QLabel;
class QMessageBox;
class QObject;
class QProgressBar;
class QWidget;

namespace platform::ui {

class StatusWindow;

// The backend on a display, with Qt Widgets: the status window, modal message boxes and
// the toolkit's event loop. It uses the process's QApplication when one exists and
// creates (and owns) one otherwise, from the program's name alone.
//
// Activation: the handler given to Run is called once for each time the window becomes
// the active window, the first time included; an activation that the window system
// reports twice calls it once. When the window has been shown and the window system
// never activates it (a platform or window manager that gives no focus), the first
// activation is delivered by the backend itself, and the one the window system may
// still report for it later is not delivered again. A modal dialog takes the activation
// while it is open and gives it back to the window when it closes.
//
// Closing: closing the window, by CloseMainWindow or with its close button, ends Run
// as soon as the handler that is running has returned. While closing is held (HoldClose),
// a close by the user is noted and refused; releasing the hold then closes the window.
class QtUserInterface final : public IUserInterface {
 public:
  QtUserInterface(int& argc, char** argv);
  ~QtUserInterface() override;
  QtUserInterface(const QtUserInterface&) = delete;
  QtUserInterface& operator=(const QtUserInterface&) = delete;

  void CreateMainWindow(const FormDescription& form) override;
  void SetStatusText(const String& text) override;
  void ProcessMessages() override;
  int ConfirmationDialog(const String& text) override;
  void MessageDialog(const String& caption, const String& text) override;
  void ErrorDialog(const String& caption, const String& text) override;
  void CloseMainWindow() override;
  void ShowProgress(std::int64_t done, std::int64_t total, TProgressUnit unit) override;
  void HideProgress() override;
  void HoldClose(bool hold) override;
  bool CloseRequested() const override { return FCloseHold.Requested(); }
  void Run(const std::function<void()>& onActivate) override;

  // The window, its label and its progress bar, for inspection; null before CreateMainWindow.
  QWidget* MainWindow() const;
  QLabel* StatusLabel() const;
  QProgressBar* ProgressBar() const;

 private:
  class WindowEvents;
  friend class WindowEvents;

  void OnWindowActivated();
  void OnWindowDeactivated();
  void OnWindowClosed();
  // Whether a close of the window may go ahead; a close held is noted instead.
  bool MayClose();
  void DeliverFirstActivationIfMissing();
  void CallActivationHandler();
  void ShowModal(QMessageBox& box);

  // The toolkit sees only the program's name: the command line belongs to the program,
  // and an argument that happens to look like a toolkit option must not change it.
  std::string FProgramName;
  int FToolkitArgc = 1;
  char* FToolkitArgv[2] = {nullptr, nullptr};
  std::unique_ptr<QApplication> FOwnedApplication;
  std::unique_ptr<StatusWindow> FWindow;
  std::unique_ptr<WindowEvents> FWindowEvents;
  const std::function<void()>* FOnActivate = nullptr;
  QEventLoop* FLoop = nullptr;
  std::exception_ptr FHandlerFailure;
  bool FClosed = false;
  // The window counts as active since its last activation; a repeated report of the
  // same activation is dropped.
  bool FActive = false;
  bool FEverActivated = false;
  TCloseHold FCloseHold;
};

std::unique_ptr<IUserInterface> CreateQtUserInterface(int& argc, char** argv);

}  // namespace platform::ui

#endif
