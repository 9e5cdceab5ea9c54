#include "platform/ui/qt/QtUserInterface.h"

#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <iostream>
#include <string>

#include "core/Exception.h"
#include "platform/ui/Progress.h"
#include "platform/ui/UserInterfaceChoice.h"
#include "platform/ui/qt/ModalDialogs.h"
#include "platform/ui/qt/StatusWindow.h"

namespace platform::ui {
namespace {

// The toolkit's messages while it starts up. A start-up that fails (no display, or none the
// toolkit can reach) is fatal to the toolkit, which would print its own text and abort; the
// program ends instead with one line of its own and exit code 1. Other messages of the
// start-up are held and written once the start has succeeded.
QStringList* heldStartupMessages = nullptr;

void StartupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtFatalMsg) {
    const std::string line = std::string(kWindowUnavailableLine) + "\n";
    if (::write(STDERR_FILENO, line.data(), line.size()) < 0) {
      // Nothing more can be told.
    }
    ::_exit(1);
  }
  if (heldStartupMessages != nullptr) heldStartupMessages->append(qFormatLogMessage(type, context, message));
}

// How long a shown window may wait for the window system's first activation before
// the backend delivers it itself.
constexpr int kFirstActivationGraceMs = 500;

}  // namespace

// Passes the window's activation changes and its closing on to the backend.
class QtUserInterface::WindowEvents final : public QObject {
 public:
  explicit WindowEvents(QtUserInterface& owner) : FOwner(owner) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::WindowActivate:
        FOwner.OnWindowActivated();
        break;
      case QEvent::WindowDeactivate:
        FOwner.OnWindowDeactivated();
        break;
      case QEvent::Close:
        if (!FOwner.MayClose()) {
          event->ignore();
          return true;
        }
        FOwner.OnWindowClosed();
        break;
      default:
        break;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QtUserInterface& FOwner;
};

QtUserInterface::QtUserInterface(int& argc, char** argv)
    : FProgramName(argc > 0 && argv != nullptr && argv[0] != nullptr ? argv[0] : "updater") {
  FToolkitArgv[0] = FProgramName.data();
  if (QApplication::instance() == nullptr) {
    QStringList held;
    heldStartupMessages = &held;
    const QtMessageHandler previous = qInstallMessageHandler(StartupMessageHandler);
    FOwnedApplication = std::make_unique<QApplication>(FToolkitArgc, FToolkitArgv);
    qInstallMessageHandler(previous);
    heldStartupMessages = nullptr;
    for (const QString& text : held) std::cerr << text.toLocal8Bit().constData() << std::endl;
  }
  // The loop ends when this backend's window closes, not when the toolkit counts the
  // last window gone.
  QApplication::setQuitOnLastWindowClosed(false);
}

QtUserInterface::~QtUserInterface() {
  if (FWindow) FWindow->Widget().removeEventFilter(FWindowEvents.get());
  FWindow.reset();
  FWindowEvents.reset();
}

void QtUserInterface::CreateMainWindow(const FormDescription& form) {
  if (FWindow) FWindow->Widget().removeEventFilter(FWindowEvents.get());
  FWindow = std::make_unique<StatusWindow>(form);
  FWindowEvents = std::make_unique<WindowEvents>(*this);
  FWindow->Widget().installEventFilter(FWindowEvents.get());
  FClosed = false;
  FActive = false;
  FEverActivated = false;
  FCloseHold = TCloseHold();
}

QWidget* QtUserInterface::MainWindow() const {
  return FWindow ? &FWindow->Widget() : nullptr;
}

QLabel* QtUserInterface::StatusLabel() const {
  return FWindow ? &FWindow->Label() : nullptr;
}

QProgressBar* QtUserInterface::ProgressBar() const {
  return FWindow ? &FWindow->ProgressBar() : nullptr;
}

void QtUserInterface::ShowProgress(std::int64_t done, std::int64_t total, TProgressUnit) {
  if (FWindow) FWindow->ShowProgress(ProgressPermille(done, total));
}

