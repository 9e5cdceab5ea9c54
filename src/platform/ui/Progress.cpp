#include "platform/ui/Progress.h"

#include <algorithm>

namespace platform::ui {
namespace {

// Megabytes with one decimal, rounded, after a decimal comma: "84,0".
String Megabytes(std::int64_t bytes) {
  constexpr std::int64_t kTenth = 1024 * 1024 / 10;
  const std::int64_t tenths = (std::max<std::int64_t>(bytes, 0) + kTenth / 2) / kTenth;
  return FromUtf8(std::to_string(tenths / 10) + "," + std::to_string(tenths % 10));
}

}  // namespace

int ProgressPermille(std::int64_t done, std::int64_t total) {
  if (total <= 0) return -1;
  const std::int64_t clamped = std::clamp<std::int64_t>(done, 0, total);
  // Without overflow for every 64-bit total.
  const long double share = static_cast<long double>(clamped) / static_cast<long double>(total);
  return static_cast<int>(share * 1000);
}

String ProgressText(const String& status, std::int64_t done, std::int64_t total, TProgressUnit unit) {
  String text = status + u": ";
  const int permille = ProgressPermille(done, total);
  const String percent = FromUtf8(std::to_string(std::max(permille, 0) / 10)) + u" %";
  if (unit == TProgressUnit::puSteps) return text + percent;
  if (permille < 0) return text + Megabytes(done) + u" MB";
  return text + percent + u" (" + Megabytes(done) + u" von " + Megabytes(total) + u" MB)";
}

}  // namespace platform::ui
