#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "platform/ui/Progress.h"

namespace {

using platform::ui::ProgressText;
using platform::ui::TProgressUnit;

TEST(Progress, TextGivesThePercentageAndTheAmountInMegabytes) {
  constexpr std::int64_t kMB = 1024 * 1024;
  const struct {
    std::int64_t Done;
    std::int64_t Total;
    TProgressUnit Unit;
    String Text;
  } cases[] = {
      {84 * kMB, 200 * kMB, TProgressUnit::puBytes, u"Lade neue Version: 42 % (84,0 von 200,0 MB)"},
      {0, 1000, TProgressUnit::puBytes, u"Lade neue Version: 0 % (0,0 von 0,0 MB)"},
      {1000, 1000, TProgressUnit::puBytes, u"Lade neue Version: 100 % (0,0 von 0,0 MB)"},
      {kMB * 3 / 2, kMB * 2, TProgressUnit::puBytes, u"Lade neue Version: 75 % (1,5 von 2,0 MB)"},
      {kMB * 19 / 20 + 1, kMB * 10, TProgressUnit::puBytes, u"Lade neue Version: 9 % (1,0 von 10,0 MB)"},
      // Without a length: the amount alone.
      {5 * kMB, 0, TProgressUnit::puBytes, u"Lade neue Version: 5,0 MB"},
      {5 * kMB, -1, TProgressUnit::puBytes, u"Lade neue Version: 5,0 MB"},
      // More than announced is shown as all of it.
      {3000, 1000, TProgressUnit::puBytes, u"Lade neue Version: 100 % (0,0 von 0,0 MB)"},
      {42, 100, TProgressUnit::puSteps, u"Lade neue Version: 42 %"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ToUtf8(ProgressText(u"Lade neue Version", c.Done, c.Total, c.Unit)), ToUtf8(c.Text))
        << c.Done << " / " << c.Total;
}

TEST(Progress, PermilleStaysInItsRangeForEveryCount) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ(platform::ui::ProgressPermille(0, 0), -1);
  EXPECT_EQ(platform::ui::ProgressPermille(5, -3), -1);
  EXPECT_EQ(platform::ui::ProgressPermille(-5, 10), 0);
  EXPECT_EQ(platform::ui::ProgressPermille(1, 3), 333);
  EXPECT_EQ(platform::ui::ProgressPermille(kMax / 2, kMax), 499);  // just below a half
  EXPECT_EQ(platform::ui::ProgressPermille(kMax, kMax), 1000);
  EXPECT_EQ(platform::ui::ProgressPermille(kMax, 1), 1000);
}

}  // namespace
