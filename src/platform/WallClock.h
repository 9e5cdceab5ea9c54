#ifndef FENDREL_PLATFORM_WALLCLOCK_H
#define FENDREL_PLATFORM_WALLCLOCK_H

#include <cstdint>

#include "core/DateTime.h"

namespace platform {

// The calendar clock: the current local time and the local time zone's offset from
// UTC. Code that needs "now" takes an IWallClock so that tests pin both instead of
// depending on the machine's time and time zone.
class IWallClock {
 public:
  virtual ~IWallClock() = default;
  // The current local time.
  virtual TDateTime Now() = 0;
  // Local time minus UTC, in minutes, as it stands now (east of Greenwich is positive).
  virtual std::int32_t UtcOffsetMinutes() = 0;
};

// The system's clock and time zone.
IWallClock& SystemWallClock();

// A clock that stands still at a given local time and offset, for tests and tools.
class TFixedWallClock final : public IWallClock {
 public:
  TFixedWallClock(TDateTime now, std::int32_t utcOffsetMinutes) : FNow(now), FOffset(utcOffsetMinutes) {}
  TDateTime Now() override { return FNow; }
  std::int32_t UtcOffsetMinutes() override { return FOffset; }
  void SetNow(TDateTime now) { FNow = now; }

 private:
  TDateTime FNow;
  std::int32_t FOffset;
};

}  // namespace platform

#endif
