#ifndef FENDREL_PLATFORM_CLOCK_H
#define FENDREL_PLATFORM_CLOCK_H

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, as an unsigned 32-bit value that wraps
// after about 49.7 days, and sleeping. Code that waits takes an IClock so that
// tests can count the waits instead of waiting.
class IClock {
 public:
  virtual ~IClock() = default;
  virtual std::uint32_t TickCount() = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
};

// The monotonic clock of the system.
IClock& SystemClock();

}  // namespace platform

#endif
