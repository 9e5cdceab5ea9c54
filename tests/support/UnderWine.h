#ifndef FENDREL_SUPPORT_UNDERWINE_H
#define FENDREL_SUPPORT_UNDERWINE_H

#ifdef _WIN32
#include <windows.h>
#endif

namespace testsupport {

// Whether the Windows build runs under Wine rather than on Windows. A few tests cannot hold
// there, because Wine's system differs from Windows in what they check; they skip with the
// reason instead of failing.
inline bool RunningUnderWine() {
#ifdef _WIN32
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

// Wine reports a connection that the peer reset as closed on receive (0 bytes), where Windows
// and POSIX report the reset (10054).
inline constexpr const char* kWineReadsResetAsClose =
    "Wine reports a connection reset by the peer as an orderly close on receive";
// Wine lacks code pages that Windows has (EBCDIC, ISO-2022 and others) and decodes some
// bytes otherwise (0x81 in windows-1252 as U+0081, not as an unmapped byte).
inline constexpr const char* kWineLacksCodePages =
    "Wine lacks code pages that Windows has and decodes some unmapped bytes otherwise";

}  // namespace testsupport

#endif
