#include "platform/Clock.h"

#include <windows.h>

namespace platform {
namespace {

class Win32Clock final : public IClock {
 public:
  std::uint32_t TickCount() override { return GetTickCount(); }
  void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

}  // namespace

IClock& SystemClock() {
  static Win32Clock clock;
  return clock;
}

}  // namespace platform
