#include "platform/Clock.h"

#include <time.h>

#include <cerrno>

namespace platform {
namespace {

class PosixClock final : public IClock {
 public:
  std::uint32_t TickCount() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const auto ms =
        static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
  }

  void Sleep(std::uint32_t milliseconds) override {
    timespec request{static_cast<time_t>(milliseconds / 1000),
                     static_cast<long>(milliseconds % 1000) * 1000000L};
    timespec remaining{};
    while (nanosleep(&request, &remaining) != 0 && errno == EINTR) request = remaining;
  }
};

}  // namespace

IClock& SystemClock() {
  static PosixClock clock;
  return clock;
}

}  // namespace platform
