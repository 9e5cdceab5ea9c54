// The updater's native window during a download from a slow server on 127.0.0.1: it keeps
// answering messages and showing the download's progress, and a close of the window, as the
// close box sends it, cancels the download. A second thread plays the user: it answers the
// update question, reads the progress bar through the window's own thread and closes the window.
#include <gtest/gtest.h>
#include <windows.h>
// After the system's main header, which it builds on.
#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/win32/WideText.h"
#include "platform/Clock.h"
#include "platform/ui/Application.h"
#include "platform/ui/win32/Win32UserInterface.h"
#include "platform/win32/MainWindow.h"
#include "support/SlowDownload.h"
#include "updater/Form1.h"
#include "updater/UnZipper.h"
#include "updater/UpdaterHttpClient.h"

namespace {

// The first visible dialog of this process, if one is open.
HWND OpenDialog() {
  struct Search {
    HWND Found = nullptr;
  } search;
  EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (process != GetCurrentProcessId() || std::wstring(className) != L"#32770" ||
            !IsWindowVisible(window))
          return TRUE;
        reinterpret_cast<Search*>(parameter)->Found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

// Clicks a dialog's button "OK"; false when it has none (yet).
bool ClickOk(HWND dialog) {
  struct Search {
    HWND Found = nullptr;
  } search;
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM parameter) -> BOOL {
        wchar_t text[16] = {};
        GetWindowTextW(child, text, 16);
        if (std::wstring(text) != L"OK") return TRUE;
        reinterpret_cast<Search*>(parameter)->Found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (search.Found == nullptr) return false;
  PostMessageW(search.Found, BM_CLICK, 0, 0);
  return true;
}

TEST(Win32SlowDownload, TheWindowLivesThroughTheDownloadAndItsCloseCancelsIt) {
  const testsupport::TWorkingFolder folder;
  testsupport::HttpRouteServer server(testsupport::SlowUpdateRoutes());

  const auto ui = platform::ui::CreateWin32UserInterface();
  platform::ui::TApplication application(*ui, u"updater");
  testsupport::TRecordingSystem system;
  updater::TForm1 form(
      application, platform::SystemClock(), system, updater::CreateUpdaterHttpClient(),
      updater::CreateAbUnZipper(),
      {u"1.4", FromUtf8(server.BaseUrl()), FromWide(folder.Path().wstring().c_str()) + u"\\"});
  ui->CreateMainWindow(updater::TForm1::StoredDescription());
  form.FormCreate();
  const HWND window = platform::win32::MainWindowHandle();
  ASSERT_NE(window, nullptr);
  const HWND bar = FindWindowExW(window, nullptr, PROGRESS_CLASSW, nullptr);
  ASSERT_NE(bar, nullptr);

  // The user: answers every dialog with OK (the update question, and any later one, which
  // would be a failure shown); reads the bar's position with a message the window's thread
  // answers only while it processes its messages; once the position has moved on twice,
  // closes the window. Gives up after two minutes and closes the window then, so that nothing
  // waits without end.
  std::atomic<bool> done{false};
  std::atomic<int> dialogs{0};
  std::vector<LRESULT> positions;
  std::thread user([&] {
    HWND answered = nullptr;
    bool closed = false;
    for (int tick = 0; tick < 2400 && !done; ++tick) {
      Sleep(50);
      const HWND dialog = OpenDialog();
      if (dialog != nullptr && dialog != answered && ClickOk(dialog)) {
        answered = dialog;
        ++dialogs;
        continue;
      }
      if (closed || (GetWindowLongPtrW(bar, GWL_STYLE) & WS_VISIBLE) == 0) continue;
      DWORD_PTR position = 0;
      if (SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &position) == 0) continue;
      if (positions.empty() || static_cast<LRESULT>(position) > positions.back())
        positions.push_back(static_cast<LRESULT>(position));
      if (positions.size() == 3) {
        // What the close box sends.
        PostMessageW(window, WM_CLOSE, 0, 0);
        closed = true;
      }
    }
    if (!done && !closed) PostMessageW(window, WM_CLOSE, 0, 0);
  });
  application.Run([&form] { form.FormActivate(); });
  done = true;
  user.join();
  // The end of the loop the window's close asked for is not left to the tests that follow.
  MSG quit{};
  while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }

  ASSERT_GE(positions.size(), 3u);
  EXPECT_LT(positions.back(), 1000);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(dialogs.load(), 1);
  EXPECT_TRUE(system.Calls.empty());
  testsupport::ExpectDownloadCancelledHalfway(server, folder.Path());
}

}  // namespace
