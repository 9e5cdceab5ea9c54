#ifndef FENDREL_CORE_WIN32_WIDETEXT_H
#define FENDREL_CORE_WIN32_WIDETEXT_H

#include <cwchar>

#include "core/String.h"

// Windows' wide characters are UTF-16 code units, the same as the system's own text: a
// String is handed to the API and read back from it without conversion.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are 16 bits");

inline const wchar_t* WideText(const String& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline String FromWide(const wchar_t* text) {
  return text == nullptr ? String() : String(reinterpret_cast<const char16_t*>(text), std::wcslen(text));
}

inline String FromWide(const wchar_t* text, std::size_t length) {
  return String(reinterpret_cast<const char16_t*>(text), length);
}

#endif
