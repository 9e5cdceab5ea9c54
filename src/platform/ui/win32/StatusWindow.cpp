#include "platform/ui/win32/StatusWindow.h"

#include <commctrl.h>

#include <exception>

#include "core/win32/WideText.h"
#include "platform/win32/MainWindow.h"

namespace platform::ui::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"TForm1";
constexpr int kIconResource = 1;

// The progress bar: its height, and its distance from the left, right and bottom edges of
// the client area, in pixels at 96 dpi.
constexpr int kProgressHeight = 4;
constexpr int kProgressMargin = 6;
constexpr int kProgressSteps = 1000;
constexpr UINT kMarqueeMilliseconds = 30;

HFONT MakeFont(const FontDescription& font, int dpi) {
  LOGFONTW description{};
  description.lfHeight = MulDiv(font.Height, dpi, 96);
  description.lfWeight = font.Bold ? FW_BOLD : FW_NORMAL;
  description.lfCharSet = DEFAULT_CHARSET;
  description.lfQuality = DEFAULT_QUALITY;
  const String name = font.Name.substr(0, LF_FACESIZE - 1);
  name.copy(reinterpret_cast<char16_t*>(description.lfFaceName), name.size());
  return CreateFontIndirectW(&description);
}

COLORREF ColorOf(unsigned rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void RegisterWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    // Each size from the icon's own image of that size (the file holds 16, 32 and 48
    // pixels), not the large one shrunk.
    windowClass.hIcon = static_cast<HICON>(LoadImageW(windowClass.hInstance, MAKEINTRESOURCEW(kIconResource),
                                                      IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                      GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(windowClass.hInstance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExW(&windowClass) != 0;
  }();
  (void)registered;
}

int ScreenDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace

TStatusWindow::TStatusWindow(const FormDescription& form) : FDpi(ScreenDpi()) {
  RegisterWindowClass();
  FFont = MakeFont(form.Font, FDpi);
  FLabelFont = MakeFont(form.LabelFont, FDpi);
  FBackground = CreateSolidBrush(ColorOf(form.Color));
  FLabelLeft = Scaled(form.LabelLeft);
  FLabelTop = Scaled(form.LabelTop);

  // A tool window has no task-bar button of its own; the application-window style gives
  // it one, as the main window of the program.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_APPWINDOW;
  RECT frame{0, 0, Scaled(form.ClientWidth), Scaled(form.ClientHeight)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  FWindow = CreateWindowExW(exStyle, kWindowClass, WideText(form.Caption), style, CW_USEDEFAULT,
                            CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
  if (FWindow == nullptr) return;
  SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TStatusWindow::WindowProc));
  // The frame of a tool window may differ from what the adjustment assumed: the client
  // area is made exact from what the system reports.
  RECT client{};
  RECT outer{};
  GetClientRect(FWindow, &client);
  GetWindowRect(FWindow, &outer);
  const int width = (outer.right - outer.left) + Scaled(form.ClientWidth) - (client.right - client.left);
  const int height = (outer.bottom - outer.top) + Scaled(form.ClientHeight) - (client.bottom - client.top);
  SetWindowPos(FWindow, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(FWindow, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), FALSE);

  // The label: a static control that centres its one line vertically.
  FLabel = CreateWindowExW(0, L"STATIC", WideText(form.LabelCaption),
                           WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, FLabelLeft,
                           FLabelTop, 0, 0, FWindow, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(FLabel, WM_SETFONT, reinterpret_cast<WPARAM>(FLabelFont), FALSE);
  SizeLabelToText();
  CreateProgressBar(form);
  platform::win32::SetMainWindowHandle(FWindow);
}

void TStatusWindow::CreateProgressBar(const FormDescription& form) {
  FProgress = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | PBS_SMOOTH, Scaled(kProgressMargin),
                              Scaled(form.ClientHeight - kProgressMargin - kProgressHeight),
                              Scaled(form.ClientWidth - 2 * kProgressMargin), Scaled(kProgressHeight),
                              FWindow, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (FProgress != nullptr) SendMessageW(FProgress, PBM_SETRANGE32, 0, kProgressSteps);
}

void TStatusWindow::ShowProgress(int permille) {
  if (FProgress == nullptr) return;
  const bool marquee = permille < 0;
  if (marquee != FMarquee) {
    const LONG_PTR style = GetWindowLongPtrW(FProgress, GWL_STYLE);
    SetWindowLongPtrW(FProgress, GWL_STYLE,
                      marquee ? (style | PBS_MARQUEE) : (style & ~LONG_PTR{PBS_MARQUEE}));
    SendMessageW(FProgress, PBM_SETMARQUEE, marquee ? TRUE : FALSE, kMarqueeMilliseconds);
    FMarquee = marquee;
  }
  if (!marquee) SendMessageW(FProgress, PBM_SETPOS, static_cast<WPARAM>(permille), 0);
  // Its own visibility, whether or not the window is shown yet.
  if ((GetWindowLongPtrW(FProgress, GWL_STYLE) & WS_VISIBLE) == 0) ShowWindow(FProgress, SW_SHOWNA);
}

void TStatusWindow::HideProgress() {
  if (FProgress != nullptr) ShowWindow(FProgress, SW_HIDE);
}

void TStatusWindow::HoldClose(bool hold) {
  if (hold) {
    FCloseHold.Hold(true);
  } else if (FCloseHold.Release()) {
    Close();
  }
}

TStatusWindow::~TStatusWindow() {
  if (platform::win32::MainWindowHandle() == FWindow) platform::win32::SetMainWindowHandle(nullptr);
  if (FWindow != nullptr && IsWindow(FWindow)) {
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
    DestroyWindow(FWindow);
  }
  DeleteObject(FFont);
  DeleteObject(FLabelFont);
  DeleteObject(FBackground);
}

int TStatusWindow::Scaled(int pixels) const {
  return MulDiv(pixels, FDpi, 96);
}

void TStatusWindow::SetLabelText(const String& text) {
  if (FLabel == nullptr) return;
  SetWindowTextW(FLabel, WideText(text));
  SizeLabelToText();
}

// The label is as wide and as high as its text in its font (an empty text keeps the
// height of one line).
void TStatusWindow::SizeLabelToText() {
  const int length = GetWindowTextLengthW(FLabel);
  String text(static_cast<std::size_t>(length), u'\0');
  if (length > 0) GetWindowTextW(FLabel, reinterpret_cast<wchar_t*>(text.data()), length + 1);
  const HDC dc = GetDC(FLabel);
  const HGDIOBJ previous = SelectObject(dc, FLabelFont);
  SIZE extent{};
  GetTextExtentPoint32W(dc, length > 0 ? WideText(text) : L" ", length > 0 ? length : 1, &extent);
  SelectObject(dc, previous);
  ReleaseDC(FLabel, dc);
  SetWindowPos(FLabel, nullptr, FLabelLeft, FLabelTop, length > 0 ? extent.cx : 0, extent.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(FWindow, nullptr, TRUE);
}

void TStatusWindow::Show() {
  if (FWindow == nullptr) return;
  ShowWindow(FWindow, SW_SHOWNORMAL);
  // A window shown from a program started in the background may not be given the focus;
  // it is activated all the same, as a program's main window is.
  SetForegroundWindow(FWindow);
  SetActiveWindow(FWindow);
  UpdateWindow(FWindow);
}

void TStatusWindow::Close() {
  // The program's own close is never held.
  FCloseHold.Hold(false);
  if (FWindow != nullptr && IsWindow(FWindow)) PostMessageW(FWindow, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK TStatusWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TStatusWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT TStatusWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(FWindow, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, FBackground);
      return 1;
    }
    case WM_CTLCOLORSTATIC: {
      const HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(FBackground);
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && FOnActivate) {
        // Nothing may unwind through the system's message dispatch.
        try {
          FOnActivate();
        } catch (const std::exception&) {
        }
      }
      return DefWindowProcW(FWindow, message, wParam, lParam);
    case WM_CLOSE:
      if (!FCloseHold.MayClose()) return 0;
      DestroyWindow(FWindow);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(FWindow, message, wParam, lParam);
  }
}

}  // namespace platform::ui::win32
