#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <stdexcept>

#include "core/Exception.h"
#include "platform/ModalDriver.h"
#include "platform/StatusWindowDescription.h"
#include "platform/ui/Application.h"
#include "platform/ui/qt/QtText.h"
#include "platform/ui/qt/QtUserInterface.h"

namespace {

using platform::ui::QtUserInterface;

// The status window as the updater stores it, on a backend of its own.
class QtWindowTest : public ::testing::Test {
 protected:
  QtWindowTest() : FUI(FArgc, nullptr) { FUI.CreateMainWindow(StatusWindowDescription()); }

  QWidget& Window() { return *FUI.MainWindow(); }
  QLabel& Label() { return *FUI.StatusLabel(); }

  // Processes events until `done` holds, for a generous while at most.
  void ProcessUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired()) FUI.ProcessMessages();
  }

  int FArgc = 0;
  QtUserInterface FUI;
};

TEST_F(QtWindowTest, IsTheStoredFixedSizeToolWindow) {
  EXPECT_EQ(Window().windowTitle(), QStringLiteral("Fendrel! Update"));
  EXPECT_EQ(Window().size(), QSize(270, 46));
  EXPECT_EQ(Window().minimumSize(), QSize(270, 46));
  EXPECT_EQ(Window().maximumSize(), QSize(270, 46));

  const Qt::WindowFlags flags = Window().windowFlags();
  EXPECT_EQ(Window().windowType(), Qt::Tool);
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));  // only the hints named are shown
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));

  EXPECT_TRUE(Window().autoFillBackground());
  EXPECT_EQ(Window().palette().color(QPalette::Window), QColor(Qt::white));
}

TEST_F(QtWindowTest, FontsAreTahomaOrTheFallbackAtTheStoredPixelHeights) {
  const QFont windowFont = Window().font();
  EXPECT_EQ(windowFont.families().value(0), QStringLiteral("Tahoma"));
  EXPECT_EQ(windowFont.pixelSize(), 11);
  EXPECT_FALSE(windowFont.bold());

  const QFont labelFont = Label().font();
  EXPECT_EQ(labelFont.families().value(0), QStringLiteral("Tahoma"));
  EXPECT_EQ(labelFont.pixelSize(), 13);
  EXPECT_TRUE(labelFont.bold());

  // The face actually used: Tahoma where installed, the fallback where it is not.
  const QString expected = QFontDatabase::families().contains(QStringLiteral("Tahoma"))
                               ? QStringLiteral("Tahoma")
                               : QStringLiteral("DejaVu Sans");
  EXPECT_EQ(QFontInfo(labelFont).family(), expected);
  EXPECT_EQ(QFontInfo(windowFont).family(), expected);
  EXPECT_EQ(QFontInfo(labelFont).pixelSize(), 13);
}

TEST_F(QtWindowTest, LabelSizesItselfToItsTextAndKeepsItsCorner) {
  EXPECT_EQ(Label().text(), QStringLiteral("Suche nach neuer Version"));
  EXPECT_EQ(Label().pos(), QPoint(50, 15));
  EXPECT_EQ(Label().size(), Label().sizeHint());
  EXPECT_TRUE(Label().alignment().testFlag(Qt::AlignVCenter));
  EXPECT_FALSE(Label().autoFillBackground());  // the window's white shows through
  // The initial text fits inside the window.
  EXPECT_TRUE(QRect(QPoint(0, 0), Window().size()).contains(Label().geometry()));

  const QSize before = Label().size();
  FUI.SetStatusText(u"Schließe Anwendung (2)");
  EXPECT_EQ(Label().text(), QStringLiteral("Schließe Anwendung (2)"));
  EXPECT_EQ(Label().pos(), QPoint(50, 15));
  EXPECT_EQ(Label().size(), Label().sizeHint());
  EXPECT_NE(Label().width(), before.width());
}

