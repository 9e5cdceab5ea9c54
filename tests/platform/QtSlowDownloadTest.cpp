// The updater's window on the Qt backend during a download from a slow server on 127.0.0.1:
// it keeps processing its events and showing the download's progress, and its close box
// cancels the download.
#include <gtest/gtest.h>
#include <unistd.h>

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
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/ui/Application.h"
#include "platform/ui/qt/QtUserInterface.h"
#include "support/HttpRouteServer.h"
#include "updater/Form1.h"
#include "updater/UnZipper.h"
#include "updater/UpdaterHttpClient.h"

namespace {

namespace fs = std::filesystem;

// Records what the sequence would do to the system instead of doing it.
class RecordingSystem final : public updater::IUpdaterSystem {
 public:
  std::vector<std::string> Calls;
  int TerminateProcessesByName(const String& name) override {
    Calls.push_back("terminate " + ToUtf8(name));
    return 0;
  }
  bool ShellOpen(const String& fileName, const String&) override {
    Calls.push_back("open " + ToUtf8(fileName));
    return true;
  }
  bool DeleteFile(const String& fileName) override {
    Calls.push_back("delete " + ToUtf8(fileName));
    return true;
  }
};

// Counts the paint events of a widget.
class PaintCounter final : public QObject {
 public:
  int Paints = 0;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++Paints;
    return QObject::eventFilter(watched, event);
  }
};

class QtSlowDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FPrevious = fs::current_path();
    FDir = fs::temp_directory_path() / ("fendrel-qt-download-" + std::to_string(::getpid()));
    fs::remove_all(FDir);
    fs::create_directories(FDir);
    fs::current_path(FDir);
  }
  void TearDown() override {
    fs::current_path(FPrevious);
    fs::remove_all(FDir);
  }

  fs::path FPrevious;
  fs::path FDir;
};

// 3 MB in pieces of 64 KB with a pause after each: a download of a few seconds.
constexpr std::size_t kArchiveSize = 3 * 1024 * 1024;

TEST_F(QtSlowDownloadTest, TheWindowLivesThroughTheDownloadAndItsCloseBoxCancelsIt) {
  testsupport::RouteResponse archive =
      testsupport::HttpResponse(200, "OK", std::string(kArchiveSize, 'x'), "application/zip");
  archive.PieceSize = 64 * 1024;
  archive.PauseMilliseconds = 60;
  testsupport::HttpRouteServer server(
      {{"/newest", testsupport::HttpResponse(200, "OK", "1.5")}, {"/1.5/update.zip", archive}});

  int argc = 0;
  platform::ui::QtUserInterface ui(argc, nullptr);
  platform::ui::TApplication application(ui, u"updater");
  RecordingSystem system;
  updater::TForm1 form(application, platform::SystemClock(), system, updater::CreateUpdaterHttpClient(),
                       updater::CreateAbUnZipper(),
                       {u"1.4", FromUtf8(server.BaseUrl()), FromUtf8(FDir.string() + "/")});
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
  // The connection was dropped before the archive's end; the part written stays.
  for (int i = 0; i < 200 && server.ResponsesAbandoned() == 0; ++i) usleep(10000);
  EXPECT_EQ(server.ResponsesAbandoned(), 1);
  ASSERT_TRUE(fs::exists(FDir / "update.zip"));
  EXPECT_GT(fs::file_size(FDir / "update.zip"), 0u);
  EXPECT_LT(fs::file_size(FDir / "update.zip"), kArchiveSize);
}

}  // namespace
