#include "platform/WallClock.h"

#include <windows.h>

namespace platform {
namespace {

class Win32WallClock final : public IWallClock {
 public:
  TDateTime Now() override {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    return EncodeDate(local.wYear, local.wMonth, local.wDay) +
           EncodeTime(local.wHour, local.wMinute, local.wSecond, local.wMilliseconds);
  }

  std::int32_t UtcOffsetMinutes() override {
    TIME_ZONE_INFORMATION zone{};
    const DWORD state = GetTimeZoneInformation(&zone);
    LONG bias = zone.Bias;
    if (state == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
    if (state == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
    // The bias is UTC minus local time.
    return -static_cast<std::int32_t>(bias);
  }
};

}  // namespace

IWallClock& SystemWallClock() {
  static Win32WallClock clock;
  return clock;
}

}  // namespace platform
