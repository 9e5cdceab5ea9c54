// Shows the status window and each dialog of the Qt backend on a real display and
// saves a picture of each into the folder given as the only argument:
//   status.png        the window with its initial status line
//   progress.png      the window half-way through the download, with its progress bar
//   countdown.png     the window during the closing countdown
//   confirmation.png  the update question
//   message.png       the plain message
//   error.png         the error dialog for a bad version text
//   screen.png        the whole screen with the update question open (its centring)
// Pictures are taken from the screen, so a window manager's frame shows when one runs.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "core/Exception.h"
#include "platform/Program.h"
#include "platform/ui/Application.h"
#include "platform/ui/qt/QtUserInterface.h"
#include "updater/Form1.h"

namespace {

QString gFolder;
bool gFailed = false;

// Lets the window system and the window manager draw for a moment.
void Settle() {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 400) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The part of `picture` that is not the black of the empty screen, with a black edge.
QRect Content(const QImage& picture) {
  QRect content;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      if ((picture.pixel(x, y) & 0xFFFFFF) != 0) content |= QRect(x, y, 1, 1);
    }
  }
  return content.adjusted(-4, -4, 4, 4).intersected(picture.rect());
}

// Saves the screen around `widget`. The toolkit's idea of where a window manager put a
// decorated window can be off by a frame's height, so a generous area is taken and cut
// down to what is drawn there.
void Save(const QWidget& widget, const QString& name, bool wholeScreen = false) {
  QScreen* screen = widget.screen();
  QRect area = widget.frameGeometry().adjusted(-48, -48, 48, 48).intersected(screen->geometry());
  if (wholeScreen) area = screen->geometry();
  QImage picture = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
  if (!wholeScreen) picture = picture.copy(Content(picture));
  const QString path = QDir(gFolder).filePath(name);
  if (!picture.save(path)) {
    std::fprintf(stderr, "ui_showcase: cannot save %s\n", qPrintable(path));
    gFailed = true;
    return;
  }
  std::printf("%s\n", qPrintable(path));
}

// Waits for the next modal dialog, photographs it and presses its default button.
void WhenDialogOpens(const QString& name, bool alsoWholeScreen) {
  auto* poll = new QTimer;
  poll->setInterval(20);
  QObject::connect(poll, &QTimer::timeout, [poll, name, alsoWholeScreen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    Settle();
    Save(*box, name);
    if (alsoWholeScreen) Save(*box, QStringLiteral("screen.png"), true);
    box->defaultButton()->click();
  });
  poll->start();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
    return 2;
  }
  gFolder = QString::fromLocal8Bit(argv[1]);
  platform::ui::QtUserInterface ui(argc, argv);
  QDir().mkpath(gFolder);
  platform::ui::TApplication application(ui, platform::ApplicationTitleFromPath(u"/opt/fendrel/updater"));

  ui.CreateMainWindow(updater::TForm1::StoredDescription());
  bool shown = false;
  application.Run([&] {
    if (shown) return;
    shown = true;
    ui.ProcessMessages();
    Settle();
    Save(*ui.MainWindow(), QStringLiteral("status.png"));

    WhenDialogOpens(QStringLiteral("confirmation.png"), true);
    application.Confirm(u"Ihre Version: 1.4\n\rAktuelle Version: 1.5\n\rUpdaten?");

    WhenDialogOpens(QStringLiteral("message.png"), false);
    application.ShowMessage(u"unbekannter Fehler :(");

    // As a bad version text reaches the error dialog: through the application object.
    WhenDialogOpens(QStringLiteral("error.png"), false);
    application.HandleException(EConvertError(u"'2.0\r\n' ist kein gültiger Gleitkommawert"));

    // Half-way through a download of 200 MB, as the sequence reports it.
    ui.SetStatusText(u"Lade neue Version");
    ui.ShowProgress(std::int64_t{100} * 1024 * 1024, std::int64_t{200} * 1024 * 1024,
                    platform::ui::TProgressUnit::puBytes);
    ui.ProcessMessages();
    Settle();
    Save(*ui.MainWindow(), QStringLiteral("progress.png"));
    ui.HideProgress();

    ui.SetStatusText(u"Schließe Anwendung (2)");
    ui.ProcessMessages();
    Settle();
    Save(*ui.MainWindow(), QStringLiteral("countdown.png"));
    ui.CloseMainWindow();
  });
  return gFailed ? 1 : 0;
}
