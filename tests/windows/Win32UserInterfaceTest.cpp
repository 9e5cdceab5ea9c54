// The native window and dialogs, read back through the system: the window's client size
// and the label's place, and the confirmation's answers given by a watcher that clicks the
// dialog's buttons as a user would.
#include <gtest/gtest.h>
#include <windows.h>
// After the system's main header, which it builds on.
#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/win32/WideText.h"
#include "platform/ui/UserInterface.h"
#include "platform/ui/win32/Dialogs.h"
#include "platform/ui/win32/StatusWindow.h"
#include "platform/ui/win32/Win32UserInterface.h"
#include "platform/win32/MainWindow.h"
#include "platform/win32/SystemLibrary.h"
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

// The window's icons are the icon's own images of the system's two sizes, not one image
// shrunk for the caption.
TEST(Win32StatusWindow, EachIconSizeIsTheIconsOwnImage) {
  TStatusWindow window(updater::TForm1::StoredDescription());
  ASSERT_NE(window.Handle(), nullptr);
  struct Case {
    int Index;
    int Width;
  };
  const Case cases[] = {{GCLP_HICON, GetSystemMetrics(SM_CXICON)},
                        {GCLP_HICONSM, GetSystemMetrics(SM_CXSMICON)}};
  for (const Case& c : cases) {
    const auto icon = reinterpret_cast<HICON>(GetClassLongPtrW(window.Handle(), c.Index));
    ASSERT_NE(icon, nullptr) << c.Index;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(bitmap.bmWidth, c.Width) << c.Index;
  }
  EXPECT_NE(GetClassLongPtrW(window.Handle(), GCLP_HICON), GetClassLongPtrW(window.Handle(), GCLP_HICONSM));
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

// The program's manifest, embedded in this test program as in Updater.exe, brings version 6
// of the common controls, loaded from the system as the program loads them: the library
// comes from the side-by-side assembly of version 6 (not the system folder's older one), and
// the task dialog is there. The assembly's folder is what tells them apart: Wine's version 6
// reports itself as version 5 to DllGetVersion.
TEST(Win32Dialogs, TheManifestBringsVersion6OfTheCommonControls) {
  const HMODULE controls = platform::win32::LoadSystemLibrary(L"comctl32.dll");
  ASSERT_NE(controls, nullptr);
  wchar_t path[MAX_PATH * 2] = {};
  ASSERT_GT(GetModuleFileNameW(controls, path, MAX_PATH * 2), 0u);
  CharLowerW(path);
  EXPECT_NE(std::wstring(path).find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.0."),
            std::wstring::npos)
      << ToUtf8(FromWide(path));
  EXPECT_TRUE(platform::ui::win32::TaskDialogsAvailable());
}

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

// The button texts follow the box's type, not the buttons' identifiers: Windows gives the
// one button of an MB_OK box the identifier IDCANCEL, Wine gives it IDOK.
TEST(Win32Dialogs, MessageBoxButtonsAreNamedByTheBoxType) {
  struct Case {
    UINT Type;
    std::vector<int> Ids;
    std::vector<std::wstring> Texts;
  };
  const Case cases[] = {
      {MB_OK, {IDCANCEL}, {L"OK"}},
      {MB_OK, {IDOK}, {L"OK"}},
      {MB_OKCANCEL, {IDOK, IDCANCEL}, {L"OK", L"Abbrechen"}},
      {MB_YESNO, {IDYES, IDNO}, {L"Ja", L"Nein"}},
  };
  for (const Case& c : cases) {
    const HWND box = CreateWindowExW(0, L"#32770", L"Box", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(box, nullptr);
    std::vector<HWND> buttons;
    for (std::size_t i = 0; i < c.Ids.size(); ++i)
      buttons.push_back(CreateWindowExW(0, L"BUTTON", c.Type == MB_YESNO ? c.Texts[i].c_str() : L"?",
                                        WS_CHILD | BS_PUSHBUTTON, 0, 0, 50, 20, box,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.Ids[i])),
                                        GetModuleHandleW(nullptr), nullptr));
    platform::ui::win32::NameMessageBoxButtons(box, c.Type);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      wchar_t text[32] = {};
      GetWindowTextW(buttons[i], text, 32);
      EXPECT_EQ(std::wstring(text), c.Texts[i]) << c.Type << " " << c.Ids[i];
    }
    DestroyWindow(box);
  }
}

TEST(Win32Dialogs, TheMessageBoxIsCentredAndClosedByItsOkButton) {
  DialogWatcher watcher(L"Updater", L"OK");
  platform::ui::win32::ShowMessageBox(nullptr, u"Updater", u"unbekannter Fehler :(", false);
  ASSERT_TRUE(watcher.Clicked());
  EXPECT_TRUE(watcher.Centred());
}

}  // namespace

namespace {

LONG_PTR StyleOf(HWND window) {
  return GetWindowLongPtrW(window, GWL_STYLE);
}

// The progress bar along the bottom edge, below the label: hidden until a progress is shown,
// the share in thousandths, a marquee without a total.
TEST(Win32StatusWindow, TheProgressBarShowsOnlyWhileAProgressIs) {
  const auto ui = platform::ui::CreateWin32UserInterface();
  ui->CreateMainWindow(updater::TForm1::StoredDescription());
  const HWND window = platform::win32::MainWindowHandle();
  ASSERT_NE(window, nullptr);
  const HWND bar = FindWindowExW(window, nullptr, PROGRESS_CLASSW, nullptr);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(StyleOf(bar) & WS_VISIBLE, 0);

  RECT client{};
  GetClientRect(window, &client);
  RECT place{};
  GetWindowRect(bar, &place);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
  RECT label{};
  GetWindowRect(FindWindowExW(window, nullptr, L"STATIC", nullptr), &label);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&label), 2);
  EXPECT_GE(place.left, 0);
  EXPECT_LE(place.right, client.right);
  EXPECT_LE(place.bottom, client.bottom);
  EXPECT_GE(place.top, label.bottom);

  ui->ShowProgress(84, 200, platform::ui::TProgressUnit::puBytes);
  EXPECT_NE(StyleOf(bar) & WS_VISIBLE, 0);
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 1000);
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 420);
  ui->ShowProgress(84, 0, platform::ui::TProgressUnit::puBytes);
  EXPECT_NE(StyleOf(bar) & PBS_MARQUEE, 0);
  ui->ShowProgress(50, 100, platform::ui::TProgressUnit::puSteps);
  EXPECT_EQ(StyleOf(bar) & PBS_MARQUEE, 0);
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 500);
  ui->HideProgress();
  EXPECT_EQ(StyleOf(bar) & WS_VISIBLE, 0);
}

// A close by the user while closing is held leaves the window in place and is noted; the
// release closes the window then.
TEST(Win32StatusWindow, AHeldCloseClosesTheWindowOnItsRelease) {
  const auto ui = platform::ui::CreateWin32UserInterface();
  ui->CreateMainWindow(updater::TForm1::StoredDescription());
  const HWND window = platform::win32::MainWindowHandle();
  ASSERT_NE(window, nullptr);
  ui->HoldClose(true);
  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_TRUE(ui->CloseRequested());
  ui->HoldClose(false);
  ui->ProcessMessages();
  EXPECT_FALSE(IsWindow(window));
  // The end of the loop the window's close asked for is not left to the tests that follow.
  MSG quit{};
  while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

}  // namespace
