#include "platform/ui/win32/Dialogs.h"

#include <commctrl.h>

#include <atomic>
#include <vector>

#include "core/win32/WideText.h"
#include "platform/ui/UserInterface.h"
#include "platform/win32/SystemLibrary.h"

namespace platform::ui::win32 {
namespace {

constexpr wchar_t kConfirmationCaption[] = L"Bestätigen";
constexpr int kOkButton = 100;
constexpr int kCancelButton = 101;

std::atomic<bool> preferMessageBox{false};

using TaskDialogIndirectFunction = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

// Task dialogs exist in version 6 of the common controls, which the program's manifest
// asks for; looked up by name, so the program also runs where they are missing.
TaskDialogIndirectFunction TaskDialogFunction() {
  static const TaskDialogIndirectFunction function = [] {
    const HMODULE controls = platform::win32::LoadSystemLibrary(L"comctl32.dll");
    if (controls == nullptr) return TaskDialogIndirectFunction{nullptr};
    return reinterpret_cast<TaskDialogIndirectFunction>(
        reinterpret_cast<void*>(GetProcAddress(controls, "TaskDialogIndirect")));
  }();
  return function;
}

void CentreOnScreen(HWND window) {
  RECT frame{};
  GetWindowRect(window, &frame);
  const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return;
  const RECT& area = info.rcWork;
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = area.left + ((area.right - area.left) - width) / 2;
  const int top = area.top + ((area.bottom - area.top) - height) / 2;
  SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CALLBACK CollectButton(HWND child, LPARAM parameter) {
  wchar_t className[16] = {};
  GetClassNameW(child, className, 16);
  if (lstrcmpiW(className, L"Button") == 0) reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(child);
  return TRUE;
}

// While a message box of this thread opens: centre it on the screen and give its buttons
// the program's own German texts, whatever the system's language. The type of the box
// shown is kept for the hook.
thread_local HHOOK boxHook = nullptr;
thread_local UINT boxType = MB_OK;

LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    const HWND box = reinterpret_cast<HWND>(wParam);
    wchar_t className[16] = {};
    GetClassNameW(box, className, 16);
    if (lstrcmpW(className, L"#32770") == 0) {
      CentreOnScreen(box);
      NameMessageBoxButtons(box, boxType);
      const HHOOK hook = boxHook;
      boxHook = nullptr;
      UnhookWindowsHookEx(hook);
      return CallNextHookEx(nullptr, code, wParam, lParam);
    }
  }
  return CallNextHookEx(boxHook, code, wParam, lParam);
}

int MessageBoxCentred(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  boxType = type;
  boxHook = SetWindowsHookExW(WH_CBT, BoxHook, nullptr, GetCurrentThreadId());
  const int result = MessageBoxW(owner, text, caption, type);
  if (boxHook != nullptr) {
    UnhookWindowsHookEx(boxHook);
    boxHook = nullptr;
  }
  return result;
}

HRESULT CALLBACK TaskDialogCallback(HWND dialog, UINT notification, WPARAM, LPARAM, LONG_PTR) {
  if (notification == TDN_CREATED) CentreOnScreen(dialog);
  return S_OK;
}

}  // namespace

void NameMessageBoxButtons(HWND box, UINT type) {
  if ((type & MB_TYPEMASK) == MB_OKCANCEL) {
    SetDlgItemTextW(box, IDOK, L"OK");
    SetDlgItemTextW(box, IDCANCEL, L"Abbrechen");
    return;
  }
  if ((type & MB_TYPEMASK) != MB_OK) return;
  // Windows gives the one button of an MB_OK box the identifier IDCANCEL (so that Escape
  // closes it), Wine gives it IDOK: the button is found as the box's only one.
  std::vector<HWND> buttons;
  EnumChildWindows(box, CollectButton, reinterpret_cast<LPARAM>(&buttons));
  if (buttons.size() == 1) SetWindowTextW(buttons.front(), L"OK");
}

bool TaskDialogsAvailable() {
  return TaskDialogFunction() != nullptr;
}

void SetPreferMessageBox(bool prefer) {
  preferMessageBox.store(prefer);
}

int ShowConfirmation(HWND owner, const String& text) {
  const TaskDialogIndirectFunction taskDialog = preferMessageBox.load() ? nullptr : TaskDialogFunction();
  if (taskDialog != nullptr) {
    const TASKDIALOG_BUTTON buttons[] = {{kOkButton, L"OK"}, {kCancelButton, L"Abbrechen"}};
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = owner;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
    config.pszWindowTitle = kConfirmationCaption;
    config.pszMainIcon = TD_INFORMATION_ICON;
    config.pszContent = WideText(text);
    config.cButtons = 2;
    config.pButtons = buttons;
    config.nDefaultButton = kOkButton;
    config.pfCallback = TaskDialogCallback;
    int pressed = 0;
    if (SUCCEEDED(taskDialog(&config, &pressed, nullptr, nullptr))) {
      if (pressed == kOkButton) return mrOk;
      if (pressed == kCancelButton) return mrCancel;
      return mrNone;
    }
  }
  const int result = MessageBoxCentred(owner, WideText(text), kConfirmationCaption,
                                       MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1);
  // The box's own close button answers as "Abbrechen" does; it cannot be told apart.
  if (result == IDOK) return mrOk;
  if (result == IDCANCEL) return mrCancel;
  return mrNone;
}

void ShowMessageBox(HWND owner, const String& caption, const String& text, bool errorIcon) {
  MessageBoxCentred(owner, WideText(text), WideText(caption), MB_OK | (errorIcon ? MB_ICONERROR : 0));
}

}  // namespace platform::ui::win32