TEST_F(QtWindowTest, FirstActivationRunsTheHandlerOnceAndCloseEndsRun) {
  int activations = 0;
  bool visibleInHandler = false;
  bool ranPastClose = false;
  FUI.Run([&] {
    ++activations;
    if (activations > 1) return;
    visibleInHandler = Window().isVisible();
    FUI.SetStatusText(u"Bitte über Fendrel! starten");
    FUI.ProcessMessages();
    FUI.CloseMainWindow();
    // The code after the close still runs, and handling messages now must not end
    // anything early or call the handler again.
    FUI.ProcessMessages();
    ranPastClose = true;
  });
  EXPECT_EQ(activations, 1);
  EXPECT_TRUE(visibleInHandler);
  EXPECT_TRUE(ranPastClose);
  EXPECT_FALSE(Window().isVisible());
  EXPECT_EQ(Label().text(), QStringLiteral("Bitte über Fendrel! starten"));
}

TEST_F(QtWindowTest, ClosingADialogActivatesTheWindowAgain) {
  int activations = 0;
  int answer = -1;
  int activationsWhenDialogReturned = -1;
  FUI.Run([&] {
    ++activations;
    if (activations > 1) return;  // the run-once guard of the caller
    ModalDriver driver([](QWidget& box) { static_cast<QMessageBox&>(box).defaultButton()->click(); });
    answer = FUI.ConfirmationDialog(u"Updaten?");
    activationsWhenDialogReturned = activations;
    ProcessUntil([&] { return activations >= 2; });
    FUI.CloseMainWindow();
  });
  EXPECT_EQ(answer, platform::ui::mrOk);
  EXPECT_EQ(activationsWhenDialogReturned, 1);  // nothing ran while the dialog was open
  EXPECT_EQ(activations, 2);
}

TEST_F(QtWindowTest, EachActivationCallsTheHandlerOnce) {
  int activations = 0;
  int afterRepeatedReport = -1;
  FUI.Run([&] {
    ++activations;
    if (activations > 1) return;
    // The window system reports the same activation once more: nothing new.
    QEvent repeated(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&Window(), &repeated);
    afterRepeatedReport = activations;
    // Deactivated and activated again: a new activation.
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(&Window(), &deactivate);
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&Window(), &activate);
    FUI.CloseMainWindow();
  });
  EXPECT_EQ(afterRepeatedReport, 1);
  EXPECT_EQ(activations, 2);
}

// Stands for a window system that never activates the window.
class SwallowActivation final : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::WindowActivate; }
};

TEST_F(QtWindowTest, WindowTheSystemNeverActivatesStillGetsItsFirstActivationOnce) {
  SwallowActivation swallow;
  Window().installEventFilter(&swallow);  // runs before the backend's own filter
  int activations = 0;
  FUI.Run([&] {
    ++activations;
    // The window system's report of that activation arrives after all: not again.
    Window().removeEventFilter(&swallow);
    QEvent late(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&Window(), &late);
    FUI.ProcessMessages();
    FUI.CloseMainWindow();
  });
  EXPECT_EQ(activations, 1);
}

TEST_F(QtWindowTest, CloseButtonEndsRunWhileTheWindowWaits) {
  // A failed version query leaves the window open until its user closes it.
  int activations = 0;
  QTimer userCloses;
  userCloses.setSingleShot(true);
  QObject::connect(&userCloses, &QTimer::timeout, [&] {
    QCloseEvent close;
    QCoreApplication::sendEvent(Window().windowHandle(), &close);
  });
  FUI.Run([&] {
    ++activations;
    userCloses.start(50);
  });
  EXPECT_GE(activations, 1);
  EXPECT_FALSE(Window().isVisible());
}

