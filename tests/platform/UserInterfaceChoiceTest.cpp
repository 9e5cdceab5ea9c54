#include <gtest/gtest.h>

#include "platform/ui/UserInterfaceChoice.h"

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
      {{"something", "", "", ""}, Console},  // anything else is not understood: the console
      {{"something", ":0", "", ""}, Console},
      {{"consolex", ":0", "", ""}, Console},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseUserInterface(c.Environment), c.Expected)
        << c.Environment.Requested << " / " << c.Environment.Display << " / " << c.Environment.WaylandDisplay
        << " / " << c.Environment.QtPlatform;
  }
}

TEST(UserInterfaceChoice, AValueNotUnderstoodIsNamedOnOneLine) {
  for (const char* known : {"", "console", "Console", "qt", "QT"}) {
    EXPECT_TRUE(platform::ui::IsKnownUserInterfaceRequest(known)) << known;
  }
  for (const char* unknown : {"gui", "qtx", " qt", "console "}) {
    EXPECT_FALSE(platform::ui::IsKnownUserInterfaceRequest(unknown)) << unknown;
  }
  EXPECT_EQ(
      platform::ui::UnknownUserInterfaceRequestLine("gui"),
      "Fendrel! Update: FENDREL_UPDATER_UI=\"gui\" ist kein bekannter Wert (console oder qt); die Konsole "
      "wird verwendet.");
  // A line break in the value does not break the line.
  EXPECT_EQ(platform::ui::UnknownUserInterfaceRequestLine("a\nb\x1b").find_first_of("\n\x1b"),
            std::string::npos);
}

}  // namespace
