// The native window and dialogs, read back through the system: the window's client size
// and the label's place, and the confirmation's answers given by a watcher that clicks the
// dialog's buttons as a user would.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "core/win32/WideText.h"
#include "platform/ui/UserInterface.h"
#include "platform/ui/win32/Dialogs.h"
#include "platform/ui/win32/StatusWindow.h"
#include "updater/Form1.h"

namespace {

using platform::ui::win32::TStatusWindow;

int Dpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

TEST(Win32StatusWindow, ClientAreaLabelAndStyleAreAsStored) {
  const auto form = updater::TForm1::StoredDescription();
  TStatusWindow window(form);
  ASSERT_NE(window.Handle(), nullptr);
  const int dpi = Dpi();
  RECT client{};
  GetClientRect(window.Handle(), &client);
  EXPECT_EQ(client.right, MulDiv(270, dpi, 96));
  EXPECT_EQ(client.bottom, MulDiv(46, dpi, 96));

  RECT label{};
  GetWindowRect(window.LabelHandle(), &label);
  MapWindowPoints(nullptr, window.Handle(), reinterpret_cast<POINT*>(&label), 2);
  EXPECT_EQ(label.left, MulDiv(50, dpi, 96));
  EXPECT_EQ(label.top, MulDiv(15, dpi, 96));
  // The label is as high as one line of its bold 13-pixel font and as wide as its text.
  EXPECT_GE(label.bottom - label.top, MulDiv(13, dpi, 96));
  EXPECT_LE(label.bottom - label.top, MulDiv(18, dpi, 96));
  // The label holds its own font: Tahoma, bold, 13 pixels at 96 dpi.
  LOGFONTW labelFont{};
  const auto font = reinterpret_cast<HFONT>(SendMessageW(window.LabelHandle(), WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  ASSERT_NE(GetObjectW(font, sizeof labelFont, &labelFont), 0);
  EXPECT_EQ(labelFont.lfWeight, FW_BOLD);
  EXPECT_EQ(labelFont.lfHeight, -MulDiv(13, dpi, 96));
  EXPECT_STREQ(labelFont.lfFaceName, L"Tahoma");
  const int initialWidth = label.right - label.left;
  EXPECT_GT(initialWidth, 100);
  window.SetLabelText(u"Entpacke neue Version und mehr");
  GetWindowRect(window.LabelHandle(), &label);
  EXPECT_GT(label.right - label.left, initialWidth);
  EXPECT_NE(GetWindowLongW(window.LabelHandle(), GWL_STYLE) & SS_CENTERIMAGE, 0);

  wchar_t caption[64] = {};
  GetWindowTextW(window.Handle(), caption, 64);
  EXPECT_EQ(FromWide(caption), u"Fendrel! Update");
  const LONG style = GetWindowLongW(window.Handle(), GWL_STYLE);
  const LONG exStyle = GetWindowLongW(window.Handle(), GWL_EXSTYLE);
  EXPECT_NE(exStyle & WS_EX_TOOLWINDOW, 0);
  EXPECT_NE(exStyle & WS_EX_APPWINDOW, 0);
  EXPECT_NE(style & WS_SYSMENU, 0);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0);
}

struct ButtonSearch {
  const wchar_t* Text;
  HWND Found;
};

BOOL CALLBACK FindButton(HWND child, LPARAM parameter) {
  auto* search = reinterpret_cast<ButtonSearch*>(parameter);
  wchar_t text[64] = {};
  GetWindowTextW(child, text, 64);
  if (lstrcmpW(text, search->Text) == 0) {
    search->Found = child;
    return FALSE;
  }
  return TRUE;
}

// Waits for the dialog with the caption, notes whether it is centred, and clicks its button.
class DialogWatcher {
 public:
  DialogWatcher(const wchar_t* caption, const wchar_t* button)
      : FThread([this, caption, button] { Watch(caption, button); }) {}
  ~DialogWatcher() { FThread.join(); }
  bool Clicked() const { return FClicked; }
  bool Centred() const { return FCentred; }

 private:
  void Watch(const wchar_t* caption, const wchar_t* button) {
    for (int attempt = 0; attempt < 400; ++attempt) {
      Sleep(50);
      const HWND dialog = FindWindowW(L"#32770", caption);
      if (dialog == nullptr || !IsWindowVisible(dialog)) continue;
      ButtonSearch search{button, nullptr};
      EnumChildWindows(dialog, FindButton, reinterpret_cast<LPARAM>(&search));
      if (search.Found == nullptr) continue;
      RECT frame{};
      GetWindowRect(dialog, &frame);
      MONITORINFO info{};
      info.cbSize = sizeof info;
      GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &info);
      const int dx = (frame.left + frame.right) - (info.rcWork.left + info.rcWork.right);
      const int dy = (frame.top + frame.bottom) - (info.rcWork.top + info.rcWork.bottom);
      FCentred = dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2;
      PostMessageW(search.Found, BM_CLICK, 0, 0);
      FClicked = true;
      return;
    }
  }

  std::atomic<bool> FClicked{false};
  std::atomic<bool> FCentred{false};
  std::thread FThread;
};

TEST(Win32Dialogs, TheConfirmationAnswersAsItsButtonsSay) {
  struct Case {
    bool MessageBox;
    const wchar_t* Button;
    int Result;
  };
  const Case cases[] = {{false, L"OK", platform::ui::mrOk},
                        {false, L"Abbrechen", platform::ui::mrCancel},
                        {true, L"OK", platform::ui::mrOk},
                        {true, L"Abbrechen", platform::ui::mrCancel}};
  for (const Case& c : cases) {
    if (!c.MessageBox && !platform::ui::win32::TaskDialogsAvailable()) continue;
    platform::ui::win32::SetPreferMessageBox(c.MessageBox);
    int result = -1;
    bool centred = false;
    {
      DialogWatcher watcher(L"Bestätigen", c.Button);
      result = platform::ui::win32::ShowConfirmation(
          nullptr, u"Ihre Version: 1.4\n\rAktuelle Version: 1.5\n\rUpdaten?");
      ASSERT_TRUE(watcher.Clicked());
      centred = watcher.Centred();
    }
    EXPECT_EQ(result, c.Result) << c.MessageBox;
    EXPECT_TRUE(centred) << c.MessageBox;
  }
  platform::ui::win32::SetPreferMessageBox(false);
}

TEST(Win32Dialogs, TheMessageBoxIsCentredAndClosedByItsOkButton) {
  DialogWatcher watcher(L"Updater", L"OK");
  platform::ui::win32::ShowMessageBox(nullptr, u"Updater", u"unbekannter Fehler :(", false);
  ASSERT_TRUE(watcher.Clicked());
  EXPECT_TRUE(watcher.Centred());
}

}  // namespace