TEST_F(QtWindowTest, FailureInTheHandlerIsShownAndTheWindowStaysUntilItsUserClosesIt) {
  platform::ui::TApplication application(FUI, u"Updater");
  bool started = false;
  int activations = 0;
  bool visibleAfterTheError = false;
  QString caption;
  QString text;
  ModalDriver driver([&](QWidget& widget) {
    auto& box = static_cast<QMessageBox&>(widget);
    caption = box.windowTitle();
    text = box.text();
    box.defaultButton()->click();
  });
  application.Run([&] {
    ++activations;
    if (started) {
      // Activated again when the error box closed: the window is still there, and its
      // user closes it.
      visibleAfterTheError = Window().isVisible();
      QCloseEvent close;
      QCoreApplication::sendEvent(Window().windowHandle(), &close);
      return;
    }
    started = true;
    throw EConvertError(u"'2.0\r\n' ist kein gültiger Gleitkommawert");
  });
  EXPECT_EQ(caption, QStringLiteral("Updater"));
  EXPECT_EQ(text, QStringLiteral("'2.0\n' ist kein gültiger Gleitkommawert."));
  EXPECT_EQ(activations, 2);
  EXPECT_TRUE(visibleAfterTheError);
  EXPECT_FALSE(Window().isVisible());
}

TEST_F(QtWindowTest, ClosedBeforeRunShowsNothing) {
  FUI.CloseMainWindow();
  int activations = 0;
  FUI.Run([&] { ++activations; });
  EXPECT_EQ(activations, 0);
  EXPECT_FALSE(Window().isVisible());
}

TEST_F(QtWindowTest, FailureEscapingTheHandlerLeavesRunInsteadOfTheToolkit) {
  EXPECT_THROW(FUI.Run([] { throw std::runtime_error("escaped"); }), std::runtime_error);
  EXPECT_FALSE(Window().isVisible());
}

}  // namespace

namespace {

// The progress bar lies along the bottom edge inside the client area, below the label,
// without text, and shows only while a progress is: a known amount in thousandths, an
// unknown one as activity.
TEST_F(QtWindowTest, TheProgressBarShowsOnlyWhileAProgressIs) {
  QProgressBar& bar = *FUI.ProgressBar();
  Window().show();
  EXPECT_FALSE(bar.isVisible());
  EXPECT_FALSE(bar.isTextVisible());
  EXPECT_TRUE(QRect(QPoint(0, 0), Window().size()).contains(bar.geometry()));
  EXPECT_GE(bar.geometry().top(), Label().geometry().bottom());
  EXPECT_LE(bar.height(), 6);

  FUI.ShowProgress(84, 200, platform::ui::TProgressUnit::puBytes);
  EXPECT_TRUE(bar.isVisible());
  EXPECT_EQ(bar.maximum(), 1000);
  EXPECT_EQ(bar.value(), 420);
  FUI.ShowProgress(84, 0, platform::ui::TProgressUnit::puBytes);
  EXPECT_EQ(bar.maximum(), 0);  // activity without an amount
  FUI.ShowProgress(50, 100, platform::ui::TProgressUnit::puSteps);
  EXPECT_EQ(bar.value(), 500);
  FUI.HideProgress();
  EXPECT_FALSE(bar.isVisible());
  Window().hide();
}

// A close by the user while closing is held leaves the window open and is noted; the
// release closes the window then. The program's own close is never held.
TEST_F(QtWindowTest, AHeldCloseClosesTheWindowOnItsRelease) {
  bool stillOpen = false;
  bool noted = false;
  FUI.Run([&] {
    FUI.HoldClose(true);
    QCloseEvent close;
    QCoreApplication::sendEvent(Window().windowHandle(), &close);
    FUI.ProcessMessages();
    stillOpen = Window().isVisible();
    noted = FUI.CloseRequested();
    FUI.HoldClose(false);
  });
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(noted);
  EXPECT_FALSE(Window().isVisible());

  FUI.CreateMainWindow(StatusWindowDescription());
  FUI.Run([&] {
    FUI.HoldClose(true);
    FUI.CloseMainWindow();
  });
  EXPECT_FALSE(Window().isVisible());
  EXPECT_FALSE(FUI.CloseRequested());
}

}  // namespace
