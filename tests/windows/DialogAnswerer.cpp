// Answers the dialogs of another program as a user would, for the whole update with the
// native window under Wine (scripts/update-under-wine):
//   DialogAnswerer.exe <record file> <button text> <count> <seconds>
// Waits for visible dialogs (class #32770) of any program, writes one line per dialog to the
// record file, "<caption>|<texts of its static controls>|<texts of its buttons>", each text
// in brackets, line breaks as blanks, in UTF-8, and clicks the button that reads <button text>. Ends once
// <count> dialogs were answered (exit code 0) or after <seconds> (exit code 1).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr,
                      nullptr);
  return result;
}

// The window's text, its line breaks as blanks so that each dialog stays on one line.
std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  std::wstring result = text;
  for (wchar_t& c : result)
    if (c == L'\r' || c == L'\n') c = L' ';
  return result;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

struct Dialog {
  HWND Window = nullptr;
  std::vector<HWND> Buttons;
  std::string Texts;
  std::string ButtonTexts;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM parameter) {
  auto* dialog = reinterpret_cast<Dialog*>(parameter);
  const std::wstring kind = ClassOf(child);
  const std::wstring text = TextOf(child);
  if (_wcsicmp(kind.c_str(), L"Button") == 0) {
    dialog->Buttons.push_back(child);
    dialog->ButtonTexts += "[" + Utf8(text) + "]";
  } else if (_wcsicmp(kind.c_str(), L"Static") == 0 && !text.empty()) {
    dialog->Texts += "[" + Utf8(text) + "]";
  }
  return TRUE;
}

struct Search {
  std::set<HWND>* Seen;
  std::vector<HWND> Found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  if (IsWindowVisible(window) && ClassOf(window) == L"#32770" && search->Seen->count(window) == 0)
    search->Found.push_back(window);
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::fputs("usage: DialogAnswerer.exe <record file> <button text> <count> <seconds>\n", stderr);
    return 2;
  }
  FILE* record = _wfopen(argv[1], L"wb");
  if (record == nullptr) return 2;
  const std::wstring wanted = argv[2];
  const int count = _wtoi(argv[3]);
  const DWORD limit = static_cast<DWORD>(_wtoi(argv[4])) * 1000;
  std::set<HWND> seen;
  int answered = 0;
  const DWORD start = GetTickCount();
  while (answered < count && GetTickCount() - start < limit) {
    Sleep(100);
    Search search{&seen, {}};
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
    for (const HWND window : search.Found) {
      // Give the dialog its controls' final texts (the program renames its buttons as it opens).
      Sleep(200);
      Dialog dialog{window, {}, {}, {}};
      EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&dialog));
      HWND target = nullptr;
      for (const HWND button : dialog.Buttons)
        if (TextOf(button) == wanted) target = button;
      if (target == nullptr) continue;
      seen.insert(window);
      const std::string line = Utf8(TextOf(window)) + "|" + dialog.Texts + "|" + dialog.ButtonTexts + "\n";
      std::fwrite(line.data(), 1, line.size(), record);
      std::fflush(record);
      PostMessageW(target, BM_CLICK, 0, 0);
      ++answered;
    }
  }
  std::fclose(record);
  return answered >= count ? 0 : 1;
}
