#include <gtest/gtest.h>

#include "platform/ui/qt/UserInterfaceChoice.h"

namespace {

using platform::ui::ChooseUserInterface;
using platform::ui::UserInterfaceKind;

TEST(UserInterfaceChoice, QtOnADisplayConsoleOtherwiseOrOnRequest) {
  constexpr auto Qt = UserInterfaceKind::Qt;
  constexpr auto Console = UserInterfaceKind::Console;
  const struct {
    platform::ui::UserInterfaceEnvironment
        Environment;  // requested, DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM
    UserInterfaceKind Expected;
  } cases[] = {
      {{"", "", "", ""}, Console},
      {{"", ":0", "", ""}, Qt},
      {{"", "", "wayland-0", ""}, Qt},
      {{"", "", "", "offscreen"}, Qt},
      {{"console", ":0", "wayland-0", "xcb"}, Console},
      {{"CONSOLE", ":0", "", ""}, Console},
      {{"qt", "", "", ""}, Qt},  // insists, even without a display
      {{"Qt", "", "", ""}, Qt},
      {{"something", "", "", ""}, Console},  // anything else: the default rule
      {{"something", ":0", "", ""}, Qt},
      {{"consolex", ":0", "", ""}, Qt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseUserInterface(c.Environment), c.Expected)
        << c.Environment.Requested << " / " << c.Environment.Display << " / " << c.Environment.WaylandDisplay
        << " / " << c.Environment.QtPlatform;
  }
}

}  // namespace
