// The updater's window on the Qt backend during a download from a slow server on 127.0.0.1:
// it keeps processing its events and showing the download's progress, and its close box
// cancels the download.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/ui/Application.h"
#include "platform/ui/qt/QtUserInterface.h"
#include "support/SlowDownload.h"
#include "updater/Form1.h"
#include "updater/UnZipper.h"
#include "updater/UpdaterHttpClient.h"

namespace {

// Counts the paint events of a widget.
class PaintCounter final : public QObject {
 public:
  int Paints = 0;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++Paints;
    return QObject::eventFilter(watched, event);
  }
};

TEST(QtSlowDownloadTest, TheWindowLivesThroughTheDownloadAndItsCloseBoxCancelsIt) {
  const testsupport::TWorkingFolder folder;
  testsupport::HttpRouteServer server(testsupport::SlowUpdateRoutes());

  int argc = 0;
  platform::ui::QtUserInterface ui(argc, nullptr);
  platform::ui::TApplication application(ui, u"updater");
  testsupport::TRecordingSystem system;
  updater::TForm1 form(application, platform::SystemClock(), system, updater::CreateUpdaterHttpClient(),
                       updater::CreateAbUnZipper(),
                       {u"1.4", FromUtf8(server.BaseUrl()), FromUtf8(folder.Path().string() + "/")});
  ui.CreateMainWindow(updater::TForm1::StoredDescription());
  form.FormCreate();

  QProgressBar& bar = *ui.ProgressBar();
  PaintCounter paints;
  bar.installEventFilter(&paints);

  // The update question is answered with OK, and so is any later dialog, which would be a
  // failure shown.
  int dialogs = 0;
  QTimer answer;
  answer.setInterval(20);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    ++dialogs;
    box->defaultButton()->click();
  });
  answer.start();

  // A timer runs only while the window processes its events: each of its ticks during the
  // download reads the bar; once it has moved on twice, the user closes the window.
  std::vector<int> values;
  QTimer user;
  user.setInterval(100);
  QObject::connect(&user, &QTimer::timeout, [&] {
    if (!bar.isVisible()) return;
    if (values.empty() || bar.value() > values.back()) values.push_back(bar.value());
    if (values.size() == 3) {
      QCloseEvent close;
      QCoreApplication::sendEvent(ui.MainWindow()->windowHandle(), &close);
    }
  });
  user.start();
  application.Run([&form] { form.FormActivate(); });
  user.stop();

  ASSERT_GE(values.size(), 3u);
  EXPECT_LT(values.back(), 1000);
  EXPECT_GE(paints.Paints, 2);
  EXPECT_FALSE(ui.MainWindow()->isVisible());
  EXPECT_EQ(dialogs, 1);
  EXPECT_TRUE(system.Calls.empty());
  testsupport::ExpectDownloadCancelledHalfway(server, folder.Path());
}

}  // namespace