void QtUserInterface::HideProgress() {
  if (FWindow) FWindow->HideProgress();
}

void QtUserInterface::HoldClose(bool hold) {
  if (hold) {
    FCloseHold.Hold(true);
  } else if (FCloseHold.Release() && !FClosed) {
    CloseMainWindow();
  }
}

bool QtUserInterface::MayClose() {
  return FCloseHold.MayClose();
}

void QtUserInterface::SetStatusText(const String& text) {
  if (FWindow) FWindow->SetStatusText(text);
}

void QtUserInterface::ProcessMessages() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtUserInterface::ShowModal(QMessageBox& box) {
  // The dialog takes the activation while it is open ...
  FActive = false;
  box.exec();
  // ... and gives it back to the window when it closes.
  if (FWindow && !FClosed && FWindow->Widget().isVisible()) FWindow->Widget().activateWindow();
}

int QtUserInterface::ConfirmationDialog(const String& text) {
  return ShowConfirmation(text, [this](QMessageBox& box) { ShowModal(box); });
}

void QtUserInterface::MessageDialog(const String& caption, const String& text) {
  ShowPlainMessage(caption, text, [this](QMessageBox& box) { ShowModal(box); });
}

void QtUserInterface::ErrorDialog(const String& caption, const String& text) {
  ShowError(caption, text, [this](QMessageBox& box) { ShowModal(box); });
}

void QtUserInterface::CloseMainWindow() {
  // The program's own close is never held.
  FCloseHold.Hold(false);
  if (FWindow) FWindow->Widget().close();
  OnWindowClosed();
}

void QtUserInterface::OnWindowActivated() {
  // The same activation reported twice (or reported late after the backend delivered
  // it) is delivered once.
  if (FActive) return;
  FActive = true;
  CallActivationHandler();
}

void QtUserInterface::OnWindowDeactivated() {
  FActive = false;
}

void QtUserInterface::OnWindowClosed() {
  FClosed = true;
  FActive = false;
  // Ends the loop once control is back in it, that is after the running handler.
  if (FLoop != nullptr) FLoop->quit();
}

void QtUserInterface::DeliverFirstActivationIfMissing() {
  if (FEverActivated || FClosed || FActive || !FWindow || !FWindow->Widget().isVisible()) return;
  FActive = true;
  CallActivationHandler();
}

void QtUserInterface::CallActivationHandler() {
  if (FOnActivate == nullptr || FClosed) return;
  FEverActivated = true;
  try {
    (*FOnActivate)();
  } catch (...) {
    // Nothing may unwind through the toolkit's event dispatch: the failure ends the
    // loop and leaves Run.
    if (!FHandlerFailure) FHandlerFailure = std::current_exception();
    CloseMainWindow();
  }
}

void QtUserInterface::Run(const std::function<void()>& onActivate) {
  if (!FWindow) throw Exception(u"The main window has not been created");
  if (FClosed) return;  // closed before it was ever shown

  QEventLoop loop;
  FLoop = &loop;
  FOnActivate = &onActivate;

  QTimer firstActivation;
  firstActivation.setSingleShot(true);
  QObject::connect(&firstActivation, &QTimer::timeout, [this] { DeliverFirstActivationIfMissing(); });

  QWidget& window = FWindow->Widget();
  window.show();
  window.activateWindow();
  firstActivation.start(kFirstActivationGraceMs);

  // A handler that already closed the window (a platform that activates while showing)
  // leaves nothing to wait for.
  if (!FClosed) loop.exec();

  firstActivation.stop();
  FOnActivate = nullptr;
  FLoop = nullptr;
  if (FHandlerFailure) std::rethrow_exception(std::exchange(FHandlerFailure, nullptr));
}

std::unique_ptr<IUserInterface> CreateQtUserInterface(int& argc, char** argv) {
  return std::make_unique<QtUserInterface>(argc, argv);
}

}  // namespace platform::ui
