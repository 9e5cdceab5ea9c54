#include "platform/WallClock.h"

#include <time.h>

namespace platform {
namespace {

class PosixWallClock final : public IWallClock {
 public:
  TDateTime Now() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    const std::int64_t localSeconds = static_cast<std::int64_t>(ts.tv_sec) + local.tm_gmtoff;
    return IncMillisecondsSaturated(UnixSecondsToDateTime(localSeconds), ts.tv_nsec / 1000000);
  }

  std::int32_t UtcOffsetMinutes() override {
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    return static_cast<std::int32_t>(local.tm_gmtoff / 60);
  }
};

}  // namespace

IWallClock& SystemWallClock() {
  static PosixWallClock clock;
  return clock;
}

}  // namespace platform
